#include "tests/model/model_checks.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace tavrine::test {

namespace {

Vec3 sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 unitNormal(const Vertex* v, const Facet& f) {
    const Vec3& p0 = v[f.vertexIndex[0]];
    const Vec3& p1 = v[f.vertexIndex[1]];
    const Vec3& p2 = v[f.vertexIndex[2]];
    Vec3 n = cross(sub(p2, p1), sub(p1, p0));
    const double l = length(n);
    return {n.x / l, n.y / l, n.z / l};
}

// Maps every vertex slot to the id of its point; slots closer than 1e-9 share an id.
std::vector<int> pointIds(const Vertex* v, int32_t vertexCount) {
    std::vector<int> ids(static_cast<size_t>(vertexCount));
    for (int32_t i = 0; i < vertexCount; ++i) {
        ids[static_cast<size_t>(i)] = i;
        for (int32_t j = 0; j < i; ++j) {
            if (length(sub(v[i], v[j])) < 1e-9) {
                ids[static_cast<size_t>(i)] = ids[static_cast<size_t>(j)];
                break;
            }
        }
    }
    return ids;
}

// Corner points of a facet with consecutive duplicates (pole corners) removed.
std::vector<int> facetPoints(const Facet& f, const std::vector<int>& ids) {
    std::vector<int> pts;
    for (int k = 0; k < f.vertexCount; ++k) {
        const int id = ids[static_cast<size_t>(f.vertexIndex[k])];
        if (pts.empty() || pts.back() != id) pts.push_back(id);
    }
    while (pts.size() > 1 && pts.front() == pts.back()) pts.pop_back();
    return pts;
}

}  // namespace

