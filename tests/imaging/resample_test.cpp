#include "imaging/resample.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "platform/error.h"

namespace zr::imaging {
namespace {

Picture Filled(int width, int height, uint32_t pixel) {
    return {width, height, std::vector<uint32_t>(static_cast<size_t>(width * height), pixel)};
}

uint32_t At(const Picture& p, int x, int y) {
    return p.pixels.at(static_cast<size_t>(y * p.width + x));
}

TEST(Resample, AnEvenColourStaysExactlyThatColourAtEveryScale) {
    const struct {
        int width, height;
    } sizes[] = {{31, 21}, {38, 26}, {44, 30}, {50, 34}, {12, 8}, {7, 40}};
    for (uint32_t colour : {0xFF2B3D4Fu, 0x80FF8000u}) {
        const Picture source = Filled(25, 17, colour);
        for (const auto& size : sizes) {
            const Picture out = Resample(source, size.width, size.height);
            ASSERT_EQ(out.pixels.size(), static_cast<size_t>(size.width * size.height));
            for (uint32_t p : out.pixels) ASSERT_EQ(p, colour) << size.width << "x" << size.height;
        }
    }
}

TEST(Resample, TheSameSizeGivesThePictureBack) {
    Picture source = Filled(9, 7, 0);
    std::mt19937 random(7);
    for (uint32_t& p : source.pixels) p = static_cast<uint32_t>(random());
    EXPECT_EQ(Resample(source, 9, 7).pixels, source.pixels);
}

// A transparent pixel's colour is no colour: the red edge does not turn green.
TEST(Resample, TransparentPixelsLendNoColourToTheirNeighbours) {
    const Picture source{4, 1, {0xFFFF0000, 0xFFFF0000, 0x0000FF00, 0x0000FF00}};
    const Picture out = Resample(source, 10, 1);
    for (int x = 0; x < out.width; ++x) {
        const uint32_t p = At(out, x, 0);
        if (p >> 24) {
            EXPECT_EQ(p & 0xFFFF, 0u) << "pixel " << x << " " << std::hex << p;
        }
    }
    EXPECT_EQ(At(out, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(At(out, 9, 0), 0u);
}

// The cubic overshoots at a hard edge; the result is clamped, never wrapped around.
TEST(Resample, AnEnlargedEdgeStaysWithinBlackAndWhite) {
    const Picture source{4, 1, {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}};
    const Picture out = Resample(source, 8, 1);
    EXPECT_EQ(At(out, 0, 0), 0xFF000000u);
    EXPECT_EQ(At(out, 7, 0), 0xFFFFFFFFu);
    for (int x = 1; x < out.width; ++x) EXPECT_GE(At(out, x, 0) & 0xFF, At(out, x - 1, 0) & 0xFF);
}

// A thin line every fourth column, shrunk to a quarter, is a quarter grey (away from the ends,
// where the pattern stops): it is neither dropped nor kept whole where a sample falls on it.
TEST(Resample, ShrinkingAveragesInsteadOfSkipping) {
    Picture source = Filled(32, 1, 0xFF000000);
    for (int x = 0; x < 32; x += 4) source.pixels[static_cast<size_t>(x)] = ~0u;
    const Picture out = Resample(source, 8, 1);
    for (int x = 1; x < 7; ++x) EXPECT_NEAR(int(At(out, x, 0) & 0xFF), 64, 3) << x;
}

TEST(Resample, RefusesAPictureLargerThanADecoderMayMake) {
    EXPECT_THROW(Resample(Filled(2, 2, ~0u), 1 << 14, 1 << 14), Error);
}

TEST(MakeTransparent, OnlyTheKeyColourGoesWhateverItsAlpha) {
    Picture picture{3, 1, {0xFF808000, 0x00808000, 0xFF818000}};
    MakeTransparent(picture, 0x808000);
    EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{0, 0, 0xFF818000}));
}

}  // namespace
}  // namespace zr::imaging
