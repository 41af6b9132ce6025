#include "app/model/obj_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/model/model_record.h"
#include "tests/model/model_checks.h"
#include "tests/support/temp_folder.h"

namespace tavrine {
namespace {

using test::TempFolder;

struct ObjModel {
    std::vector<Vertex> vertices;
    std::vector<std::vector<int>> faces;  // 1-based, as written
};

// A second reader for the few OBJ lines we write; fails the test on anything else.
ObjModel readObj(const std::string& path) {
    ObjModel model;
    std::ifstream in(path);
    EXPECT_TRUE(in.good()) << path;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string tag;
        fields >> tag;
        std::vector<std::string> words;
        for (std::string w; fields >> w;) words.push_back(w);
        if (tag == "v") {
            EXPECT_EQ(3u, words.size()) << line;
            double c[3] = {0, 0, 0};
            for (size_t k = 0; k < 3 && k < words.size(); ++k) {
                const char* first = words[k].data();
                const char* last = first + words[k].size();
                const auto r = std::from_chars(first, last, c[k]);
                EXPECT_TRUE(r.ec == std::errc() && r.ptr == last) << line;
            }
            model.vertices.push_back(Vertex{c[0], c[1], c[2]});
        } else if (tag == "f") {
            std::vector<int> face;
            for (const std::string& w : words) face.push_back(std::stoi(w));
            model.faces.push_back(face);
        } else {
            ADD_FAILURE() << "unexpected line: " << line;
        }
    }
    return model;
}

Vec3 newellNormal(const std::vector<Vertex>& v, const std::vector<int>& face) {
    Vec3 n{0, 0, 0};
    for (size_t k = 0; k < face.size(); ++k) {
        const Vertex& a = v[static_cast<size_t>(face[k] - 1)];
        const Vertex& b = v[static_cast<size_t>(face[(k + 1) % face.size()] - 1)];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

TEST(ObjExport, WritesEveryGemCutSoThatItReadsBackExactlyWithOutwardNormals) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    for (int32_t index = 0; index <= 13; ++index) {
        auto m = test::buildFresh(index);
        const std::string path = folder.path() + "/model" + std::to_string(index) + ".obj";
        std::string error;
        ASSERT_TRUE(
            writeObj(path, m->modelVertices, m->vertexCount, m->facets, m->facetCount, &error))
            << error;
        const ObjModel obj = readObj(path);

        ASSERT_EQ(static_cast<size_t>(m->vertexCount), obj.vertices.size()) << "model " << index;
        EXPECT_EQ(0, std::memcmp(m->modelVertices, obj.vertices.data(),
                                 sizeof(Vertex) * obj.vertices.size()))
            << "model " << index << ": coordinates do not read back bit for bit";

        ASSERT_EQ(static_cast<size_t>(m->facetCount), obj.faces.size()) << "model " << index;
        Vec3 centre{0, 0, 0};
        for (const Vertex& v : obj.vertices) {
            centre.x += v.x / static_cast<double>(obj.vertices.size());
            centre.y += v.y / static_cast<double>(obj.vertices.size());
            centre.z += v.z / static_cast<double>(obj.vertices.size());
        }
        for (int32_t i = 0; i < m->facetCount; ++i) {
            const Facet& f = m->facets[i];
            const std::vector<int>& face = obj.faces[static_cast<size_t>(i)];
            ASSERT_EQ(static_cast<size_t>(f.vertexCount), face.size());
            for (int k = 0; k < f.vertexCount; ++k) {
                EXPECT_EQ(f.vertexIndex[f.vertexCount - 1 - k] + 1, face[static_cast<size_t>(k)])
                    << "model " << index << " facet " << i;
            }
            // counter-clockwise seen from outside: the right-hand normal points away from
            // the centre of the solid
            const Vec3 n = newellNormal(obj.vertices, face);
            const Vertex& p = obj.vertices[static_cast<size_t>(face[0] - 1)];
            const double outward =
                n.x * (p.x - centre.x) + n.y * (p.y - centre.y) + n.z * (p.z - centre.z);
            EXPECT_GT(outward, 0.0) << "model " << index << " facet " << i;
        }
        EXPECT_EQ(index + 1u, TempFolder::namesIn(folder.path()).size())
            << "a temporary file was left behind";
    }
}

TEST(ObjExport, ReplacesAnExistingFileWhole) {
    TempFolder folder;
    const std::string path = folder.path() + "/stone.obj";
    {
        std::ofstream old(path);
        old << std::string(100000, 'x');
    }
    auto m = test::buildFresh(13);
    ASSERT_TRUE(
        writeObj(path, m->modelVertices, m->vertexCount, m->facets, m->facetCount, nullptr));
    const ObjModel obj = readObj(path);
    EXPECT_EQ(12u, obj.vertices.size());
    EXPECT_EQ(10u, obj.faces.size());
    EXPECT_EQ(1u, TempFolder::namesIn(folder.path()).size());
}

TEST(ObjExport, FailsWithThePathWhenTheFolderCannotHoldTheFile) {
    TempFolder folder;
    auto m = test::buildFresh(0);
    // a "folder" that is a plain file, and a folder that does not exist
    const std::string plainFile = folder.path() + "/notafolder";
    { std::ofstream(plainFile) << "x"; }
    for (const std::string& path :
         {plainFile + "/stone.obj", folder.path() + "/missing/stone.obj"}) {
        std::string error;
        EXPECT_FALSE(
            writeObj(path, m->modelVertices, m->vertexCount, m->facets, m->facetCount, &error));
        EXPECT_NE(std::string::npos, error.find(path)) << error;
    }
    EXPECT_EQ(1u, TempFolder::namesIn(folder.path()).size());
}

TEST(ObjExport, FailsInAFolderWithoutWritePermission) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
    TempFolder folder;
    const std::string locked = folder.path() + "/locked";
    ASSERT_EQ(0, ::mkdir(locked.c_str(), 0500));
    auto m = test::buildFresh(0);
    const std::string path = locked + "/stone.obj";
    std::string error;
    EXPECT_FALSE(
        writeObj(path, m->modelVertices, m->vertexCount, m->facets, m->facetCount, &error));
    EXPECT_NE(std::string::npos, error.find(path)) << error;
    EXPECT_TRUE(TempFolder::namesIn(locked).empty());
}

TEST(ObjExport, LeavesNoTemporaryFileWhenTheFinalRenameFails) {
    TempFolder folder;
    const std::string path = folder.path() + "/stone.obj";
    ASSERT_EQ(0, ::mkdir(path.c_str(), 0700));  // the target name is taken by a folder
    auto m = test::buildFresh(0);
    std::string error;
    EXPECT_FALSE(
        writeObj(path, m->modelVertices, m->vertexCount, m->facets, m->facetCount, &error));
    EXPECT_NE(std::string::npos, error.find(path)) << error;
    EXPECT_EQ(1u, TempFolder::namesIn(folder.path()).size());
    EXPECT_TRUE(TempFolder::namesIn(path).empty());
}

TEST(ObjExport, RefusesAFacetThatPointsPastTheVertices) {
    TempFolder folder;
    const std::string path = folder.path() + "/stone.obj";
    auto m = test::buildFresh(13);
    m->facets[4].vertexIndex[2] = m->vertexCount;
    std::string error;
    EXPECT_FALSE(
        writeObj(path, m->modelVertices, m->vertexCount, m->facets, m->facetCount, &error));
    EXPECT_NE(std::string::npos, error.find(path)) << error;
    EXPECT_NE(std::string::npos, error.find("facet 4")) << error;
    m->facets[4].vertexIndex[2] = 0;
    m->facets[7].vertexCount = 17;
    EXPECT_FALSE(
        writeObj(path, m->modelVertices, m->vertexCount, m->facets, m->facetCount, &error));
    EXPECT_NE(std::string::npos, error.find("facet 7")) << error;
    EXPECT_TRUE(TempFolder::namesIn(folder.path()).empty());
}

}  // namespace
}  // namespace tavrine
