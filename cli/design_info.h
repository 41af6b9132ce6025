#pragma once
// tavrine-render --design FILE --info: what a design file holds, without rendering it.

#include <cstdio>
#include <string>

namespace tavrine::cli {

// Reads and builds the design at path and prints its heading, gear, symmetry, refractive index
// and, tier by tier, the facets the symmetry gives and those the finished stone shows. A
// refused file prints the reader's message to err. Returns an exit code.
int printDesignInfo(const std::string& path, std::FILE* out, std::FILE* err);

}  // namespace tavrine::cli
