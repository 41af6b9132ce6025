// Runs tavrine-catalogue as a batch engine would, on a small library of its own.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "catalogue/catalogue_options.h"
#include "catalogue/design_library.h"
#include "tests/support/byte_files.h"

namespace {

namespace fs = std::filesystem;
using tavrine::test::contents;
using tavrine::test::TempFolder;

// Small pictures, few frames and a short sweep keep every run short.
const std::string kOptions = "--frames 4 --size 48 --tilt 10:5";

struct Outcome {
    int status = -1;
    std::string output;  // standard output and standard error together
};

Outcome shell(const std::string& command) {
    Outcome result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

Outcome catalogue(const std::string& args) {
    return shell(std::string(TAVRINE_CATALOGUE_EXE) + " " + args);
}

bool installed(const std::string& tool) {
    return shell("command -v " + tool + " >/dev/null").status == 0;
}

void writeText(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// A library: the examples, a design the reader refuses and one whose heading holds markup,
// commas and quotes.
void writeLibrary(const std::string& folder) {
    fs::create_directories(folder);
    const fs::path examples = fs::path(TAVRINE_SOURCE_DIR) / "examples";
    for (const auto& entry : fs::directory_iterator(examples)) {
        if (entry.path().extension() == ".asc") fs::copy(entry.path(), folder);
    }
    writeText(folder + "/broken.asc", "GemCad 5.0\ng 96\ny 8 y\nH Open\na 41 0.5 96 n C\n");
    std::string oval = contents((examples / "oval.asc").string());
    oval.replace(oval.find("H Oval Brilliant"), 16,
                 "H <img src=x onerror=\"document.title='x'\">, \"Oval\" & co");
    writeText(folder + "/tricky.asc", oval);
}

constexpr int kDesigns = 7;

// The rows of a CSV text, each a list of its cells.
std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            rows.back().back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            rows.back().emplace_back();
        } else if (!quoted && c == '\n') {
            rows.emplace_back(1);
        } else {
            rows.back().back() += c;
        }
    }
    if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
    return rows;
}

std::vector<std::string> designFolders(const std::string& out) {
    return TempFolder::namesIn(out + "/designs");
}

// Expects the catalogue in out to be the one in expected: the same rows and, design by
// design, the same pictures.
void expectSameCatalogue(const std::string& out, const std::string& expected) {
    EXPECT_EQ(contents(out + "/catalogue.csv"), contents(expected + "/catalogue.csv"));
    ASSERT_EQ(designFolders(out), designFolders(expected));
    for (const std::string& name : designFolders(expected)) {
        for (const char* file : {"still.png", "turntable.gif", "tilt.csv", "done"}) {
            EXPECT_EQ(contents(out + "/designs/" + name + "/" + file),
                      contents(expected + "/designs/" + name + "/" + file))
                << name << "/" << file;
        }
    }
}

// The identity of each done mark in out: a mark written again gets another inode.
std::map<std::string, ino_t> doneMarks(const std::string& out) {
    std::map<std::string, ino_t> marks;
    for (const std::string& name : designFolders(out)) {
        struct stat st {};
        if (::stat((out + "/designs/" + name + "/done").c_str(), &st) == 0) {
            marks[name] = st.st_ino;
        }
    }
    return marks;
}

// One uninterrupted, unsharded run of the library, made once for the suite.
class Catalogue : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder("tavrine-catalogue");
        writeLibrary(library());
        const Outcome rendered =
            catalogue("render " + library() + " " + reference() + " " + kOptions);
        ASSERT_EQ(rendered.status, 0) << rendered.output;
        ASSERT_EQ(catalogue("index " + reference()).status, 0);
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static std::string library() { return folder_->file("library"); }
    static std::string reference() { return folder_->file("reference"); }

    TempFolder work_{"tavrine-catalogue-case"};

  private:
    static inline TempFolder* folder_ = nullptr;
};

