// Runs tavrine-render --capture and --make-gif as a user would, in a temporary folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "imgctl/imgctl.h"
#include "tests/support/byte_files.h"
#include "tests/support/gif_frames.h"

namespace {

namespace fs = std::filesystem;
using tavrine::test::readBytes;

struct Outcome {
    int status = -1;
    std::string output;  // standard output and standard error together
};

// Runs the tool with args; redirect says where its output goes (both streams are captured by
// default), before lets a shell command such as a ulimit run first.
Outcome run(const std::string& args, const std::string& redirect = "2>&1",
            const std::string& before = "") {
    Outcome result;
    const std::string command = before + TAVRINE_RENDER_EXE + " " + args + " " + redirect;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string frame(const std::string& base, int k) {
    char name[32];
    std::snprintf(name, sizeof name, "_F[%02d].gif", k);
    return base + name;
}

int32_t framesDoneIn(const std::string& sqi) {
    const std::vector<uint8_t> bytes = readBytes(sqi);
    return bytes.size() >= 8 ? tavrine::test::int32At(bytes, 4) : -1;
}

// Starts a capture in a child process and sends it the signal once frameFile exists; returns
// the child's wait status.
int captureSignalledAfter(const std::vector<std::string>& args, const std::string& frameFile,
                          int signal) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(TAVRINE_RENDER_EXE));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        ::execv(TAVRINE_RENDER_EXE, argv.data());
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!fs::exists(frameFile) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST(CaptureCommand, AKilledCaptureResumesToTheSameFramesAndCompilesIntoAnAnimation) {
    tavrine::test::TempFolder folder("tavrine-capture-cli");
    // A depth other than the default: the resume must take it from the Capture-Info File.
    const std::vector<std::string> scene = {"--stone", "4",      "--size",    "96",      "--gm",
                                            "1",       "--turn", "L3U2",      "--depth", "12",
                                            "--hq",    "1",      "--threads", "1"};
    std::string sceneText;
    for (const std::string& a : scene) sceneText += " " + a;
    const std::string whole = folder.file("whole");
    Outcome r = run("--capture " + whole + ".sqi --frames 16" + sceneText);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(framesDoneIn(whole + ".sqi"), 16);

    const std::string parts = folder.file("parts");
    std::vector<std::string> args = {"--capture", parts + ".sqi", "--frames", "16"};
    args.insert(args.end(), scene.begin(), scene.end());
    const int status = captureSignalledAfter(args, frame(parts, 7), SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the capture ended before it was killed";
    const int32_t recorded = framesDoneIn(parts + ".sqi");
    EXPECT_GE(recorded, 7);  // frame 7 may be on disk before the record says so
    EXPECT_LT(recorded, 16);
    // Scene options with an existing Capture-Info File are bad usage, and so is a depth that
    // contradicts the recorded one.
    EXPECT_EQ(run("--capture " + parts + ".sqi --stone 2").status, 2);
    r = run("--capture " + parts + ".sqi --depth 8");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.output, "tavrine-render: " + parts +
                            ".sqi: its frames are rendered at recursion depth 12, not 8: leave "
                            "--depth out to resume, or add --new to start over\n");
    EXPECT_EQ(framesDoneIn(parts + ".sqi"), recorded);
    r = run("--capture " + parts + ".sqi");
    ASSERT_EQ(r.status, 0) << r.output;
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(readBytes(frame(parts, k)), readBytes(frame(whole, k))) << "frame " << k;
    }
    EXPECT_EQ(readBytes(parts + ".sqi"), readBytes(whole + ".sqi"));
    // The recorded depth given again is accepted.
    r = run("--capture " + parts + ".sqi --check --depth 12");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.rfind("wrote 0 missing frames, kept 16\n", 0), 0u) << r.output;

    const std::string anim = folder.file("anim.gif");
    r = run("--make-gif " + parts + ".sqi --out " + anim + " --delay 9");
    ASSERT_EQ(r.status, 0) << r.output;
    bool ok = false;
    const std::vector<tavrine::test::GifFrameColours> frames =
        tavrine::test::readGifFrames(anim, ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(frames.size(), 16u);
    for (const auto& f : frames) EXPECT_EQ(f.delay, 9);
    tavrine::imgctl::DibPtr first(tavrine::imgctl::ToDIB(anim));
    ASSERT_NE(first, nullptr);
    tavrine::imgctl::DibPtr frame0(tavrine::imgctl::ToDIB(frame(whole, 0)));
    EXPECT_EQ(tavrine::imgctl::picturePsnr(first.get(), frame0.get()),
              std::numeric_limits<double>::infinity());
    if (::system("identify -version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ImageMagick's identify is not installed";
    }
    // ImageMagick reads every frame with its delay.
    FILE* pipe = ::popen(("identify -format '%T,%wx%h ' '" + anim + "'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string seen;
    char buffer[1024];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) seen.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0);
    std::string expected;
    for (int k = 0; k < 16; ++k) expected += "9,96x96 ";
    EXPECT_EQ(seen, expected);
}

TEST(CaptureCommand, ACaptureInfoFileOfAnOlderVersionResumesAsBefore) {
    tavrine::test::TempFolder folder("tavrine-capture-cli");
    const std::string base = folder.file("old");
    ASSERT_EQ(run("--capture " + base + ".sqi --frames 3 --size 32 --threads 1").status, 0);
    const std::vector<uint8_t> finished = readBytes(base + ".sqi");
    const std::vector<uint8_t> frame2 = readBytes(frame(base, 2));
    // The record alone, as an older version wrote it, stopped before frame 2.
    std::vector<uint8_t> old(finished.begin(), finished.begin() + 272);
    tavrine::test::putInt32(old, 4, 2);
    tavrine::test::writeBytes(base + ".sqi", old);
    fs::remove(frame(base, 2));
    const Outcome r = run("--capture " + base + ".sqi");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(readBytes(frame(base, 2)), frame2);
    // The depth it was resumed at is kept from now on.
    EXPECT_EQ(readBytes(base + ".sqi"), finished);
}

TEST(CaptureCommand, AnInterruptStopsAtAFrameAndRecordsIt) {
    tavrine::test::TempFolder folder("tavrine-capture-cli");
    const std::string base = folder.file("stop");
    const int status = captureSignalledAfter(
        {"--capture", base + ".sqi", "--frames", "16", "--size", "150", "--threads", "1"},
        frame(base, 2), SIGINT);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const int32_t recorded = framesDoneIn(base + ".sqi");
    EXPECT_GE(recorded, 2);
    EXPECT_LT(recorded, 16);
    EXPECT_FALSE(fs::exists(frame(base, recorded))) << "the interrupted frame is not written";
}

TEST(CaptureCommand, CheckRecapturesMissingFramesAndTheCompileRefusesGaps) {
    tavrine::test::TempFolder folder("tavrine-capture-cli");
    const std::string base = folder.file("gem");
    Outcome r = run("--capture " + base + ".sqi --frames 10 --size 48 --frame-format png24");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string png3 = base + "_F[3].png";
    const std::vector<uint8_t> kept = readBytes(png3);
    ASSERT_GT(kept.size(), 8u);
    fs::remove(png3);
    fs::remove(base + "_F[8].png");

    // The compile stops at the gap, names it and writes nothing.
    r = run("--make-gif " + base + ".sqi");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find(png3), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(base + "_ANI.gif"));

    r = run("--capture " + base + ".sqi --check");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("wrote 2 missing frames, kept 8"), std::string::npos) << r.output;
    EXPECT_EQ(readBytes(png3), kept);
    r = run("--make-gif " + base + ".sqi --clockwise");
    ASSERT_EQ(r.status, 0) << r.output;
    bool ok = false;
    EXPECT_EQ(tavrine::test::readGifFrames(base + "_ANI.gif", ok).size(), 10u);
    EXPECT_TRUE(ok);

    // Options that do not belong together.
    EXPECT_EQ(run("--capture " + base + ".sqi --frames 20").status, 2);
    EXPECT_EQ(run("--capture " + base + ".sqi --delay 3").status, 2);
    EXPECT_EQ(run("--make-gif " + base + ".sqi --stone 1").status, 2);
    EXPECT_EQ(run("--capture " + folder.file("none.sqi") + " --check").status, 2);
}

