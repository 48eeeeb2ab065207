#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "imaging/decode_limits.h"
#include "imaging/picture.h"
#include "platform/error.h"
#include "support/jpeg_writer.h"

namespace zr::imaging {
namespace {

using test::EncodeJpeg;
using Options = test::JpegOptions;

struct Rgb {
    int r, g, b;
};

const Rgb kQuadrants[4] = {{220, 30, 30}, {30, 200, 40}, {20, 40, 210}, {240, 240, 30}};

// 32 x 32 in four flat quadrants: away from their edges JPEG keeps flat colours closely.
std::string Quadrants(const Options& options) {
    return EncodeJpeg(32, 32, options, [](int x, int y) {
        const Rgb c = kQuadrants[(y / 16) * 2 + x / 16];
        return std::vector<uint8_t>{uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)};
    });
}

void ExpectNear(uint32_t pixel, Rgb expected, int tolerance) {
    EXPECT_EQ(pixel >> 24, 0xFFu);
    EXPECT_NEAR(int(pixel >> 16 & 0xFF), expected.r, tolerance);
    EXPECT_NEAR(int(pixel >> 8 & 0xFF), expected.g, tolerance);
    EXPECT_NEAR(int(pixel & 0xFF), expected.b, tolerance);
}

// --- Decoding ---

class JpegModes : public ::testing::TestWithParam<bool> {};

TEST_P(JpegModes, ColoursLandInTheirPlacesFullyOpaque) {
    const Picture picture = DecodeJpeg(Quadrants({.progressive = GetParam()}));
    ASSERT_EQ(picture.width, 32);
    ASSERT_EQ(picture.height, 32);
    ASSERT_EQ(picture.pixels.size(), 32u * 32u);
    for (int q = 0; q < 4; ++q) {
        ExpectNear(picture.pixels[size_t(8 + 16 * (q % 2) + 32 * (8 + 16 * (q / 2)))],
                   kQuadrants[q], 6);
    }
    for (uint32_t pixel : picture.pixels) ASSERT_EQ(pixel >> 24, 0xFFu);
}

INSTANTIATE_TEST_SUITE_P(BaselineAndProgressive, JpegModes, ::testing::Bool());

TEST(Jpeg, GrayscaleComesOutGrey) {
    const Picture picture = DecodeJpeg(EncodeJpeg(64, 8, {.space = JCS_GRAYSCALE}, [](int x, int) {
        return std::vector<uint8_t>{uint8_t(x * 4)};
    }));
    ASSERT_EQ(picture.width, 64);
    for (int x = 0; x < 64; x += 9)
        ExpectNear(picture.pixels[size_t(4 * 64 + x)], {x * 4, x * 4, x * 4}, 4);
}

// Inks are stored inverted, as Adobe software writes them: 255 means no ink.
TEST(Jpeg, CmykIsReadAsAdobeWritesIt) {
    const Picture picture = DecodeJpeg(EncodeJpeg(16, 16, {.space = JCS_CMYK}, [](int x, int) {
        return x < 8 ? std::vector<uint8_t>{255, 0, 255, 255}     // full magenta: green
                     : std::vector<uint8_t>{255, 255, 255, 128};  // half black
    }));
    ExpectNear(picture.pixels[4 * 16 + 3], {255, 0, 255}, 6);
    ExpectNear(picture.pixels[4 * 16 + 12], {128, 128, 128}, 6);
}

class JpegSizes : public ::testing::TestWithParam<std::pair<int, int>> {};

// Sizes that are no multiple of the 8 x 8 blocks keep their exact width and height.
TEST_P(JpegSizes, KeepsItsDimensions) {
    const auto [width, height] = GetParam();
    const Picture picture = DecodeJpeg(EncodeJpeg(width, height, {}, [](int x, int y) {
        return std::vector<uint8_t>{uint8_t(x), uint8_t(y), 128};
    }));
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);
    EXPECT_EQ(picture.pixels.size(), size_t(width) * size_t(height));
}

INSTANTIATE_TEST_SUITE_P(Odd, JpegSizes,
                         ::testing::Values(std::pair(1, 1), std::pair(7, 3), std::pair(33, 17),
                                           std::pair(200, 1), std::pair(1, 130)));

// --- Damaged files ---

