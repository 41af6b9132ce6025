#pragma once
// How the programs end: the exit statuses they share, and the check that everything they wrote
// to standard output arrived.

#include <cstdio>

namespace tavrine::util {

// Exit statuses of the programs; a signal that stops one gives 128 + its number (interrupts.h).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFileError = 1;  // a file cannot be read or written
inline constexpr int kExitUsage = 2;      // a bad command line

// Flushes out (standard output) and returns whether everything written to it arrived; prints
// "PROGRAM: cannot write standard output: REASON" to err when not.
bool finishOutput(const char* program, std::FILE* out, std::FILE* err);

}  // namespace tavrine::util
