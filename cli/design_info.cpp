#include "cli/design_info.h"

#include <memory>

#include "app/model/gemcad_design.h"
#include "cli/render_command.h"
#include "util/path_text.h"

namespace tavrine::cli {

int printDesignInfo(const std::string& path, std::FILE* out, std::FILE* err) {
    GemCadDesign design;
    DesignSummary summary;
    auto record = std::make_unique<ModelRecord>();
    std::string error;
    if (!loadDesignFile(path, design, *record, &summary, &error)) {
        std::fprintf(err, "tavrine-render: %s\n", error.c_str());
        return kExitFileError;
    }
    std::fprintf(out, "%s\n", designTitle(design, path).c_str());
    for (size_t i = 1; i < design.heading.size(); ++i) {
        std::fprintf(out, "%s\n", design.heading[i].c_str());
    }
    // A .gem states no version, and its tiers are placed by byte rather than by line.
    const bool binary = !design.planes.empty();
    if (binary) {
        std::fprintf(out, "\nfile:             %s (GemCad binary design)\n",
                     util::quotedPath(path).c_str());
    } else {
        std::fprintf(out, "\nfile:             %s (GemCad %s)\n", util::quotedPath(path).c_str(),
                     design.version.c_str());
    }
    std::fprintf(out, "index gear:       %d teeth%s, index %g towards the viewer\n",
                 design.gearTeeth < 0 ? -design.gearTeeth : design.gearTeeth,
                 design.gearTeeth < 0 ? " (clockwise)" : "", design.gearOffset);
    std::fprintf(out, "symmetry:         %d-fold, %s\n", design.symmetry,
                 design.mirror ? "mirror" : "no mirror");
    if (design.refractiveIndex > 0.0) {
        std::fprintf(out, "refractive index: %.3f%s\n", design.refractiveIndex,
                     design.refractiveIndex > 3.0 ? " (above 3.00: the stone's is used)" : "");
    } else {
        std::fprintf(out, "refractive index: not given\n");
    }
    std::fprintf(out, "\n %s    angle    distance  cut  shown  name\n", binary ? "byte" : "line");
    for (size_t i = 0; i < design.tiers.size(); ++i) {
        const DesignTier& t = design.tiers[i];
        char angle[32];
        std::snprintf(angle, sizeof angle, "%s%.2f", t.pavilion && t.angle == 0.0 ? "-" : "",
                      t.angle);
        std::fprintf(out, "%5d  %7s  %10.6f  %3d  %5d  %s\n", t.line, angle, t.distance,
                     summary.tierPlanes[i], summary.tierFacets[i], t.name.c_str());
    }
    std::fprintf(out, "\n%d facets, %d vertices", summary.facetCount, summary.vertexCount);
    if (record->facetCount != summary.facetCount) {
        std::fprintf(out, " (%d facet records: large facets are split)", record->facetCount);
    }
    std::fprintf(out, "\n");
    if (!design.footnotes.empty()) std::fprintf(out, "\n");
    for (const std::string& note : design.footnotes) std::fprintf(out, "%s\n", note.c_str());
    return kExitOk;
}

}  // namespace tavrine::cli
