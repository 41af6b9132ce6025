#pragma once
// The check of a programmer's invariant: it always runs, in every build, and when it fails it
// prints the file, the line and the condition to standard error and aborts. Bad files and bad
// input are never checked this way; they are refused with a message.

#include <cstdio>
#include <cstdlib>

// Aborts with the place and the condition when cond is false.
#define TAVRINE_CHECK(cond)                                                                   \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (false)
