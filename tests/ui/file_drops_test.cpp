// Files dropped onto the main window: a design opens, a Position-Info File is restored, and
// anything else gets no drop cursor and changes nothing.

#include "app/ui/file_drops.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <fstream>
#include <string>

#include "app/session/session.h"
#include "app/ui/control_table.h"
#include "app/ui/design_opener.h"
#include "app/ui/main_window.h"
#include "tests/support/byte_files.h"
#include "tests/ui/ui_test_support.h"

namespace tavrine::ui {
namespace {

// A recording engine side with a session, as the viewer's has.
class SessionEngine : public test::RecordingEngine {
  public:
    Session state;
    Session* session() override { return &state; }
};

// Drags urls over the window and drops them, as a file manager does; returns whether the window
// showed a drop cursor. What a drop opens runs once the events are processed.
bool dropOnto(MainWindow& w, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(100, 100);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(drop.isAccepted(), enter.isAccepted());
    return enter.isAccepted();
}

QUrl local(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }

TEST(MainWindowDrops, OpensADesignRestoresAPositionAndRefusesAnythingElse) {
    test::application();
    tavrine::test::TempFolder folder("tavrine-drops");
    const std::string dir = folder.path() + "/";
    const std::string oval = std::string(TAVRINE_EXAMPLES_DIR) + "/oval.asc";

    // A Position-Info File of the 60-hedron on ruby, turned.
    Session saved;
    saved.settings = defaultSettings(dir, dir);
    chooseStone(saved, 2);
    chooseModel(saved, 15);
    rebuildModel(saved);
    resetView(saved);
    applyKeySteps(saved, {{'R', 3}}, KeyStepTarget::View);
    ASSERT_TRUE(writePositionInfo(folder.file("hedron.gpi"), positionInfoOf(saved), nullptr));
    std::ofstream(folder.file("notes.txt")) << "GemCad 5.0\n";

    SessionEngine engine;
    engine.state.settings = defaultSettings(dir, dir);
    engine.state.settings.showTitle = 0;
    rebuildModel(engine.state);
    resetView(engine.state);
    MainWindow w(engine.state, engine);
    DesignOpener opener(w, engine.state);
    w.setDesignOpener(&opener);
    w.show();
    auto* cuts = w.findChild<QComboBox*>(controlName(kModelList));

    // Another kind of file, two files, a remote design: no drop cursor, nothing changes.
    EXPECT_FALSE(dropOnto(w, {local(folder.file("notes.txt"))}));
    EXPECT_FALSE(dropOnto(w, {local(oval), local(oval)}));
    EXPECT_FALSE(dropOnto(w, {QUrl(QStringLiteral("https://example.org/oval.asc"))}));
    EXPECT_EQ(engine.state.settings.modelIndex, 0);
    EXPECT_EQ(engine.state.design.model, nullptr);
    EXPECT_TRUE(engine.posts.empty());

    // A design opens as from the File menu.
    EXPECT_TRUE(dropOnto(w, {local(oval)}));
    EXPECT_EQ(engine.state.settings.modelIndex, kDesignModelIndex);
    EXPECT_EQ(cuts->currentIndex(), kDesignModelIndex);
    EXPECT_EQ(cuts->itemText(kDesignModelIndex), "Oval Brilliant");
    ASSERT_FALSE(engine.posts.empty());
    EXPECT_EQ(engine.posts.back().first, static_cast<int32_t>(EngineCommand::RebuildModel));

    // A Position-Info File is restored as by Restore Position.
    EXPECT_TRUE(dropOnto(w, {local(folder.file("hedron.gpi"))}));
    EXPECT_EQ(engine.state.settings.stoneIndex, 2);
    EXPECT_EQ(engine.state.settings.modelIndex, 15);
    EXPECT_EQ(cuts->currentIndex(), 15);
    EXPECT_EQ(engine.posts.back().first,
              static_cast<int32_t>(EngineCommand::ApplyRestoredPosition));
    const Orientation& now = engine.state.orientation.viewPose.orientation;
    const Orientation& was = saved.orientation.viewPose.orientation;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(now.cosines[i], was.cosines[i]) << i;
}

}  // namespace
}  // namespace tavrine::ui
