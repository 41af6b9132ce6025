// The picture outputs' items of the main window: enabled once the engine side has a session, and
// each one opens the first window of its command; while a rendering runs, each asks to abort.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <string>

#include "app/session/session.h"
#include "app/ui/control_table.h"
#include "app/ui/design_opener.h"
#include "app/ui/main_window.h"
#include "app/ui/owner_draw_button.h"
#include "app/ui/render_window.h"
#include "tests/support/byte_files.h"
#include "tests/ui/modal_answers.h"
#include "tests/ui/ui_test_support.h"

namespace tavrine::ui {
namespace {

// A recording engine side with a session, as the viewer's has.
class SessionEngine : public test::RecordingEngine {
  public:
    Session state;
    Session* session() override { return &state; }
};

// Runs action and returns what its first modal window showed, dismissed with button.
std::string firstWindowOf(const std::function<void()>& action,
                          QMessageBox::StandardButton button = QMessageBox::No) {
    std::string seen;
    test::ModalAnswers answers({test::dismiss(&seen, button)});
    action();
    EXPECT_TRUE(answers.done());
    return seen;
}

TEST(OutputItems, MenuItemsButtonAndRenderWindowItemOpenTheirCommandsAndAskWhileRendering) {
    test::application();
    tavrine::test::TempFolder folder("tavrine-items");
    SessionEngine engine;
    Settings& settings = engine.state.settings;
    settings = defaultSettings(folder.path() + "/", folder.path() + "/");
    settings.showTitle = 0;
    settings.look.sizeMode = 1;
    settings.look.imageWidth = 64;
    MainWindow w(engine.state, engine);
    w.show();
    ASSERT_NE(w.outputs(), nullptr);
    for (int32_t id = kMenuSaveScreenShot; id <= kMenuMakeGif; ++id) {
        EXPECT_TRUE(w.action(id)->isEnabled()) << id;
    }
    ASSERT_NE(w.renderWindow(), nullptr);
    EXPECT_TRUE(w.renderWindow()->screenShotAction()->isEnabled());

    auto item = [&](int32_t id) { return [&w, id] { w.action(id)->trigger(); }; };
    EXPECT_EQ(firstWindowOf(item(kMenuSaveScreenShot)), "Save Screen Shot");
    EXPECT_EQ(firstWindowOf(item(kMenuRestorePosition)), "Open Position-Info File");
    EXPECT_EQ(firstWindowOf(item(kMenuCaptureNew)), "HeaderSettingWnd");
    EXPECT_EQ(firstWindowOf(item(kMenuCaptureResume)), "Open Capture-Info File");
    EXPECT_EQ(firstWindowOf(item(kMenuMakeGif)), "Open Capture-Info File");
    auto* shot = static_cast<OwnerDrawButton*>(w.control(kScreenShotButton));
    EXPECT_EQ(firstWindowOf([shot] { shot->click(); }), "Save Screen Shot");
    EXPECT_EQ(firstWindowOf([&w] { w.renderWindow()->screenShotAction()->trigger(); }),
              "Save Screen Shot");
    // A render window made anew by the size dialog keeps its item.
    w.recreateRenderWindow(96);
    EXPECT_TRUE(w.renderWindow()->screenShotAction()->isEnabled());
    EXPECT_EQ(firstWindowOf([&w] { w.renderWindow()->screenShotAction()->trigger(); }),
              "Save Screen Shot");
    // Cancelled at once: nothing reached the engine.
    EXPECT_TRUE(engine.posts.empty());

    // While a rendering runs, Save asks its own question and Yes aborts; the others ask the
    // common one and No leaves the rendering alone.
    w.requestRender();
    ASSERT_TRUE(w.renderBusy());
    engine.posts.clear();
    EXPECT_EQ(firstWindowOf(item(kMenuSaveScreenShot), QMessageBox::Yes), kAbortToSaveText);
    EXPECT_EQ(engine.posts, (std::vector<std::pair<int32_t, int64_t>>{
                                {static_cast<int32_t>(EngineCommand::Abort), 0}}));
    engine.posts.clear();
    for (int32_t id : {kMenuRestorePosition, kMenuCaptureNew, kMenuCaptureResume, kMenuMakeGif}) {
        EXPECT_EQ(firstWindowOf(item(id)), kAbortText) << id;
    }
    EXPECT_EQ(firstWindowOf([&w] { w.renderWindow()->screenShotAction()->trigger(); }),
              kAbortToSaveText);
    EXPECT_TRUE(engine.posts.empty());
}

TEST(OutputItems, RestorePositionAppliesARecordOfADesignAndRefusesOneWhoseDesignIsGone) {
    test::application();
    tavrine::test::TempFolder folder("tavrine-restore");
    const std::string dir = folder.path() + "/";

    // An oval design seen from a turned view, in HQ, on a 100-pixel render window.
    Session saved;
    saved.settings = defaultSettings(dir, dir);
    ASSERT_TRUE(openDesign(saved, std::string(TAVRINE_EXAMPLES_DIR) + "/oval.asc", nullptr));
    chooseModel(saved, kDesignModelIndex);
    saved.settings.look.highQuality = 1;
    saved.settings.look.sizeMode = 1;
    saved.settings.look.imageWidth = 100;
    rebuildModel(saved);
    resetView(saved);
    applyKeySteps(saved, {{'L', 4}, {'U', 2}}, KeyStepTarget::View);
    const PositionInfo record = positionInfoOf(saved);
    ASSERT_TRUE(writePositionInfo(folder.file("oval.gpi"), record, nullptr));
    PositionInfo gone = record;
    gone.designPath = folder.file("missing.asc");
    ASSERT_TRUE(writePositionInfo(folder.file("gone.gpi"), gone, nullptr));

    SessionEngine engine;
    engine.state.settings = defaultSettings(dir, dir);
    engine.state.settings.showTitle = 0;
    rebuildModel(engine.state);
    resetView(engine.state);
    MainWindow w(engine.state, engine);
    DesignOpener opener(w, engine.state);
    w.setDesignOpener(&opener);
    w.show();
    auto* models = w.findChild<QComboBox*>(controlName(kModelList));

    // A design that can no longer be read: refused, nothing changes, nothing is posted.
    std::string refusal;
    {
        test::ModalAnswers answers(
            {test::chooseFile("gone.gpi"), test::dismiss(&refusal, QMessageBox::Ok)});
        w.action(kMenuRestorePosition)->trigger();
        EXPECT_TRUE(answers.done());
    }
    EXPECT_NE(refusal.find("missing.asc"), std::string::npos) << refusal;
    EXPECT_EQ(engine.state.settings.modelIndex, 0);
    EXPECT_EQ(w.renderWindow(), nullptr);
    EXPECT_TRUE(engine.posts.empty());

    {
        test::ModalAnswers answers({test::chooseFile("oval.gpi")});
        w.action(kMenuRestorePosition)->trigger();
        EXPECT_TRUE(answers.done());
    }
    EXPECT_EQ(engine.state.settings.modelIndex, kDesignModelIndex);
    EXPECT_EQ(engine.state.model->modelIndex, kDesignModelIndex);
    EXPECT_EQ(models->currentIndex(), kDesignModelIndex);
    EXPECT_TRUE(static_cast<OwnerDrawButton*>(w.control(kHqSwitch))->isChecked());
    ASSERT_NE(w.renderWindow(), nullptr) << "the size update opened the render window";
    EXPECT_EQ(w.renderWindow()->pictureRect().width(), 100);
    const Orientation& now = engine.state.orientation.viewPose.orientation;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(now.cosines[i], record.savedPosition.orientation.cosines[i]) << i;
        EXPECT_EQ(now.sines[i], record.savedPosition.orientation.sines[i]) << i;
    }
    ASSERT_FALSE(engine.posts.empty());
    EXPECT_EQ(engine.posts.back().first,
              static_cast<int32_t>(EngineCommand::ApplyRestoredPosition));
    EXPECT_TRUE(engine.called("resetIdle"));
}

TEST(OutputItems, StayDisabledWithoutASession) {
    test::application();
    test::RecordingEngine engine;
    Session session;
    session.settings = defaultSettings("/tmp/ScreenShots/", "/tmp/AutoCaps/");
    session.settings.look.sizeMode = 1;
    MainWindow w(session, engine);
    EXPECT_EQ(w.outputs(), nullptr);
    EXPECT_FALSE(w.action(kMenuCaptureNew)->isEnabled());
    EXPECT_FALSE(w.renderWindow()->screenShotAction()->isEnabled());
}

}  // namespace
}  // namespace tavrine::ui
