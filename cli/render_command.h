#pragma once
// The work of tavrine-render once its command line is parsed.

#include <cstdio>

#include "app/session/session.h"
#include "cli/options.h"

namespace tavrine::cli {

// Exit codes of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFileError = 1;
inline constexpr int kExitUsage = 2;

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
