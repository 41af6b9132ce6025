// Runs tavrine-render as a user would, in a temporary folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/model/gemcad_design.h"
#include "imgctl/imgctl.h"
#include "tests/model/gem_writer.h"
#include "tests/support/byte_files.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;  // standard output and standard error together
};

std::string exampleDesign(const std::string& name) {
    const char* data = std::getenv("TAVRINE_TEST_DATA");
    return std::string(data != nullptr ? data : "tests/cli") + "/../../examples/" + name;
}

class RenderCommand : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tavrine-cli-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs the tool with args; redirect says where its output goes (both streams are captured
    // by default), before lets a shell command such as a ulimit run first.
    Outcome run(const std::string& args, const std::string& redirect = "2>&1",
                const std::string& before = "") const {
        Outcome result;
        const std::string command = before + program_ + " " + args + " " + redirect;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) return result;
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.output.append(buffer, n);
        const int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    static std::vector<char> bytes(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
    std::string program_ = TAVRINE_RENDER_EXE;  // the tool run
};

TEST_F(RenderCommand, HelpAndTables) {
    Outcome help = run("--help");
    EXPECT_EQ(0, help.status);
    EXPECT_NE(std::string::npos, help.output.find("--stone-turn SEQ"));
    Outcome list = run("--list");
    EXPECT_EQ(0, list.status);
    EXPECT_NE(std::string::npos, list.output.find("Mandarin T."));
    EXPECT_NE(std::string::npos, list.output.find("26 hedron *"));
}

TEST_F(RenderCommand, RendersTheDefaultDiamond) {
    const Outcome r = run("--out " + path("d.png"));
    ASSERT_EQ(0, r.status) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("wrote " + path("d.png")));
    tavrine::imgctl::DibPtr picture(tavrine::imgctl::ToDIB(path("d.png")));
    ASSERT_NE(nullptr, picture);
    EXPECT_EQ(270, tavrine::imgctl::DataDIB(picture.get())->width);
    EXPECT_EQ(0u, tavrine::imgctl::PixelDIB(picture.get(), 0, 0));      // the black backdrop
    EXPECT_NE(0u, tavrine::imgctl::PixelDIB(picture.get(), 135, 135));  // the stone
    EXPECT_EQ(std::vector<std::string>{"d.png"}, files());
}

TEST_F(RenderCommand, LiteralSingleThreadGivesTheSameFile) {
    const std::string scene = "--stone 2 --size 96 --hq 1 --turn L3U2 --backdrop 40,80,120 ";
    ASSERT_EQ(0, run(scene + "--out " + path("fast.bmp")).status);
    ASSERT_EQ(0, run(scene + "--threads 1 --literal --out " + path("literal.bmp")).status);
    EXPECT_EQ(bytes(path("fast.bmp")), bytes(path("literal.bmp")));
}

TEST_F(RenderCommand, PositionFileRestoresTheSamePicture) {
    const std::string scene =
        "--stone 4 --size 120 --turn L5U3Z2 --stone-turn R4D2 --light-turn U3L2 "
        "--backdrop 10,20,30 --trim 10,0,5,5 ";
    ASSERT_EQ(0,
              run(scene + "--save-position " + path("a.gpi") + " --out " + path("a.png")).status);
    EXPECT_EQ(272u, fs::file_size(path("a.gpi")));
    ASSERT_EQ(0, run("--position " + path("a.gpi") + " --out " + path("b.png")).status);
    EXPECT_EQ(bytes(path("a.png")), bytes(path("b.png")));
    tavrine::imgctl::DibPtr b(tavrine::imgctl::ToDIB(path("b.png")));
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(110, tavrine::imgctl::DataDIB(b.get())->width);   // 120 - 5 - 5
    EXPECT_EQ(110, tavrine::imgctl::DataDIB(b.get())->height);  // 120 - 10 - 0

    // Turntable mode and a transformable model, whose parameters make the record longer.
    ASSERT_EQ(0, run("--model 24 --gm 1 --turn L7D2 --size 64 --save-position " + path("p.gpi") +
                     " --out " + path("p.gif"))
                     .status);
    EXPECT_EQ(280u, fs::file_size(path("p.gpi")));
    ASSERT_EQ(0, run("--position " + path("p.gpi") + " --out " + path("q.gif")).status);
    EXPECT_EQ(bytes(path("p.gif")), bytes(path("q.gif")));

    // Options given with the file override it.
    ASSERT_EQ(
        0, run("--position " + path("p.gpi") + " --backdrop 255,255,255 --out " + path("white.png"))
               .status);
    tavrine::imgctl::DibPtr white(tavrine::imgctl::ToDIB(path("white.png")));
    ASSERT_NE(nullptr, white);
    EXPECT_EQ(0xFFFFFFu, tavrine::imgctl::PixelDIB(white.get(), 0, 0));
}

