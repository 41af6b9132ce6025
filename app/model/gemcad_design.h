#pragma once
// Gem designs in GemCad's ASCII form (.asc), the text in which faceters publish their cuts:
// the index gear, the symmetry, the refractive index, the heading and one line per tier of
// facets; or in GemCad's binary form (.gem), which states every facet's plane. A design becomes
// a closed convex model in the model record.

#include <cstdint>
#include <string>
#include <vector>

#include "app/model/model_record.h"

namespace tavrine {

// The largest design file read, in bytes; published designs are a few kilobytes.
inline constexpr size_t kMaxDesignFileSize = 4u << 20;

// One tier: the facets cut at one angle and distance at several indexes of the gear.
struct DesignTier {
    int32_t line = 0;             // 1-based line of its "a" record (.gem: byte of its first facet)
    double angle = 0.0;           // degrees from the table plane, -90 to 90
    bool pavilion = false;        // below the girdle: a negative angle or the culet ("-0", or 0
                                  // with a negative distance)
    double distance = 0.0;        // of the facet plane from the stone's centre, positive
    std::vector<double> indexes;  // gear positions as written, -teeth to teeth (modulo the gear)
    std::string name;             // the first name given after "n", may be empty
    std::string instruction;      // after "G" and on its continuation lines, may be empty
};

// One facet plane that the file states outright, in the model's frame (table up, +y).
struct DesignFacetPlane {
    Vec3 normal{0, 0, 0};   // unit vector, outwards
    double distance = 0.0;  // of the plane from the stone's centre, positive
    int32_t tier = 0;       // index into the design's tiers
};

// A design as its file states it. Texts are UTF-8 (a file that is not UTF-8 is read as
// Windows-1252).
struct GemCadDesign {
    std::string version;           // what follows "GemCad" on the first line
    int32_t gearTeeth = 96;        // negative: the indexes run clockwise
    double gearOffset = 0.0;       // the index that faces the viewer (-z), 0 to the teeth
    int32_t symmetry = 1;          // rotational symmetry order
    bool mirror = false;           // mirror symmetry about the line through index 0
    double refractiveIndex = 0.0;  // the index the design was made for; 0 when not given
    std::vector<std::string> heading;
    std::vector<std::string> footnotes;
    std::vector<DesignTier> tiers;
    // Every facet plane, when the file states them (.gem): the stone is cut by these alone and
    // the tiers only describe them.
    std::vector<DesignFacetPlane> planes;
};

// What building a design gave, tier by tier.
struct DesignSummary {
    std::vector<int32_t> tierPlanes;  // distinct facet planes each tier cuts, symmetry applied
    std::vector<int32_t> tierFacets;  // facets of each tier that the finished stone shows
    int32_t facetCount = 0;           // facets of the stone (before any is split for the record)
    int32_t vertexCount = 0;          // corners of the stone
    std::vector<DesignFacetPlane> planes;  // the distinct facet planes cut, in cutting order
};

// Reads the text of a design file: CR LF, LF or CR line ends, an optional UTF-8 byte-order mark,
// keywords glued to their numbers, names between indexes and records that run on over
// continuation lines. fileName is used in messages only. On refusal returns false, leaves design
// as it was and sets error (when not null) to "cannot read FILE: line N: problem" (not a GemCad
// file, a malformed number, a value out of range, a gear above 720 teeth, a line above 1 MB, too
// many tiers or indexes).
bool parseGemCadDesign(const std::string& text, const std::string& fileName, GemCadDesign& design,
                       std::string* error);

// Cuts the design into a solid and writes it as a model: table up (+y), centred on the gear
// axis, scaled to touch the unit sphere, every facet convex with at most 16 corners (larger
// ones are split into coplanar pieces) and wound as the built-in cuts are. Counts and arrays
// (of kMaxVertices and kMaxFacets entries) are written only on success. On refusal (an index
// beyond the gear, a symmetry that does not fit it, more than 2400 facets or vertices, a solid
// that does not close, whose planes nearly coincide so that its surface would not close, or that
// a tier cuts away) returns false and sets error as above, or for a design with stated planes to
// "cannot read FILE: byte N: problem".
bool buildDesignModel(const GemCadDesign& design, const std::string& fileName, Vertex* vertices,
                      Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                      DesignSummary* summary, std::string* error);

// Reads, parses and builds the design file at path into record, a .asc or a .gem as its
// content shows: on success the record holds the model with modelIndex kDesignModelIndex and
// baseVertices a copy of modelVertices, and design (and summary when not null) describe it. On
// refusal nothing changes and error receives the message, "cannot read FILE: REASON" with the
// system's reason or the design's problem.
bool loadDesignFile(const std::string& path, GemCadDesign& design, ModelRecord& record,
                    DesignSummary* summary, std::string* error);

// Returns the unit horizontal direction, in the model's frame, in which the gear's position index
// points (a facet cut at that index with any angle faces that way); (0, 0, -1) for a gear of no
// teeth.
Vec3 gearIndexDirection(const GemCadDesign& design, double index);

// The name to show for a design: its first non-empty heading line, else the file name of path
// without folder.
std::string designTitle(const GemCadDesign& design, const std::string& path);

}  // namespace tavrine
