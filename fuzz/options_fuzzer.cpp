// The command line parser: arguments separated by NUL bytes; parsing never fails to return,
// and a turn option never asks for more than a million steps.

#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"
#include "fuzz/fuzz_support.h"

using namespace tavrine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    const cli::ParseResult result = cli::parseOptions(args);
    if (!result.error.empty()) return 0;
    for (const auto* steps :
         {&result.options.viewTurns, &result.options.stoneTurns, &result.options.lightTurns}) {
        int64_t total = 0;
        for (const cli::TurnStep& step : *steps) total += step.count;
        fuzz::require(total <= 1000000, "steps per option");
    }
    return 0;
}
