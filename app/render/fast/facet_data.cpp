// The facet data of the faster tracer: the layout its facet search reads, prepared once per
// rendering from the scene.

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

#include "app/render/fast/facet_search.h"
#include "app/render/fast/facet_walk.h"
#include "app/render/pixel_colour.h"
#include "tracer/trace_steps.h"

namespace tavrine {
namespace fast {

namespace {

// How far (model units) a corner may lie off a facet's plane, or beyond it, for the stone to
// count as convex with flat facets.
constexpr double kFlat = 1e-12;

// How far (model units) beyond the stone's radius a primary ray counts as missing it.
constexpr double kMissMargin = 1e-3;

}  // namespace

FacetData buildFacetData(const RenderScene& scene) {
    const int32_t count = scene.facetCount;
    FacetData fd;
    // Padded to whole groups of eight; a padding facet never qualifies (its normal is NaN).
    const size_t padded = static_cast<size_t>((count + 7) / 8 * 8);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::vector<double>* v :
         {&fd.nx, &fd.ny, &fd.nz, &fd.cx, &fd.cy, &fd.cz, &fd.reach2, &fd.offset}) {
        v->assign(padded, nan);
    }
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        fd.nx[j] = f.normal.x;
        fd.ny[j] = f.normal.y;
        fd.nz[j] = f.normal.z;
        Vec3 c{0.0, 0.0, 0.0};
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const Vertex& v = scene.vertices[f.vertexIndex[k]];
            c = Vec3{c.x + v.x, c.y + v.y, c.z + v.z};
        }
        c = Vec3{c.x / f.vertexCount, c.y / f.vertexCount, c.z / f.vertexCount};
        double radius = 0.0;
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const Vertex& v = scene.vertices[f.vertexIndex[k]];
            const Vec3 r{v.x - c.x, v.y - c.y, v.z - c.z};
            radius = std::max(radius, std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z));
        }
        fd.cx[j] = c.x;
        fd.cy[j] = c.y;
        fd.cz[j] = c.z;
        fd.offset[j] = f.normal.x * c.x + f.normal.y * c.y + f.normal.z * c.z;
        // A margin of 1e-6 model units: rounding moves projected corners by about 1e-15.
        const double reach = radius + 1e-6;
        fd.reach2[j] = reach * reach;
        // A plane within 0.1 of the centre: its scaled coefficients exceed 10 (or the facet is
        // degenerate and its plane says nothing).
        const double scale =
            std::sqrt(f.plane[0] * f.plane[0] + f.plane[1] * f.plane[1] + f.plane[2] * f.plane[2]);
        if (!(scale <= 10.0)) fd.nearCentre.push_back(j);
    }
    fd.edgeStart.resize(static_cast<size_t>(count));
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        fd.edgeStart[j] = static_cast<int32_t>(fd.edges.size());
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const Vertex& a = scene.vertices[f.vertexIndex[k]];
            const Vertex& b = scene.vertices[f.vertexIndex[(k + 1) % f.vertexCount]];
            // The edge value is the edge's length times the ray's distance from its line (for
            // a ray across the facet), so the clearance keeps rays within kClear of the line in
            // doubt.
            const Vec3 e{a.x - b.x, a.y - b.y, a.z - b.z};
            fd.edges.push_back(FacetData::Edge{
                {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x},
                {a.x - b.x, a.y - b.y, a.z - b.z},
                std::max(kEdgeDoubt, kClear * std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z)),
                -1});
        }
    }
    // The certificate of the faster search holds only for a convex stone with flat facets: every
    // corner on the inner side of every facet's plane, by more than rounding.
    fd.convex = true;
    for (int32_t j = 0; j < count && fd.convex; ++j) {
        const Facet& f = scene.facets[j];
        double highest = -std::numeric_limits<double>::infinity();
        double lowest = std::numeric_limits<double>::infinity();
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const double h = steps::dot(f.normal, scene.vertices[f.vertexIndex[k]]);
            highest = std::max(highest, h);
            lowest = std::min(lowest, h);
        }
        if (!(highest - lowest <= kFlat)) fd.convex = false;
        for (int32_t i = 0; i < scene.vertexCount && fd.convex; ++i) {
            if (!(steps::dot(f.normal, scene.vertices[i]) <= highest + kFlat)) fd.convex = false;
        }
    }
    // Across each edge, the facet that has the same two corners the other way round.
    std::map<std::pair<int32_t, int32_t>, int32_t> owner;
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            owner[{f.vertexIndex[k], f.vertexIndex[(k + 1) % f.vertexCount]}] = j;
        }
    }
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const auto found =
                owner.find({f.vertexIndex[(k + 1) % f.vertexCount], f.vertexIndex[k]});
            if (found != owner.end()) fd.edges[fd.edgeStart[j] + k].neighbour = found->second;
        }
    }
    // The edges again in blocks of eight lanes for the walks, followed by the candidate test's
    // lane: its triple product is toward . normal exactly (sd is -toward), and so it is clear
    // when that is not negative (above the largest negative double) and never outside.
    fd.edgeBlocks.resize(static_cast<size_t>(count));
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        const int32_t laneCount = f.vertexCount + 1;
        int32_t previous = -1;
        for (int32_t k = 0; k < laneCount; k += 8) {
            FacetData::EdgeBlock block{};
            block.next = -1;
            for (int32_t lane = 0; lane < 8; ++lane) {
                block.clearance[lane] = -1.0;
                block.negClearance[lane] = -1.0;
                block.neighbour[lane] = -1;
                if (k + lane == f.vertexCount) {
                    block.axb[0][lane] = -f.normal.x;
                    block.axb[1][lane] = -f.normal.y;
                    block.axb[2][lane] = -f.normal.z;
                    block.clearance[lane] = -std::numeric_limits<double>::denorm_min();
                    block.negClearance[lane] = -std::numeric_limits<double>::infinity();
                }
                if (k + lane >= f.vertexCount) continue;
                const FacetData::Edge& e = fd.edges[fd.edgeStart[j] + k + lane];
                for (int32_t c = 0; c < 3; ++c) {
                    block.axb[c][lane] = e.axb[c];
                    block.amb[c][lane] = e.amb[c];
                }
                block.clearance[lane] = e.clearance;
                block.negClearance[lane] = -e.clearance;
                block.neighbour[lane] = e.neighbour;
            }
            if (previous < 0) {
                fd.edgeBlocks[j] = block;
                previous = j;
            } else {
                fd.edgeBlocks[previous].next = static_cast<int32_t>(fd.edgeBlocks.size());
                previous = static_cast<int32_t>(fd.edgeBlocks.size());
                fd.edgeBlocks.push_back(block);
            }
        }
    }
    // Every primary ray runs along +z, so its candidates (facets facing it) are fixed.
    const Vec3 toward{-0.0, -0.0, -1.0};
    for (int32_t j = 0; j < count; ++j) {
        if (steps::dot(toward, scene.facets[j].normal) >= 0.0) fd.primaryCandidates.push_back(j);
    }
    // A primary ray that passes wide of every corner meets no facet: every candidate's corners,
    // as the edge test sees them, lie within the stone's radius about the ray's axis, so beyond
    // it by kMissMargin every edge test fails by far more than rounding, unless a facet is seen so
    // nearly edge-on that its projection is a sliver. A facet edge-on to within 1e-3 stops the
    // shortcut, unless the plane test refuses it for every primary ray (its p is plane[2]).
    double radius2 = 0.0;
    for (int32_t i = 0; i < scene.vertexCount; ++i) {
        const Vertex& v = scene.vertices[i];
        radius2 = std::max(radius2, v.x * v.x + v.y * v.y);
    }
    bool clearMisses = fd.nearCentre.empty() && std::isfinite(radius2);
    for (const int32_t j : fd.primaryCandidates) {
        const Facet& f = scene.facets[j];
        if (!(std::fabs(f.normal.z) >= 1e-3 || std::fabs(1.0 * f.plane[2]) < 0.0000001)) {
            clearMisses = false;
        }
    }
    const double missRadius = std::sqrt(radius2) + kMissMargin;
    fd.missRadius2 =
        clearMisses ? missRadius * missRadius : std::numeric_limits<double>::infinity();
    return fd;
}

}  // namespace fast
}  // namespace tavrine