TEST(CatalogueOptions, BadCommandLinesAreRefusedAndTheShardRuleIsTheDocumentedOne) {
    using tavrine::catalogue::parseCatalogueOptions;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"render", "d", "o", "--shard", "3/3"},
             {"render", "d", "o", "--shard=-1/3"},
             {"render", "d", "o", "--size", "513"},
             {"render", "d", "o", "--tilt", "30:0"},
             {"render", "d", "o", "--lighting", "studio"},
             {"render", "d"},
             {"index", "o", "--frames", "4"},
         }) {
        EXPECT_FALSE(parseCatalogueOptions(args).error.empty()) << args.back();
    }
    const auto parsed = parseCatalogueOptions({"render", "d", "o", "--shard=2/3", "--tilt=20:2.5"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.shard.index, 2);
    EXPECT_EQ(parsed.options.tilt.stepDegrees, 2.5);

    // The shard is the head of the name's SHA-256 digest modulo N, as sha256sum gives it.
    for (const std::string name : {"oval.asc", "Émeraude.gem", "a b.asc"}) {
        const Outcome digest = shell("printf %s '" + name + "' | sha256sum");
        ASSERT_EQ(digest.status, 0);
        const uint64_t head = std::stoull(digest.output.substr(0, 16), nullptr, 16);
        for (int32_t n : {1, 3, 8, 1000}) {
            EXPECT_EQ(tavrine::catalogue::shardOf(name, n), static_cast<int32_t>(head % n))
                << name << " of " << n;
        }
    }
}

TEST_F(Catalogue, ShardsUnderGnuParallelCoverEveryDesignOnceAndEqualOneRun) {
    if (!installed("parallel")) GTEST_SKIP() << "GNU parallel is not installed";
    const std::string out = work_.file("out");
    const Outcome run =
        shell("parallel --will-cite " + std::string(TAVRINE_CATALOGUE_EXE) + " render " +
              library() + " " + out + " " + kOptions + " --shard {}/3 ::: 0 1 2");
    ASSERT_EQ(run.status, 0) << run.output;
    // Each shard tells how many designs fell to it and how many it found done by another.
    const std::regex summary(R"(shard (\d)/3: (\d+) designs?: (\d+) done, (\d+) refused, (\d+))");
    int shards = 0, designs = 0, handled = 0, doneBefore = 0;
    for (auto it = std::sregex_iterator(run.output.begin(), run.output.end(), summary);
         it != std::sregex_iterator(); ++it) {
        ++shards;
        designs += std::stoi((*it)[2]);
        handled += std::stoi((*it)[3]) + std::stoi((*it)[4]);
        doneBefore += std::stoi((*it)[5]);
    }
    EXPECT_EQ(shards, 3) << run.output;
    EXPECT_EQ(designs, kDesigns) << run.output;
    EXPECT_EQ(handled, kDesigns) << run.output;
    EXPECT_EQ(doneBefore, 0) << run.output;
    ASSERT_EQ(catalogue("index " + out).status, 0);
    expectSameCatalogue(out, reference());
}