double length(const Vertex& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

std::unique_ptr<ModelRecord> buildFresh(int32_t modelIndex, const TransformableParams& params) {
    auto record = std::make_unique<ModelRecord>();
    record->modelIndex = modelIndex;
    buildModel(*record, params);
    return record;
}

::testing::AssertionResult satisfiesInvariants(const Vertex* v, const Facet* facets,
                                               int32_t vertexCount, int32_t facetCount,
                                               double planeTolerance) {
    if (vertexCount < 1 || vertexCount > kMaxVertices || facetCount < 4 ||
        facetCount > kMaxFacets) {
        return ::testing::AssertionFailure() << "counts out of range: " << vertexCount
                                             << " vertices, " << facetCount << " facets";
    }
    const std::vector<int> ids = pointIds(v, vertexCount);
    Vec3 centre{0, 0, 0};
    std::set<int> distinct(ids.begin(), ids.end());
    for (int id : distinct) {
        centre.x += v[id].x;
        centre.y += v[id].y;
        centre.z += v[id].z;
    }
    const double nd = static_cast<double>(distinct.size());
    centre = {centre.x / nd, centre.y / nd, centre.z / nd};

    for (int32_t i = 0; i < facetCount; ++i) {
        const Facet& f = facets[i];
        if (f.vertexCount < 3 || f.vertexCount > 16) {
            return ::testing::AssertionFailure()
                   << "facet " << i << " has " << f.vertexCount << " corners";
        }
        for (int k = 0; k < f.vertexCount; ++k) {
            if (f.vertexIndex[k] < 0 || f.vertexIndex[k] >= vertexCount) {
                return ::testing::AssertionFailure()
                       << "facet " << i << " corner " << k << " index " << f.vertexIndex[k];
            }
        }
        const Vec3& p0 = v[f.vertexIndex[0]];
        const Vec3& p1 = v[f.vertexIndex[1]];
        const Vec3& p2 = v[f.vertexIndex[2]];
        const Vec3 c = cross(sub(p2, p1), sub(p1, p0));
        if (length(c) < 1e-9) {
            return ::testing::AssertionFailure()
                   << "facet " << i << ": first three corners coincide or are collinear";
        }
        const Vec3 n = unitNormal(v, f);
        if (dot(n, sub(p0, centre)) <= 0.0) {
            return ::testing::AssertionFailure() << "facet " << i << " is wound inwards";
        }
        for (int k = 3; k < f.vertexCount; ++k) {
            const double off = std::fabs(dot(n, sub(v[f.vertexIndex[k]], p0)));
            if (off > planeTolerance) {
                return ::testing::AssertionFailure()
                       << "facet " << i << " corner " << k << " lies " << off << " off its plane";
            }
        }
        // Convex polygon: every turn from one edge to the next goes the same way as the normal.
        const std::vector<int> pts = facetPoints(f, ids);
        const size_t m = pts.size();
        for (size_t k = 0; k < m; ++k) {
            const Vec3& a = v[pts[k]];
            const Vec3& b = v[pts[(k + 1) % m]];
            const Vec3& d = v[pts[(k + 2) % m]];
            const double turn = dot(cross(sub(d, b), sub(b, a)), n);
            if (turn < -1e-12) {
                return ::testing::AssertionFailure()
                       << "facet " << i << " is not convex at corner " << (k + 1) % m;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult isClosed(const Vertex* v, const Facet* facets, int32_t vertexCount,
                                    int32_t facetCount) {
    const std::vector<int> ids = pointIds(v, vertexCount);
    std::map<std::pair<int, int>, int> directed;
    std::set<int> used;
    for (int32_t i = 0; i < facetCount; ++i) {
        const std::vector<int> pts = facetPoints(facets[i], ids);
        for (size_t k = 0; k < pts.size(); ++k) {
            const int a = pts[k];
            const int b = pts[(k + 1) % pts.size()];
            used.insert(a);
            ++directed[{a, b}];
        }
    }
    size_t edges = 0;
    for (const auto& [edge, count] : directed) {
        if (count != 1) {
            return ::testing::AssertionFailure() << "edge " << edge.first << "->" << edge.second
                                                 << " is traversed " << count << " times";
        }
        if (directed.find({edge.second, edge.first}) == directed.end()) {
            return ::testing::AssertionFailure() << "edge " << edge.first << "->" << edge.second
                                                 << " has no facet on its other side";
        }
        ++edges;
    }
    edges /= 2;
    const long euler = static_cast<long>(used.size()) - static_cast<long>(edges) + facetCount;
    if (euler != 2) {
        return ::testing::AssertionFailure() << "V - E + F = " << used.size() << " - " << edges
                                             << " + " << facetCount << " = " << euler;
    }
    return ::testing::AssertionSuccess();
}

double maxOutsideDistance(const Vertex* v, const Facet* facets, int32_t vertexCount,
                          int32_t facetCount) {
    double worst = -1e300;
    for (int32_t i = 0; i < facetCount; ++i) {
        const Vec3 n = unitNormal(v, facets[i]);
        const Vec3& p0 = v[facets[i].vertexIndex[0]];
        for (int32_t j = 0; j < vertexCount; ++j) {
            worst = std::max(worst, dot(n, sub(v[j], p0)));
        }
    }
    return worst;
}

::testing::AssertionResult isConvexSolid(const Vertex* v, const Facet* facets, int32_t vertexCount,
                                         int32_t facetCount, double tolerance) {
    const double worst = maxOutsideDistance(v, facets, vertexCount, facetCount);
    if (worst > tolerance) {
        return ::testing::AssertionFailure()
               << "a vertex lies " << worst << " outside a facet plane";
    }
    return ::testing::AssertionSuccess();
}

std::vector<double> distinctEdgeLengths(const Vertex* v, const Facet* facets, int32_t vertexCount,
                                        int32_t facetCount, double tolerance) {
    const std::vector<int> ids = pointIds(v, vertexCount);
    std::vector<double> lengths;
    for (int32_t i = 0; i < facetCount; ++i) {
        const std::vector<int> pts = facetPoints(facets[i], ids);
        for (size_t k = 0; k < pts.size(); ++k) {
            lengths.push_back(length(sub(v[pts[k]], v[pts[(k + 1) % pts.size()]])));
        }
    }
    std::sort(lengths.begin(), lengths.end());
    std::vector<double> merged;
    for (double l : lengths) {
        if (merged.empty() || l - merged.back() > tolerance) merged.push_back(l);
    }
    return merged;
}

}  // namespace tavrine::test
