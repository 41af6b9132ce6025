#pragma once
// A temporary folder for the file helpers' tests, and small whole-file helpers.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tavrine::util::test {

// A fresh folder under the test temporary directory, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = ::testing::TempDir() + "tavrine_util_XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    // Returns the path of name inside the folder.
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Returns the folder's path.
    const std::string& path() const { return path_; }

    // Returns the sorted names of the folder's entries, hidden ones included.
    std::vector<std::string> names() const { return namesIn(path_); }

    // Returns the sorted names of the entries of any folder, hidden ones included.
    static std::vector<std::string> namesIn(const std::string& folder) {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            out.push_back(entry.path().filename().string());
        }
        std::sort(out.begin(), out.end());
        return out;
    }

  private:
    std::string path_;
};

// Returns the contents of the file at path as text (empty when it cannot be read).
inline std::string contents(const std::string& path) {
    std::string text;
    if (FILE* in = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        size_t n = 0;
        while ((n = std::fread(block, 1, sizeof block, in)) > 0) text.append(block, n);
        std::fclose(in);
    }
    return text;
}

// Replaces the file at path by text.
inline void put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace tavrine::util::test
