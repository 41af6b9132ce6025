// The picture outputs' items of the main window: enabled once the engine side has a session, and
// each one opens the first window of its command; while a rendering runs, each asks to abort.

#include <gtest/gtest.h>

#include <QAction>
#include <string>

#include "app/session/session.h"
#include "app/ui/control_table.h"
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
    settings.sizeMode = 1;
    settings.imageWidth = 64;
    MainWindow w(settings, engine);
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
    EXPECT_EQ(firstWindowOf(item(kMenuSaveScreenShot), QMessageBox::Yes), kAbortToSaveQuestion);
    EXPECT_EQ(engine.posts, (std::vector<std::pair<int32_t, int64_t>>{
                                {static_cast<int32_t>(EngineCommand::Abort), 0}}));
    engine.posts.clear();
    for (int32_t id : {kMenuRestorePosition, kMenuCaptureNew, kMenuCaptureResume, kMenuMakeGif}) {
        EXPECT_EQ(firstWindowOf(item(id)), kAbortQuestion) << id;
    }
    EXPECT_EQ(firstWindowOf([&w] { w.renderWindow()->screenShotAction()->trigger(); }),
              kAbortToSaveQuestion);
    EXPECT_TRUE(engine.posts.empty());
}

TEST(OutputItems, StayDisabledWithoutASession) {
    test::application();
    test::RecordingEngine engine;
    Settings settings = defaultSettings("/tmp/ScreenShots/", "/tmp/AutoCaps/");
    settings.sizeMode = 1;
    MainWindow w(settings, engine);
    EXPECT_EQ(w.outputs(), nullptr);
    EXPECT_FALSE(w.action(kMenuCaptureNew)->isEnabled());
    EXPECT_FALSE(w.renderWindow()->screenShotAction()->isEnabled());
}

}  // namespace
}  // namespace tavrine::ui