TEST_F(RenderCommand, TurnMovesTheViewEvenWhenThePositionFileHasSyOn) {
    ASSERT_EQ(
        0, run("--stone 2 --size 64 --save-position " + path("a.gpi") + " --out " + path("a.png"))
               .status);
    // The same record with the "SY" switch (offset 180) on.
    std::vector<char> record = bytes(path("a.gpi"));
    ASSERT_EQ(272u, record.size());
    ASSERT_EQ(0, record[180]);
    record[180] = 1;
    std::ofstream(path("sy.gpi"), std::ios::binary).write(record.data(), 272);

    ASSERT_EQ(0,
              run("--position " + path("a.gpi") + " --turn L5U2 --out " + path("view.png")).status);
    ASSERT_EQ(0, run("--position " + path("sy.gpi") + " --turn L5U2 --save-position " +
                     path("sy2.gpi") + " --out " + path("sy.png"))
                     .status);
    EXPECT_TRUE(bytes(path("view.png")) == bytes(path("sy.png")));
    EXPECT_FALSE(bytes(path("a.png")) == bytes(path("sy.png")));
    // The switch itself is kept in the record of the render.
    EXPECT_EQ(1, bytes(path("sy2.gpi"))[180]);
}

TEST_F(RenderCommand, RefusedPositionFileExitsWithOne) {
    std::vector<char> record(272, 0);
    record[8] = 99;  // stone index
    std::ofstream(path("bad.gpi"), std::ios::binary).write(record.data(), 272);
    const Outcome r = run("--position " + path("bad.gpi") + " --out " + path("x.png"));
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.output.find(path("bad.gpi"))) << r.output;
    EXPECT_FALSE(fs::exists(path("x.png")));
}

TEST_F(RenderCommand, ShortAndUnsoundPositionFilesExitWithOneAndSayWhy) {
    ASSERT_EQ(0,
              run("--size 32 --save-position " + path("a.gpi") + " --out " + path("a.png")).status);
    const std::vector<char> good = bytes(path("a.gpi"));
    ASSERT_EQ(272u, good.size());
    // An empty file and a truncated copy once rendered a side view with exit 0.
    for (size_t length : {size_t{0}, size_t{100}}) {
        std::ofstream(path("p.gpi"), std::ios::binary)
            .write(good.data(), static_cast<std::streamsize>(length));
        const Outcome r = run("--position " + path("p.gpi") + " --out " + path("x.png"));
        EXPECT_EQ(1, r.status) << r.output;
        EXPECT_NE(std::string::npos,
                  r.output.find("the file is " + std::to_string(length) +
                                " bytes; a Position-Info File has at least 272 bytes"))
            << r.output;
    }
    // All-zero view cosines: once accepted, turned and saved into a file the reader refused.
    std::vector<char> zero = good;
    std::fill(zero.begin() + 32, zero.begin() + 56, 0);
    std::ofstream(path("z.gpi"), std::ios::binary).write(zero.data(), 272);
    const Outcome r = run("--position " + path("z.gpi") + " --turn L1 --save-position " +
                          path("y.gpi") + " --out " + path("x.png"));
    EXPECT_EQ(1, r.status) << r.output;
    EXPECT_NE(std::string::npos, r.output.find("are not a unit pair")) << r.output;
    EXPECT_FALSE(fs::exists(path("x.png")));
    EXPECT_FALSE(fs::exists(path("y.gpi")));
}

