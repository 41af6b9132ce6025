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

// How far (model units) a corner may lie off a facet's plane, or beyond it, for the facet to
// count as flat and on the convex hull of the stone.
constexpr double kFlat = 1e-12;

// How far (model units) beyond the stone's radius a primary ray counts as missing it.
constexpr double kMissMargin = 1e-3;

// A ray that passes one of two facets' edge tests and the other's within this distance (model
// units) of its corners' hull: far beyond rounding, which moves a facet that is not grazed by
// about 1e-15 (and a grazed one is refused by the plane test).
constexpr double kNear = 1e-5;

// Rivals a facet may have before a walk that ends there costs more than the search.
constexpr size_t kMaxRivals = 24;

// The least and the greatest of n . v over the facet's corners.
struct Span {
    double low;
    double high;
};

Span spanAlong(const RenderScene& scene, const Facet& f, const Vec3& n) {
    Span s{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (int32_t k = 0; k < f.vertexCount; ++k) {
        const double h = steps::dot(n, scene.vertices[f.vertexIndex[k]]);
        s.low = std::min(s.low, h);
        s.high = std::max(s.high, h);
    }
    return s;
}

// Whether no line that passes facets g and j can face both as the search's candidate test asks:
// a line through the corners' hull of each meets them along w = q - p (p on g, q on j), and
// when w . n_g and w . n_j have opposite signs for every such pair, its direction d does too,
// and one of the two facets turns its back on it. Both facets are taken kNear larger.
bool neverFacedTogether(const RenderScene& scene, int32_t g, int32_t j) {
    const Facet& fg = scene.facets[g];
    const Facet& fj = scene.facets[j];
    const Span gAlongG = spanAlong(scene, fg, fg.normal);
    const Span jAlongG = spanAlong(scene, fj, fg.normal);
    const Span gAlongJ = spanAlong(scene, fg, fj.normal);
    const Span jAlongJ = spanAlong(scene, fj, fj.normal);
    // Each behind the other's plane, or each in front of it.
    const double reach = 2.0 * kNear;
    return (jAlongG.high + reach < gAlongG.low && jAlongJ.low - reach > gAlongJ.high) ||
           (jAlongG.low - reach > gAlongG.high && jAlongJ.high + reach < gAlongJ.low);
}

// Finds every facet's rivals, after the facets across the edges. A facet that is flat and whose
// plane has every corner of the stone on its inner side (by more than rounding) lies on a face of
// the corners' convex hull; a line that faces two such facets meets the hull's surface in the same
// sense at both, and so at one point, which cannot lie well inside one facet and on another. A
// facet across an edge of g tests that edge the other way round, whose value is the exact
// negative of g's, so a ray certainly inside g fails it there. Any other pair of facets are rivals
// unless neverFacedTogether proves otherwise.
void findRivals(const RenderScene& scene, FacetData& fd) {
    const int32_t count = scene.facetCount;
    std::vector<uint8_t> onHull(static_cast<size_t>(count), 0);
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        const Span own = spanAlong(scene, f, f.normal);
        bool hull = own.high - own.low <= kFlat;
        for (int32_t i = 0; i < scene.vertexCount && hull; ++i) {
            hull = steps::dot(f.normal, scene.vertices[i]) <= own.high + kFlat;
        }
        onHull[j] = hull ? 1 : 0;
    }
    fd.rivalStart.assign(static_cast<size_t>(count) + 1, 0);
    fd.walkEnds.assign(static_cast<size_t>(count), 1);
    std::vector<int32_t> found;
    std::vector<uint8_t> across(static_cast<size_t>(count), 0);
    for (int32_t g = 0; g < count; ++g) {
        fd.rivalStart[g] = static_cast<int32_t>(fd.rivals.size());
        found.clear();
        const int32_t edges = scene.facets[g].vertexCount;
        for (int32_t k = 0; k < edges; ++k) {
            const int32_t n = fd.edges[fd.edgeStart[g] + k].neighbour;
            if (n >= 0) across[n] = 1;
        }
        for (int32_t j = 0; j < g && found.size() <= kMaxRivals; ++j) {
            if ((onHull[g] != 0 && onHull[j] != 0) || across[j] != 0) continue;
            if (!neverFacedTogether(scene, g, j)) found.push_back(j);
        }
        for (int32_t k = 0; k < edges; ++k) {
            const int32_t n = fd.edges[fd.edgeStart[g] + k].neighbour;
            if (n >= 0) across[n] = 0;
        }
        if (found.size() > kMaxRivals) {
            fd.walkEnds[g] = 0;
        } else {
            fd.rivals.insert(fd.rivals.end(), found.begin(), found.end());
        }
    }
    fd.rivalStart[count] = static_cast<int32_t>(fd.rivals.size());
}

