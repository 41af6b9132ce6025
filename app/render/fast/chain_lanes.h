#pragma once
// The chains inside the stone, stepped side by side in the lanes of four-wide vectors: the three
// Fire samples of four pixels, or twelve pixels without Fire. Each lane performs for its chain the
// operations of seekChain, bounceChain and finishChain in the same order, so every value equals the
// one the chain alone gives; the facet search stays per lane, and the arithmetic of the hit points
// and of the bounces is shared.
//
// The chains run in step: each starts at depth 1 and goes one depth deeper per bounce until the
// depth limit, so level n of every running chain is at depth n + 1. A chain whose search finds
// no facet ends there, and its lane is left out from then on.

#include <cstdint>

#include "app/render/fast/fast_types.h"

#if defined(TAVRINE_X86_VECTORS)

namespace tavrine {
namespace fast {

// Lanes stepped together (three four-wide vectors): enough independent chains that each hit
// point, at the end of a line of divisions, is ready well before its chain needs it again.
constexpr int32_t kLaneCount = 12;

// The chains to follow, one per lane.
struct LaneStarts {
    const Context* context[kLaneCount];  // the sample's context, or null for a lane left empty
    alignas(32) double o[3][kLaneCount];
    alignas(32) double d[3][kLaneCount];
    // The path each chain starts with (a root of the scratch's Paths), or -1 when none is kept.
    int32_t path[kLaneCount];

    // Empties every lane; an empty lane's ray is harmless to compute with.
    void clear() {
        for (int32_t c = 0; c < kLaneCount; ++c) {
            context[c] = nullptr;
            path[c] = -1;
            o[0][c] = o[1][c] = o[2][c] = 0.0;
            d[0][c] = d[1][c] = 0.0;
            d[2][c] = 1.0;
        }
    }
    // Puts the chain of the ray from origin along direction, with the sample's context and path,
    // in lane c.
    void set(int32_t c, const Context* ctx, const Vec3& origin, const Vec3& direction,
             int32_t root) {
        context[c] = ctx;
        path[c] = root;
        o[0][c] = origin.x;
        o[1][c] = origin.y;
        o[2][c] = origin.z;
        d[0][c] = direction.x;
        d[1][c] = direction.y;
        d[2][c] = direction.z;
    }
};

// What each chain brings back, as finishChain writes it: its total light and its first segment
// (in a stone that absorbs nothing, the square of its length; see traceChainLanes).
struct LaneEnds {
    alignas(32) double total[3][kLaneCount];
    alignas(32) double segment[kLaneCount];
};

// Follows every chain of `in` as traceInside follows its ray from depth 1 and writes what each
// brings back, with the vector unit's walk (AVX2 or AVX-512; not the scalar one). All contexts
// share the settings, the scene and the scratch with its exit table; they differ in the stone
// index and the guesses. Where the scratch keeps paths, a chain whose path is known takes its
// weights, leaving light and total from there, and a new path is kept.
void traceChainLanes(VectorUnit unit, const LaneStarts& in, LaneEnds& out);

}  // namespace fast
}  // namespace tavrine

#endif