TEST_F(Catalogue, AShardKilledPartWayAndRunAgainDoesEachDesignOnce) {
    const std::string out = work_.file("out");
    const std::string exe = TAVRINE_CATALOGUE_EXE;
    const std::string lib = library();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        // The frames the killed run leaves behind stay in the test's folder.
        ::setenv("TMPDIR", work_.path().c_str(), 1);
        ::execl(exe.c_str(), exe.c_str(), "render", lib.c_str(), out.c_str(), "--frames", "4",
                "--size", "48", "--tilt", "10:5", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Frozen as soon as its first design is complete, then killed: it is then in a later one.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (doneMarks(out).empty() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(child, SIGSTOP);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it could be killed";
    const auto before = doneMarks(out);
    ASSERT_GE(before.size(), 1u);
    ASSERT_LT(before.size(), static_cast<size_t>(kDesigns));

    const Outcome again = catalogue("render " + library() + " " + out + " " + kOptions);
    ASSERT_EQ(again.status, 0) << again.output;
    EXPECT_NE(again.output.find(std::to_string(before.size()) + " done before"), std::string::npos)
        << again.output;
    const auto after = doneMarks(out);
    EXPECT_EQ(after.size(), static_cast<size_t>(kDesigns));
    for (const auto& [name, inode] : before) EXPECT_EQ(after.at(name), inode) << name;
    ASSERT_EQ(catalogue("index " + out).status, 0);
    expectSameCatalogue(out, reference());
}

TEST_F(Catalogue, RefusedDesignsAreRowsWithTheirReasonAndChangedDesignsAreDoneAgain) {
    const auto rows = csvRows(contents(reference() + "/catalogue.csv"));
    ASSERT_EQ(rows.size(), static_cast<size_t>(kDesigns) + 1);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"design", "file", "status", "facets", "ri",
                                                 "brightness_iso", "brightness_cos", "tilt_avg",
                                                 "dark", "reason"}));
    std::map<std::string, std::vector<std::string>> byFile;
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 10u) << row[0];
        byFile[row[1]] = row;
    }
    EXPECT_EQ(byFile["broken.asc"][2], "refused");
    EXPECT_NE(byFile["broken.asc"][9].find("broken.asc: line 5: "), std::string::npos);
    EXPECT_EQ(byFile["tricky.asc"][0], "<img src=x onerror=\"document.title='x'\">, \"Oval\" & co");
    EXPECT_EQ(byFile["oval.asc"][2], "done");
    EXPECT_EQ(byFile["oval.asc"][3], "57");
    EXPECT_EQ(byFile["oval.asc"][4], "1.54");
    EXPECT_EQ(byFile["broken.asc"][5], "");  // a refused design has no figures, never made-up ones

    // A design changed after it was done is done again, and only that one.
    const std::string library = work_.file("library");
    const std::string out = work_.file("out");
    fs::copy(Catalogue::library(), library);
    fs::copy(reference(), out, fs::copy_options::recursive);
    const auto before = doneMarks(out);
    std::string pear = contents(library + "/pear.asc");
    pear.replace(pear.find("H Pear Brilliant"), 16, "H Pear, recut");
    writeText(library + "/pear.asc", pear);
    const Outcome again = catalogue("render " + library + " " + out + " " + kOptions);
    ASSERT_EQ(again.status, 0) << again.output;
    EXPECT_NE(again.output.find("1 done, 0 refused, 6 done before"), std::string::npos)
        << again.output;
    const auto after = doneMarks(out);
    for (const auto& [name, inode] : before) {
        EXPECT_EQ(after.at(name) != inode, name == "pear.asc") << name;
    }
    EXPECT_NE(contents(out + "/designs/pear.asc/figures.json").find("\"Pear, recut\""),
              std::string::npos);

    // An output that cannot be written ends the run with status 1.
    writeText(work_.file("file"), "");
    EXPECT_EQ(catalogue("render " + library + " " + work_.file("file") + " " + kOptions).status, 1);
}

// Returns what tavrine-render prints and writes for a design face up under lighting at the
// tests' size: "brightness: B%  dark: D%" as {B, D}, and the picture at png.
std::pair<double, double> renderedFigures(const std::string& design, const std::string& lighting,
                                          const std::string& png) {
    const Outcome r =
        shell(std::string(TAVRINE_RENDER_EXE) + " --design " + design +
              " --face-up --size 48 --brightness --quiet --lighting " + lighting + " --out " + png);
    std::smatch m;
    if (r.status != 0 ||
        !std::regex_search(r.output, m, std::regex(R"(brightness: ([\d.]+)%  dark: ([\d.]+)%)"))) {
        ADD_FAILURE() << r.output;
        return {-1.0, -1.0};
    }
    return {std::stod(m[1]), std::stod(m[2])};
}

