// Opening GemCad designs in the viewer: from the File menu and its recent designs, refused ones,
// a Position-Info File of a design at start-up, and the start after a run that showed a design.

#include "app/ui/design_opener.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/settings/recent_designs.h"
#include "app/settings/stone_table.h"
#include "app/ui/control_table.h"
#include "app/ui/main_window.h"
#include "app/ui/start_position.h"
#include "app/ui/stone_panel.h"
#include "app/ui/threaded_engine.h"
#include "tests/support/byte_files.h"
#include "tests/ui/ui_test_support.h"

namespace tavrine::ui {
namespace {

using test::MessageSeen;
using test::RecordingEngine;

constexpr int32_t kRebuild = 7055;

std::string sample(const char* name) { return std::string(TAVRINE_EXAMPLES_DIR) + "/" + name; }

QComboBox* cutList(MainWindow& w) { return w.findChild<QComboBox*>(controlName(kModelList)); }
QLineEdit* indexField(MainWindow& w) { return w.findChild<QLineEdit*>(controlName(kIndexField)); }

// Answers the next design file dialog with path.
void chooseInNextFileDialog(const std::string& path) {
    QTimer::singleShot(0, [path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(QString::fromStdString(path));
        static_cast<QDialog*>(dialog)->accept();
    });
}

TEST(DesignOpener, MenuOpensASampleAsTheLastCutRowProposesItsIndexAndAsksWhileRendering) {
    test::application();
    Session session;
    session.settings = defaultSettings("/tmp/ScreenShots/", "/tmp/AutoCaps/");
    session.settings.showTitle = 0;
    RecordingEngine engine;
    MainWindow w(session, engine);
    auto* opener = new DesignOpener(w, session);
    w.setDesignOpener(opener);
    w.show();
    ASSERT_EQ(cutList(w)->count(), 28);
    // A cut whose view is tilted differently is on show.
    chooseModel(session, 15);
    rebuildModel(session);

    chooseInNextFileDialog(sample("round-brilliant.asc"));
    w.action(kMenuOpenDesign)->trigger();
    ASSERT_EQ(cutList(w)->count(), 29);
    EXPECT_EQ(cutList(w)->itemText(28), "Standard Round Brilliant");
    EXPECT_EQ(cutList(w)->currentIndex(), 28);
    EXPECT_EQ(indexField(w)->text(), "2.42");
    EXPECT_EQ(session.settings.modelIndex, kDesignModelIndex);
    EXPECT_TRUE(engine.called("resetViewAndLight"));
    ASSERT_FALSE(engine.posts.empty());
    EXPECT_EQ(engine.posts.back().first, kRebuild);
    EXPECT_EQ(opener->folder().toStdString(),
              std::filesystem::canonical(TAVRINE_EXAMPLES_DIR).string());

    // What the engine side then does: the view reset before the rebuild is the brilliant's, and
    // the design is built.
    resetView(session);
    rebuildModel(session);
    EXPECT_EQ(session.model->modelIndex, kDesignModelIndex);
    EXPECT_EQ(session.model->facetCount, 57);
    Session brilliant;
    resetView(brilliant);
    EXPECT_EQ(session.orientation.viewPose.axisVector.y,
              brilliant.orientation.viewPose.axisVector.y);

    // A stone choice proposes its own cut; the design row stays and can be chosen again.
    w.onListChosen(kStoneList, 1);
    EXPECT_EQ(session.settings.modelIndex, 6);
    EXPECT_EQ(cutList(w)->count(), 29);
    engine.posts.clear();
    w.onListChosen(kModelList, 28);
    EXPECT_EQ(session.settings.modelIndex, kDesignModelIndex);
    ASSERT_EQ(engine.posts.size(), 1u);
    EXPECT_EQ(engine.posts[0].first, kRebuild);

    // Another design takes the same row.
    ASSERT_TRUE(opener->openFile(QString::fromStdString(sample("oval.asc"))));
    EXPECT_EQ(cutList(w)->count(), 29);
    EXPECT_EQ(cutList(w)->itemText(28), "Oval Brilliant");
    EXPECT_EQ(indexField(w)->text(), "1.54");

    // While rendering the menu asks first; No opens no dialog and changes nothing.
    w.requestRender();
    ASSERT_TRUE(w.renderBusy());
    engine.posts.clear();
    MessageSeen asked;
    test::answerNextMessageBox(&asked, QMessageBox::No);
    w.action(kMenuOpenDesign)->trigger();
    EXPECT_TRUE(asked.shown);
    EXPECT_EQ(asked.text, QString::fromUtf8(kAbortText));
    EXPECT_TRUE(engine.posts.empty());
    EXPECT_EQ(cutList(w)->itemText(28), "Oval Brilliant");
}

TEST(DesignOpener, RefusedDesignNamesFileAndLineAndChangesNothing) {
    test::application();
    tavrine::test::TempFolder folder;
    const std::string bad = folder.file("broken.asc");
    {
        std::ofstream out(bad);
        out << "GemCad 5.0\ng 96 0.0\ny 8 y\nI 2.42\na -41.00 zero 96 12 24\n";
    }
    Session session;
    session.settings = defaultSettings("/tmp/ScreenShots/", "/tmp/AutoCaps/");
    RecordingEngine engine;
    MainWindow w(session, engine);
    DesignOpener opener(w, session);
    indexField(w)->setText("1.90");
    const Settings before = session.settings;

    MessageSeen seen;
    test::answerNextMessageBox(&seen, QMessageBox::Ok);
    EXPECT_FALSE(opener.openFile(QString::fromStdString(bad)));
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_TRUE(seen.text.contains(QString::fromStdString(bad + ": line 5:")))
        << seen.text.toStdString();
    EXPECT_EQ(cutList(w)->count(), 28);
    EXPECT_EQ(cutList(w)->currentIndex(), before.modelIndex);
    EXPECT_EQ(indexField(w)->text(), "1.90");
    EXPECT_EQ(session.settings.modelIndex, before.modelIndex);
    EXPECT_EQ(session.settings.refractiveIndex, before.refractiveIndex);
    EXPECT_EQ(session.design.model, nullptr);
    EXPECT_TRUE(engine.posts.empty());
    EXPECT_TRUE(opener.folder().isEmpty());

    // The command line's design is refused with the same message.
    Session fresh;
    const StartPosition start = takeStartDesign(bad, fresh);
    EXPECT_NE(start.refusal.find(bad + ": line 5:"), std::string::npos) << start.refusal;
    EXPECT_EQ(fresh.design.model, nullptr);
    EXPECT_EQ(fresh.settings.modelIndex, 0);
}

TEST(DesignOpener, PositionFileOfADesignStartsTheViewerAtTheDesign) {
    test::application();
    tavrine::test::TempFolder folder;
    const std::string design = folder.file("my oval.asc");
    std::filesystem::copy_file(sample("oval.asc"), design);

    // A record of the oval turned a little, with its own index, as a screen shot saves it.
    Session saved;
    std::string error;
    ASSERT_TRUE(openDesign(saved, design, &error)) << error;
    rebuildModel(saved);
    resetView(saved);
    applyKeySteps(saved, {{'L', 4}, {'U', 2}}, KeyStepTarget::View);
    saved.settings.refractiveIndex = 1.61;
    const PositionInfo record = positionInfoOf(saved);
    const std::string gpi = folder.file("oval.gpi");
    ASSERT_TRUE(writePositionInfo(gpi, record, &error)) << error;

    Session session;
    session.settings = defaultSettings(folder.path() + "/", folder.path() + "/");
    session.settings.showTitle = 0;
    const StartPosition start = takeStartPosition(gpi, session);
    ASSERT_TRUE(start.info.has_value()) << start.refusal;
    {
        ThreadedEngine engine(session);
        engine.startAtPosition(*start.info);
        MainWindow window(session, engine);
        DesignOpener opener(window, session);
        EXPECT_EQ(cutList(window)->count(), 29);
        EXPECT_EQ(cutList(window)->currentIndex(), 28);
        EXPECT_EQ(cutList(window)->currentText(), "Oval Brilliant");
        EXPECT_EQ(indexField(window)->text(), "1.61");
        EXPECT_EQ(session.model->modelIndex, kDesignModelIndex);
        ASSERT_EQ(session.model->facetCount, saved.model->facetCount);
        EXPECT_EQ(session.model->vertexCount, saved.model->vertexCount);
        const Orientation& now = session.orientation.viewPose.orientation;
        const Orientation& was = saved.orientation.viewPose.orientation;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(now.cosines[i], was.cosines[i]) << i;
            EXPECT_EQ(now.sines[i], was.sines[i]) << i;
        }
    }