TEST(JpegDamage, NonJpegThrowsWithLibjpegsReason) {
    EXPECT_THROW(DecodeJpeg(""), Error);
    EXPECT_THROW(DecodeJpeg(std::string(500, '\xFF')), Error);
    std::mt19937 random(3);
    std::string noise(2000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    EXPECT_THROW(DecodeJpeg(noise), Error);
    try {
        DecodeJpeg("GIF89a\x01\x00\x01\x00");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("Not a JPEG file"), std::string::npos)
            << error.what();
    }
}

// A file cut anywhere throws rather than showing a partly grey picture.
TEST_P(JpegModes, EveryCutThrows) {
    const std::string whole = Quadrants({.progressive = GetParam(), .quality = 60});
    ASSERT_NO_THROW(DecodeJpeg(whole));
    for (size_t length = 0; length < whole.size(); ++length) {
        EXPECT_THROW(DecodeJpeg(whole.substr(0, length)), Error) << length;
    }
}

// libjpeg works around most damage inside the coded data; whatever it does, the result is the
// whole picture the intact header announces, opaque, or an Error.
TEST(JpegDamage, CorruptedDataGivesTheWholePictureOrAnError) {
    const std::string whole = Quadrants({.progressive = true});
    const size_t data = whole.find("\xFF\xDA");  // the first scan; the frame header is before it
    ASSERT_NE(data, std::string::npos);
    std::mt19937 random(11);
    int pictures = 0;
    for (int round = 0; round < 200; ++round) {
        std::string damaged = whole;
        for (int i = 0; i < 4; ++i) {
            damaged[data + 2 + random() % (damaged.size() - data - 2)] =
                static_cast<char>(random());
        }
        Picture picture;
        try {
            picture = DecodeJpeg(damaged);
        } catch (const Error& error) {
            EXPECT_STRNE(error.what(), "") << round;
            continue;
        }
        ++pictures;
        ASSERT_EQ(picture.width, 32) << round;
        ASSERT_EQ(picture.height, 32) << round;
        ASSERT_EQ(picture.pixels.size(), 32u * 32u) << round;
        for (uint32_t pixel : picture.pixels) ASSERT_EQ(pixel >> 24, 0xFFu) << round;
    }
    EXPECT_GT(pictures, 0) << "no damage was worked around";
}

// A header of a few hundred bytes may claim 65500 x 65500 pixels.
TEST(JpegDamage, HugeClaimedSizeThrowsBeforeAllocating) {
    std::string jpeg = Quadrants({});
    const size_t frame = jpeg.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    jpeg.replace(frame + 5, 4, std::string("\xFF\x00\xFF\x00", 4));  // height, width
    // Its data soon runs out, so only the reason tells that the size was refused up front.
    try {
        DecodeJpeg(jpeg);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos) << error.what();
    }
}

// A progressive 8 x 8 grey picture in count scans (up to 694) of a few bytes each: a DC scan,
// then AC scans of one coefficient each, refined a bit at a time.
std::string WithScans(int count) {
    std::vector<jpeg_scan_info> scans = {{1, {0}, 0, 0, 0, 0}};
    for (int k = 1; k < 64; ++k) {
        for (int bit = 10; bit >= 0 && int(scans.size()) < count; --bit) {
            scans.push_back({1, {0}, k, k, bit == 10 ? 0 : bit + 1, bit});
        }
    }
    return EncodeJpeg(8, 8, {.space = JCS_GRAYSCALE, .scans = scans},
                      [](int x, int y) { return std::vector<uint8_t>{uint8_t(x * y)}; });
}

TEST(JpegDamage, MoreScansThanTheLimitThrow) {
    EXPECT_NO_THROW(DecodeJpeg(WithScans(kMaxJpegScans)));
    EXPECT_THROW(DecodeJpeg(WithScans(kMaxJpegScans + 1)), Error);
}

// Four full-size components keep more than the pixels' budget in coefficients.
TEST(JpegDamage, NeedingMoreMemoryThanTheLimitThrows) {
    std::string jpeg = EncodeJpeg(8, 8, {.space = JCS_CMYK, .progressive = true}, [](int, int) {
        return std::vector<uint8_t>{0, 0, 0, 0};
    });
    const size_t frame = jpeg.find("\xFF\xC2");
    ASSERT_NE(frame, std::string::npos);
    jpeg.replace(frame + 5, 4, "\x17\x70\x17\x70");  // 6000 x 6000, within the pixel limit
    // Its data soon runs out, so only the reason tells that the memory was refused.
    try {
        DecodeJpeg(jpeg);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("memory"), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace zr::imaging
