#include "app/ui/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <memory>

#include "app/ui/control_table.h"
#include "app/ui/engine_event.h"
#include "app/ui/owner_draw_button.h"
#include "app/ui/panel_controls.h"
#include "app/ui/render_window.h"
#include "tests/ui/ui_test_support.h"

namespace tavrine::ui {
namespace {

using test::MessageSeen;
using test::RecordingEngine;

constexpr int32_t kRender = 7060;
constexpr int32_t kRebuild = 7055;
constexpr int32_t kRefresh = 7050;
constexpr int32_t kAbort = 7065;

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::application();
        settings = defaultSettings("/tmp/ScreenShots/", "/tmp/AutoCaps/");
    }

    MainWindow& open() {
        window = std::make_unique<MainWindow>(session, engine);
        window->show();
        return *window;
    }

    QComboBox* list(int32_t id) { return window->findChild<QComboBox*>(controlName(id)); }
    QLineEdit* field() { return window->findChild<QLineEdit*>(controlName(kIndexField)); }
    OwnerDrawButton* button(int32_t id) {
        return window->findChild<OwnerDrawButton*>(controlName(id));
    }

    Session session;
    Settings& settings = session.settings;
    RecordingEngine engine;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, WindowHasItsTitleFixedClientAndNoMaximizeBox) {
    MainWindow& w = open();
    EXPECT_EQ(w.windowTitle().toStdString(), "[   t  a  v  r  i  n  e   ]  version 4.06");
    EXPECT_EQ(w.centralWidget()->size(), QSize(728, 508));
    EXPECT_EQ(w.centralWidget()->y(), w.menuBar()->height());
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(engine.called("prepare"));
    w.startEngine();
    EXPECT_TRUE(engine.called("start"));
}

