#include "app/dialogs/capture/output_commands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextLayout>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/output/file_names.h"
#include "app/output/screen_shot.h"
#include "app/session/capture_session.h"
#include "tests/support/byte_files.h"
#include "tests/support/gif_frames.h"

namespace tavrine {
namespace {

namespace fs = std::filesystem;

// Answers the modal windows as they open, one step per window, in order.
class Answers {
  public:
    using Step = std::function<void(QWidget*)>;
    explicit Answers(std::deque<Step> steps) : steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    bool done() const { return steps_.empty(); }

  private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == last_ || steps_.empty()) return;
        // A progress window runs on its own; only dialogs and message boxes are answered.
        if (modal->objectName() == "AutoCapProgressWnd" ||
            modal->objectName() == "MakeAniGifProgressWnd") {
            return;
        }
        last_ = modal;
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step(modal);
    }
    QTimer timer_;
    std::deque<Step> steps_;
    QWidget* last_ = nullptr;
};

Answers::Step chooseFile(const QString& name) {
    return [name](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr) << w->objectName().toStdString();
        dialog->selectFile(dialog->directory().filePath(name));
        static_cast<QDialog*>(dialog)->accept();
    };
}

// Chooses a file that exists in a save dialog: the dialog then asks whether to replace it, so
// it is accepted once this step has returned and the next step can answer that question.
Answers::Step chooseExistingFile(const QString& name) {
    return [name](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr) << w->objectName().toStdString();
        dialog->selectFile(dialog->directory().filePath(name));
        QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
    };
}

Answers::Step press(const char* button, const QString& editText = QString()) {
    return [button, editText](QWidget* w) {
        if (!editText.isEmpty()) w->findChild<QLineEdit*>("edit")->setText(editText);
        auto* b = w->findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        b->click();
    };
}

Answers::Step answer(QMessageBox::StandardButton button, std::string* text) {
    return [button, text](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        *text = box->text().toStdString();
        box->button(button)->click();
    };
}

Answers::Step acknowledge(std::string* text) {
    return [text](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        *text = box->text().toStdString();
        box->button(QMessageBox::Ok)->click();
    };
}

// Answers a message box with OK after reading the lines its label shows, as its word wrap
// lays them out.
Answers::Step acknowledgeLines(QStringList* lines) {
    return [lines](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        for (const QString& paragraph : label->text().split(QLatin1Char('\n'))) {
            QTextLayout layout(paragraph, label->font());
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(label->wordWrap() ? label->contentsRect().width() : 100000);
                *lines << paragraph.mid(line.textStart(), line.textLength()).trimmed();
            }
            layout.endLayout();
        }
        box->button(QMessageBox::Ok)->click();
    };
}

// A main window whose engine runs the jobs at once, routing the notifications as the viewer's
// sink does.
class FakeHost : public OutputHost, public NullNotificationSink {
  public:
    FakeHost(Session& session, OutputJobs& jobs) : session_(session), jobs_(jobs) {}
    void attach(OutputCommands& target) { commands_ = &target; }

    QWidget* ownerWindow() override { return nullptr; }
    bool renderBusy() override { return false; }
    void postEngine(EngineCommand command, int64_t argument) override {
        posted.push_back(command);
        if (command == EngineCommand::StartCapture) {
            const int32_t ok =
                captureEngineJob(session_, *this, drawing_, jobs_, nullptr,
                                 RenderExecution{1, false})([] { return false; }, argument);
            commands_->notify(NotifyWindow::CaptureProgress, NOTIFY_CAPTURE_ENDED, ok ? 1 : 2);
        } else if (command == EngineCommand::CompileGif) {
            const int32_t ok = gifEngineJob(*this, jobs_)([] { return false; }, argument);
            commands_->notify(NotifyWindow::GifProgress, NOTIFY_GIF_ENDED, ok ? 1 : 2);
        }
    }
    void post(NotifyWindow window, int32_t code, int64_t lParam) override {
        commands_->notify(window, code, lParam);
    }
    void postRestoredPosition() override { posted.push_back(EngineCommand::ApplyRestoredPosition); }
    bool checkRefractiveIndex() override { return true; }
    void switchTurnStoneOff() override {}
    void showRenderWindow() override {}
    bool applyRecord(const PositionInfo&, const Trimming&) override { return true; }

