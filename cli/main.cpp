// tavrine-render: renders a gemstone from the command line.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/capture_command.h"
#include "cli/options.h"
#include "cli/render_command.h"
#include "cli/tables.h"

int main(int argc, char** argv) {
    using namespace tavrine::cli;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (isCaptureCommand(args)) return runCaptureCommand(args, stdout, stderr);
    const ParseResult parsed = parseOptions(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "tavrine-render: %s\n", parsed.error.c_str());
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::fputs(usageText(), stdout);
        std::fputs(captureUsageText(), stdout);
        return kExitOk;
    }
    if (parsed.options.list) {
        printStoneTable(stdout);
        std::fputc('\n', stdout);
        printModelTable(stdout);
        return kExitOk;
    }
    return runRender(parsed.options, stdout, stderr);
}