TEST_F(MainWindowTest, ControlsStandInCreationOrderAtTheirPlaces) {
    settings.buttonPlacement = 1;
    MainWindow& w = open();
    // Creation order: the controls are the client area's children in id order.
    std::vector<int32_t> order;
    for (QObject* child : w.centralWidget()->children()) {
        bool ok = false;
        const int id = child->objectName().toInt(&ok);
        if (ok) {
            order.push_back(id);
        }
    }
    ASSERT_EQ(order.size(), 24u);
    for (int k = 0; k < 24; ++k) {
        EXPECT_EQ(order[static_cast<size_t>(k)], 1000 + k);
    }
    const struct {
        int32_t id;
        QRect geometry;
    } places[] = {
        {1005, {152, 452, 80, 21}}, {1006, {448, 452, 32, 21}}, {1011, {288, 452, 32, 21}},
        {1012, {664, 452, 32, 21}}, {1015, {568, 452, 32, 21}}, {1016, {33, 452, 60, 21}},
        {1017, {105, 407, 56, 21}}, {1018, {101, 452, 32, 21}}, {1019, {497, 452, 32, 21}},
        {1020, {529, 452, 32, 21}}, {1021, {63, 334, 140, 21}}, {1022, {39, 183, 120, 40}},
        {1023, {167, 183, 60, 40}},
    };
    for (const auto& place : places) {
        EXPECT_EQ(w.control(place.id)->geometry(), place.geometry) << place.id;
    }
    // The lists stand right of their labels, the larger-font cut list 16 pixels further left.
    EXPECT_EQ(list(1000)->x(), 695 - 131);
    EXPECT_EQ(list(1001)->geometry().left(), 695 - 147);
    EXPECT_EQ(list(1001)->width(), 133);
    EXPECT_EQ(field()->x(), 695 - 119);
    // Hidden: the progress display; the render-window button in the fixed-size mode.
    EXPECT_FALSE(w.control(1017)->isVisible());
    EXPECT_FALSE(w.control(1021)->isVisible());
    EXPECT_TRUE(w.control(1022)->isVisible());
    // The two displays lose a pixel at each corner.
    EXPECT_FALSE(w.control(1017)->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(w.control(1017)->mask().contains(QPoint(1, 0)));
}

TEST_F(MainWindowTest, ButtonPlacementOffHidesTheDialogButtonsAndSeparateModeShowsTheOther) {
    settings.buttonPlacement = 0;
    settings.look.sizeMode = 1;
    MainWindow& w = open();
    EXPECT_FALSE(w.control(1022)->isVisible());
    EXPECT_FALSE(w.control(1023)->isVisible());
    EXPECT_TRUE(w.control(1021)->isVisible());
    ASSERT_NE(w.renderWindow(), nullptr);
    EXPECT_EQ(w.renderWindow()->objectName(), "RenderWnd");
    // 270 pixels with a margin of 16 on each side; the progress display centred under it.
    EXPECT_EQ(w.renderWindow()->size(), QSize(302, 302));
    EXPECT_EQ(w.renderWindow()->progressDisplay()->geometry(), QRect(123, 249, 56, 21));
    EXPECT_FALSE(w.renderWindow()->screenShotAction()->isEnabled());

    // A rendering that reports to the render window ends the busy state there.
    w.requestRender();
    ASSERT_TRUE(w.renderBusy());
    EngineEvent started(5605, 0);
    QCoreApplication::sendEvent(w.renderWindow(), &started);
    EXPECT_TRUE(w.renderWindow()->progressDisplay()->isVisibleTo(w.renderWindow()));
    EngineEvent ended(5610, 0);
    QCoreApplication::sendEvent(w.renderWindow(), &ended);
    EXPECT_FALSE(w.renderBusy());
    EXPECT_FALSE(w.renderWindow()->progressDisplay()->isVisibleTo(w.renderWindow()));
}

TEST_F(MainWindowTest, MenusCarryTheirCaptionsIdsChecksAndRadio) {
    settings.polygonColour = 5;
    settings.showTitle = 0;
    settings.renderWindowTopMost = 1;
    MainWindow& w = open();
    const std::vector<std::pair<QString, std::vector<std::pair<QString, int>>>> expected = {
        {"File(&F)",
         {{"Open Design... (&O)", 1150},
          {"Recent Designs (&R)", 1151},
          {"", 0},
          {"Exit (&X)", 1068}}},
        {"View(&V)",
         {{"Show Title (&T)", 1069},
          {"RenderWnd As TopMost (&R)", 1070},
          {"Live Ray-trace (&L)", 1160},
          {"", 0},
          {"Face Up (&U)", 1161},
          {"Lighting", 1162},
          {"Tilt Performance... (&T)", 1166}}},
        {"Polygon Color(&C)",
         {{"White (&W)", 1071},
          {"Red (&R)", 1072},
          {"Green (&G)", 1073},
          {"Blue (&B)", 1074},
          {"Yellow (&Y)", 1075},
          {"Purple (&P)", 1076},
          {"Chocolate (&C)", 1077},
          {"Orange (&O)", 1078}}},
        {"Settings(&S)",
         {{"BackColor / Light Volume (&L)", 1079},
          {"Size (&Z)", 1080},
          {"Transformable Models (&V)", 1081},
          {"General Settings (&S)", 1082}}},
        {"Screen Shot(&T)", {{"Save (&S)", 1083}, {"Restore Position (&R)", 1084}}},
        {"Automatic Screen Capture(&P)",
         {{"New (&N)", 1085}, {"Resume (&R)", 1086}, {"", 0}, {"Make Animated-GIF (&A)", 1087}}},
        {"About(&A)", {{"Version Info. (&V)", 1088}}},
    };
    const QList<QAction*> menus = w.menuBar()->actions();
    ASSERT_EQ(menus.size(), 7);
    for (size_t m = 0; m < expected.size(); ++m) {
        EXPECT_EQ(menus[static_cast<int>(m)]->text(), expected[m].first);
        const QList<QAction*> items = menus[static_cast<int>(m)]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<int>(expected[m].second.size()));
        for (size_t k = 0; k < expected[m].second.size(); ++k) {
            QAction* item = items[static_cast<int>(k)];
            EXPECT_EQ(item->text(), expected[m].second[k].first);
            EXPECT_EQ(item->isSeparator(), expected[m].second[k].second == 0);
            if (!item->isSeparator()) {
                EXPECT_EQ(item->data().toInt(), expected[m].second[k].second);
            }
        }
    }
    // View check marks follow the settings; the dialogs' items wait for their windows.
    EXPECT_FALSE(w.action(1069)->isChecked());
    EXPECT_TRUE(w.action(1070)->isChecked());
    EXPECT_TRUE(w.action(1080)->isEnabled());
    EXPECT_FALSE(w.action(1083)->isEnabled());
    EXPECT_FALSE(w.action(1166)->isEnabled());
    EXPECT_FALSE(w.action(1161)->isCheckable() || w.action(1166)->isCheckable());
    EXPECT_TRUE(w.action(1088)->isEnabled());

    // Exactly one polygon colour is checked: the stored one; choosing another moves it.
    auto checkedColours = [&] {
        std::vector<int> checked;
        for (int id = 1071; id <= 1078; ++id) {
            if (w.action(id)->isChecked()) {
                checked.push_back(id - 1071);
            }
        }
        return checked;
    };
    EXPECT_EQ(checkedColours(), std::vector<int>{5});
    w.action(1074)->trigger();
    EXPECT_EQ(checkedColours(), std::vector<int>{3});
    EXPECT_TRUE(engine.called("polygon 3"));
    ASSERT_EQ(engine.posts.size(), 1u);
    EXPECT_EQ(engine.posts[0].first, kRefresh);

    w.action(1069)->trigger();
    EXPECT_EQ(settings.showTitle, 1);

    // The live view starts off; its item switches the engine's live view and the stored setting.
    EXPECT_FALSE(w.action(1160)->isChecked());
    w.action(1160)->trigger();
    EXPECT_EQ(settings.liveRayTrace, 1);
    EXPECT_TRUE(engine.called("live on"));
    w.action(1160)->trigger();
    EXPECT_EQ(settings.liveRayTrace, 0);
    EXPECT_TRUE(engine.called("live off"));
    EXPECT_EQ(engine.posts.size(), 1u);  // nothing posted by the window itself

    // The lightings are radio items under "Lighting", the stored one checked; a choice is
    // stored. Face Up is a command: it turns "GM" off and the view face-up, then refreshes.
    const QList<QAction*> lightings = w.action(1162)->menu()->actions();
    ASSERT_EQ(lightings.size(), 3);
    EXPECT_EQ(lightings[2]->text(), QStringLiteral("COS (&C)"));
    EXPECT_TRUE(w.action(1163)->isChecked());
    w.action(1165)->trigger();
    EXPECT_EQ(settings.lighting, 2);
    EXPECT_FALSE(w.action(1163)->isChecked());
    button(1020)->click();  // "GM" on
    EXPECT_EQ(settings.look.turntableView, 1);
    engine.posts.clear();
    w.action(1161)->trigger();
    EXPECT_TRUE(engine.called("turnFaceUp"));
    EXPECT_EQ(settings.look.turntableView, 0);
    EXPECT_FALSE(button(1020)->isChecked());
    ASSERT_EQ(engine.posts.size(), 1u);
    EXPECT_EQ(engine.posts[0].first, kRefresh);
}

