#pragma once
// Public interface of libTVRT, the recursive ray tracer of Tavrine. The records below cross
// the library boundary by address, so their layouts are fixed to the byte.

#include <cstdint>

#if defined(TVRT_BUILDING_LIBRARY)
#define TAVRINE_TVRT_EXPORT __attribute__((visibility("default")))
#else
#define TAVRINE_TVRT_EXPORT
#endif

// A position or direction: three doubles with nothing between them.
struct Vec3 {
    double x;
    double y;
    double z;
};

// A point of a model; the same layout as Vec3.
using Vertex = Vec3;

// One facet of a model: the view-dependent normal and plane (written by the preview pass),
// and the corner list written by the model builders.
struct Facet {
    Vec3 normal;              // unit outward normal in view space
    double plane[4];          // a, b, c, d of a*x + b*y + c*z + d = 0, with d = 1 or d = 0
    int32_t vertexCount;      // 3 to 16
    int32_t vertexIndex[16];  // corner indexes in winding order
    int32_t reserved;         // unused, keeps the record at 128 bytes
};

// How the rays that end are lit. Studio: the main, back and fill lights and the backdrop. ISO:
// an even dome of white light on the viewer's side (view space z < 0) of radiance 1, cut by the
// viewer's head shadow, the cone about -z within which the head blocks the light. COS: the same
// dome with radiance -Dz, brightest straight overhead.
enum TraceLightingKind : int32_t {
    kTraceStudio = 0,
    kTraceIso = 1,
    kTraceCos = 2,
};

// The lighting a trace shades its ending rays in.
struct TraceLighting {
    int32_t kind;             // a TraceLightingKind
    int32_t reserved;         // 0
    double headShadowCosine;  // cos h of the head shadow's half angle h; above 1 for none
};

static_assert(sizeof(Vertex) == 24, "Vertex must be 24 bytes");
static_assert(sizeof(Facet) == 128, "Facet must be 128 bytes");
static_assert(sizeof(TraceLighting) == 16, "TraceLighting must be 16 bytes");

extern "C" {

// Follows one ray through the stone and writes the light it brings back. All arrays belong to
// the caller; the scratch arrays need room for facetCount (candidateList) and vertexCount
// (relativeVertices, projectedVertices) entries. Returns 0 when a primary ray (depth 0) meets
// no facet, 1 otherwise. Re-entrant: concurrent calls are safe with separate scratch arrays
// and outputs. With maxDepth 0 the primary ray ends at once as a leaving ray; innerR/G/B and
// surfaceGlare are then set to 0 so that a caller never reads stale values.
TAVRINE_TVRT_EXPORT int32_t Trace_TraceVector_CPP(
    double originX, double originY, double originZ, double directionX, double directionY,
    double directionZ, double outerIndex, double stoneIndex, int32_t inside,
    double normalReflectance, const Vec3* lightDirection, int32_t facetCount, const Facet* facets,
    int32_t* candidateList, int32_t vertexCount, const Vertex* vertices, Vec3* relativeVertices,
    Vec3* projectedVertices, int32_t depth, int32_t maxDepth, double absorptionR,
    double absorptionG, double absorptionB, int32_t backdropR, int32_t backdropG, int32_t backdropB,
    int32_t mainLight, int32_t backLight, int32_t fillLight, int32_t narrowHighlight,
    double* totalR, double* totalG, double* totalB, double* surfaceGlare, double* innerR,
    double* innerG, double* innerB, double* segmentLength);

// Follows one ray as Trace_TraceVector_CPP does, with the rays that end shaded in |lighting|
// (null, or kind kTraceStudio, gives exactly Trace_TraceVector_CPP's outputs). Under ISO and COS
// a ray that leaves the stone, the primary ray's reflection included, brings the dome's light
// along its direction, a ray still inside at the depth limit brings nothing, and the light volumes,
// the backdrop and the main light do not count (lightDirection must still point to a vector). A
// kind that is none of the three counts as Studio.
TAVRINE_TVRT_EXPORT int32_t Trace_TraceVectorLit_CPP(
    double originX, double originY, double originZ, double directionX, double directionY,
    double directionZ, double outerIndex, double stoneIndex, int32_t inside,
    double normalReflectance, const Vec3* lightDirection, int32_t facetCount, const Facet* facets,
    int32_t* candidateList, int32_t vertexCount, const Vertex* vertices, Vec3* relativeVertices,
    Vec3* projectedVertices, int32_t depth, int32_t maxDepth, double absorptionR,
    double absorptionG, double absorptionB, int32_t backdropR, int32_t backdropG, int32_t backdropB,
    int32_t mainLight, int32_t backLight, int32_t fillLight, int32_t narrowHighlight,
    double* totalR, double* totalG, double* totalB, double* surfaceGlare, double* innerR,
    double* innerG, double* innerB, double* segmentLength, const TraceLighting* lighting);

}  // extern "C"
