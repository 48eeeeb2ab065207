#include <gtest/gtest.h>

#include <initializer_list>

#include "imaging/picture.h"

namespace zr::imaging {
namespace {

Animation WithDelays(std::initializer_list<int> delays, int loopCount) {
    Animation animation;
    animation.loopCount = loopCount;
    for (int delay : delays) animation.frames.push_back({Picture(), delay});
    return animation;
}

TEST(FrameAt, EachFrameShowsForItsDelayThenEndlessLoopsStartOver) {
    const Animation animation = WithDelays({100, 200, 300}, 0);
    const std::pair<int64_t, size_t> expected[] = {{0, 0},   {99, 0},     {100, 1},
                                                   {299, 1}, {300, 2},    {599, 2},
                                                   {600, 0}, {600150, 1}, {6'000'000'000'450, 2}};
    for (const auto& [elapsed, frame] : expected)
        EXPECT_EQ(FrameAt(animation, elapsed), frame) << elapsed;
}

TEST(FrameAt, CountedLoopsEndOnTheLastFrame) {
    const Animation twice = WithDelays({100, 200, 300}, 2);
    EXPECT_EQ(FrameAt(twice, 700), 1u);  // second play
    EXPECT_EQ(FrameAt(twice, 1199), 2u);
    EXPECT_EQ(FrameAt(twice, 1200), 2u);  // where a third play would begin
    EXPECT_EQ(FrameAt(twice, 1'000'000), 2u);
    EXPECT_EQ(FrameAt(WithDelays({50, 50}, 1), 100), 1u);
}

TEST(FrameAt, NothingToAnimateShowsTheFirstFrame) {
    EXPECT_EQ(FrameAt(WithDelays({100}, 0), 12345), 0u);
    EXPECT_EQ(FrameAt(WithDelays({}, 0), 12345), 0u);
    EXPECT_EQ(FrameAt(WithDelays({0, 0}, 0), 12345), 0u);
    EXPECT_EQ(FrameAt(WithDelays({100, 100}, 0), -50), 0u);
}

}  // namespace
}  // namespace zr::imaging