    // With the design gone the record is refused, naming the design, and nothing changes.
    std::filesystem::remove(design);
    Session fresh;
    fresh.settings = defaultSettings(folder.path() + "/", folder.path() + "/");
    const StartPosition refused = takeStartPosition(gpi, fresh);
    EXPECT_FALSE(refused.info.has_value());
    EXPECT_NE(refused.refusal.find(design), std::string::npos) << refused.refusal;
    EXPECT_EQ(fresh.settings.modelIndex, 0);
    EXPECT_EQ(fresh.design.model, nullptr);
}

TEST(DesignOpener, RestartAfterADesignWasShownIsTheStonesOwnCutWithItsOwnIndex) {
    test::application();
    tavrine::test::TempFolder folder;
    const std::string dir = folder.path() + "/";
    // The exit of a run showing the oval (index 1.54) on sapphire, whose own cut is model 6.
    Session shown;
    shown.settings = defaultSettings(dir, dir);
    shown.settings.showTitle = 0;
    chooseStone(shown, 1);
    ASSERT_TRUE(openDesign(shown, sample("oval.asc"), nullptr));
    ASSERT_EQ(shown.settings.refractiveIndex, 1.54);
    std::string error;
    ASSERT_TRUE(writeSettings(folder.file("Setting.ini"), settingsToKeep(shown), &error)) << error;
    // The file holds the stone's cut (the model index at offset 8), never the design's row.
    const std::vector<uint8_t> kept = tavrine::test::readBytes(folder.file("Setting.ini"));
    ASSERT_EQ(kept.size(), 729u);
    EXPECT_EQ(kept[8], stoneTable[1].defaultModel);
    // A file an earlier run left with the design's row and index.
    Settings left = shown.settings;
    ASSERT_TRUE(writeSettings(folder.file("Left.ini"), left, &error)) << error;

    for (const char* name : {"Setting.ini", "Left.ini"}) {
        SCOPED_TRACE(name);
        Session session;
        session.settings = defaultSettings(dir, dir);
        readSettings(folder.file(name), session.settings);
        ThreadedEngine engine(session);
        MainWindow window(session, engine);
        DesignOpener opener(window, session);
        EXPECT_EQ(cutList(window)->count(), 28);
        EXPECT_EQ(cutList(window)->currentIndex(), stoneTable[1].defaultModel);
        EXPECT_EQ(indexField(window)->text(), formatRefractiveIndex(stoneRefractiveIndex(1)));
        EXPECT_EQ(session.settings.refractiveIndex, stoneRefractiveIndex(1));
        EXPECT_EQ(session.model->modelIndex, stoneTable[1].defaultModel);
        EXPECT_GT(session.model->facetCount, 0);
    }

    // Even when such a choice reaches the rebuild, the stone's cut is built, never nothing.
    Session stray;
    chooseStone(stray, 1);
    stray.settings.modelIndex = kDesignModelIndex;
    rebuildModel(stray);
    EXPECT_EQ(stray.settings.modelIndex, stoneTable[1].defaultModel);
    EXPECT_EQ(stray.model->modelIndex, stoneTable[1].defaultModel);
    EXPECT_GT(stray.model->facetCount, 0);
}

TEST(DesignOpener, RecentDesignsListsTheLastOpenedAndForgetsAGoneOneWithAMessage) {
    test::application();
    tavrine::test::TempFolder folder;
    const std::string dir = folder.path() + "/";
    std::string error;
    Settings stored = defaultSettings(dir, dir);
    stored.showTitle = 0;
    ASSERT_TRUE(writeSettings(folder.file("Setting.ini"), stored, &error)) << error;
    const auto settingsBytes = [&] { return tavrine::test::readBytes(folder.file("Setting.ini")); };
    const std::vector<uint8_t> before = settingsBytes();
    ASSERT_EQ(before.size(), 729u);
    std::vector<std::string> designs;
    for (const char* name : {"oval.asc", "pear.asc", "emerald-cut.asc"}) {
        designs.push_back(folder.file(name));
        std::filesystem::copy_file(sample(name), designs.back());
    }
    const std::string recentFile = recentDesignsFile(dir);

    Session session;
    session.settings = stored;
    RecordingEngine engine;
    MainWindow w(session, engine);
    auto* opener = new DesignOpener(w, session, recentFile);
    w.setDesignOpener(opener);
    QMenu* recent = w.recentDesignsMenu();
    ASSERT_NE(recent, nullptr);
    EXPECT_FALSE(w.action(kMenuRecentDesigns)->isEnabled());
    for (const std::string& design : {designs[0], designs[1], designs[2], designs[0]}) {
        ASSERT_TRUE(opener->openFile(QString::fromStdString(design)));
    }
    EXPECT_TRUE(w.action(kMenuRecentDesigns)->isEnabled());
    const auto shown = [&] {
        std::vector<std::string> texts;
        for (QAction* item : recent->actions()) texts.push_back(item->text().toStdString());
        return texts;
    };
    const std::vector<std::string> expected = {"&1 " + designs[0], "&2 " + designs[2],
                                               "&3 " + designs[1]};
    EXPECT_EQ(shown(), expected);
    EXPECT_EQ(readRecentDesigns(recentFile),
              (std::vector<std::string>{designs[0], designs[2], designs[1]}));

    // The pear is gone: choosing it names it and forgets it, and nothing else changes.
    std::filesystem::remove(designs[1]);
    MessageSeen told;
    test::answerNextMessageBox(&told, QMessageBox::Ok);
    recent->actions()[2]->trigger();
    EXPECT_TRUE(told.shown);
    EXPECT_TRUE(told.text.contains(QString::fromStdString(designs[1]))) << told.text.toStdString();
    EXPECT_EQ(cutList(w)->itemText(28), "Oval Brilliant");
    EXPECT_EQ(readRecentDesigns(recentFile), (std::vector<std::string>{designs[0], designs[2]}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(recent->actions().size(), 2);

    // Choosing one opens it and moves it up; the settings file is untouched.
    recent->actions()[1]->trigger();
    EXPECT_EQ(session.design.path, designs[2]);
    EXPECT_EQ(readRecentDesigns(recentFile), (std::vector<std::string>{designs[2], designs[0]}));
    EXPECT_EQ(settingsBytes(), before);
}

}  // namespace
}  // namespace tavrine::ui
