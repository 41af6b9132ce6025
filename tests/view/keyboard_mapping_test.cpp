#include "app/view/keyboard_mapping.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrine {
namespace {

HeldKeys keys(const char* held) {
    HeldKeys k;
    for (const char* p = held; *p != '\0'; ++p) {
        switch (*p) {
        case '<':
            k.left = true;
            break;
        case '>':
            k.right = true;
            break;
        case '^':
            k.up = true;
            break;
        case 'v':
            k.down = true;
            break;
        case 'z':
            k.z = true;
            break;
        case 'x':
            k.x = true;
            break;
        case 'l':
            k.l = true;
            break;
        case 'd':
            k.d = true;
            break;
        case 't':
            k.t = true;
            break;
        case 'S':
            k.shift = true;
            break;
        default:
            ADD_FAILURE() << "unknown key " << *p;
        }
    }
    return k;
}

TEST(KeyBits, OneBitPerTurnKey) {
    EXPECT_EQ(keyBits(keys("")), 0);
    EXPECT_EQ(keyBits(keys("<")), 1);
    EXPECT_EQ(keyBits(keys(">")), 2);
    EXPECT_EQ(keyBits(keys("^")), 4);
    EXPECT_EQ(keyBits(keys("v")), 8);
    EXPECT_EQ(keyBits(keys("x")), 16);
    EXPECT_EQ(keyBits(keys("z")), 32);
    EXPECT_EQ(keyBits(keys("<>^vxz")), 63);
    EXPECT_EQ(keyBits(keys("ldtS")), 0);
    EXPECT_TRUE(lightModifier(keys("l")));
    EXPECT_TRUE(lightModifier(keys("S")));
    EXPECT_FALSE(lightModifier(keys("dt<")));
}

TEST(TurnButtonId, PlainKeys) {
    EXPECT_EQ(turnButtonId(keys("")), 0);
    EXPECT_EQ(turnButtonId(keys(">")), 1006);
    EXPECT_EQ(turnButtonId(keys("<")), 1007);
    EXPECT_EQ(turnButtonId(keys("^")), 1008);
    EXPECT_EQ(turnButtonId(keys("v")), 1009);
    EXPECT_EQ(turnButtonId(keys("x")), 1010);
    EXPECT_EQ(turnButtonId(keys("z")), 1011);
}

TEST(TurnButtonId, LaterKeysOverwriteEarlierOnes) {
    EXPECT_EQ(turnButtonId(keys(">^")), 1008);
    EXPECT_EQ(turnButtonId(keys("<>")), 1007);
    EXPECT_EQ(turnButtonId(keys("^<")), 1008);
    EXPECT_EQ(turnButtonId(keys("^v")), 1009);
    EXPECT_EQ(turnButtonId(keys("vx")), 1010);
    EXPECT_EQ(turnButtonId(keys("xz")), 1011);
    EXPECT_EQ(turnButtonId(keys("<>^vxz")), 1011);
}

TEST(TurnButtonId, LightModifier) {
    EXPECT_EQ(turnButtonId(keys("S>")), 1012);
    EXPECT_EQ(turnButtonId(keys("l<")), 1013);
    EXPECT_EQ(turnButtonId(keys("S^")), 1014);
    EXPECT_EQ(turnButtonId(keys("lv")), 1015);
    EXPECT_EQ(turnButtonId(keys("S>^")), 1014);
    // X and Z have no light id; they leave what an arrow gave.
    EXPECT_EQ(turnButtonId(keys("lx")), 0);
    EXPECT_EQ(turnButtonId(keys("Sz")), 0);
    EXPECT_EQ(turnButtonId(keys("S<z")), 1013);
    // The light modifier comes before D and T.
    EXPECT_EQ(turnButtonId(keys("Sdt>")), 1012);
}

TEST(TurnButtonId, DAndTModifiers) {
    EXPECT_EQ(turnButtonId(keys("d>")), 1105);
    EXPECT_EQ(turnButtonId(keys("d<")), 1115);
    EXPECT_EQ(turnButtonId(keys("d^")), 1125);
    EXPECT_EQ(turnButtonId(keys("dv")), 1135);
    EXPECT_EQ(turnButtonId(keys("dx")), 0);
    EXPECT_EQ(turnButtonId(keys("dvz")), 1135);
    EXPECT_EQ(turnButtonId(keys("dt^")), 1125);
    for (const char* held : {"t>", "t<", "t^", "tv", "tx", "tz", "t<>^vxz"}) {
        EXPECT_EQ(turnButtonId(keys(held)), 1205) << held;
    }
    EXPECT_EQ(turnButtonId(keys("t")), 0);
}

TEST(TurnFlags, ByButtonId) {
    struct Row {
        int32_t id;
        const char* flags;  // the turn keys set, then 'L' for the light
    };
    const Row rows[] = {{1006, ">"}, {1007, "<"},  {1008, "^"},  {1009, "v"},  {1010, "x"},
                        {1011, "z"}, {1012, ">L"}, {1013, "<L"}, {1014, "^L"}, {1015, "vL"},
                        {1105, ">"}, {1115, "<"},  {1125, "^"},  {1135, "v"},  {1205, ""},
                        {0, ""},     {1005, ""},   {1016, ""},   {1106, ""},   {-1, ""}};
    for (const Row& row : rows) {
        const TurnFlags f = turnFlagsForId(row.id);
        std::string got;
        if (f.right) got += '>';
        if (f.left) got += '<';
        if (f.up) got += '^';
        if (f.down) got += 'v';
        if (f.x) got += 'x';
        if (f.z) got += 'z';
        if (f.light) got += 'L';
        EXPECT_EQ(got, row.flags) << "id " << row.id;
    }
}

TEST(KeyboardTurnTracker, PostsOnlyOnTurnKeyChanges) {
    KeyboardTurnTracker tracker;
    KeyboardActions a = tracker.poll(keys(""));
    EXPECT_FALSE(a.postStopTurning);
    EXPECT_FALSE(a.postTurnWhileHeld);

    // Right and Up together turn up; nothing to stop yet.
    a = tracker.poll(keys(">^"));
    EXPECT_FALSE(a.postStopTurning);
    EXPECT_TRUE(a.postTurnWhileHeld);
    EXPECT_EQ(a.turnButtonId, 1008);
    EXPECT_EQ(tracker.previousBits(), 6);

    // Held on: nothing new.
    a = tracker.poll(keys(">^"));
    EXPECT_FALSE(a.postStopTurning || a.postTurnWhileHeld);

    // Shift added while turning does not switch to the light ray...
    a = tracker.poll(keys(">^S"));
    EXPECT_FALSE(a.postStopTurning || a.postTurnWhileHeld);
    // ... until an arrow changes.
    a = tracker.poll(keys("^S"));
    EXPECT_TRUE(a.postStopTurning);
    EXPECT_TRUE(a.postTurnWhileHeld);
    EXPECT_EQ(a.turnButtonId, 1014);

    // Letting go of everything stops the turn and starts nothing.
    a = tracker.poll(keys("S"));
    EXPECT_TRUE(a.postStopTurning);
    EXPECT_FALSE(a.postTurnWhileHeld);
    EXPECT_EQ(tracker.previousBits(), 0);

    // From rest, a key posts a turn but no stop.
    a = tracker.poll(keys("z"));
    EXPECT_FALSE(a.postStopTurning);
    EXPECT_EQ(a.turnButtonId, 1011);
}

}  // namespace
}  // namespace tavrine
