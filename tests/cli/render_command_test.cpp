// Runs tavrine-render as a user would, in a temporary folder.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imgctl/imgctl.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;  // standard output and standard error together
};

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

    Outcome run(const std::string& args) const {
        Outcome result;
        const std::string command = std::string(TAVRINE_RENDER_EXE) + " " + args + " 2>&1";
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

TEST_F(RenderCommand, BadUsageExitsWithTwoAndOneLine) {
    for (const char* args : {"--size 1000 --out x.png", "--turn L5Q --out x.png", "--frobnicate",
                             "--stone 1", "--trim 200,100,0,0 --out x.png"}) {
        const Outcome r = run(args);
        EXPECT_EQ(2, r.status) << args;
        EXPECT_EQ(1, std::count(r.output.begin(), r.output.end(), '\n')) << r.output;
    }
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

}  // namespace

namespace {

std::string exampleDesign(const std::string& name) {
    const char* data = std::getenv("TAVRINE_TEST_DATA");
    return std::string(data != nullptr ? data : "tests/cli") + "/../../examples/" + name;
}

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
    EXPECT_NE(std::string::npos, gone.output.find(design + ": cannot be read")) << gone.output;
    std::ofstream(path("open.asc")) << "GemCad 5.0\ng 96 0\na 0 1 96\na 90 1 96 24 48 72\n";
    const Outcome open = run("--design " + path("open.asc") + " --out " + path("o.png"));
    EXPECT_EQ(1, open.status);
    EXPECT_NE(std::string::npos,
              open.output.find(path("open.asc") + ": line 4: the facets do not close"))
        << open.output;
    EXPECT_EQ(2, run("--design " + path("open.asc") + " --model 3 --out " + path("o.png")).status);
    EXPECT_EQ(2, run("--info --out " + path("o.png")).status);
    EXPECT_FALSE(fs::exists(path("o.png")));
    EXPECT_FALSE(fs::exists(path("f.png")));
}

}  // namespace