// Finds the facet across each edge: the one that has the same two corners the other way round.
// The corner lists are kept, and the facets across are taken from the previous facet data when
// its corner lists are the same (the same stone in another view).
void findNeighbours(const RenderScene& scene, const FacetData* previous, FacetData& fd) {
    const int32_t count = scene.facetCount;
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        fd.corners.push_back(f.vertexCount);
        fd.corners.insert(fd.corners.end(), f.vertexIndex, f.vertexIndex + f.vertexCount);
    }
    if (previous != nullptr && previous->corners == fd.corners) {
        for (size_t e = 0; e < fd.edges.size(); ++e) {
            fd.edges[e].neighbour = previous->edges[e].neighbour;
        }
        return;
    }
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
}

// The convex hull of the corners seen along z, counterclockwise, as half-planes nx x + ny y <=
// offset with unit normals, each moved out by `margin`; none when the hull has no area.
std::vector<FacetData::OutlineEdge> outlineOf(const RenderScene& scene, double margin) {
    std::vector<std::pair<double, double>> points;
    points.reserve(static_cast<size_t>(scene.vertexCount));
    for (int32_t i = 0; i < scene.vertexCount; ++i) {
        points.emplace_back(scene.vertices[i].x, scene.vertices[i].y);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() < 3) return {};
    // Andrew's monotone chain: the lower hull left to right, then the upper hull back.
    auto turn = [](const std::pair<double, double>& o, const std::pair<double, double>& a,
                   const std::pair<double, double>& b) {
        return (a.first - o.first) * (b.second - o.second) -
               (a.second - o.second) * (b.first - o.first);
    };
    std::vector<std::pair<double, double>> hull(2 * points.size());
    size_t k = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        while (k >= 2 && turn(hull[k - 2], hull[k - 1], points[i]) <= 0.0) --k;
        hull[k++] = points[i];
    }
    for (size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && turn(hull[k - 2], hull[k - 1], points[i]) <= 0.0) --k;
        hull[k++] = points[i];
    }
    hull.resize(k - 1);
    if (hull.size() < 3) return {};
    std::vector<FacetData::OutlineEdge> outline;
    for (size_t i = 0; i < hull.size(); ++i) {
        const auto& a = hull[i];
        const auto& b = hull[(i + 1) % hull.size()];
        const double dx = b.first - a.first;
        const double dy = b.second - a.second;
        const double length = std::sqrt(dx * dx + dy * dy);
        if (!(length > 0.0)) continue;
        const double nx = dy / length;
        const double ny = -dx / length;
        outline.push_back(FacetData::OutlineEdge{nx, ny, nx * a.first + ny * a.second + margin});
    }
    return outline;
}

}  // namespace