TEST_F(RenderCommand, BadUsageExitsWithTwoAndOneLine) {
    for (const char* args :
         {"--size 5000 --out x.png", "--turn L5Q --out x.png", "--frobnicate", "--stone 1",
          "--trim 200,100,0,0 --out x.png", "--lighting dome --out x.png",
          "--head-shadow 46 --lighting iso --out x.png", "--face-up --gm 1 --out x.png"}) {
        const Outcome r = run(args);
        EXPECT_EQ(2, r.status) << args;
        EXPECT_EQ(1, std::count(r.output.begin(), r.output.end(), '\n')) << r.output;
    }
}

// Pictures in the Studio lighting are those of the program before the other lightings came,
// byte for byte (FNV-1a of the BMP files it wrote).
TEST_F(RenderCommand, StudioPicturesAreThoseOfBefore) {
    const std::pair<std::string, uint64_t> scenes[] = {
        {"--stone 0 --size 96 --hq 1 --depth 20 --turn L3U2 --backdrop 30,60,90 --lights "
         "150,120,80",
         0xdc0d36b0be941e30u},
        {"--design " + exampleDesign("round-brilliant.asc") +
             " --size 96 --turn U4 --colour 3 --narrow 1",
         0x433a3efeb49ed1beu},
        {"--stone 1 --size 64 --fire 0 --lighting studio", 0x3705ef51b09ca1aau}};
    for (const auto& [args, expected] : scenes) {
        ASSERT_EQ(0, run(args + " --out " + path("s.bmp")).status) << args;
        uint64_t hash = 14695981039346656037u;
        for (const char c : bytes(path("s.bmp"))) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
        }
        EXPECT_EQ(hash, expected) << args;
    }
}

// --brightness prints one line of figures and, without --out, writes nothing; with the picture
// on standard output the line goes to standard error.
TEST_F(RenderCommand, BrightnessPrintsItsFiguresAndWritesOnlyWhatIsAskedFor) {
    const std::string scene = "--design " + exampleDesign("round-brilliant.asc") +
                              " --size 64 --face-up --lighting iso --brightness";
    const Outcome alone = run(scene);
    ASSERT_EQ(0, alone.status) << alone.output;
    double brightness = -1.0, dark = -1.0;
    int length = 0;
    std::sscanf(alone.output.c_str(), "brightness: %lf%%  dark: %lf%%\n%n", &brightness, &dark,
                &length);
    EXPECT_EQ(static_cast<size_t>(length), alone.output.size()) << alone.output;
    EXPECT_TRUE(brightness > 20.0 && brightness < 100.0 && dark > 0.0) << alone.output;
    EXPECT_TRUE(files().empty());

    const Outcome piped = run(scene + " --out -", "2>/dev/null");
    EXPECT_EQ(piped.output.rfind("\x89PNG", 0), 0u);
    EXPECT_EQ(piped.output.find("brightness:"), std::string::npos);
}

