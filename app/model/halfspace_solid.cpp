#include "app/model/halfspace_solid.h"

#include <algorithm>
#include <cmath>
#include <map>
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

enum Side { Inside, On, Outside };

// Removes the points no face uses and renumbers the corners.
void compact(ConvexSolid& solid) {
    std::vector<int32_t> map(solid.points.size(), -1);
    std::vector<Vertex> kept;
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

// Cuts the solid by one plane. Returns false when nothing of it would remain.
bool cut(ConvexSolid& solid, const CutPlane& plane, int32_t planeIndex, double tolerance) {
    const size_t n = solid.points.size();
    std::vector<double> s(n);
    std::vector<Side> side(n);
    bool anyOutside = false;
    bool anyInside = false;
    for (size_t i = 0; i < n; ++i) {
        s[i] = dot(plane.normal, solid.points[i]) - plane.distance;
        side[i] = s[i] > tolerance ? Outside : (s[i] < -tolerance ? Inside : On);
        anyOutside = anyOutside || side[i] == Outside;
        anyInside = anyInside || side[i] == Inside;
    }
    if (!anyOutside) return true;  // the plane does not cut (it may touch a face or a corner)
    if (!anyInside) return false;

    // Clip every face; a crossing edge gets one new point, shared by both of its faces.
    std::map<std::pair<int32_t, int32_t>, int32_t> crossings;
    auto crossing = [&](int32_t a, int32_t b) {
        const std::pair<int32_t, int32_t> key{std::min(a, b), std::max(a, b)};
        auto found = crossings.find(key);
        if (found != crossings.end()) return found->second;
        // Always from the inner point to the outer one, so the point does not depend on the
        // direction in which a face runs along the edge.
        const int32_t in = side[static_cast<size_t>(a)] == Inside ? a : b;
        const int32_t out = in == a ? b : a;
        const double si = s[static_cast<size_t>(in)];
        const double so = s[static_cast<size_t>(out)];
        const double t = si / (si - so);
        const Vertex& p = solid.points[static_cast<size_t>(in)];
        const Vertex& q = solid.points[static_cast<size_t>(out)];
        const Vertex point{p.x + t * (q.x - p.x), p.y + t * (q.y - p.y), p.z + t * (q.z - p.z)};
        const int32_t index = static_cast<int32_t>(solid.points.size());
        solid.points.push_back(point);
        crossings.emplace(key, index);
        return index;
    };

    std::vector<SolidFace> faces;
    faces.reserve(solid.faces.size() + 1);
    std::vector<int32_t> capPoints;
    std::vector<char> inCap;
    for (const SolidFace& face : solid.faces) {
        SolidFace clipped;
        clipped.plane = face.plane;
        const size_t m = face.corners.size();
        for (size_t k = 0; k < m; ++k) {
            const int32_t a = face.corners[k];
            const int32_t b = face.corners[(k + 1) % m];
            const Side sa = side[static_cast<size_t>(a)];
            const Side sb = side[static_cast<size_t>(b)];
            if (sa != Outside) clipped.corners.push_back(a);
            if ((sa == Inside && sb == Outside) || (sa == Outside && sb == Inside)) {
                clipped.corners.push_back(crossing(a, b));
            }
        }
        if (clipped.corners.size() >= 3) faces.push_back(std::move(clipped));
    }

    // The cap: the points lying in the plane, in angular order about their centre.
    inCap.assign(solid.points.size(), 0);
    for (const SolidFace& face : faces) {
        for (int32_t c : face.corners) {
            const size_t i = static_cast<size_t>(c);
            if (inCap[i] == 0 && (i >= n || side[i] == On)) {
                inCap[i] = 1;
                capPoints.push_back(c);
            }
        }
    }
    if (capPoints.size() < 3) return true;  // a sliver of no area: leave the solid as it was

    Vec3 centre{0, 0, 0};
    for (int32_t c : capPoints) {
        const Vertex& p = solid.points[static_cast<size_t>(c)];
        centre = {centre.x + p.x, centre.y + p.y, centre.z + p.z};
    }
    const double count = static_cast<double>(capPoints.size());
    centre = {centre.x / count, centre.y / count, centre.z / count};
    const Vec3& nrm = plane.normal;
    const Vec3 helper = std::fabs(nrm.x) < 0.6 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    Vec3 u = cross(helper, nrm);
    const double ul = std::sqrt(dot(u, u));
    u = {u.x / ul, u.y / ul, u.z / ul};
    const Vec3 v = cross(nrm, u);
    std::vector<std::pair<double, int32_t>> order;
    order.reserve(capPoints.size());
    for (int32_t c : capPoints) {
        const Vec3 d = sub(solid.points[static_cast<size_t>(c)], centre);
        order.emplace_back(std::atan2(dot(d, v), dot(d, u)), c);
    }
    std::sort(order.begin(), order.end());
    SolidFace cap;
    cap.plane = planeIndex;
    for (const auto& entry : order) cap.corners.push_back(entry.second);
    faces.push_back(std::move(cap));

    solid.faces.swap(faces);
    compact(solid);
    return true;
}

}  // namespace

SolidResult intersectHalfSpaces(const std::vector<CutPlane>& planes, double blockHalfSize,
                                double tolerance, ConvexSolid& solid) {
    SolidResult result;
    makeBlock(blockHalfSize, solid);
    for (size_t i = 0; i < planes.size(); ++i) {
        if (!cut(solid, planes[i], static_cast<int32_t>(i), tolerance)) {
            result.outcome = SolidOutcome::Empty;
            result.emptyingPlane = static_cast<int32_t>(i);
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

}  // namespace tavrine
