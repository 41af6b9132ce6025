#pragma once
// `tavrine-catalogue render`: the designs of one shard of a library, each rendered into its
// folder of the catalogue, or skipped when its done mark shows it complete.

#include <cstdio>

#include "app/session/scene_request.h"
#include "catalogue/catalogue_options.h"
#include "catalogue/design_library.h"

namespace tavrine::catalogue {

// Returns the scene every picture of a design starts from, at the options' size: the design on
// the first stone of the list (at the design's own refractive index when it gives one) in the
// Studio lighting, on the turntable, seen from above the girdle. The figures and the still are
// rendered from the face-up view of the same stone.
SceneRequest catalogueScene(const DesignFile& design, const CatalogueOptions& options);

// Renders the designs of the options' shard of options.designs into options.out, in the order of
// their names: for each, the still, the tilt sweep's rows and plot, the turntable, figures.json
// and last the done mark, every file written beside its target and renamed; a design whose mark
// matches is skipped and a refused one recorded with the reader's reason. A line per design goes to
// err when it is a terminal, a summary line to out. Returns 0 when every design is done or refused,
// 1 when the designs cannot be listed or an output cannot be written (with a message on err), and
// 128 + the signal when Ctrl-C, SIGTERM or SIGHUP stopped it (after the design in hand is cleaned
// up).
int runRenderCommand(const CatalogueOptions& options, std::FILE* out, std::FILE* err);

}  // namespace tavrine::catalogue
