#include "catalogue/design_library.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace tavrine::catalogue {

namespace {

// Returns whether name ends in suffix, ignoring the case of ASCII letters.
bool endsWithAnyCase(const std::string& name, const char* suffix) {
    const size_t n = std::strlen(suffix);
    if (name.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = name[name.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

QByteArray sha256(const void* data, size_t size) {
    return QCryptographicHash::hash(
        QByteArrayView(static_cast<const char*>(data), static_cast<qsizetype>(size)),
        QCryptographicHash::Sha256);
}

// Closes a folder stream when it goes out of scope.
struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

}  // namespace

bool listDesignFiles(const std::string& folder, std::vector<DesignFile>& designs,
                     std::string* reason) {
    designs.clear();
    std::unique_ptr<DIR, FolderCloser> stream(::opendir(folder.c_str()));
    if (!stream) {
        if (reason != nullptr) *reason = std::strerror(errno);
        return false;
    }
    const std::string prefix = folder.back() == '/' ? folder : folder + "/";
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream.get());
        if (entry == nullptr) break;
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        if (!endsWithAnyCase(name, ".asc") && !endsWithAnyCase(name, ".gem")) continue;
        // A link is taken for what it leads to; one that leads nowhere stays, so that reading
        // it gives the reason.
        struct stat st {};
        if (::stat((prefix + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        designs.push_back({name, prefix + name});
    }
    if (errno != 0) {
        if (reason != nullptr) *reason = std::strerror(errno);
        designs.clear();
        return false;
    }
    std::sort(designs.begin(), designs.end(),
              [](const DesignFile& a, const DesignFile& b) { return a.name < b.name; });
    return true;
}

int32_t shardOf(const std::string& fileName, int32_t count) {
    const QByteArray digest = sha256(fileName.data(), fileName.size());
    uint64_t head = 0;
    for (int i = 0; i < 8; ++i) head = (head << 8) | static_cast<uint8_t>(digest[i]);
    return static_cast<int32_t>(head % static_cast<uint64_t>(count));
}

std::string sha256Hex(const void* data, size_t size) {
    return sha256(data, size).toHex().toStdString();
}

}  // namespace tavrine::catalogue