// The hidden temporary files that writers make beside their targets, in folder.
std::vector<std::string> temporariesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".part-") != std::string::npos) names.push_back(name);
    }
    return names;
}

TEST(CaptureCommand, MakeGifNeverWritesOverItsInputsAndReportsAFullStandardOutput) {
    tavrine::test::TempFolder folder("tavrine-capture-cli");
    const std::string base = folder.file("c");
    ASSERT_EQ(run("--capture " + base + ".sqi --frames 4 --size 32").status, 0);
    const std::vector<uint8_t> record = readBytes(base + ".sqi");
    const std::vector<uint8_t> frame0 = readBytes(base + "_F[0].gif");
    fs::create_symlink(base + ".sqi", folder.file("link.gif"));
    for (const std::string& out : {base + ".sqi", base + "_F[0].gif",
                                   folder.path() + "/./c_F[3].gif", folder.file("link.gif")}) {
        const Outcome r = run("--make-gif " + base + ".sqi --out '" + out + "'");
        EXPECT_EQ(r.status, 2) << out;
        EXPECT_NE(r.output.find("would overwrite"), std::string::npos) << r.output;
    }
    EXPECT_EQ(readBytes(base + ".sqi"), record);
    EXPECT_EQ(readBytes(base + "_F[0].gif"), frame0);

    // The "wrote" line that cannot reach standard output makes the run a failure.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to send standard output to";
    const Outcome full =
        run("--make-gif " + base + ".sqi --out " + folder.file("a.gif"), "2>&1 >/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.output.find("cannot write standard output: No space left on device"),
              std::string::npos)
        << full.output;
}