// --tilt-sweep prints a row per tilt, the 0 row reading exactly as --brightness of the face-up
// view, then the average of the rows; it writes the CSV, a real SVG or PNG plot and the strip.
// Bad usage exits with 2 before anything is rendered or written.
TEST_F(RenderCommand, TiltSweepPrintsTheFaceUpFiguresAndWritesItsFiles) {
    const std::string scene =
        "--design " + exampleDesign("round-brilliant.asc") + " --size 48 --lighting iso ";
    const Outcome faceUp = run(scene + "--face-up --brightness", "2>/dev/null");
    ASSERT_EQ(0, faceUp.status) << faceUp.output;
    // The sweep starts face-up whatever view --turn sets.
    const Outcome swept =
        run(scene + "--turn L3U2 --tilt-sweep 20:10 --tilt-csv " + path("t.csv") + " --tilt-plot " +
                path("t.svg") + " --tilt-strip " + path("s.png"),
            "2>/dev/null");
    ASSERT_EQ(0, swept.status) << swept.output;
    std::vector<std::string> lines;
    std::istringstream in(swept.output);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 9u) << swept.output;
    EXPECT_EQ(lines[2], "tilt 0.0  " + faceUp.output.substr(0, faceUp.output.size() - 1));
    double sum = 0.0;
    for (int i = 0; i < 5; ++i) {
        double tilt = 0.0, brightness = 0.0;
        ASSERT_EQ(2,
                  std::sscanf(lines[i].c_str(), "tilt %lf  brightness: %lf%%", &tilt, &brightness))
            << lines[i];
        EXPECT_EQ(tilt, -20.0 + 10.0 * i);
        sum += brightness;
    }
    double average = 0.0;
    ASSERT_EQ(1, std::sscanf(lines[5].c_str(), "tilt-averaged brightness: %lf%%", &average));
    EXPECT_NEAR(average, sum / 5.0, 0.006);
    EXPECT_EQ(lines[6], "wrote " + path("t.csv"));

    std::ifstream csv(path("t.csv"));
    std::string header, row;
    std::getline(csv, header);
    EXPECT_EQ(header, "tilt_deg,brightness_percent,dark_percent");
    int rows = 0;
    while (std::getline(csv, row)) {
        if (row.rfind("0.0,", 0) == 0) {
            EXPECT_NE(lines[2].find("brightness: " + row.substr(4, row.find(',', 4) - 4) + "%"),
                      std::string::npos)
                << row;
        }
        ++rows;
    }
    EXPECT_EQ(rows, 5);
    const std::vector<char> svg = bytes(path("t.svg"));
    const std::string svgText(svg.begin(), svg.end());
    EXPECT_EQ(svgText.rfind("<?xml", 0), 0u);
    EXPECT_NE(svgText.find("<svg"), std::string::npos);
    EXPECT_NE(svgText.find("viewBox=\"0 0 800 500\""), std::string::npos);
    EXPECT_NE(svgText.find("Tilt (degrees"), std::string::npos);
    tavrine::imgctl::DibPtr strip(tavrine::imgctl::ToDIB(path("s.png")));
    ASSERT_NE(nullptr, strip);
    EXPECT_GT(tavrine::imgctl::DataDIB(strip.get())->width, 5 * 48);
    EXPECT_GT(tavrine::imgctl::DataDIB(strip.get())->height, 48);

    ASSERT_EQ(0, run(scene + "--tilt-sweep 10:10 --tilt-plot " + path("t.png")).status);
    tavrine::imgctl::DibPtr plot(tavrine::imgctl::ToDIB(path("t.png")));
    ASSERT_NE(nullptr, plot);
    EXPECT_EQ(tavrine::imgctl::DataDIB(plot.get())->width, 800);
    EXPECT_EQ(tavrine::imgctl::DataDIB(plot.get())->height, 500);

    fs::remove(path("t.png"));
    const std::vector<std::string> usage = {
        "--tilt-csv " + path("a.csv"),
        "--tilt-sweep 30",
        "--tilt-sweep 100:5",
        "--tilt-sweep 30:0",
        "--tilt-sweep 30:0.1",
        "--tilt-sweep 30:5 --tilt-plot " + path("p.jpg"),
        "--tilt-sweep 30:5 --tilt-strip " + path("p.svg"),
        "--tilt-sweep 30:5 --tilt-plot - ",
        "--tilt-sweep 30:5 --out " + path("x.png") + " --tilt-strip " + path("x.png")};
    for (const std::string& bad : usage) {
        const Outcome refused = run(scene + bad);
        EXPECT_EQ(2, refused.status) << bad << ": " << refused.output;
        EXPECT_EQ(1, std::count(refused.output.begin(), refused.output.end(), '\n'))
            << refused.output;
    }
    EXPECT_EQ(files().size(), 3u);
}