FacetData buildFacetData(const RenderScene& scene, const FacetData* previous) {
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
    findNeighbours(scene, previous, fd);
    findRivals(scene, fd);
    // The edges again in blocks of eight lanes for the walks, followed by the candidate test's
    // lane in every lane left: its triple product is toward . normal exactly (sd is -toward), so
    // with a clearance of the largest negative double it is clear when that is not negative and
    // outside when it is not positive.
    fd.edgeBlocks.resize(static_cast<size_t>(count));
    fd.hasShortEdges.assign(static_cast<size_t>(count), 0);
    for (int32_t j = 0; j < count; ++j) {
        const Facet& f = scene.facets[j];
        const int32_t laneCount = f.vertexCount + 1;
        int32_t last = -1;
        for (int32_t k = 0; k < laneCount; k += 8) {
            FacetData::EdgeBlock block{};
            block.next = -1;
            for (int32_t lane = 0; lane < 8; ++lane) {
                block.neighbour[lane] = -1;
                if (k + lane >= f.vertexCount) {
                    block.axb[0][lane] = -f.normal.x;
                    block.axb[1][lane] = -f.normal.y;
                    block.axb[2][lane] = -f.normal.z;
                    block.clearance[lane] = -std::numeric_limits<double>::denorm_min();
                    continue;
                }
                const FacetData::Edge& e = fd.edges[fd.edgeStart[j] + k + lane];
                for (int32_t c = 0; c < 3; ++c) {
                    block.axb[c][lane] = e.axb[c];
                    block.amb[c][lane] = e.amb[c];
                }
                block.clearance[lane] = e.clearance;
                block.neighbour[lane] = e.neighbour;
                const double length =
                    std::sqrt(e.amb[0] * e.amb[0] + e.amb[1] * e.amb[1] + e.amb[2] * e.amb[2]);
                if (length < kShortEdge) {
                    block.shortEdges |= 1u << lane;
                    fd.hasShortEdges[j] = 1;
                }
            }
            if (last < 0) {
                fd.edgeBlocks[j] = block;
                last = j;
            } else {
                fd.edgeBlocks[last].next = static_cast<int32_t>(fd.edgeBlocks.size());
                last = static_cast<int32_t>(fd.edgeBlocks.size());
                fd.edgeBlocks.push_back(block);
            }
        }
    }
    fd.moreThanPlaneTest =
        !fd.rivals.empty() ||
        std::find(fd.walkEnds.begin(), fd.walkEnds.end(), 0) != fd.walkEnds.end() ||
        std::find(fd.hasShortEdges.begin(), fd.hasShortEdges.end(), 1) != fd.hasShortEdges.end();
    // Every primary ray runs along +z, so its candidates (facets facing it) are fixed.
    const Vec3 toward{-0.0, -0.0, -1.0};
    for (int32_t j = 0; j < count; ++j) {
        if (steps::dot(toward, scene.facets[j].normal) >= 0.0) fd.primaryCandidates.push_back(j);
    }
    // A primary ray that passes wide of every corner meets no facet: every candidate's corners,
    // as the edge test sees them, lie within the stone's radius about the ray's axis, so beyond
    // it by kMissMargin every edge test fails by far more than rounding, unless a facet is seen so
    // nearly edge-on that its projection is a sliver. A facet edge-on to within 1e-3 is left to
    // the search, unless the plane test refuses it for every primary ray (its p is plane[2]); a
    // facet whose plane passes near the centre is no exception otherwise, as its edge test fails
    // all the same.
    double radius2 = 0.0;
    for (int32_t i = 0; i < scene.vertexCount; ++i) {
        const Vertex& v = scene.vertices[i];
        radius2 = std::max(radius2, v.x * v.x + v.y * v.y);
    }
    const bool clearMisses = std::isfinite(radius2);
    for (const int32_t j : fd.primaryCandidates) {
        const Facet& f = scene.facets[j];
        if (!(std::fabs(f.normal.z) >= 1e-3 || std::fabs(1.0 * f.plane[2]) < 0.0000001)) {
            fd.primarySlivers.push_back(j);
        }
    }
    const double missRadius = std::sqrt(radius2) + kMissMargin;
    fd.missRadius2 =
        clearMisses ? missRadius * missRadius : std::numeric_limits<double>::infinity();
    // The same holds beyond the convex hull of the corners as seen along z, which the stone's
    // outline fills more closely than the circle.
    if (clearMisses) fd.outline = outlineOf(scene, kMissMargin);
    return fd;
}

}  // namespace fast
}  // namespace tavrine
