// tavrine-render: renders a gemstone from the command line.

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/capture_command.h"
#include "cli/design_info.h"
#include "cli/options.h"
#include "cli/output_checks.h"
#include "cli/render_command.h"
#include "cli/tables.h"
#include "util/interrupts.h"

namespace {

int runTool(const std::vector<std::string>& args) {
    using namespace tavrine::cli;
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
    if (parsed.options.version) {
        std::fputs(versionText(), stdout);
        return kExitOk;
    }
    if (parsed.options.list) {
        printStoneTable(stdout);
        std::fputc('\n', stdout);
        printColourTable(stdout);
        std::fputc('\n', stdout);
        printModelTable(stdout);
        return kExitOk;
    }
    if (parsed.options.info) {
        return printDesignInfo(parsed.options.design, stdout, stderr);
    }
    return runRender(parsed.options, stdout, stderr);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tavrine::cli;
    // Into a file or pipe, standard output is written in one piece at the end, so that a
    // failed write is seen with its reason when it is flushed.
    static char outputBuffer[1 << 16];
    if (::isatty(STDOUT_FILENO) == 0) {
        std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    }
    tavrine::util::ignoreFileSizeSignal();
    const int code = runTool(std::vector<std::string>(argv + 1, argv + argc));
    // A run whose text did not all reach standard output did not succeed.
    if (code == kExitOk && !finishOutput(stdout, stderr)) return kExitFileError;
    return code;
}
