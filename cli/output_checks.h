#pragma once
// Checks tavrine-render makes before it renders anything, so that a run that cannot finish
// fails at once and leaves no file behind, and the reporting of what it could not write.

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/options.h"

namespace tavrine::cli {

// Returns whether two output names lead to the same file: the same text, both "-", the same
// existing file (also through links), or the same name in the same real folder.
bool sameOutputTarget(const std::string& a, const std::string& b);

// Returns "" when the outputs (--out, --save-position, --export-obj and the tilt sweep's files)
// all differ and none but --save-position overwrites the --position file, else the bad usage
// message naming the options and the file.
std::string duplicateOutputProblem(const CliOptions& options);

// Checks that every output can be opened as it will be written (its folder exists and may be
// written, or the device or FIFO may be); prints "tavrine-render: cannot write PATH: REASON"
// to err for the first that cannot and returns false.
bool checkOutputFolders(const CliOptions& options, std::FILE* err);

// Returns "" when a width x width picture (rendered at twice the width with highQuality), the
// copies saving makes, withLight the light of every pixel rendered (for --brightness and tilt
// sweeps) and keptPictures more pictures of that size (a tilt strip's) fit in the memory the
// process may still use, else a sentence saying how much it needs and how much is available.
std::string pictureMemoryProblem(int32_t width, bool highQuality, bool withLight = false,
                                 int32_t keptPictures = 0);

// Flushes out (standard output) and returns whether everything written to it arrived; prints
// "tavrine-render: cannot write standard output: REASON" to err when not.
bool finishOutput(std::FILE* out, std::FILE* err);

}  // namespace tavrine::cli
