#pragma once
// The faster tracer's facet search: the first facet a ray meets, as the exported tracer's search
// in index order finds it, by the certain-facet walk where it can be sure and by that search where
// it cannot; and the facet data both read, prepared once per rendering.

#include <cstdint>
#include <vector>

#include "app/render/fast/fast_types.h"

namespace tavrine {
namespace fast {

// The widest vector unit the processor has, no wider than asked for; without vector paths in
// this build, always the scalar one.
VectorUnit usableUnit(VectorUnit asked);

// The facet data of the scene in the layout the search reads; what depends only on the facets'
// corner lists is taken from `previous` (the facet data of another view of the same stone) when
// given and its corner lists are the same.
FacetData buildFacetData(const RenderScene& scene, const FacetData* previous = nullptr);

// The first candidate facet the ray from o along d meets (from inside the stone or from outside),
// as the exported tracer finds it: writes the facet and the hit point and returns true, or
// returns false when it meets none. The walk starts from the facet in *exit when there is one,
// else from *guess, then from *other; the search in index order decides when no walk is certain
// (over fixedCandidates, when given, instead of every facet). *guess and *exit become the facet
// found. Without a guess only the search runs.
bool findHit(const Context& ctx, const Vec3& o, const Vec3& d, bool inside,
             const std::vector<int32_t>* fixedCandidates, int32_t* guess, Vec3* hit,
             int32_t* hitFacet, const int32_t* other = nullptr, int16_t* exit = nullptr);

}  // namespace fast
}  // namespace tavrine