TEST_F(MainWindowTest, StoneCutAndColourChoicesFollowTheirRules) {
    open();
    // "Sapphire" takes "Antiq CushionCut", "Blue" and 1.77, resets the view and rebuilds.
    list(1000)->setCurrentIndex(1);
    emit list(1000)->activated(1);
    EXPECT_EQ(list(1001)->currentText(), "Antiq CushionCut");
    EXPECT_EQ(list(1002)->currentText(), "Blue");
    EXPECT_EQ(field()->text(), "1.77");
    EXPECT_EQ(settings.modelIndex, 6);
    EXPECT_TRUE(engine.called("resetViewAndLight"));
    ASSERT_EQ(engine.posts.size(), 1u);
    EXPECT_EQ(engine.posts[0].first, kRebuild);

    // The separator row keeps the current model and posts nothing.
    engine.posts.clear();
    list(1001)->setCurrentIndex(22);
    emit list(1001)->activated(22);
    EXPECT_EQ(list(1001)->currentIndex(), 6);
    EXPECT_EQ(settings.modelIndex, 6);
    EXPECT_TRUE(engine.posts.empty());

    // A colour alone is stored and posts nothing.
    list(1002)->setCurrentIndex(7);
    emit list(1002)->activated(7);
    EXPECT_EQ(settings.colourIndex, 7);
    EXPECT_TRUE(engine.posts.empty());

    // A transformable model is taken like any other row.
    list(1001)->setCurrentIndex(24);
    emit list(1001)->activated(24);
    EXPECT_EQ(settings.modelIndex, 24);
    ASSERT_EQ(engine.posts.size(), 1u);
    EXPECT_EQ(engine.posts[0].first, kRebuild);
}