    std::vector<EngineCommand> posted;

  private:
    Session& session_;
    OutputJobs& jobs_;
    NullPanelDrawing drawing_;
    OutputCommands* commands_ = nullptr;
};

TEST(OutputCommands, ANewCaptureAndItsAnimatedGifFromTheMenus) {
    tavrine::test::TempFolder folder("tavrine-commands");
    const std::string caps = folder.path() + "/";
    Session session;
    session.settings = defaultSettings(caps, caps);
    chooseStone(session, 1);
    session.settings.look.sizeMode = 1;
    session.settings.look.imageWidth = 32;
    rebuildModel(session);
    resetView(session);
    prepareView(session);
    OutputJobs jobs;
    FakeHost host(session, jobs);
    OutputCommands commands(host, session, jobs);
    host.attach(commands);

    QStringList lines;
    {
        Answers answers({press("ok", "3"), chooseFile("turn"), acknowledgeLines(&lines)});
        commands.newCapture();
        EXPECT_TRUE(answers.done());
    }
    std::string said = lines.join(QLatin1Char(' ')).replace(QChar(0xA0), ' ').toStdString();
    EXPECT_NE(said.find("All frames have been captured."), std::string::npos) << said;
    EXPECT_NE(said.find("\"turn.sqi\""), std::string::npos) << said;
    // However the box wraps the long line, the menu name stays on one line.
    const QStringList named = lines.filter(QStringLiteral("GIF(A)"));
    ASSERT_EQ(named.size(), 1) << said;
    EXPECT_TRUE(QString(named[0]).replace(QChar(0xA0), ' ').contains("\"Make Animation GIF(A)\""))
        << lines.join(QLatin1Char('|')).toStdString();
    PositionInfo record;
    ASSERT_TRUE(readPositionInfo(caps + "turn.sqi", record, false, nullptr));
    EXPECT_EQ(record.frameCount, 3);
    EXPECT_EQ(record.framesDone, 3);
    EXPECT_EQ(session.settings.frameCount, 3);

    {
        Answers answers({chooseFile("turn.sqi"), press("ok", "12"), chooseFile("turn_ANI.gif"),
                         acknowledge(&said)});
        commands.makeAnimatedGif();
        EXPECT_TRUE(answers.done());
    }
    EXPECT_EQ(said, "Animation GIF file was saved.\n\n" + caps + "turn_ANI.gif");
    bool ok = false;
    const auto frames = test::readGifFrames(caps + "turn_ANI.gif", ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2].delay, 12);
    EXPECT_EQ(session.settings.gifTimeWeight, 12);

    // The animation may not replace the capture it is made of.
    const std::vector<uint8_t> captureBytes = test::readBytes(caps + "turn.sqi");
    host.posted.clear();
    {
        std::string replace;
        Answers answers({chooseFile("turn.sqi"), press("ok", "12"), chooseExistingFile("turn.sqi"),
                         answer(QMessageBox::Yes, &replace), acknowledge(&said)});
        commands.makeAnimatedGif();
        EXPECT_TRUE(answers.done());
    }
    EXPECT_NE(said.find("would overwrite the Capture-Info File"), std::string::npos) << said;
    EXPECT_TRUE(host.posted.empty());
    EXPECT_EQ(test::readBytes(caps + "turn.sqi"), captureBytes);

    // Resuming the finished capture asks whether to check the frames; No renders nothing.
    host.posted.clear();
    std::string question;
    {
        Answers answers(
            {chooseFile("turn.sqi"), answer(QMessageBox::No, &question), acknowledge(&said)});
        commands.resumeCapture();
        EXPECT_TRUE(answers.done());
    }
    EXPECT_EQ(question, kCaptureCompleteQuestion);
    EXPECT_EQ(host.posted, std::vector<EngineCommand>{EngineCommand::StartCapture});
    EXPECT_NE(said.find("All frames have been captured."), std::string::npos) << said;
}

