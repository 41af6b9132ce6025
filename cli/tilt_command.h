#pragma once
// tavrine-render's tilt sweep: the face-up stone of the session judged at each tilt, its figures
// printed, and its rows, plot and strip written.

#include <cstdio>
#include <functional>
#include <string>

#include "app/render/render_job.h"
#include "app/session/session.h"
#include "cli/options.h"

namespace tavrine::cli {

// Sweeps the session's stone over options.tiltSweep, prints one line per tilt (tiltRowText) and
// "tilt-averaged brightness: B%" to report, then writes --tilt-csv, --tilt-plot and
// --tilt-strip, each whole or not at all, calling wrote with each path written. A signal stops
// the sweep at its next row and writes nothing. Messages go to err; returns an exit code.
int runTiltSweep(const CliOptions& options, const Session& session,
                 const RenderExecution& execution, std::FILE* out, std::FILE* report,
                 std::FILE* err, const std::function<void(const std::string&)>& wrote);

}  // namespace tavrine::cli