TEST_F(MainWindowTest, UpDownStepsTheFieldWithinItsRange) {
    MainWindow& w = open();
    auto* upDown = w.findChild<UpDownControl*>(controlName(kIndexUpDown));
    ASSERT_NE(upDown, nullptr);
    field()->setText("2.99");
    upDown->button(1)->click();
    EXPECT_EQ(field()->text(), "3.00");
    upDown->button(1)->click();
    EXPECT_EQ(field()->text(), "3.00");
    field()->setText("1.00");
    upDown->button(-1)->click();
    EXPECT_EQ(field()->text(), "1.00");
    field()->setText("2.4");
    upDown->button(1)->click();
    EXPECT_EQ(field()->text(), "2.41");
}

TEST_F(MainWindowTest, RenderRequestChecksTheIndexAndAsksWhileBusy) {
    MainWindow& w = open();
    for (const char* refused : {"0.99", "3.01", "abc", " 2.42x"}) {
        field()->setText(refused);
        MessageSeen seen;
        test::answerNextMessageBox(&seen, QMessageBox::Ok);
        w.requestRender();
        EXPECT_TRUE(seen.shown) << refused;
        EXPECT_EQ(seen.title, "Confirmation");
        EXPECT_EQ(seen.text, "Refractive index must be set within the range of 1.00 to 3.00.");
        EXPECT_EQ(seen.icon, QMessageBox::Warning);
        EXPECT_TRUE(engine.posts.empty()) << refused;
    }
    field()->setText("3.00");
    w.requestRender();
    ASSERT_EQ(engine.posts.size(), 1u);
    EXPECT_EQ(engine.posts[0].first, kRender);
    EXPECT_DOUBLE_EQ(settings.refractiveIndex, 3.0);
    EXPECT_TRUE(w.renderBusy());
    EXPECT_TRUE(engine.called("resetIdle"));

    // A second request asks to abort, No by default; Yes posts Abort and renders nothing.
    MessageSeen seen;
    test::answerNextMessageBox(&seen, QMessageBox::Yes);
    QTest::keyClick(w.clientArea(), Qt::Key_Space);
    EXPECT_EQ(seen.text, "Now rendering, Abort current process?");
    EXPECT_EQ(seen.defaultButton, QMessageBox::No);
    ASSERT_EQ(engine.posts.size(), 2u);
    EXPECT_EQ(engine.posts[1].first, kAbort);

    // The engine's notifications drive the progress display and end the busy state.
    EngineEvent started(5605, 0);
    QCoreApplication::sendEvent(&w, &started);
    EXPECT_TRUE(button(1017)->isVisible());
    EngineEvent progress(5620, 37);
    QCoreApplication::sendEvent(&w, &progress);
    EXPECT_EQ(button(1017)->percent(), 37);
    EngineEvent ended(5610, 0);
    QCoreApplication::sendEvent(&w, &ended);
    EXPECT_FALSE(button(1017)->isVisible());
    EXPECT_FALSE(w.renderBusy());
}

