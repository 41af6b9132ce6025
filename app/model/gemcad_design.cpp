#include "app/model/gemcad_design.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "app/model/design_text.h"
#include "app/model/geometry_steps.h"
#include "app/model/halfspace_solid.h"

namespace tavrine {

namespace {

// Limits that keep every file's work bounded; real designs stay far below them.
constexpr int32_t kMaxPlanes = kMaxFacets;
// Two facet planes closer than this (normal components, and distance relative to the largest
// distance) are one facet.
constexpr double kPlaneTolerance = 1e-9;
// Corners closer than this to a plane (relative to the largest distance) lie in it.
constexpr double kCornerTolerance = 1e-9;
// The starting block, in multiples of the largest facet distance.
constexpr double kBlockSize = 1000.0;

// A facet plane of the design and the tier it belongs to.
struct DesignPlane {
    CutPlane plane;
    int32_t tier;
};

// Adds value (a gear position in [0, teeth)) to the sorted set unless it is already there;
// returns whether it was added.
bool addPosition(std::vector<double>& set, double value) {
    auto it = std::lower_bound(set.begin(), set.end(), value - 1e-9);
    if (it != set.end() && std::fabs(*it - value) <= 1e-9) return false;
    set.insert(it, value);
    return true;
}

double wrapPosition(double value, double teeth) {
    double v = std::fmod(value, teeth);
    if (v < 0.0) v += teeth;
    if (v >= teeth - 1e-9 || v <= 1e-9) v = 0.0;
    return v;
}

// The azimuth of a gear position: the offset index faces the viewer (-z); a gear of positive
// teeth counts counter-clockwise seen from above, one of negative teeth clockwise.
double gearAngle(const GemCadDesign& design, double position) {
    const double teeth = std::abs(design.gearTeeth);
    const double direction = design.gearTeeth < 0 ? -1.0 : 1.0;
    return direction * 2.0 * kPi * (position - design.gearOffset) / teeth;
}

// Every facet plane the tiers cut, each tier's indexes completed by the symmetry; planes
// repeated within the tolerance are kept once, for the first tier that cuts them.
bool designPlanes(const GemCadDesign& design, const std::string& fileName,
                  std::vector<DesignPlane>& planes, std::vector<int32_t>& tierPlanes,
                  std::string* error) {
    const double teeth = std::abs(design.gearTeeth);
    const double step = teeth / design.symmetry;
    double largest = 0.0;
    for (const DesignTier& tier : design.tiers) largest = std::max(largest, tier.distance);
    planes.clear();
    tierPlanes.assign(design.tiers.size(), 0);
    size_t total = 0;
    for (size_t ti = 0; ti < design.tiers.size(); ++ti) {
        const DesignTier& tier = design.tiers[ti];
        std::vector<double> positions;
        for (double index : tier.indexes) {
            const double start = wrapPosition(index, teeth);
            if (std::binary_search(positions.begin(), positions.end(), start,
                                   [](double a, double b) { return a < b - 1e-9; })) {
                continue;  // its whole orbit is in already
            }
            for (int32_t k = 0; k < design.symmetry; ++k) {
                const double turned = wrapPosition(start + k * step, teeth);
                total += addPosition(positions, turned) ? 1 : 0;
                if (design.mirror) total += addPosition(positions, wrapPosition(-turned, teeth));
                if (total > static_cast<size_t>(kMaxPlanes)) {
                    if (error != nullptr) {
                        *error = designLineMessage(fileName, tier.line,
                                                   "the design has more than 2400 facets");
                    }
                    return false;
                }
            }
        }
        const double a = std::fabs(tier.angle) * kPi / 180.0;
        const double horizontal = std::fabs(tier.angle) == 90.0 ? 1.0 : std::sin(a);
        const double vertical = std::fabs(tier.angle) == 90.0 ? 0.0 : std::cos(a);
        for (double position : positions) {
            const double phi = gearAngle(design, position);
            const Vec3 normal{horizontal * std::sin(phi), tier.pavilion ? -vertical : vertical,
                              -horizontal * std::cos(phi)};
            bool repeated = false;
            for (const DesignPlane& p : planes) {
                if (std::fabs(p.plane.normal.x - normal.x) <= kPlaneTolerance &&
                    std::fabs(p.plane.normal.y - normal.y) <= kPlaneTolerance &&
                    std::fabs(p.plane.normal.z - normal.z) <= kPlaneTolerance &&
                    std::fabs(p.plane.distance - tier.distance) <= kPlaneTolerance * largest) {
                    repeated = true;
                    break;
                }
            }
            if (repeated) continue;
            planes.push_back({{normal, tier.distance}, static_cast<int32_t>(ti)});
            ++tierPlanes[ti];
        }
    }
    return true;
}

// The facet planes a design states outright (a .gem), each kept once as designPlanes keeps
// them. Returns false when a plane names no tier.
bool statedPlanes(const GemCadDesign& design, std::vector<DesignPlane>& planes,
                  std::vector<int32_t>& tierPlanes) {
    double largest = 0.0;
    for (const DesignFacetPlane& p : design.planes) largest = std::max(largest, p.distance);
    planes.clear();
    tierPlanes.assign(design.tiers.size(), 0);
    for (const DesignFacetPlane& p : design.planes) {
        if (p.tier < 0 || static_cast<size_t>(p.tier) >= design.tiers.size()) return false;
        const auto same = [&](const DesignPlane& q) {
            return std::fabs(q.plane.normal.x - p.normal.x) <= kPlaneTolerance &&
                   std::fabs(q.plane.normal.y - p.normal.y) <= kPlaneTolerance &&
                   std::fabs(q.plane.normal.z - p.normal.z) <= kPlaneTolerance &&
                   std::fabs(q.plane.distance - p.distance) <= kPlaneTolerance * largest;
        };
        if (std::any_of(planes.begin(), planes.end(), same)) continue;
        planes.push_back({{p.normal, p.distance}, p.tier});
        ++tierPlanes[static_cast<size_t>(p.tier)];
    }
    return true;
}

double crossLength(const Vertex& p0, const Vertex& p1, const Vertex& p2) {
    const Vec3 a{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
    const Vec3 b{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
    const Vec3 c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    return std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z);
}

// Starts the corner list where its first three corners span the largest triangle, so that the
// facet's plane, taken from them, is as exact as it can be. Returns false for a facet of no
// area.
bool startAtWidestCorner(std::vector<int32_t>& corners, const std::vector<Vertex>& points) {
    const size_t m = corners.size();
    size_t best = 0;
    double widest = 0.0;
    for (size_t k = 0; k < m; ++k) {
        const double w = crossLength(points[static_cast<size_t>(corners[k])],
                                     points[static_cast<size_t>(corners[(k + 1) % m])],
                                     points[static_cast<size_t>(corners[(k + 2) % m])]);
        if (w > widest) {
            widest = w;
            best = k;
        }
    }
    std::rotate(corners.begin(), corners.begin() + static_cast<std::ptrdiff_t>(best),
                corners.end());
    return widest > 0.0;
}

// Splits a convex corner list of more than 16 corners into fans from its first corner, each
// of at most 16 corners, with the triangles spread evenly; the pieces share their cut edges.
std::vector<std::vector<int32_t>> splitFacet(const std::vector<int32_t>& corners) {
    std::vector<std::vector<int32_t>> pieces;
    const int32_t m = static_cast<int32_t>(corners.size());
    if (m <= 16) {
        pieces.push_back(corners);
        return pieces;
    }
    const int32_t triangles = m - 2;
    const int32_t count = (triangles + 13) / 14;
    int32_t next = 1;
    for (int32_t j = 0; j < count; ++j) {
        const int32_t share = triangles / count + (j < triangles % count ? 1 : 0);
        std::vector<int32_t> piece{corners[0]};
        for (int32_t k = next; k <= next + share; ++k) {
            piece.push_back(corners[static_cast<size_t>(k)]);
        }
        next += share;
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

const char* openSide(const Vec3& direction) {
    if (direction.y > 0.5) return "above: no facet closes the crown";
    if (direction.y < -0.5) return "below: no facet closes the pavilion";
    return "at the side: no facet closes the girdle there";
}

}  // namespace

bool buildDesignModel(const GemCadDesign& design, const std::string& fileName, Vertex* vertices,
                      Facet* facets, int32_t& vertexCount, int32_t& facetCount,
                      DesignSummary* summary, std::string* error) {
    // A .gem's places are byte offsets.
    auto fail = [&](int32_t line, const std::string& problem) {
        if (error != nullptr) {
            *error = design.planes.empty() ? designLineMessage(fileName, line, problem)
                                           : designByteMessage(fileName, line, problem);
        }
        return false;
    };
    const int32_t lastLine = design.tiers.empty() ? 1 : design.tiers.back().line;
    if (design.tiers.empty()) {
        return fail(lastLine,
                    "the design has no facets (no \"a\" lines), so it does not close "
                    "into a bounded solid");
    }
    std::vector<DesignPlane> planes;
    std::vector<int32_t> tierPlanes;
    if (!design.planes.empty()) {
        if (!statedPlanes(design, planes, tierPlanes)) {
            return fail(lastLine, "a facet plane belongs to no tier");
        }
    } else if (!designPlanes(design, fileName, planes, tierPlanes, error)) {
        return false;
    }

    double largest = 0.0;
    std::vector<CutPlane> cuts;
    for (const DesignPlane& p : planes) {
        cuts.push_back(p.plane);
        largest = std::max(largest, p.plane.distance);
    }
    ConvexSolid solid;
    const SolidResult result =
        intersectHalfSpaces(cuts, kBlockSize * largest, kCornerTolerance * largest, solid);
    if (result.outcome == SolidOutcome::Empty) {
        const DesignTier& tier =
            design
                .tiers[static_cast<size_t>(planes[static_cast<size_t>(result.emptyingPlane)].tier)];
        return fail(tier.line, "this tier cuts the whole stone away");
    }
    if (result.outcome == SolidOutcome::Open) {
        return fail(lastLine, std::string("the facets do not close into a bounded solid; it is "
                                          "open ") +
                                  openSide(result.openDirection));
    }
    if (result.outcome == SolidOutcome::Broken) {
        const DesignTier& tier =
            design.tiers[static_cast<size_t>(planes[static_cast<size_t>(result.brokenPlane)].tier)];
        return fail(tier.line,
                    "this tier's facets nearly coincide with others, so the stone's surface "
                    "does not close");
    }
    if (solid.points.size() > static_cast<size_t>(kMaxVertices)) {
        return fail(lastLine, "the stone has " + std::to_string(solid.points.size()) +
                                  " corners, more than 2400 vertices");
    }

    // Centre: on the gear axis when the design turns about it, else the middle of its box;
    // then scale so that the farthest corner touches the unit sphere.
    Vec3 low = solid.points[0];
    Vec3 high = solid.points[0];
    for (const Vertex& p : solid.points) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    const bool turning = design.symmetry >= 2;
    const Vec3 centre{turning ? 0.0 : (low.x + high.x) / 2, (low.y + high.y) / 2,
                      turning ? 0.0 : (low.z + high.z) / 2};
    double farthest = 0.0;
    for (Vertex& p : solid.points) {
        p = {p.x - centre.x, p.y - centre.y, p.z - centre.z};
        farthest = std::max(farthest, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
    }
    for (Vertex& p : solid.points) p = {p.x / farthest, p.y / farthest, p.z / farthest};

    // Facets in the record's winding: clockwise seen from outside, pieces of at most 16.
    std::vector<std::vector<int32_t>> records;
    std::vector<int32_t> tierFacets(design.tiers.size(), 0);
    for (SolidFace& face : solid.faces) {
        std::reverse(face.corners.begin(), face.corners.end());
        if (!startAtWidestCorner(face.corners, solid.points)) continue;
        ++tierFacets[static_cast<size_t>(planes[static_cast<size_t>(face.plane)].tier)];
        for (std::vector<int32_t>& piece : splitFacet(face.corners)) {
            if (startAtWidestCorner(piece, solid.points)) records.push_back(std::move(piece));
        }
    }
    if (records.size() > static_cast<size_t>(kMaxFacets)) {
        return fail(lastLine, "the stone needs " + std::to_string(records.size()) +
                                  " facet records, more than 2400 facets");
    }

    // Every edge twice, in opposite directions, and Euler's formula: a closed solid.
    const std::string crack = closedSurfaceProblem(records, solid.points.size());
    if (!crack.empty()) {
        return fail(lastLine, "the facets do not close into a solid (" + crack +
                                  "): some facet planes nearly coincide");
    }

    vertexCount = static_cast<int32_t>(solid.points.size());
    facetCount = static_cast<int32_t>(records.size());
    std::copy(solid.points.begin(), solid.points.end(), vertices);
    for (size_t i = 0; i < records.size(); ++i) {
        Facet& f = facets[i];
        f.vertexCount = static_cast<int32_t>(records[i].size());
        std::fill(std::begin(f.vertexIndex), std::end(f.vertexIndex), 0);
        std::copy(records[i].begin(), records[i].end(), f.vertexIndex);
    }
    if (summary != nullptr) {
        summary->tierPlanes = tierPlanes;
        summary->tierFacets = tierFacets;
        summary->facetCount = 0;
        for (int32_t n : tierFacets) summary->facetCount += n;
        summary->vertexCount = vertexCount;
        summary->planes.clear();
        for (const DesignPlane& p : planes) {
            summary->planes.push_back({p.plane.normal, p.plane.distance, p.tier});
        }
    }
    return true;
}

std::string designTitle(const GemCadDesign& design, const std::string& path) {
    for (const std::string& line : design.heading) {
        const std::string title = trimDesignText(line);
        if (!title.empty()) return title;
    }
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Vec3 gearIndexDirection(const GemCadDesign& design, double index) {
    if (design.gearTeeth == 0) return Vec3{0.0, 0.0, -1.0};
    const double phi = gearAngle(design, index);
    return Vec3{std::sin(phi), 0.0, -std::cos(phi)};
}

}  // namespace tavrine
