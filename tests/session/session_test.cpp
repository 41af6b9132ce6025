#include "app/session/session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/session/capture_session.h"
#include "app/session/scene_request.h"
#include "app/settings/stone_table.h"

namespace tavrine {
namespace {

// Compares field by field: the padding after the axis order is not copied with the fields.
bool sameBytes(const Orientation& a, const Orientation& b) {
    return a.order == b.order && std::memcmp(a.cosines, b.cosines, sizeof a.cosines) == 0 &&
           std::memcmp(a.sines, b.sines, sizeof a.sines) == 0;
}

Session sessionAt(int32_t stone) {
    Session session;
    chooseStone(session, stone);
    rebuildModel(session);
    resetView(session);
    prepareView(session);
    return session;
}

TEST(Session, ChoosingAStoneProposesItsModelColourAndIndex) {
    Session session;
    chooseStone(session, 1);
    const StoneEntry& e = stoneTable[1];
    EXPECT_EQ(session.settings.modelIndex, e.defaultModel);
    EXPECT_EQ(session.settings.colourIndex, e.defaultColour);
    EXPECT_EQ(session.settings.refractiveIndex, stoneRefractiveIndex(1));
    rebuildModel(session);
    EXPECT_EQ(session.model->modelIndex, e.defaultModel);
    EXPECT_GT(session.model->facetCount, 0);
}

TEST(Session, KeyStepsLeaveTheSwitchesAsTheyWere) {
    Session session = sessionAt(0);
    setTurntable(session, true);
    const Orientation stoneBefore = session.orientation.stonePose.orientation;
    applyKeySteps(session, {{'L', 3}}, KeyStepTarget::Stone);
    EXPECT_TRUE(session.orientation.gmOn);
    EXPECT_FALSE(session.orientation.syOn);
    EXPECT_FALSE(sameBytes(stoneBefore, session.orientation.stonePose.orientation));

    const Orientation viewBefore = session.orientation.viewPose.orientation;
    const Orientation stoneTurned = session.orientation.stonePose.orientation;
    applyKeySteps(session, {{'U', 2}}, KeyStepTarget::View);
    EXPECT_FALSE(sameBytes(viewBefore, session.orientation.viewPose.orientation));
    EXPECT_TRUE(sameBytes(stoneTurned, session.orientation.stonePose.orientation));
}

// A record written for a session and restored into a fresh one gives the same view space, bit
// for bit, so a saved position renders the same picture.
TEST(Session, RecordRoundTripRestoresTheSameViewSpace) {
    Session first = sessionAt(3);
    applyKeySteps(first, {{'L', 7}, {'U', 2}}, KeyStepTarget::View);
    applyKeySteps(first, {{'R', 5}}, KeyStepTarget::Stone);
    applyKeySteps(first, {{'D', 4}}, KeyStepTarget::Light);
    prepareView(first);
    first.settings.look.trimming = {1, 2, 3, 4};
    first.settings.look.trimmingActive = 1;
    const PositionInfo info = positionInfoOf(first);

    Session second;
    ASSERT_TRUE(restorePosition(second, info, nullptr));
    prepareView(second);
    ASSERT_EQ(first.model->vertexCount, second.model->vertexCount);
    EXPECT_EQ(0, std::memcmp(first.viewVertices.data(), second.viewVertices.data(),
                             sizeof(Vertex) * static_cast<size_t>(first.model->vertexCount)));
    const RenderSettings a = renderSettingsOf(first);
    const RenderSettings b = renderSettingsOf(second);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.stoneIndex, b.stoneIndex);
    EXPECT_EQ(a.dispersionSpread, b.dispersionSpread);
    EXPECT_EQ(a.absorption[2], b.absorption[2]);
    EXPECT_EQ(pictureTrimmingOf(second).right, 4);
    EXPECT_EQ(renderSceneOf(second).lightDirection.z, renderSceneOf(first).lightDirection.z);
}

std::string exampleDesign(const std::string& name) {
    const char* data = std::getenv("TAVRINE_TEST_DATA");
    return std::string(data != nullptr ? data : "tests/session") + "/../../examples/" + name;
}

TEST(Session, ADesignIsTheModelAfterTheList) {
    Session session = sessionAt(0);
    const Orientation brilliantView = session.orientation.viewPose.orientation;
    std::string error;
    EXPECT_FALSE(openDesign(session, exampleDesign("missing.asc"), &error));
    EXPECT_EQ(0, session.settings.modelIndex);  // a refused design changes nothing
    EXPECT_EQ(nullptr, session.design.model);

    const std::string path = exampleDesign("oval.asc");
    ASSERT_TRUE(openDesign(session, path, &error)) << error;
    EXPECT_EQ(kDesignModelIndex, session.settings.modelIndex);
    EXPECT_EQ(1.54, session.settings.refractiveIndex);  // proposed by the design
    rebuildModel(session);
    resetView(session);
    EXPECT_EQ(kDesignModelIndex, session.model->modelIndex);
    EXPECT_EQ(57, session.model->facetCount);
    // The view is reset as for the brilliant.
    const Orientation& view = session.orientation.viewPose.orientation;
    EXPECT_EQ(brilliantView.order, view.order);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(brilliantView.cosines[i], view.cosines[i]);
        EXPECT_EQ(brilliantView.sines[i], view.sines[i]);
    }
    const std::string recorded = positionInfoOf(session).designPath;
    EXPECT_EQ(std::filesystem::absolute(path).lexically_normal().string(), recorded);
    EXPECT_EQ('/', recorded[0]);