TEST_F(MainWindowTest, ClosingWhileRenderingAsksAndNoKeepsTheWindow) {
    MainWindow& w = open();
    w.requestRender();
    field()->setText("9.5");
    MessageSeen seen;
    test::answerNextMessageBox(&seen, QMessageBox::No);
    EXPECT_FALSE(w.close());
    EXPECT_EQ(seen.text, "Now rendering. Abort current process to exit the program?");
    // The field is read and clamped into range whenever the window is asked to close.
    EXPECT_DOUBLE_EQ(settings.refractiveIndex, 3.0);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindowTest, LetterKeysOpenListsAndPauseTheKeyboard) {
    MainWindow& w = open();
    w.clientArea()->setFocus();
    QTest::keyClick(w.clientArea(), Qt::Key_B, Qt::NoModifier);
    EXPECT_TRUE(list(1000)->view()->isVisible());
    EXPECT_TRUE(engine.called("pauseKeys"));
    list(1000)->hidePopup();
    EXPECT_TRUE(engine.called("resumeKeys"));
    // Closed without a choice, the list gives the keys back: an arrow must not step it.
    EXPECT_EQ(w.focusWidget(), w.clientArea());
    // "B" is not "b".
    QTest::keyClicks(w.clientArea(), "B");
    EXPECT_FALSE(list(1000)->view()->isVisible());
    QTest::keyClick(w.clientArea(), Qt::Key_Comma);
    EXPECT_EQ(w.focusWidget(), field());
    EXPECT_TRUE(engine.posts.empty());

    // Held keys reach the record; auto-repeat changes nothing; the field gives Enter back.
    QTest::keyPress(field(), Qt::Key_Return);
    EXPECT_EQ(w.focusWidget(), w.clientArea());
    QTest::keyPress(w.clientArea(), Qt::Key_Left);
    EXPECT_TRUE(engine.keys.left);
    QTest::keyRelease(w.clientArea(), Qt::Key_Left);
    EXPECT_FALSE(engine.keys.left);

    // While the index field has the keyboard, the arrows move its cursor and turn nothing.
    QApplication::setActiveWindow(&w);
    field()->setFocus();
    field()->setText("2.42");
    field()->setCursorPosition(4);
    for (Qt::Key arrow : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Down, Qt::Key_X}) {
        QTest::keyPress(field(), arrow);
        EXPECT_FALSE(engine.keys.left || engine.keys.up || engine.keys.down || engine.keys.x);
        QTest::keyRelease(field(), arrow);
    }
    EXPECT_EQ(field()->text(), "2.4x2") << "Left moved the cursor, and x went into the field";
}

TEST_F(MainWindowTest, DragsStartInTheViewBoxesOnly) {
    MainWindow& w = open();
    QWidget* client = w.clientArea();
    QTest::mousePress(client, Qt::LeftButton, Qt::NoModifier, QPoint(100, 300));  // render area
    QTest::mouseRelease(client, Qt::LeftButton, Qt::NoModifier, QPoint(100, 300));
    EXPECT_TRUE(engine.posts.empty());

    QTest::mousePress(client, Qt::LeftButton, Qt::NoModifier, QPoint(300, 260));
    ASSERT_EQ(engine.posts.size(), 1u);
    EXPECT_EQ(engine.posts[0], std::make_pair(7080, int64_t{(260 << 16) | 300}));
    QTest::mouseMove(client, QPoint(310, 262));
    ASSERT_EQ(engine.posts.size(), 2u);
    EXPECT_EQ(engine.posts[1], std::make_pair(7100, int64_t{(262 << 16) | 310}));
    // While the step runs, further moves are dropped.
    QTest::mouseMove(client, QPoint(320, 264));
    EXPECT_EQ(engine.posts.size(), 2u);
    QTest::mouseRelease(client, Qt::LeftButton, Qt::NoModifier, QPoint(320, 264));

    // A turn button turns while held.
    engine.idle = true;
    QTest::mousePress(w.control(1013), Qt::LeftButton);
    QTest::mouseRelease(w.control(1013), Qt::LeftButton);
    EXPECT_EQ(engine.posts.back(), std::make_pair(7070, int64_t{1013}));
    EXPECT_TRUE(engine.called("stopTurning"));
}

TEST_F(MainWindowTest, SwitchingSyOnSwitchesGmOff) {
    settings.look.turntableView = 1;
    MainWindow& w = open();
    EXPECT_TRUE(button(1020)->isChecked());
    button(1019)->click();
    EXPECT_TRUE(button(1019)->isChecked());
    EXPECT_FALSE(button(1020)->isChecked());
    EXPECT_EQ(settings.look.turnStone, 1);
    EXPECT_EQ(settings.look.turntableView, 0);
    ASSERT_EQ(engine.posts.size(), 1u);
    EXPECT_EQ(engine.posts[0].first, kRefresh);
    // Switching off posts nothing.
    button(1019)->click();
    EXPECT_EQ(settings.look.turnStone, 0);
    EXPECT_EQ(engine.posts.size(), 1u);
    (void)w;
}

