#include "app/session/session.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/settings/stone_table.h"

namespace tavrine {
namespace {

bool sameBytes(const Orientation& a, const Orientation& b) {
    return std::memcmp(&a, &b, sizeof(Orientation)) == 0;
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
    first.settings.trimming = {1, 2, 3, 4};
    first.settings.trimmingActive = 1;
    const PositionInfo info = positionInfoOf(first);

    Session second;
    takeRecordSettings(second, info);
    rebuildModel(second);
    restoreOrientation(second, info);
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

}  // namespace
}  // namespace tavrine
