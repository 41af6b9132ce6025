#include "cli/options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "cli/tables.h"

namespace tavrine::cli {
namespace {

ParseResult parse(std::initializer_list<const char*> args) {
    std::vector<std::string> v;
    for (const char* a : args) v.emplace_back(a);
    return parseOptions(v);
}

TEST(TurnSequence, LettersWithOptionalCounts) {
    std::vector<TurnStep> steps;
    ASSERT_TRUE(parseTurnSequence("L5U3Z2", "RLUDXZ", steps));
    ASSERT_EQ(3u, steps.size());
    EXPECT_EQ('L', steps[0].key);
    EXPECT_EQ(5, steps[0].count);
    EXPECT_EQ('Z', steps[2].key);
    EXPECT_EQ(2, steps[2].count);
    ASSERT_TRUE(parseTurnSequence("rX", "RLUDXZ", steps));
    ASSERT_EQ(2u, steps.size());
    EXPECT_EQ('R', steps[0].key);
    EXPECT_EQ(1, steps[1].count);
    EXPECT_TRUE(parseTurnSequence("", "RLUDXZ", steps));
    EXPECT_TRUE(steps.empty());
}

TEST(TurnSequence, RefusesWhatItCannotRead) {
    std::vector<TurnStep> steps;
    EXPECT_FALSE(parseTurnSequence("5L", "RLUDXZ", steps));
    EXPECT_FALSE(parseTurnSequence("L0", "RLUDXZ", steps));
    EXPECT_FALSE(parseTurnSequence("L100001", "RLUDXZ", steps));
    EXPECT_FALSE(parseTurnSequence("L5 U3", "RLUDXZ", steps));
    EXPECT_FALSE(parseTurnSequence("X2", "RLUD", steps));  // the light has no X or Z
    EXPECT_FALSE(parseTurnSequence("L-1", "RLUDXZ", steps));
}

TEST(TurnSequence, TheStepsOfOneOptionAreCappedAtAMillion) {
    std::vector<TurnStep> steps;
    std::string ten;
    for (int i = 0; i < 10; ++i) ten += "R100000";
    EXPECT_TRUE(parseTurnSequence(ten, "RLUDXZ", steps));  // exactly the cap
    EXPECT_FALSE(parseTurnSequence(ten + "L", "RLUDXZ", steps));
    std::string hostile;  // about 1.87e9 steps in 150 kB, once accepted
    for (int i = 0; i < 18700; ++i) hostile += "R100000";
    for (const char* option : {"--turn", "--stone-turn", "--light-turn"}) {
        const ParseResult r = parse({"--out", "a.png", option, hostile.c_str()});
        EXPECT_NE(r.error.find("at most 1000000 steps in all"), std::string::npos)
            << option << ": " << r.error.substr(0, 200);
    }
}

TEST(Options, DefaultsAndFormatFromExtension) {
    ParseResult r = parse({"--out", "a.PNG"});
    ASSERT_EQ("", r.error);
    EXPECT_EQ(4, r.options.formatIndex);
    EXPECT_FALSE(r.options.stone.has_value());
    EXPECT_EQ(0, r.options.threads);
    EXPECT_EQ(1, parse({"--out", "x.bmp"}).options.formatIndex);
    EXPECT_EQ(7, parse({"--out", "dir.v2/x.gif"}).options.formatIndex);
    // An explicit format wins over the extension.
    EXPECT_EQ(6, parse({"--out", "x.bmp", "--format", "png8"}).options.formatIndex);
}

TEST(Options, ValuesWithinTheirRanges) {
    ParseResult r = parse({"--out",      "a.png",   "--stone",   "7",         "--model", "27",
                           "--colour",   "10",      "--ri",      "1.00",      "--size",  "512",
                           "--depth",    "20",      "--hq",      "1",         "--fire",  "0",
                           "--backdrop", "255,0,9", "--lights",  "0,200,100", "--trim",  "10,0,5,5",
                           "--threads",  "3",       "--literal", "--gm",      "1"});
    ASSERT_EQ("", r.error);
    const CliOptions& o = r.options;
    EXPECT_EQ(7, *o.stone);
    EXPECT_EQ(27, *o.model);
    EXPECT_EQ(1.0, *o.refractiveIndex);
    EXPECT_EQ(512, *o.size);
    EXPECT_EQ((std::vector<int32_t>{255, 0, 9}), *o.backdrop);
    EXPECT_EQ((std::vector<int32_t>{10, 0, 5, 5}), *o.trim);
    EXPECT_TRUE(o.literal);
    EXPECT_EQ(3, o.threads);
}

TEST(Options, BadUsageNamesTheOptionAndItsRange) {
    struct Case {
        std::initializer_list<const char*> args;
        const char* expected;
    };
    const Case cases[] = {
        {{"--out", "a.png", "--size", "4097"}, "--size must be an integer from 32 to 4096"},
        {{"--out", "a.png", "--size", "12x"}, "--size must be an integer from 32 to 4096"},
        {{"--out", "a.png", "--depth", "0"}, "--depth must be an integer from 1 to 20"},
        {{"--out", "a.png", "--model", "22"}, "--model must be an integer from 0 to 21 or 23"},
        {{"--out", "a.png", "--ri", "3.5"}, "--ri must be a number from 1.00 to 3.00"},
        {{"--out", "a.png", "--ri", "nan"}, "--ri must be a number from 1.00 to 3.00"},
        {{"--out", "a.png", "--backdrop", "1,2"}, "--backdrop must be R,G,B"},
        {{"--out", "a.png", "--backdrop", "1,2,256"}, "--backdrop must be R,G,B"},
        {{"--out", "a.png", "--lights", "1,2,3,"}, "--lights must be M,B,F"},
        {{"--out", "a.png", "--turn", "Q"}, "--turn must be letters R, L, U, D, X, Z"},
        {{"--out", "a.png", "--light-turn", "Z"}, "--light-turn must be letters R, L, U, D"},
        {{"--out", "a.png", "--hq", "2"}, "--hq must be 0 or 1"},
        {{"--out", "a.png", "--format", "jpeg"}, "--format must be one of bmp24"},
        {{"--out", "a.png", "--bogus"}, "unknown option --bogus"},
        {{"--out", "a.png", "--size"}, "--size needs a value"},
        {{"--out", "a.tiff"}, "--format must be given"},
        {{"--stone", "1"}, "--out FILE is required"},
        {{"--out", "a.png", "--threads", "0"}, "--threads must be an integer from 1 to 256"},
    };
    for (const Case& c : cases) {
        const ParseResult r = parse(c.args);
        EXPECT_EQ(0u, r.error.find(c.expected)) << "got: " << r.error;
        EXPECT_EQ(std::string::npos, r.error.find('\n')) << "one line: " << r.error;
    }
}

TEST(Options, HelpAndListNeedNoOutput) {
    EXPECT_TRUE(parse({"--help"}).options.help);
    EXPECT_EQ("", parse({"--help"}).error);
    EXPECT_EQ("", parse({"--list"}).error);
    EXPECT_EQ("", parse({"--export-obj", "m.obj"}).error);
}

TEST(Options, DesignAndInfo) {
    const ParseResult info = parse({"--design", "rb.asc", "--info"});
    EXPECT_EQ("", info.error);
    EXPECT_TRUE(info.options.info);
    EXPECT_EQ("rb.asc", info.options.design);
    EXPECT_EQ("", parse({"--design", "rb.asc", "--out", "a.png", "--stone", "2"}).error);
    EXPECT_EQ(0u, parse({"--info"}).error.find("--info describes a design"));
    EXPECT_EQ(0u, parse({"--design", "rb.asc", "--model", "3", "--out", "a.png"})
                      .error.find("--design and --model"));
    EXPECT_EQ(0u, parse({"--design", "rb.asc"}).error.find("--out FILE is required"));
    EXPECT_EQ(0u, parse({"--design", "", "--out", "a.png"}).error.find("--design must name"));
}

TEST(Options, UnixConventions) {
    // "--option=value" reads as "--option value", a value holding "=" included.
    const ParseResult joined = parse({"--out=a=b.png", "--size=64", "--turn=L5", "--quiet"});
    ASSERT_EQ("", joined.error);
    EXPECT_EQ("a=b.png", joined.options.out);
    EXPECT_EQ(64, *joined.options.size);
    ASSERT_EQ(1u, joined.options.viewTurns.size());
    EXPECT_TRUE(joined.options.quiet);
    EXPECT_EQ(0u, parse({"--out=a.png", "--size="}).error.find("--size must be"));
    EXPECT_EQ(0u, parse({"--list=yes"}).error.find("--list takes no value"));
    EXPECT_TRUE(parse({"--version"}).options.version);
    EXPECT_EQ("", parse({"--version"}).error);
    EXPECT_EQ(0u, std::string(versionText()).find("tavrine-render "));
    EXPECT_NE(std::string::npos, std::string(usageText()).find("-h, --help"));
    EXPECT_NE(std::string::npos, std::string(usageText()).find("--quiet"));

    // Standard output takes the format given, or png24.
    EXPECT_EQ(4, parse({"--out", "-"}).options.formatIndex);
    EXPECT_EQ(7, parse({"--out", "-", "--format", "gif"}).options.formatIndex);

    // Posters may be large; a Position-Info File still holds at most 512.
    EXPECT_EQ("", parse({"--out", "a.png", "--size", "4096", "--trim", "4000,0,0,0"}).error);
    EXPECT_EQ("", parse({"--out", "a.png", "--size", "512", "--save-position", "p.gpi"}).error);
    const std::string big =
        parse({"--out", "a.png", "--size", "513", "--save-position", "p"}).error;
    EXPECT_EQ(0u, big.find("--save-position records sizes up to 512")) << big;
}

TEST(ModelList, AlignsByDisplayWidthAndExplainsItsMarkers) {
    EXPECT_EQ(displayWidth("reg. 12 hedron"), 14);
    EXPECT_EQ(displayWidth("reg. \xef\xbc\x98 hedron"), 14);  // a full-width 8
    EXPECT_EQ(displayWidth("caf\xc3\xa9"), 4);                // a narrow accented letter

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    printModelTable(file);
    printColourTable(file);
    std::rewind(file);
    std::string text;
    char block[4096];
    for (size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, n);
    std::fclose(file);

    // Every model row puts its facet count at the same terminal column.
    std::istringstream lines(text);
    int rows = 0, column = -1;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("hedron") == std::string::npos) continue;
        const int width = displayWidth(line.c_str());
        if (column < 0) column = width;
        EXPECT_EQ(column, width) << line;
        ++rows;
    }
    EXPECT_EQ(rows, 9);
    EXPECT_EQ(std::string::npos, text.find("\n   22 "));
    for (const char* note : {"(R) round", "(O) oval", "* transformable", "22 is not a model",
                             "    10  Light Yellow"}) {
        EXPECT_NE(std::string::npos, text.find(note)) << note;
    }
}

}  // namespace
}  // namespace tavrine::cli