// A copy of the tool whose plot module is missing, then one of another build: a run that asks
// for a plot or strip fails with one line naming the module before rendering or writing
// anything; a sweep without one does not need the module.
TEST_F(RenderCommand, MissingOrStalePlotModuleFailsBeforeAnythingIsWritten) {
    // The copy looks for the module in ../app/plot beside itself; its tracing library it finds
    // in the build tree.
    fs::create_directories(path("bin"));
    fs::copy_file(TAVRINE_RENDER_EXE, path("bin/tavrine-render"));
    program_ = path("bin/tavrine-render");
    const std::string sweep = "--size 32 --tilt-sweep 10:10 --tilt-csv " + path("t.csv") + " ";
    const std::string moduleFile = path("app/plot/libtavrine-plot.so");
    for (const char* found : {"missing", "stale"}) {
        if (std::string(found) == "stale") {
            fs::create_directories(path("app/plot"));
            fs::copy_file(TAVRINE_STALE_PLOT_MODULE, moduleFile);
        }
        for (const std::string& drawing :
             {"--tilt-plot " + path("t.svg"), "--tilt-strip " + path("s.png")}) {
            const Outcome refused = run(sweep + drawing);
            EXPECT_EQ(1, refused.status) << found << ": " << refused.output;
            EXPECT_EQ(refused.output.rfind("tavrine-render: cannot load the plot module ", 0), 0u)
                << found << ": " << refused.output;
            EXPECT_NE(refused.output.find("libtavrine-plot.so"), std::string::npos);
            EXPECT_EQ(1, std::count(refused.output.begin(), refused.output.end(), '\n'))
                << found << ": " << refused.output;
        }
        EXPECT_FALSE(fs::exists(path("t.csv")) || fs::exists(path("t.svg")) ||
                     fs::exists(path("s.png")))
            << found;
    }
    const Outcome stale = run(sweep + "--tilt-plot " + path("t.svg"));
    EXPECT_NE(stale.output.find(moduleFile + ": it comes from another build"), std::string::npos)
        << stale.output;
    const Outcome plain = run(sweep);
    EXPECT_EQ(0, plain.status) << plain.output;
    EXPECT_TRUE(fs::exists(path("t.csv")));
}

TEST_F(RenderCommand, UnwritableOutputNamesThePathAndLeavesNothing) {
    fs::create_directories(path("taken.png"));  // a folder where the file should go
    const Outcome r = run("--size 40 --out " + path("taken.png"));
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.output.find(path("taken.png"))) << r.output;
    EXPECT_EQ(std::vector<std::string>{"taken.png"}, files());
    const Outcome missing = run("--size 40 --out " + path("no/such/folder/x.png"));
    EXPECT_EQ(1, missing.status);
    EXPECT_NE(std::string::npos, missing.output.find("no/such/folder/x.png"));
}

TEST_F(RenderCommand, ObjExportAloneRendersNothing) {
    const Outcome r = run("--model 17 --export-obj " + path("ico.obj"));
    ASSERT_EQ(0, r.status) << r.output;
    EXPECT_EQ(std::vector<std::string>{"ico.obj"}, files());
    std::ifstream in(path("ico.obj"));
    int vertices = 0, faces = 0;
    for (std::string line; std::getline(in, line);) {
        vertices += line.rfind("v ", 0) == 0;
        faces += line.rfind("f ", 0) == 0;
    }
    EXPECT_EQ(12, vertices);
    EXPECT_EQ(20, faces);
}

TEST_F(RenderCommand, FormatFollowsTheOptionNotTheName) {
    ASSERT_EQ(0, run("--size 48 --format png8 --out " + path("x.bmp")).status);
    const std::vector<char> b = bytes(path("x.bmp"));
    ASSERT_GE(b.size(), 26u);
    EXPECT_EQ('P', b[1]);  // a PNG signature
    EXPECT_EQ(3, b[25]);   // colour type 3: palette
}

mode_t typeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