TEST(CaptureCommand, SignalsAndFileLimitsLeaveNoPartialFiles) {
    tavrine::test::TempFolder folder("tavrine-capture-cli");
    // SIGHUP and SIGTERM stop a capture as Ctrl-C does, reported as 128 + the signal.
    for (const int signal : {SIGHUP, SIGTERM}) {
        const std::string base = folder.file("s" + std::to_string(signal));
        const int status = captureSignalledAfter(
            {"--capture", base + ".sqi", "--frames", "16", "--size", "150", "--threads", "1"},
            frame(base, 1), signal);
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << signal;
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_GE(framesDoneIn(base + ".sqi"), 1);
        EXPECT_EQ(temporariesIn(folder.path()), std::vector<std::string>{});
    }

    // A writer killed outright leaves its temporary file; the next writer of the same target
    // removes it once its process is gone, and leaves alone one whose process still runs.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone);
    const std::string base = folder.file("s1");
    for (const std::string& name :
         {".s1.sqi.part-" + dead + "-0", ".s1_F[09].gif.part-" + dead + "-4",
          std::string(".s1.sqi.part-1-0")}) {
        std::FILE* file = std::fopen(folder.file(name).c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
    }
    const Outcome resumed = run("--capture " + base + ".sqi");
    ASSERT_EQ(resumed.status, 0) << resumed.output;
    EXPECT_EQ(temporariesIn(folder.path()), std::vector<std::string>{".s1.sqi.part-1-0"});

    // A write beyond the file size limit fails with the reason instead of killing the tool.
    const Outcome limited =
        run("--make-gif " + base + ".sqi --out " + folder.file("big.gif"), "2>&1", "ulimit -f 1; ");
    EXPECT_EQ(limited.status, 1) << limited.output;
    EXPECT_NE(limited.output.find("File too large"), std::string::npos) << limited.output;
    EXPECT_FALSE(fs::exists(folder.file("big.gif")));
    EXPECT_EQ(temporariesIn(folder.path()), std::vector<std::string>{".s1.sqi.part-1-0"});
}

TEST(CaptureCommand, EveryFailureIsOneLineNamingThePathAndTheReason) {
    tavrine::test::TempFolder folder("tavrine-capture-cli");
    const std::string base = folder.file("c");
    auto oneLine = [](const Outcome& r) {
        return std::count(r.output.begin(), r.output.end(), '\n') == 1;
    };
    // The Capture-Info File itself cannot be written: the system's reason.
    Outcome r = run("--capture " + base + ".sqi --frames 2 --size 32", "2>&1", "ulimit -f 0; ");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(oneLine(r)) << r.output;
    EXPECT_NE(r.output.find("cannot write " + base + ".sqi: File too large"), std::string::npos)
        << r.output;

    // Damaged records are named as what they are.
    std::FILE* zeros = std::fopen((base + ".sqi").c_str(), "wb");
    ASSERT_NE(zeros, nullptr);
    const std::vector<char> nothing(272, 0);
    std::fwrite(nothing.data(), 1, nothing.size(), zeros);
    std::fclose(zeros);
    for (const std::string command : {"--capture ", "--make-gif "}) {
        r = run(command + base + ".sqi");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, "tavrine-render: cannot read " + base +
                                ".sqi: the file holds only zero bytes; it is not a Capture-Info "
                                "File\n");
    }

    // A missing frame: the advice follows on the same line.
    ASSERT_EQ(run("--capture " + base + ".sqi --new --frames 3 --size 32").status, 0);
    fs::remove(base + "_F[1].gif");
    r = run("--make-gif " + base + ".sqi");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(oneLine(r)) << r.output;
    EXPECT_NE(r.output.find("cannot read " + base + "_F[1].gif: "), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("; " + base + "_ANI.gif was not written: tavrine-render --capture"),
              std::string::npos)
        << r.output;

    // A name with a newline is quoted, so that the failure stays one line.
    r = run("--capture \"$(printf '%s/a\\nb.sqi' " + folder.path() + ")\" --check");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(oneLine(r)) << r.output;
    EXPECT_NE(r.output.find("'" + folder.path() + "/a'$'\\n''b.sqi'"), std::string::npos)
        << r.output;
}

}  // namespace
