// The list of designs opened last: order, repeats of one file, the cap, a write that keeps what
// another run wrote, and a file that holds anything at all.

#include "app/settings/recent_designs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/byte_files.h"

namespace tavrine {
namespace {

using List = std::vector<std::string>;

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(RecentDesigns, KeepsFiveMostRecentFirstOneEntryPerFileAndSurvivesARun) {
    tavrine::test::TempFolder folder;
    const std::string dir = folder.path();
    List designs;
    for (int i = 0; i < 7; ++i) {
        designs.push_back(folder.file("d" + std::to_string(i) + ".asc"));
        writeText(designs.back(), "g 96 0\n");
    }
    std::filesystem::create_directory(folder.file("sub"));
    std::filesystem::create_symlink(designs[1], folder.file("link.asc"));
    const std::string file = recentDesignsFile(dir + "/config/");

    // Opened 0 to 6: the last five, most recent first, in a folder made on first use.
    List list;
    for (const std::string& design : designs) list = noteRecentDesign(file, design, nullptr);
    EXPECT_EQ(list, (List{designs[6], designs[5], designs[4], designs[3], designs[2]}));
    EXPECT_EQ(readRecentDesigns(file), list);

    // The same file by another name (a link, a detour) moves to the top, never twice.
    list = noteRecentDesign(file, dir + "/sub/../d4.asc", nullptr);
    EXPECT_EQ(list, (List{dir + "/sub/../d4.asc", designs[6], designs[5], designs[3], designs[2]}));
    list = noteRecentDesign(file, designs[1], nullptr);
    list = noteRecentDesign(file, folder.file("link.asc"), nullptr);
    EXPECT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0], folder.file("link.asc"));
    EXPECT_NE(list[1], designs[1]);

    // A gone design is forgotten; the rest keep their order.
    std::filesystem::remove(designs[6]);
    list = forgetRecentDesign(file, designs[6], nullptr);
    EXPECT_EQ(list,
              (List{folder.file("link.asc"), dir + "/sub/../d4.asc", designs[5], designs[3]}));
    EXPECT_EQ(readRecentDesigns(file), list);
    EXPECT_FALSE(std::filesystem::exists(folder.file("config/Setting.ini")));
}

TEST(RecentDesigns, ReadsWhatItCanOfAnyFile) {
    tavrine::test::TempFolder folder;
    const std::string file = folder.file("RecentDesigns.txt");
    EXPECT_TRUE(readRecentDesigns(file).empty());
    writeText(file, std::string("\0\x01\xff garbage\n", 12));
    EXPECT_TRUE(readRecentDesigns(file).empty());

    // Relative, control characters, overlong, repeated and CRLF lines among good ones.
    const std::string overlong = "/" + std::string(kRecentDesignPathMax, 'x');
    writeText(file, "relative.asc\n/a.asc\r\n\n/b\x1b[31m.asc\n" + overlong + "\n/a.asc\n/c.asc\n" +
                        "/d.asc\n/e.asc\n/f.asc\n/g.asc");
    EXPECT_EQ(readRecentDesigns(file), (List{"/a.asc", "/c.asc", "/d.asc", "/e.asc", "/f.asc"}));

    // A huge file costs no more than its first part; what was read is kept.
    writeText(file, "/first.asc\n" + std::string(10 * 1024 * 1024, 'y'));
    EXPECT_EQ(readRecentDesigns(file), (List{"/first.asc"}));
    // A folder in the way: nothing read, and a write fails with the file named.
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    EXPECT_TRUE(readRecentDesigns(file).empty());
    std::string error;
    EXPECT_FALSE(writeRecentDesigns(file, {"/a.asc"}, &error));
    EXPECT_NE(error.find(file), std::string::npos) << error;
}

}  // namespace
}  // namespace tavrine