TEST_F(RenderCommand, OutputsAreCheckedBeforeAnythingIsRendered) {
    // One file named twice, by the same text, another spelling or a link: bad usage.
    fs::create_symlink("a.png", path("link.png"));
    for (const std::string& args :
         {"--out " + path("a.png") + " --save-position " + path("a.png"),
          "--out " + path("a.png") + " --export-obj " + dir_.string() + "/./a.png",
          "--out " + path("link.png") + " --save-position " + path("a.png"),
          std::string("--out - --export-obj -")}) {
        const Outcome r = run("--size 40 " + args);
        EXPECT_EQ(2, r.status) << args << ": " << r.output;
        EXPECT_NE(std::string::npos, r.output.find("name the same file")) << r.output;
    }
    // The record a render is made from is never overwritten by the picture.
    ASSERT_EQ(0,
              run("--size 40 --out " + path("a.png") + " --save-position " + path("a.gpi")).status);
    const Outcome over =
        run("--position " + path("a.gpi") + " --format png24 --out " + path("a.gpi"));
    EXPECT_EQ(2, over.status) << over.output;
    EXPECT_NE(std::string::npos, over.output.find("would overwrite")) << over.output;
    EXPECT_EQ(272u, fs::file_size(path("a.gpi")));
    fs::remove(path("a.png"));
    fs::remove(path("a.gpi"));
    // A missing or unwritable folder for any output fails at once, before the picture.
    fs::create_directories(path("locked"));
    fs::permissions(path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    std::vector<std::string> bad = {"--save-position " + path("none/p.gpi"),
                                    "--export-obj " + path("none/m.obj")};
    if (::geteuid() != 0) bad.push_back("--save-position " + path("locked/p.gpi"));
    // Root may write any folder, but not a read-only file system.
    fs::create_directories(path("ro"));
    const bool readOnly = ::geteuid() == 0 &&
                          ::mount("tavrine-test", path("ro").c_str(), "tmpfs", MS_RDONLY, "") == 0;
    struct Unmount {
        std::string point;
        bool mounted;
        ~Unmount() {
            if (mounted) ::umount2(point.c_str(), MNT_DETACH);
        }
    } unmount{path("ro"), readOnly};
    if (readOnly) bad.push_back("--save-position " + path("ro/p.gpi"));
    for (const std::string& args : bad) {
        const Outcome r = run("--size 40 --out " + path("a.png") + " " + args);
        EXPECT_EQ(1, r.status) << args << ": " << r.output;
        EXPECT_EQ(0u, r.output.find("tavrine-render: cannot write " + path(""))) << r.output;
        EXPECT_FALSE(fs::exists(path("a.png"))) << args;
    }
    fs::permissions(path("locked"), fs::perms::owner_all);
}

TEST_F(RenderCommand, LinksFifosAndPrivateFilesAreWrittenAsTheyStand) {
    // A private picture stays private; a link stays a link to the rewritten file.
    ASSERT_EQ(0, run("--size 40 --out " + path("private.png")).status);
    fs::permissions(path("private.png"), fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("private.png", path("link.png"));
    ASSERT_EQ(0, run("--size 40 --stone 2 --out " + path("link.png")).status);
    EXPECT_EQ(static_cast<mode_t>(S_IFLNK), typeOf(path("link.png")));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(path("private.png")).permissions());
    ASSERT_EQ(0, run("--size 40 --stone 2 --out " + path("direct.png")).status);
    EXPECT_EQ(bytes(path("direct.png")), bytes(path("private.png")));
    // A dangling link creates its target.
    fs::create_symlink("made.gpi", path("dangling.gpi"));
    ASSERT_EQ(0,
              run("--size 40 --out " + path("d.png") + " --save-position " + path("dangling.gpi"))
                  .status);
    EXPECT_EQ(272u, fs::file_size(path("made.gpi")));
    EXPECT_EQ(static_cast<mode_t>(S_IFLNK), typeOf(path("dangling.gpi")));

    // A FIFO receives the picture and stays a FIFO. Its reading end is opened first, so that
    // a tool that replaced the FIFO could not leave the test waiting; the small picture fits
    // in the pipe's buffer.
    ASSERT_EQ(0, ::mkfifo(path("fifo").c_str(), 0600));
    const int reader = ::open(path("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const Outcome r = run("--size 40 --stone 2 --format png24 --out " + path("fifo"));
    EXPECT_EQ(0, r.status) << r.output;
    std::vector<char> received;
    char block[4096];
    for (ssize_t n; (n = ::read(reader, block, sizeof block)) > 0;) {
        received.insert(received.end(), block, block + n);
    }
    ::close(reader);
    EXPECT_EQ(bytes(path("direct.png")), received);
    EXPECT_EQ(static_cast<mode_t>(S_IFIFO), typeOf(path("fifo")));
}

TEST_F(RenderCommand, DeviceCopiesAreWrittenInPlace) {
    if (::geteuid() != 0) GTEST_SKIP() << "making device nodes needs root";
    // Copies of the null and full devices in the test's folder, never the system's own.
    if (::mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        ::mknod(path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "mknod refused: " << std::strerror(errno);
    }
    EXPECT_EQ(0, run("--size 40 --format bmp24 --out " + path("null")).status);
    EXPECT_EQ(0, run("--export-obj " + path("null")).status);
    // At 300 pixels the encoders' own writes fail (where libpng and giflib would say only
    // "Write Error" and "disk full?"); at 40 only the final flush does.
    for (const std::string& args :
         {"--size 40 --format png24 --out " + path("full"),
          "--size 40 --format gif --out " + path("full"),
          "--size 300 --format png24 --out " + path("full"),
          "--size 300 --format gif --out " + path("full"),
          "--size 40 --out " + path("x.png") + " --save-position " + path("full"),
          "--export-obj " + path("full")}) {
        const Outcome r = run(args);
        EXPECT_EQ(1, r.status) << args;
        EXPECT_NE(std::string::npos, r.output.find("tavrine-render: cannot write " + path("full") +
                                                   ": No space left on device"))
            << r.output;
    }
    EXPECT_EQ(static_cast<mode_t>(S_IFCHR), typeOf(path("null")));
    EXPECT_EQ(static_cast<mode_t>(S_IFCHR), typeOf(path("full")));
}

TEST_F(RenderCommand, StandardOutputCarriesDataAndItsFailuresAreErrors) {
    ASSERT_EQ(0, run("--size 40 --out " + path("file.png")).status);
    // The picture alone goes to standard output; the "wrote" line of the other file does not.
    const Outcome piped = run("--size 40 --out - --save-position " + path("p.gpi"),
                              "> " + path("piped.png") + " 2>" + path("messages"));
    EXPECT_EQ(0, piped.status);
    EXPECT_EQ(bytes(path("file.png")), bytes(path("piped.png")));
    const std::vector<char> messages = bytes(path("messages"));
    EXPECT_EQ("wrote " + path("p.gpi") + "\n", std::string(messages.begin(), messages.end()));
    const Outcome obj = run("--model 17 --export-obj -", "2>/dev/null");
    EXPECT_EQ(0, obj.status);
    EXPECT_NE(std::string::npos, obj.output.find("\nv ")) << obj.output;

    // A standard output that cannot take the text is a failure with the reason. The shell
    // opens the device for reading the output; the tool is never given its path.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to send standard output to";
    for (const std::string& args :
         {std::string("--list"), std::string("--help"), "--size 40 --out " + path("w.png"),
          "--design " + exampleDesign("oval.asc") + " --info"}) {
        const Outcome r = run(args, "2>&1 >/dev/full");
        EXPECT_EQ(1, r.status) << args;
        EXPECT_NE(std::string::npos,
                  r.output.find("cannot write standard output: No space left on device"))
            << r.output;
    }
}

TEST_F(RenderCommand, ConventionsOfAUnixTool) {
    const Outcome quiet = run("--quiet --size=40 --stone=2 --out=" + path("q.png"));
    EXPECT_EQ(0, quiet.status);
    EXPECT_EQ("", quiet.output);
    ASSERT_EQ(0, run("--size 40 --stone 2 --out " + path("spaced.png")).status);
    EXPECT_EQ(bytes(path("q.png")), bytes(path("spaced.png")));

    const Outcome version = run("--version");
    EXPECT_EQ(0, version.status);
    EXPECT_EQ(0u, version.output.find("tavrine-render ")) << version.output;

    const Outcome turntable = run("--size 40 --gm 1 --turn L2X3 --out " + path("gm.png"));
    EXPECT_EQ(0, turntable.status);
    EXPECT_NE(std::string::npos, turntable.output.find("warning: --turn X steps turn nothing"))
        << turntable.output;
    const Outcome free = run("--size 40 --turn L2X3 --out " + path("free.png"));
    EXPECT_EQ(std::string::npos, free.output.find("warning")) << free.output;

    // Pictures beyond the viewer's 512: refused for a Position-Info File, and refused with the
    // memory they need when the process may not have it.
    const Outcome record =
        run("--size 600 --out " + path("r.png") + " --save-position " + path("p.gpi"));
    EXPECT_EQ(2, record.status);
    EXPECT_NE(std::string::npos, record.output.find("up to 512")) << record.output;
    const Outcome poster =
        run("--size 4096 --hq 1 --out " + path("poster.png"), "2>&1", "ulimit -v 200000; ");
    EXPECT_EQ(1, poster.status);
    EXPECT_NE(std::string::npos, poster.output.find("needs 336 MB of memory")) << poster.output;
    EXPECT_FALSE(fs::exists(path("poster.png")));
    EXPECT_FALSE(fs::exists(path("r.png")));
}

}  // namespace

namespace {

TEST_F(RenderCommand, DesignsRenderRestoreAndDescribeThemselves) {
    const std::string design = path("rb.asc");
    fs::copy_file(exampleDesign("round-brilliant.asc"), design);
    const Outcome made =
        run("--design " + design + " --size 64 --turn L3U1 --save-position " + path("d.gpi") +
            " --export-obj " + path("d.obj") + " --out " + path("d.png"));
    ASSERT_EQ(0, made.status) << made.output;
    EXPECT_EQ(272u + 4u + design.size(), fs::file_size(path("d.gpi")));
    std::ifstream obj(path("d.obj"));
    int facets = 0;
    for (std::string line; std::getline(obj, line);) facets += line.rfind("f ", 0) == 0 ? 1 : 0;
    EXPECT_EQ(57, facets);

    // The position file reopens the design and gives the same picture.
    const Outcome restored = run("--position " + path("d.gpi") + " --out " + path("e.png"));
    ASSERT_EQ(0, restored.status) << restored.output;
    EXPECT_EQ(bytes(path("d.png")), bytes(path("e.png")));

    const Outcome info = run("--design " + design + " --info");
    ASSERT_EQ(0, info.status) << info.output;
    for (const char* text : {"Standard Round Brilliant", "96 teeth", "8-fold, mirror",
                             "refractive index: 2.420", "57 facets, 73 vertices"}) {
        EXPECT_NE(std::string::npos, info.output.find(text)) << text << " in\n" << info.output;
    }

    // A design that is gone, or refused, is named with the reason.
    fs::remove(design);
    const Outcome gone = run("--position " + path("d.gpi") + " --out " + path("f.png"));
    EXPECT_EQ(1, gone.status);
    EXPECT_NE(std::string::npos,
              gone.output.find("cannot read " + design + ": No such file or directory"))
        << gone.output;
    std::ofstream(path("open.asc")) << "GemCad 5.0\ng 96 0\na 0 1 96\na 90 1 96 24 48 72\n";
    const Outcome open = run("--design " + path("open.asc") + " --out " + path("o.png"));
    EXPECT_EQ(1, open.status);
    EXPECT_NE(std::string::npos,
              open.output.find("tavrine-render: cannot read " + path("open.asc") +
                               ": line 4: the facets do not close"))
        << open.output;
    EXPECT_EQ(2, run("--design " + path("open.asc") + " --model 3 --out " + path("o.png")).status);
    EXPECT_EQ(2, run("--info --out " + path("o.png")).status);
    EXPECT_FALSE(fs::exists(path("o.png")));
    EXPECT_FALSE(fs::exists(path("f.png")));
}

}  // namespace

namespace {

TEST_F(RenderCommand, GemDesignsRenderAsTheAscOfTheSameDesign) {
    // The .gem of the round brilliant: its planes as the .asc reader computes them.
    const std::string asc = exampleDesign("round-brilliant.asc");
    tavrine::GemCadDesign design;
    tavrine::DesignSummary summary;
    auto record = std::make_unique<tavrine::ModelRecord>();
    std::string error;
    ASSERT_TRUE(tavrine::loadDesignFile(asc, design, *record, &summary, &error)) << error;
    tavrine::test::writeBytes(path("rb.gem"),
                              tavrine::test::writeGem(tavrine::test::gemFacetsOf(summary.planes),
                                                      tavrine::test::trailerOf(design)));

    // Turned, so that no ray runs exactly along an edge: there the last bit of a plane, which
    // p . x = 1 does not keep, could decide between two facets.
    for (const std::string kind : {"asc", "gem"}) {
        const std::string file = kind == "asc" ? asc : path("rb.gem");
        const Outcome made =
            run("--design " + file + " --size 96 --turn L3U1 --out " + path(kind + ".png"));
        ASSERT_EQ(0, made.status) << made.output;
    }
    EXPECT_EQ(bytes(path("asc.png")), bytes(path("gem.png")));

    const Outcome info = run("--design " + path("rb.gem") + " --info");
    ASSERT_EQ(0, info.status) << info.output;
    for (const char* text :
         {"Standard Round Brilliant", "GemCad binary design", "96 teeth", "8-fold, mirror",
          "refractive index: 2.420", "57 facets, 73 vertices"}) {
        EXPECT_NE(std::string::npos, info.output.find(text)) << text << " in\n" << info.output;
    }
}

}  // namespace
