#include "app/model/halfspace_solid.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

namespace tavrine {

namespace {

Vec3 sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The normal of a polygon by Newell's sums; it points to the side from which the corners run
// counter-clockwise.
Vec3 newellNormal(const std::vector<Vertex>& points, const std::vector<int32_t>& corners) {
    Vec3 n{0, 0, 0};
    const size_t m = corners.size();
    for (size_t k = 0; k < m; ++k) {
        const Vec3& a = points[static_cast<size_t>(corners[k])];
        const Vec3& b = points[static_cast<size_t>(corners[(k + 1) % m])];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

// The starting block: eight corners, six faces turned to run counter-clockwise from outside.
void makeBlock(double h, ConvexSolid& solid) {
    solid.points.clear();
    solid.faces.clear();
    for (int i = 0; i < 8; ++i) {
        solid.points.push_back(
            Vertex{(i & 1) != 0 ? h : -h, (i & 2) != 0 ? h : -h, (i & 4) != 0 ? h : -h});
    }
    // Each face: the axis bit, its side, and its four corners in a cycle.
    const int cycles[6][4] = {{1, 3, 7, 5}, {0, 4, 6, 2}, {2, 6, 7, 3},
                              {0, 1, 5, 4}, {4, 5, 7, 6}, {0, 2, 3, 1}};
    const Vec3 outward[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int f = 0; f < 6; ++f) {
        SolidFace face;
        face.plane = -1 - f;
        face.corners.assign(std::begin(cycles[f]), std::end(cycles[f]));
        if (dot(newellNormal(solid.points, face.corners), outward[f]) < 0.0) {
            std::reverse(face.corners.begin(), face.corners.end());
        }
        solid.faces.push_back(face);
    }
}

enum Side : char { Inside, On, Outside };

// Buffers that every cut reuses.
struct CutScratch {
    std::vector<double> s;
    std::vector<Side> side;
    std::vector<char> planar;   // lies in the cutting plane: within tolerance, or made by the cut
    std::vector<int32_t> head;  // per outer point: its first crossing link, or -1
    struct Link {
        int32_t other;  // the edge's inner end
        int32_t point;  // the crossing made on the edge
        int32_t next;   // the point's next link, or -1
    };
    std::vector<Link> links;
    std::vector<int32_t> clipped;
    std::vector<size_t> touched;  // faces with a corner in the plane
    std::vector<uint64_t> planeEdges;
    std::vector<std::pair<int32_t, int32_t>> openEdges;
    std::vector<int32_t> map;
};

uint64_t edgeKey(int32_t a, int32_t b) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

// Removes the points no face uses and renumbers the corners.
void compact(ConvexSolid& solid, std::vector<int32_t>& map) {
    map.assign(solid.points.size(), -1);
    std::vector<Vertex> kept;
    kept.reserve(solid.points.size());
    for (SolidFace& face : solid.faces) {
        for (int32_t& c : face.corners) {
            int32_t& m = map[static_cast<size_t>(c)];
            if (m < 0) {
                m = static_cast<int32_t>(kept.size());
                kept.push_back(solid.points[static_cast<size_t>(c)]);
            }
            c = m;
        }
    }
    solid.points.swap(kept);
}

enum class CutEnd { Done, Empty, Broken };

// Cuts the solid by one plane: clips the faces, then closes the hole with a face that runs
// back along the edges the clipped faces left without an opposite.
CutEnd cut(ConvexSolid& solid, const CutPlane& plane, int32_t planeIndex, double tolerance,
           CutScratch& w) {
    const size_t n = solid.points.size();
    w.s.resize(n);
    w.side.resize(n);
    bool anyOutside = false;
    bool anyInside = false;
    for (size_t i = 0; i < n; ++i) {
        const double si = dot(plane.normal, solid.points[i]) - plane.distance;
        const Side sd = si > tolerance ? Outside : (si < -tolerance ? Inside : On);
        w.s[i] = si;
        w.side[i] = sd;
        anyOutside = anyOutside || sd == Outside;
        anyInside = anyInside || sd == Inside;
    }
    if (!anyOutside) return CutEnd::Done;  // the plane does not cut (it may touch the solid)
    if (!anyInside) return CutEnd::Empty;

    // A crossing edge gets one new point, shared by both of its faces. Each outer point keeps
    // a list of the crossings on its edges; a new point within tolerance of another crossing
    // near the same outer point is that crossing, so that a cut passing close by a corner
    // leaves one corner where it can, not a cluster.
    w.head.assign(n, -1);
    w.links.clear();
    const double reach = tolerance * tolerance;
    auto crossing = [&](int32_t a, int32_t b) {
        // Always from the inner point to the outer one, so the point does not depend on the
        // direction in which a face runs along the edge.
        const int32_t in = w.side[static_cast<size_t>(a)] == Inside ? a : b;
        const int32_t out = in == a ? b : a;
        for (int32_t k = w.head[static_cast<size_t>(out)]; k >= 0; k = w.links[k].next) {
            if (w.links[static_cast<size_t>(k)].other == in) {
                return w.links[static_cast<size_t>(k)].point;
            }
        }
        const double si = w.s[static_cast<size_t>(in)];
        const double so = w.s[static_cast<size_t>(out)];
        const double t = si / (si - so);
        const Vertex& p = solid.points[static_cast<size_t>(in)];
        const Vertex& q = solid.points[static_cast<size_t>(out)];
        const Vertex point{p.x + t * (q.x - p.x), p.y + t * (q.y - p.y), p.z + t * (q.z - p.z)};
        int32_t index = -1;
        for (int32_t k = w.head[static_cast<size_t>(out)]; k >= 0 && index < 0;
             k = w.links[static_cast<size_t>(k)].next) {
            const int32_t other = w.links[static_cast<size_t>(k)].point;
            const Vec3 d = sub(solid.points[static_cast<size_t>(other)], point);
            if (dot(d, d) <= reach) index = other;
        }
        if (index < 0) {
            index = static_cast<int32_t>(solid.points.size());
            solid.points.push_back(point);
        }
        w.links.push_back({in, index, w.head[static_cast<size_t>(out)]});
        w.head[static_cast<size_t>(out)] = static_cast<int32_t>(w.links.size() - 1);
        return index;
    };

    // Clip the faces with a corner outside; keep the others as they are.
    std::vector<SolidFace> faces;
    faces.reserve(solid.faces.size() + 1);
    w.touched.clear();
    for (SolidFace& face : solid.faces) {
        bool outside = false;
        bool on = false;
        for (int32_t c : face.corners) {
            const Side sd = w.side[static_cast<size_t>(c)];
            outside = outside || sd == Outside;
            on = on || sd == On;
        }
        if (!outside) {
            if (on) w.touched.push_back(faces.size());
            faces.push_back(std::move(face));
            continue;
        }
        std::vector<int32_t>& clipped = w.clipped;
        clipped.clear();
        auto add = [&clipped](int32_t c) {
            if (clipped.empty() || clipped.back() != c) clipped.push_back(c);
        };
        const size_t m = face.corners.size();
        for (size_t k = 0; k < m; ++k) {
            const int32_t a = face.corners[k];
            const int32_t b = face.corners[(k + 1) % m];
            const Side sa = w.side[static_cast<size_t>(a)];
            const Side sb = w.side[static_cast<size_t>(b)];
            if (sa != Outside) add(a);
            if ((sa == Inside && sb == Outside) || (sa == Outside && sb == Inside)) {
                add(crossing(a, b));
            }
        }
        // Merged points may close up on the face's first corner.
        while (clipped.size() > 1 && clipped.back() == clipped.front()) clipped.pop_back();
        if (clipped.size() >= 3) {
            face.corners.assign(clipped.begin(), clipped.end());
            w.touched.push_back(faces.size());
            faces.push_back(std::move(face));
        }
    }

    // The edges in the plane; those without an opposite bound the hole the cut left.
    w.planar.assign(solid.points.size(), 1);
    for (size_t i = 0; i < n; ++i) w.planar[i] = w.side[i] == On ? 1 : 0;
    w.planeEdges.clear();
    for (size_t f : w.touched) {
        const std::vector<int32_t>& corners = faces[f].corners;
        const size_t m = corners.size();
        for (size_t k = 0; k < m; ++k) {
            const int32_t a = corners[k];
            const int32_t b = corners[(k + 1) % m];
            if (w.planar[static_cast<size_t>(a)] != 0 && w.planar[static_cast<size_t>(b)] != 0) {
                w.planeEdges.push_back(edgeKey(a, b));
            }
        }
    }
    std::sort(w.planeEdges.begin(), w.planeEdges.end());
    if (std::adjacent_find(w.planeEdges.begin(), w.planeEdges.end()) != w.planeEdges.end()) {
        return CutEnd::Broken;  // two faces run the same way along one edge
    }
    w.openEdges.clear();  // the new face's edges, from its corner to the next
    for (uint64_t key : w.planeEdges) {
        const auto a = static_cast<int32_t>(key >> 32);
        const auto b = static_cast<int32_t>(key & 0xFFFFFFFFu);
        if (!std::binary_search(w.planeEdges.begin(), w.planeEdges.end(), edgeKey(b, a))) {
            w.openEdges.emplace_back(b, a);
        }
    }
    if (!w.openEdges.empty()) {
        std::sort(w.openEdges.begin(), w.openEdges.end());
        for (size_t k = 1; k < w.openEdges.size(); ++k) {
            if (w.openEdges[k].first == w.openEdges[k - 1].first) return CutEnd::Broken;
        }
        SolidFace cap;
        cap.plane = planeIndex;
        int32_t corner = w.openEdges.front().first;
        do {
            cap.corners.push_back(corner);
            const auto next = std::lower_bound(w.openEdges.begin(), w.openEdges.end(),
                                               std::make_pair(corner, INT32_MIN));
            if (next == w.openEdges.end() || next->first != corner) return CutEnd::Broken;
            corner = next->second;
        } while (corner != cap.corners.front() && cap.corners.size() <= w.openEdges.size());
        if (cap.corners.size() != w.openEdges.size()) return CutEnd::Broken;  // several loops

        // Start the face at the corner of least angle about the centre of the points in the
        // plane, as a face found by sorting them by angle would.
        Vec3 centre{0, 0, 0};
        size_t count = 0;
        for (size_t f : w.touched) {  // in order: every point in the plane is in one of them
            for (int32_t c : faces[f].corners) {
                char& seen = w.planar[static_cast<size_t>(c)];
                if (seen == 1) {
                    seen = 2;
                    const Vertex& p = solid.points[static_cast<size_t>(c)];
                    centre = {centre.x + p.x, centre.y + p.y, centre.z + p.z};
                    ++count;
                }
            }
        }
        const double total = static_cast<double>(count);
        centre = {centre.x / total, centre.y / total, centre.z / total};
        const Vec3& nrm = plane.normal;
        const Vec3 helper = std::fabs(nrm.x) < 0.6 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
        Vec3 u = cross(helper, nrm);
        const double ul = std::sqrt(dot(u, u));
        u = {u.x / ul, u.y / ul, u.z / ul};
        const Vec3 v = cross(nrm, u);
        size_t first = 0;
        double least = 0.0;
        for (size_t k = 0; k < cap.corners.size(); ++k) {
            const Vec3 d = sub(solid.points[static_cast<size_t>(cap.corners[k])], centre);
            const double angle = std::atan2(dot(d, v), dot(d, u));
            if (k == 0 || angle < least) {
                least = angle;
                first = k;
            }
        }
        std::rotate(cap.corners.begin(), cap.corners.begin() + static_cast<std::ptrdiff_t>(first),
                    cap.corners.end());
        faces.push_back(std::move(cap));
    }

    solid.faces.swap(faces);
    compact(solid, w.map);
    return CutEnd::Done;
}

}  // namespace

SolidResult intersectHalfSpaces(const std::vector<CutPlane>& planes, double blockHalfSize,
                                double tolerance, ConvexSolid& solid) {
    SolidResult result;
    makeBlock(blockHalfSize, solid);
    CutScratch scratch;
    for (size_t i = 0; i < planes.size(); ++i) {
        const CutEnd end = cut(solid, planes[i], static_cast<int32_t>(i), tolerance, scratch);
        if (end != CutEnd::Done) {
            if (end == CutEnd::Empty) {
                result.outcome = SolidOutcome::Empty;
                result.emptyingPlane = static_cast<int32_t>(i);
            } else {
                result.outcome = SolidOutcome::Broken;
                result.brokenPlane = static_cast<int32_t>(i);
            }
            solid.points.clear();
            solid.faces.clear();
            return result;
        }
    }
    const Vec3 outward[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const SolidFace& face : solid.faces) {
        if (face.plane < 0) {
            result.outcome = SolidOutcome::Open;
            result.openDirection = outward[-1 - face.plane];
            break;
        }
    }
    return result;
}

std::string closedSurfaceProblem(const std::vector<std::vector<int32_t>>& faces,
                                 size_t pointCount) {
    std::vector<uint64_t> edges;
    std::vector<char> used(pointCount, 0);
    for (size_t f = 0; f < faces.size(); ++f) {
        const std::vector<int32_t>& corners = faces[f];
        const size_t m = corners.size();
        if (m < 3) return "face " + std::to_string(f) + " has fewer than three corners";
        for (size_t k = 0; k < m; ++k) {
            const int32_t a = corners[k];
            if (a < 0 || static_cast<size_t>(a) >= pointCount) {
                return "face " + std::to_string(f) + " names a corner that does not exist";
            }
            for (size_t j = k + 1; j < m; ++j) {
                if (corners[j] == a) {
                    return "face " + std::to_string(f) + " passes a corner twice";
                }
            }
            used[static_cast<size_t>(a)] = 1;
            edges.push_back(edgeKey(a, corners[(k + 1) % m]));
        }
    }
    std::sort(edges.begin(), edges.end());
    if (std::adjacent_find(edges.begin(), edges.end()) != edges.end()) {
        return "an edge is used twice in the same direction";
    }
    for (uint64_t key : edges) {
        const auto a = static_cast<int32_t>(key >> 32);
        const auto b = static_cast<int32_t>(key & 0xFFFFFFFFu);
        if (!std::binary_search(edges.begin(), edges.end(), edgeKey(b, a))) {
            return "the edge from corner " + std::to_string(a) + " to corner " + std::to_string(b) +
                   " has no opposite edge";
        }
    }
    if (std::find(used.begin(), used.end(), 0) != used.end()) {
        return "a corner belongs to no face";
    }
    const auto v = static_cast<int64_t>(pointCount);
    const auto e = static_cast<int64_t>(edges.size() / 2);
    const auto f = static_cast<int64_t>(faces.size());
    if (v - e + f != 2) {
        return std::to_string(v) + " corners, " + std::to_string(e) + " edges and " +
               std::to_string(f) + " faces break Euler's formula V - E + F = 2";
    }
    return "";
}

}  // namespace tavrine