    // Another model and back: the design's row still holds the design.
    chooseModel(session, 20);
    rebuildModel(session);
    EXPECT_EQ(6, session.model->facetCount);
    EXPECT_TRUE(positionInfoOf(session).designPath.empty());
    chooseModel(session, kDesignModelIndex);
    rebuildModel(session);
    EXPECT_EQ(57, session.model->facetCount);
    EXPECT_EQ(0, std::memcmp(session.model->modelVertices, session.design.model->modelVertices,
                             sizeof(Vertex) * 57));
}

bool sameViewSpace(const Session& a, const Session& b) {
    return a.model->vertexCount == b.model->vertexCount &&
           std::memcmp(a.viewVertices.data(), b.viewVertices.data(),
                       sizeof(Vertex) * static_cast<size_t>(a.model->vertexCount)) == 0;
}

// A record is restored whole unless the request names another cut, which resets the view as
// the lists do and leaves the record's design unopened.
TEST(SceneRequest, ARecordIsRestoredUnlessAnotherCutIsChosen) {
    SceneRequest turned;
    turned.stone = 3;
    turned.width = 64;
    turned.viewSteps = {{'L', 7}, {'U', 2}};
    turned.stoneSteps = {{'R', 5}};
    Session first;
    ASSERT_TRUE(setUpScene(first, turned).ok());
    SceneRequest again;
    again.record = positionInfoOf(first);
    Session second;
    ASSERT_TRUE(setUpScene(second, again).ok());
    EXPECT_TRUE(sameViewSpace(first, second));
    EXPECT_EQ(64, renderSettingsOf(second).width);

    again.stone = 3;
    again.record->modelIndex = kDesignModelIndex;
    again.record->designPath = exampleDesign("missing.asc");
    Session reset;
    ASSERT_TRUE(setUpScene(reset, again).ok());
    EXPECT_TRUE(sameViewSpace(sessionAt(3), reset));

    again.stone.reset();
    EXPECT_EQ(SceneProblem::RecordDesign, setUpScene(reset, again).problem);
    SceneRequest design;
    design.design = exampleDesign("missing.asc");
    EXPECT_EQ(SceneProblem::Design, setUpScene(reset, design).problem);
    SceneRequest trimmed;
    trimmed.width = 32;
    trimmed.trimming = Trimming{16, 16, 0, 0};
    EXPECT_EQ(SceneProblem::Trimming, setUpScene(reset, trimmed).problem);
}

// The lighting asked for reaches the render settings and a new capture's record, whose resume
// renders in it; a record of an older version, which has no lighting, resumes in Studio. The
// face-up scene's evaluation at 0 degrees is the session's own rendering of its face-up view.
TEST(SceneRequest, LightingAndFaceUpReachTheRenderingsAndTheCapture) {
    SceneRequest request;
    request.design = exampleDesign("round-brilliant.asc");
    request.width = 40;
    request.lighting = Lighting::Iso;
    request.headShadow = 20;
    request.faceUp = true;
    Session session;
    ASSERT_TRUE(setUpScene(session, request).ok());
    RenderObserver quiet;
    RadianceBuffer radiance;
    renderJob(renderSettingsOf(session), renderSceneOf(session), nullptr, quiet, {}, &radiance);
    const evaluate::Evaluation atZero =
        evaluate::evaluateAtTilt(evaluationSceneOf(session), 0.0, quiet);
    EXPECT_EQ(atZero.radiance.luminance, radiance.luminance);
    EXPECT_GT(atZero.figures.brightness, 10.0);

    PositionInfo record = newCaptureRecord(session, 8);
    ASSERT_TRUE(record.frameSettings.has_value());
    EXPECT_EQ(record.frameSettings->lighting, 1);
    EXPECT_EQ(record.frameSettings->headShadow, 20);
    chooseLighting(session, Lighting::Cos);
    EXPECT_EQ(captureSceneOf(session, record).settings.lighting, Lighting::Iso);
    record.frameSettings.reset();
    EXPECT_EQ(captureSceneOf(session, record).settings.lighting, Lighting::Studio);
    EXPECT_EQ(record.frameSettings->lighting, 0);
}

// Every record operation takes the record's settings by the same rule: the trimming also when
// none is in force, and the switches.
TEST(RecordOperations, TakeEverySettingAndDecideTheViewByName) {
    Session saved = sessionAt(2);
    applyKeySteps(saved, {{'U', 3}}, KeyStepTarget::View);
    saved.orientation.syOn = true;
    PositionInfo record = positionInfoOf(saved);
    record.look.sizeMode = 1;
    record.look.imageWidth = 100;

    Session live = sessionAt(0);
    live.settings.look.trimming = {5, 5, 5, 5};
    live.settings.look.trimmingActive = 1;
    const ViewPose view = live.orientation.viewPose;
    ASSERT_TRUE(applyRecord(live, record, nullptr));
    EXPECT_FALSE(pictureTrimmingOf(live).active());
    EXPECT_EQ(1, live.settings.look.turnStone);
    EXPECT_EQ(100, renderWidth(live.settings));
    EXPECT_TRUE(sameBytes(view.orientation, live.orientation.viewPose.orientation));

    ASSERT_TRUE(restorePosition(live, record, nullptr));
    EXPECT_TRUE(sameBytes(record.savedPosition.orientation, live.orientation.viewPose.orientation));
    ASSERT_TRUE(resumeCapture(live, record, nullptr));
    EXPECT_FALSE(live.orientation.syOn);
    EXPECT_EQ(0, live.settings.look.turnStone);

    // A design that cannot be opened changes nothing.
    record.modelIndex = kDesignModelIndex;
    record.designPath = exampleDesign("missing.asc");
    record.stoneIndex = 5;
    std::string error;
    EXPECT_FALSE(restorePosition(live, record, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(2, live.settings.stoneIndex);
}

}  // namespace
}  // namespace tavrine
