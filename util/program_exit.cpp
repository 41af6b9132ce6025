#include "util/program_exit.h"

#include <cerrno>
#include <cstring>

namespace tavrine::util {

bool finishOutput(const char* program, std::FILE* out, std::FILE* err) {
    errno = 0;
    if (std::fflush(out) == 0 && std::ferror(out) == 0) return true;
    const int code = errno != 0 ? errno : EIO;
    std::fprintf(err, "%s: cannot write standard output: %s\n", program, std::strerror(code));
    return false;
}

}  // namespace tavrine::util
