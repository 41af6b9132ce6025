// tavrine-render: renders a gemstone from the command line.

#include <cstdio>
#include <cstring>

#include "cli/tables.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        tavrine::cli::printModelTable(stdout);
        return 0;
    }
    std::fprintf(stderr, "usage: tavrine-render --list\n");
    return 2;
}