TEST_F(Catalogue, FiguresAndStillAreThoseOfTavrineRenderUnderEitherLighting) {
    // The reference is under ISO; one design again under COS, whose dark area and still follow.
    const std::string library = work_.file("library");
    fs::create_directories(library);
    fs::copy(Catalogue::library() + "/oval.asc", library);
    const std::string cos = work_.file("cos");
    ASSERT_EQ(
        catalogue("render " + library + " " + cos + " " + kOptions + " --lighting cos").status, 0);
    ASSERT_EQ(catalogue("index " + cos).status, 0);
    const std::string design = library + "/oval.asc";
    const auto isoFigures = renderedFigures(design, "iso", work_.file("iso.png"));
    const auto cosFigures = renderedFigures(design, "cos", work_.file("cos.png"));
    for (const auto& [out, lighting] : {std::pair{reference(), std::string("iso")}, {cos, "cos"}}) {
        std::vector<std::string> row;
        for (const auto& r : csvRows(contents(out + "/catalogue.csv"))) {
            if (r[1] == "oval.asc") row = r;
        }
        ASSERT_EQ(row.size(), 10u) << out;
        EXPECT_EQ(std::stod(row[5]), isoFigures.first) << lighting;
        EXPECT_EQ(std::stod(row[6]), cosFigures.first) << lighting;
        EXPECT_EQ(std::stod(row[8]), (lighting == "iso" ? isoFigures : cosFigures).second)
            << lighting;
        const std::string folder = out + "/designs/oval.asc/";
        EXPECT_EQ(contents(folder + "still.png"), contents(work_.file(lighting + ".png")))
            << lighting;
        // The sweep's rows: -10 to 10 by 5, face up in the middle, averaged into tilt_avg.
        const auto tilts = csvRows(contents(folder + "tilt.csv"));
        ASSERT_EQ(tilts.size(), 6u) << lighting;
        EXPECT_EQ(tilts[3][0], "0.0");
        EXPECT_EQ(std::stod(tilts[3][1]), std::stod(row[lighting == "iso" ? 5 : 6]));
        double sum = 0.0;
        for (size_t i = 1; i < tilts.size(); ++i) sum += std::stod(tilts[i][1]);
        EXPECT_NEAR(std::stod(row[7]), sum / 5.0, 0.0101) << lighting;
    }
}

TEST_F(Catalogue, IndexPageShowsEveryPictureAndSortsItsCardsInChromium) {
    if (!installed("chromium")) GTEST_SKIP() << "chromium is not installed";
    // The page as written, with a check that runs once everything has loaded.
    std::string page = contents(reference() + "/index.html");
    const size_t end = page.rfind("</body>");
    ASSERT_NE(end, std::string::npos);
    page.insert(end, R"(<pre id="verdict"></pre><script>
window.addEventListener('load', function () {
  var v = [], imgs = document.images, cards = document.querySelectorAll('.card');
  v.push('cards ' + cards.length, 'images ' + imgs.length);
  for (var i = 0; i < imgs.length; ++i)
    if (!imgs[i].complete || imgs[i].naturalWidth === 0) v.push('broken ' + imgs[i].src);
  v.push('refused ' + document.querySelectorAll('#refused li').length, 'title ' + document.title);
  var key = document.getElementById('sort-key'), order = document.getElementById('sort-order');
  key.value = 'brightness_iso'; order.value = 'descending';
  key.dispatchEvent(new Event('change'));
  var b = [];
  document.querySelectorAll('.card').forEach(function (c) {
    b.push(c.getAttribute('data-brightness_iso'));
  });
  v.push('brightness ' + b.join(' '));
  document.getElementById('verdict').textContent = v.join('\n');
});
</script>
)");
    const std::string check = reference() + "/check.html";
    writeText(check, page);
    // A profile of its own keeps the browser off the home folder.
    const Outcome dom = shell(
        "chromium --headless --no-sandbox --disable-gpu --user-data-dir=" + work_.file("profile") +
        " --virtual-time-budget=10000 --dump-dom 'file://" + check + "'");
    ASSERT_EQ(dom.status, 0) << dom.output;
    const size_t at = dom.output.find("<pre id=\"verdict\">");
    ASSERT_NE(at, std::string::npos) << dom.output;
    const std::string verdict = dom.output.substr(at, dom.output.find("</pre>", at) - at);
    // Six cards of a still, a turntable and any tilt plot each, no picture broken, the page's
    // title untouched by the markup in a design's heading, the refused design listed, the cards
    // by brightness, highest first.
    size_t images = 0;
    std::vector<std::pair<double, std::string>> brightness;
    for (const auto& row : csvRows(contents(reference() + "/catalogue.csv"))) {
        if (row[2] != "done") continue;
        images += 2 + fs::exists(reference() + "/designs/" + row[1] + "/tilt.svg");
        brightness.emplace_back(std::stod(row[5]), row[5]);
    }
    std::sort(brightness.rbegin(), brightness.rend());
    std::string expected = "brightness";
    for (const auto& b : brightness) expected += " " + b.second;
    EXPECT_NE(verdict.find("cards 6\nimages " + std::to_string(images) +
                           "\nrefused 1\ntitle Design catalogue\n"),
              std::string::npos)
        << verdict;
    EXPECT_EQ(verdict.substr(verdict.rfind('\n') + 1), expected) << verdict;
}

}  // namespace
