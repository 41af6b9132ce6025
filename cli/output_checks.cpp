#include "cli/output_checks.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <utility>
#include <vector>

#include "util/atomic_file.h"
#include "util/file_handles.h"
#include "util/path_text.h"
#include "util/program_exit.h"

namespace tavrine::cli {

namespace {

// The outputs of a run by option name, the empty ones left out.
std::vector<std::pair<const char*, std::string>> outputsOf(const CliOptions& o) {
    std::vector<std::pair<const char*, std::string>> outputs;
    if (!o.exportObj.empty()) outputs.emplace_back("--export-obj", o.exportObj);
    if (!o.out.empty()) outputs.emplace_back("--out", o.out);
    if (!o.savePosition.empty()) outputs.emplace_back("--save-position", o.savePosition);
    if (!o.tiltCsv.empty()) outputs.emplace_back("--tilt-csv", o.tiltCsv);
    if (!o.tiltPlot.empty()) outputs.emplace_back("--tilt-plot", o.tiltPlot);
    if (!o.tiltStrip.empty()) outputs.emplace_back("--tilt-strip", o.tiltStrip);
    return outputs;
}

// The path a name will be written at: links followed, the folder made absolute and real.
std::string writtenPath(const std::string& name) {
    std::string resolved, reason;
    if (!util::resolveLinks(name, resolved, &reason)) resolved = name;
    const size_t slash = resolved.find_last_of('/');
    const std::string file = slash == std::string::npos ? resolved : resolved.substr(slash + 1);
    std::string folder = util::parentFolder(resolved);
    if (char* real = ::realpath(folder.c_str(), nullptr)) {
        folder = real;
        std::free(real);
    }
    return folder + "/" + file;
}

// Bytes of a width x width 24-bit picture, rows padded to four bytes.
uint64_t pictureBytes(int32_t width) {
    const auto w = static_cast<uint64_t>(width);
    return (w * 3 + 3) / 4 * 4 * w;
}

// The memory the system could still give (MemAvailable), or 0 when unknown.
uint64_t availableMemory() {
    std::ifstream in("/proc/meminfo");
    std::string key;
    uint64_t kilobytes = 0;
    std::string unit;
    while (in >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:") return kilobytes * 1024;
    }
    return 0;
}

// The address space left under the process's limit, or UINT64_MAX when there is no limit.
uint64_t addressSpaceLeft() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return UINT64_MAX;
    }
    uint64_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const uint64_t used = pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    return limit.rlim_cur > used ? limit.rlim_cur - used : 0;
}

std::string megabytes(uint64_t bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

}  // namespace

bool sameOutputTarget(const std::string& a, const std::string& b) {
    if (a == b) return true;
    if (a == kStandardOutput || b == kStandardOutput) return false;
    struct stat first {
    }, second{};
    if (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    return writtenPath(a) == writtenPath(b);
}

std::string duplicateOutputProblem(const CliOptions& options) {
    const auto outputs = outputsOf(options);
    for (size_t i = 0; i < outputs.size(); ++i) {
        for (size_t j = i + 1; j < outputs.size(); ++j) {
            if (sameOutputTarget(outputs[i].second, outputs[j].second)) {
                const std::string& name = outputs[j].second;
                return std::string(outputs[i].first) + " and " + outputs[j].first +
                       " name the same file" +
                       (name == kStandardOutput ? " (standard output)"
                                                : " " + util::quotedPath(name)) +
                       "; give each output its own file";
            }
        }
    }
    // The picture or model would replace the record it was made from.
    if (!options.position.empty()) {
        for (const auto& output : outputs) {
            if (output.first != std::string("--save-position") &&
                sameOutputTarget(output.second, options.position)) {
                return std::string(output.first) + " would overwrite the --position file " +
                       util::quotedPath(options.position);
            }
        }
    }
    return "";
}

bool checkOutputFolders(const CliOptions& options, std::FILE* err) {
    for (const auto& output : outputsOf(options)) {
        std::string reason;
        if (!util::checkWritable(output.second, &reason)) {
            std::fprintf(err, "tavrine-render: %s\n",
                         util::cannotText("write", output.second, reason).c_str());
            return false;
        }
    }
    return true;
}

std::string pictureMemoryProblem(int32_t width, bool highQuality, bool withLight,
                                 int32_t keptPictures) {
    // The picture, the twice-as-wide HQ picture, and the trimmed and converted copies saving
    // may make; the light is a double and a byte for each pixel rendered.
    uint64_t needed = 3 * pictureBytes(width);
    needed += static_cast<uint64_t>(std::max(keptPictures, 0)) * pictureBytes(width);
    if (highQuality) needed += pictureBytes(2 * width);
    if (withLight) {
        const auto rendered = static_cast<uint64_t>(highQuality ? 2 * width : width);
        needed += 9 * rendered * rendered;
    }
    uint64_t available = addressSpaceLeft();
    const uint64_t system = availableMemory();
    if (system != 0 && system < available) available = system;
    if (needed <= available) return "";
    return "a " + std::to_string(width) + " x " + std::to_string(width) + " picture" +
           (highQuality ? " with --hq 1" : "") + " needs " + megabytes(needed) +
           " of memory, but only " + megabytes(available) +
           " is available; choose a smaller --size" + (highQuality ? " or --hq 0" : "") +
           (keptPictures > 0 ? " or fewer tilts" : "");
}

bool finishOutput(std::FILE* out, std::FILE* err) {
    return util::finishOutput("tavrine-render", out, err);
}

}  // namespace tavrine::cli
