#include <cstring>

#include "app/model/builders.h"
#include "app/model/model_record.h"

namespace tavrine {

namespace {

const char* const kModelCaptions[kModelCount] = {
    "BrilliantCut (R)",
    "BrilliantCut (O)",
    "BrilliantCut 2 (R)",
    "BrilliantCut 2 (O)",
    "BrilliantCut 3 (R)",
    "BrilliantCut 3 (O)",
    "Antiq CushionCut",
    "EmeraldCut",
    "ScissorsCut",
    "MazarinCut",
    "Old SingleCut",
    "BrioletteCut",
    "Double RoseCut",
    "BaguetteCut",
    "Sphere",
    "60 hedron",
    "32 hedron",
    "reg. 20 hedron",
    "reg. 12 hedron",
    "reg. \xEF\xBC\x98 hedron",
    "reg. \xEF\xBC\x96 hedron",
    "reg. \xEF\xBC\x94 hedron",
    "---------------",
    "Ellipsoid *",
    "Prism *",
    "Pyramid *",
    "14 hedron *",
    "26 hedron *",
};

}  // namespace

void buildModel(int32_t modelIndex, Vertex* modelVertices, Vertex* baseVertices, Facet* facets,
                int32_t& vertexCount, int32_t& facetCount, const TransformableParams& params) {
    Vertex* v = modelVertices;
    Facet* f = facets;
    switch (modelIndex) {
    case 0:
        buildBrilliant(v, f, vertexCount, facetCount);
        break;
    case 1:
        buildBrilliant(v, f, vertexCount, facetCount);
        makeOval(v, vertexCount);
        break;
    case 2:
        buildBrilliant2(v, f, vertexCount, facetCount);
        break;
    case 3:
        buildBrilliant2(v, f, vertexCount, facetCount);
        makeOval(v, vertexCount);
        break;
    case 4:
        buildBrilliant3(v, f, vertexCount, facetCount);
        break;
    case 5:
        buildBrilliant3(v, f, vertexCount, facetCount);
        makeOval(v, vertexCount);
        break;
    case 6:
        buildAntiqueCushion(v, f, vertexCount, facetCount);
        break;
    case 7:
        buildEmeraldCut(v, f, vertexCount, facetCount);
        break;
    case 8:
        buildScissorsCut(v, f, vertexCount, facetCount);
        break;
    case 9:
        buildMazarinCut(v, f, vertexCount, facetCount);
        break;
    case 10:
        buildOldSingleCut(v, f, vertexCount, facetCount);
        break;
    case 11:
        buildBrioletteCut(v, f, vertexCount, facetCount);
        break;
    case 12:
        buildDoubleRoseCut(v, f, vertexCount, facetCount);
        break;
    case 13:
        buildBaguetteCut(v, f, vertexCount, facetCount);
        break;
    case 14:
        buildSphere(v, f, vertexCount, facetCount);
        break;
    case 15:
        buildHedron60(v, f, vertexCount, facetCount);
        break;
    case 16:
        buildHedron32(v, f, vertexCount, facetCount);
        break;
    case 17:
        buildIcosahedron(v, f, vertexCount, facetCount);
        break;
    case 18:
        buildDodecahedron(v, f, vertexCount, facetCount);
        break;
    case 19:
        buildOctahedron(v, f, vertexCount, facetCount);
        break;
    case 20:
        buildCube(v, f, vertexCount, facetCount);
        break;
    case 21:
        buildTetrahedron(v, f, vertexCount, facetCount);
        break;
    case 23:
        buildEllipsoid(v, f, vertexCount, facetCount, params.ellipsoidSurfaces,
                       params.ellipsoidRows, params.ellipsoidDiameterRatio / 100.0,
                       params.ellipsoidCompressionRatio / 100.0);
        break;
    case 24:
        buildPrism(v, f, vertexCount, facetCount, params.prismSides, params.prismHeightRatio);
        break;
    case 25:
        buildPyramid(v, f, vertexCount, facetCount, params.pyramidSides, params.pyramidHeightRatio);
        break;
    case 26:
        buildHedron14(v, f, vertexCount, facetCount, params.hedron14Keep);
        break;
    case 27:
        buildHedron26(v, f, vertexCount, facetCount, params.hedron26Keep);
        break;
    default:
        return;  // the separator row and unknown indexes build nothing and copy nothing
    }
    std::memcpy(baseVertices, modelVertices, sizeof(Vertex) * static_cast<size_t>(vertexCount));
}

void buildModel(ModelRecord& record, const TransformableParams& params) {
    buildModel(record.modelIndex, record.modelVertices, record.baseVertices, record.facets,
               record.vertexCount, record.facetCount, params);
}

const char* modelCaption(int32_t modelIndex) {
    if (modelIndex < 0 || modelIndex >= kModelCount) return "";
    return kModelCaptions[modelIndex];
}

}  // namespace tavrine
