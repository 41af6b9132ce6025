#include "app/dialogs/capture/output_file_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/byte_files.h"

namespace tavrine {
namespace {

namespace fs = std::filesystem;

// Looks at the next file dialog once it shows, then answers it: accepts the file name (in the
// dialog's folder) with the filter, or cancels when name is empty.
void answerNextFileDialog(const std::function<void(QFileDialog*)>& look, const QString& name,
                          int filter = 0) {
    QTimer::singleShot(0, [look, name, filter] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (dialog == nullptr || !dialog->isVisible()) continue;
            look(dialog);
            if (name.isEmpty()) {
                dialog->reject();
                return;
            }
            if (filter > 0) dialog->selectNameFilter(dialog->nameFilters()[filter - 1]);
            dialog->selectFile(dialog->directory().filePath(name));
            static_cast<QDialog*>(dialog)->accept();  // public in QDialog
            return;
        }
        answerNextFileDialog(look, name, filter);
    });
}

TEST(OutputFileDialogs, TheScreenShotDialogShowsTheSevenFiltersAndRemembersTheChoice) {
    tavrine::test::TempFolder folder("tavrine-dialogs");
    const std::string shots = folder.path() + "/ScreenShots/";
    fs::create_directory(shots);
    FileDialogState state;
    state.initialDirectory = folder.path() + "/deleted/";
    state.filterIndex = 6;
    state.path = "ScreenShot";
    QStringList filters;
    QString title, selected, opened;
    answerNextFileDialog(
        [&](QFileDialog* d) {
            title = d->windowTitle();
            filters = d->nameFilters();
            selected = d->selectedNameFilter();
            opened = d->directory().absolutePath();
        },
        "x.bmp", 4);
    const ChosenFile chosen = askScreenShotFile(nullptr, state, shots);
    ASSERT_TRUE(chosen.chosen);
    EXPECT_EQ(title, "Save Screen Shot");
    ASSERT_EQ(filters.size(), 7);
    EXPECT_EQ(filters[0], "Bitmap 24bit FullColor (*.bmp)");
    EXPECT_EQ(filters[6], "GIF 256 Colors (*.gif)");
    EXPECT_EQ(selected, "PNG 256 Colors (*.png)");
    EXPECT_EQ(opened.toStdString() + "/", shots) << "a deleted folder opens the default one";
    EXPECT_EQ(chosen.path, shots + "x.bmp");
    EXPECT_EQ(chosen.filterIndex, 4);
    EXPECT_EQ(state.filterIndex, 4u);
    EXPECT_EQ(state.initialDirectory, shots);

    answerNextFileDialog([](QFileDialog*) {}, "");
    EXPECT_FALSE(askScreenShotFile(nullptr, state, shots).chosen);
}

TEST(OutputFileDialogs, AScreenShotNameWithoutExtensionTakesTheChosenFiltersExtension) {
    tavrine::test::TempFolder folder("tavrine-dialogs");
    const std::string shots = folder.path() + "/";
    FileDialogState state;
    state.initialDirectory = shots;
    state.filterIndex = 1;
    const struct {
        int filter;
        const char* typed;
        const char* written;
    } cases[] = {{4, "shot", "shot.png"},
                 {7, "turn", "turn.gif"},
                 {6, "p8", "p8.png"},
                 {1, "plain", "plain.bmp"},
                 {4, "kept.bmp", "kept.bmp"}};
    for (const auto& c : cases) {
        answerNextFileDialog([](QFileDialog*) {}, QString::fromLatin1(c.typed), c.filter);
        const ChosenFile chosen = askScreenShotFile(nullptr, state, shots);
        ASSERT_TRUE(chosen.chosen);
        EXPECT_EQ(chosen.path, shots + c.written) << c.typed << " with filter " << c.filter;
        EXPECT_EQ(chosen.filterIndex, c.filter);
    }
}

TEST(OutputFileDialogs, CaptureAndAnimationDialogsProposeTheirNames) {
    tavrine::test::TempFolder folder("tavrine-dialogs");
    const std::string caps = folder.path() + "/";
    FileDialogState capture;
    capture.path = "AutoCap";
    QString title;
    answerNextFileDialog([&](QFileDialog* d) { title = d->windowTitle(); }, "turn");
    const ChosenFile made = askNewCaptureInfoFile(nullptr, capture, caps);
    ASSERT_TRUE(made.chosen);
    EXPECT_EQ(title, "Save Capture-Info File");
    EXPECT_EQ(made.path, caps + "turn.sqi") << "the default extension";
    EXPECT_EQ(capture.path, caps + "turn");

    QStringList proposed;
    FileDialogState gif;
    answerNextFileDialog(
        [&](QFileDialog* d) {
            title = d->windowTitle();
            proposed = d->selectedFiles();
        },
        "turn_ANI.gif");
    const ChosenFile animation = askAnimationFile(nullptr, gif, capture);
    ASSERT_TRUE(animation.chosen);
    EXPECT_EQ(title, "Save Animation GIF File");
    ASSERT_FALSE(proposed.isEmpty());
    EXPECT_EQ(proposed.front().toStdString(), caps + "turn_ANI.gif") << "base + _ANI proposed";
    EXPECT_EQ(gif.path, caps + "turn_ANI.gif");

    test::writeBytes(caps + "p.gpi", std::vector<uint8_t>(272, 0));
    FileDialogState shots;
    answerNextFileDialog([&](QFileDialog* d) { title = d->windowTitle(); }, "p.gpi");
    const ChosenFile position = askPositionInfoFile(nullptr, shots, caps);
    EXPECT_TRUE(position.chosen);
    EXPECT_EQ(title, "Open Position-Info File");
    EXPECT_EQ(position.path, caps + "p.gpi");
}

}  // namespace
}  // namespace tavrine