TEST(OutputCommands, AResumedCaptureRendersAtItsRecordedDepth) {
    tavrine::test::TempFolder folder("tavrine-commands");
    const std::string caps = folder.path() + "/";
    Session session;
    session.settings = defaultSettings(caps, caps);
    chooseStone(session, 0);
    session.settings.look.sizeMode = 1;
    session.settings.look.imageWidth = 40;
    session.settings.look.highQuality = 1;
    session.settings.recursionDepth = 12;
    rebuildModel(session);
    resetView(session);
    prepareView(session);
    OutputJobs jobs;
    FakeHost host(session, jobs);
    OutputCommands commands(host, session, jobs);
    host.attach(commands);
    std::string said;
    {
        Answers answers({press("ok", "3"), chooseFile("turn"), acknowledge(&said)});
        commands.newCapture();
        EXPECT_TRUE(answers.done());
    }
    const std::vector<uint8_t> whole = test::readBytes(caps + "turn.sqi");
    std::vector<std::vector<uint8_t>> frames;
    for (int32_t k = 0; k < 3; ++k)
        frames.push_back(test::readBytes(frameFileName(caps + "turn", k, 3)));

    // Aborted before frame 1; then the General Settings change the depth.
    PositionInfo record;
    ASSERT_TRUE(readPositionInfo(caps + "turn.sqi", record, false, nullptr));
    record.framesDone = 1;
    ASSERT_TRUE(writePositionInfo(caps + "turn.sqi", record, nullptr));
    for (int32_t k = 1; k < 3; ++k) fs::remove(frameFileName(caps + "turn", k, 3));
    session.settings.recursionDepth = 8;
    {
        Answers answers({chooseFile("turn.sqi"), acknowledge(&said)});
        commands.resumeCapture();
        EXPECT_TRUE(answers.done());
    }
    EXPECT_NE(said.find("All frames have been captured."), std::string::npos) << said;
    for (int32_t k = 1; k < 3; ++k) {
        EXPECT_EQ(test::readBytes(frameFileName(caps + "turn", k, 3)), frames[k]) << "frame " << k;
    }
    EXPECT_EQ(test::readBytes(caps + "turn.sqi"), whole);
    EXPECT_EQ(session.settings.recursionDepth, 8) << "the user's own setting stays";
}

TEST(OutputCommands, AScreenShotTakesTheFilterAndWritesItsPositionFileBeside) {
    tavrine::test::TempFolder folder("tavrine-commands");
    const std::string shots = folder.path() + "/";
    Session session;
    session.settings = defaultSettings(shots, shots);
    chooseStone(session, 0);
    rebuildModel(session);
    resetView(session);
    prepareView(session);
    imgctl::BitmapInfoHeader head;
    head.width = 40;
    head.height = -40;
    session.renderPicture.replace(imgctl::DibPtr(imgctl::CreateDIB(head)));
    OutputJobs jobs;
    FakeHost host(session, jobs);
    OutputCommands commands(host, session, jobs);
    host.attach(commands);
    std::string said;
    Answers answers({[](QWidget* w) {
                         auto* dialog = qobject_cast<QFileDialog*>(w);
                         ASSERT_NE(dialog, nullptr);
                         dialog->selectNameFilter(dialog->nameFilters()[3]);  // PNG 24bit
                         dialog->selectFile(dialog->directory().filePath("x.bmp"));
                         static_cast<QDialog*>(dialog)->accept();
                     },
                     acknowledge(&said)});
    commands.saveScreenShot();
    EXPECT_TRUE(answers.done());
    EXPECT_EQ(said, kScreenShotWithPositionSavedText);
    const std::vector<uint8_t> bytes = test::readBytes(shots + "x.bmp");
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[1], 'P');
    EXPECT_EQ(test::readBytes(shots + "x.gpi").size(), 272u);
    EXPECT_EQ(session.settings.screenShotFilterIndex, 4);
}

}  // namespace
}  // namespace tavrine
