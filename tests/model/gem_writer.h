#pragma once
// A small writer of GemCad's binary design file (.gem) for tests and fuzz seeds, written from
// the published description of the layout rather than from the reader: little-endian facet
// records (plane vector p with p . x = 1, tier, "NAME<TAB>INSTRUCTION", corners), the end mark
// -99999, then the trailer and optionally a preform.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/model/gemcad_design.h"
#include "app/model/halfspace_solid.h"

namespace tavrine::test {

// One facet record, in GemCad's frame (z towards the table).
struct GemFacetOut {
    std::array<double, 3> p{0, 0, 0};
    int32_t tier = 1;
    std::string label;  // "NAME\tINSTRUCTION"
    std::vector<std::array<double, 3>> corners;
};

// The trailer's values.
struct GemTrailerOut {
    int32_t symmetry = 1;
    int32_t mirror = 0;
    int32_t gear = 96;
    double refractiveIndex = 1.54;
    uint32_t unknown = 0x7FFF;
    double gearOffset = 0.0;
    std::array<std::string, 8> texts;  // headings 1 to 4, footnotes 1 to 4
};

// Returns the trailer that states what the design states (four headings and footnotes).
inline GemTrailerOut trailerOf(const GemCadDesign& d) {
    GemTrailerOut t{d.symmetry, d.mirror ? 1 : 0, d.gearTeeth, d.refractiveIndex,
                    0x7FFF,     d.gearOffset,     {}};
    for (size_t k = 0; k < 4; ++k) {
        if (k < d.heading.size()) t.texts[k] = d.heading[k];
        if (k < d.footnotes.size()) t.texts[4 + k] = d.footnotes[k];
    }
    return t;
}

// Appends little-endian fields to a byte string.
struct GemBytes {
    std::vector<uint8_t> bytes;
    void u32(uint32_t v) {
        for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<uint8_t>(v >> (8 * k)));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f64(double v) {
        uint64_t b = 0;
        std::memcpy(&b, &v, sizeof b);
        for (int k = 0; k < 8; ++k) bytes.push_back(static_cast<uint8_t>(b >> (8 * k)));
    }
    void text(const std::string& s) {
        bytes.push_back(static_cast<uint8_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    void facets(const std::vector<GemFacetOut>& list) {
        for (const GemFacetOut& f : list) {
            for (double c : f.p) f64(c);
            i32(f.tier);
            text(f.label);
            for (const auto& corner : f.corners) {
                i32(1);
                for (double c : corner) f64(c);
            }
            i32(0);
        }
        f64(-99999.0);
    }
    void trailer(const GemTrailerOut& t) {
        i32(t.symmetry);
        i32(t.mirror);
        i32(t.gear);
        f64(t.refractiveIndex);
        u32(t.unknown);
        f64(t.gearOffset);
        for (const std::string& s : t.texts) text(s);
    }
};

// Returns the bytes of a .gem: the facets, the trailer and, when preform is not null, the
// preform section.
inline std::vector<uint8_t> writeGem(const std::vector<GemFacetOut>& facets,
                                     const GemTrailerOut& trailer,
                                     const std::vector<GemFacetOut>* preform = nullptr) {
    GemBytes out;
    out.facets(facets);
    out.trailer(trailer);
    if (preform != nullptr) {
        out.text("preform");
        out.facets(*preform);
        out.trailer(trailer);
    }
    return out.bytes;
}

// Returns one facet record per plane, in GemCad's frame (the model's (x, y, z) is GemCad's
// (x, z, -y)), with the corners of its face in the solid the planes enclose; tier numbers count
// from 1.
inline std::vector<GemFacetOut> gemFacetsOf(const std::vector<DesignFacetPlane>& planes) {
    std::vector<CutPlane> cuts;
    double largest = 0.0;
    for (const DesignFacetPlane& p : planes) {
        cuts.push_back({p.normal, p.distance});
        largest = std::max(largest, p.distance);
    }
    ConvexSolid solid;
    intersectHalfSpaces(cuts, 1000.0 * largest, 1e-9 * largest, solid);
    std::vector<GemFacetOut> out;
    for (size_t i = 0; i < planes.size(); ++i) {
        const DesignFacetPlane& p = planes[i];
        GemFacetOut g;
        g.p = {p.normal.x / p.distance, -p.normal.z / p.distance, p.normal.y / p.distance};
        g.tier = p.tier + 1;
        g.label = "T" + std::to_string(g.tier) + "\tcut tier " + std::to_string(g.tier);
        for (const SolidFace& face : solid.faces) {
            if (face.plane != static_cast<int32_t>(i)) continue;
            for (int32_t k : face.corners) {
                const Vertex& v = solid.points[static_cast<size_t>(k)];
                g.corners.push_back({v.x, -v.z, v.y});
            }
        }
        out.push_back(std::move(g));
    }
    return out;
}

}  // namespace tavrine::test