TEST_F(MainWindowTest, JapaneseSettingFillsTheListsInJapanese) {
    settings.japanese = 1;
    open();
    EXPECT_EQ(list(1000)->itemText(1), QString::fromUtf8("サファイア"));
    EXPECT_EQ(list(1001)->itemText(19), QString::fromUtf8("正８面体"));
    EXPECT_EQ(list(1001)->count(), 28);
    EXPECT_EQ(list(1002)->itemText(10), QString::fromUtf8("ライトイエロー"));
    EXPECT_EQ(list(1000)->x(), 695 - 123);
}

// The window a question opens as a transient of, answered No.
QWindow* questionOwner(MainWindow& w) {
    QWindow* owner = nullptr;
    QTimer::singleShot(0, [&owner] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        owner = box->windowHandle() != nullptr ? box->windowHandle()->transientParent() : nullptr;
        box->button(QMessageBox::No)->click();
    });
    w.requestRender();  // busy: asks to abort
    return owner;
}

TEST_F(MainWindowTest, QuestionsOpenAboveTheTopmostRenderWindowWhichKeepsItsPlace) {
    settings.look.sizeMode = 1;
    settings.look.imageWidth = 512;
    MainWindow& w = open();
    w.requestRender();
    RenderWindow* render = w.renderWindow();
    ASSERT_TRUE(render->isVisible() && render->isTopMost());
    const QPoint place(300, 200);
    render->move(place);
    EXPECT_EQ(questionOwner(w), render->windowHandle());

    // Not on top, it hides nothing: questions belong to the main window again.
    w.action(kMenuRenderWindowTopMost)->trigger();
    ASSERT_FALSE(render->isTopMost());
    EXPECT_EQ(render->pos(), place);
    EXPECT_EQ(questionOwner(w), w.windowHandle());

    // A render window made anew (a size change, a restored position) opens where the old was.
    w.action(kMenuRenderWindowTopMost)->trigger();
    w.recreateRenderWindow(400);
    w.renderWindow()->show();
    EXPECT_EQ(w.renderWindow()->pos(), place);
}

}  // namespace
}  // namespace tavrine::ui

namespace tavrine::ui {
namespace {

TEST_F(MainWindowTest, SettingsMenuOpensTheDialogsAndSizeAsksWhileRendering) {
    MainWindow& w = open();
    QString opened;
    QTimer::singleShot(0, [&opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = modal->objectName();
            modal->close();
        }
    });
    w.action(1082)->trigger();
    EXPECT_EQ(opened, "SettingWnd");

    w.requestRender();
    MessageSeen seen;
    test::answerNextMessageBox(&seen, QMessageBox::No);
    w.action(1080)->trigger();
    EXPECT_EQ(seen.text.toStdString(),
              "Now rendering. Change the size after the preceding process is finnished.\n\n"
              "Abort current process?");
    EXPECT_EQ(engine.posts.back().first, kRender);  // No: nothing more is posted
}

}  // namespace
}  // namespace tavrine::ui

namespace tavrine::ui {
namespace {

TEST_F(MainWindowTest, PolygonColourWhileRenderingAsksAndKeepsTheCheck) {
    settings.polygonColour = 2;
    MainWindow& w = open();
    w.requestRender();
    MessageSeen seen;
    test::answerNextMessageBox(&seen, QMessageBox::Yes);
    w.action(1077)->trigger();
    EXPECT_EQ(seen.text, "Now rendering, Abort current process?");
    EXPECT_TRUE(w.action(1073)->isChecked());
    EXPECT_FALSE(w.action(1077)->isChecked());
    EXPECT_FALSE(engine.called("polygon 6"));
    // Yes posts Abort and nothing else.
    EXPECT_EQ(engine.posts.back().first, kAbort);
}

}  // namespace
}  // namespace tavrine::ui
