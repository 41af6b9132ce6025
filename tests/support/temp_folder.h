#pragma once
// The tests' temporary folder: made fresh under the system's temporary folder and removed with
// everything in it at the end of the test.

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tavrine::test {

// A fresh folder named PREFIX-XXXXXX under the system's temporary folder, removed with its
// contents afterwards (its folders' permissions are restored first, for tests that take them
// away). The
// path is empty when no folder could be made.
class TempFolder {
  public:
    explicit TempFolder(const std::string& prefix = "tavrine") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        if (path_.empty()) return;
        openUp(path_);
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
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
            out.push_back(entry.path().filename().string());
        }
        std::sort(out.begin(), out.end());
        return out;
    }

  private:
    // Gives the owner every permission on folder and the folders below it (not through links),
    // so that what a test locked can be removed.
    static void openUp(const std::filesystem::path& folder) {
        std::error_code ignored;
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
            if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) openUp(entry.path());
        }
    }

    std::string path_;
};

}  // namespace tavrine::test
