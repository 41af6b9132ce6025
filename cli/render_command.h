#pragma once
// The work of tavrine-render once its command line is parsed.

#include <cstdio>

#include "app/session/session.h"
#include "cli/options.h"
#include "util/program_exit.h"

namespace tavrine::cli {

// Exit codes of the tool.
using util::kExitFileError;
using util::kExitOk;
using util::kExitUsage;

// Fills the scene request from the position file (if any) and the options and sets the session
// up with it, as a user would in the viewer before pressing "ray-trace"; returns kExitOk when
// the scene is set up, else the exit code of the problem after a message on `err`. The tool
// always renders as the separate render window does, at the size asked for (270 by default).
int setUpScene(const CliOptions& options, Session& session, std::FILE* err);

// Sets up the stone, model, view and light the options describe, renders and saves the picture
// (and the model as OBJ, and the Position-Info File, when asked). Messages go to `err`, the
// path of every file written to `out`. Returns an exit code.
int runRender(const CliOptions& options, std::FILE* out, std::FILE* err);

}  // namespace tavrine::cli
