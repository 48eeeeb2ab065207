#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/decode_limits.h"
#include "imaging/gif_writer.h"
#include "imaging/picture.h"
#include "platform/error.h"

namespace zr::imaging {
namespace {

using test::FullTable;
using test::GifFrame;
using test::GifWriter;
using test::Solid;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;
const std::vector<uint32_t> kPalette = {kRed, kGreen, kBlue, kWhite};
constexpr uint32_t kClear = 0;

constexpr uint32_t Opaque(uint32_t rgb) {
    return 0xFF000000u | rgb;
}

uint32_t Pixel(const Animation& gif, size_t frame, int x, int y) {
    return gif.frames.at(frame).canvas.pixels.at(static_cast<size_t>(y * gif.width + x));
}

std::vector<uint8_t> RandomIndices(size_t count, int colours, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> indices(count);
    for (uint8_t& index : indices) index = static_cast<uint8_t>(random() % unsigned(colours));
    return indices;
}

// --- Colours ---

TEST(GifColours, LocalTableServesItsOwnFrameOnly) {
    GifFrame global{.width = 3, .height = 1, .indices = {0, 1, 3}, .control = false};
    GifFrame local = Solid(0, 0, 3, 1, 1);
    local.palette = {0x123456, 0xABCDEF};
    const Animation gif = DecodeGif(GifWriter(3, 1, kPalette, "GIF87a")
                                        .Frame(global)
                                        .Frame(local)
                                        .Frame(Solid(0, 0, 1, 1, 2))
                                        .Finish());
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_EQ(gif.frames[0].canvas.pixels,
              std::vector<uint32_t>({Opaque(kRed), Opaque(kGreen), Opaque(kWhite)}));
    EXPECT_EQ(Pixel(gif, 1, 2, 0), Opaque(0xABCDEF));
    EXPECT_EQ(Pixel(gif, 2, 0, 0), Opaque(kBlue));
}

TEST(GifColours, IndexPastTheTableDrawsBlack) {
    GifFrame frame{.width = 2, .height = 1, .indices = {1, 7}, .minCodeSize = 3};
    const Animation gif = DecodeGif(GifWriter(2, 1, {kRed, kGreen}).Frame(frame).Finish());
    EXPECT_EQ(Pixel(gif, 0, 0, 0), Opaque(kGreen));
    EXPECT_EQ(Pixel(gif, 0, 1, 0), Opaque(0));
}

// --- LZW ---

// A 3 x 5 picture from a widely published example file, made by another encoder: 9-bit codes,
// index 0x28 at (0,0) and (1,1), 0xFF elsewhere.
TEST(GifLzw, PublishedExampleDecodes) {
    std::string table(768, '\0');
    table.replace(0x28 * 3, 3, "\x11\x22\x33");
    table.replace(0xFF * 3, 3, "\xFF\xFF\xFF");
    const std::string gif = std::string("GIF89a\x03\x00\x05\x00\xF7\x00\x00", 13) + table +
                            std::string(
                                "\x2C\x00\x00\x00\x00\x03\x00\x05\x00\x00\x08\x0B\x00\x51"
                                "\xFC\x1B\x28\x70\xA0\xC1\x83\x01\x01\x00\x3B",
                                25);
    const Animation decoded = DecodeGif(gif);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(Pixel(decoded, 0, i % 3, i / 3), Opaque(i == 0 || i == 4 ? 0x112233 : kWhite));
    }
}

class GifLzwCodeSizes : public ::testing::TestWithParam<std::pair<int, FullTable>> {};

// Random pixels make many short strings: the codes grow to 12 bits and the table fills, then
// either starts over or carries on frozen; frozen, the data (by its seed) uses the last entry.
TEST_P(GifLzwCodeSizes, PixelsSurviveTableGrowthAndFullTable) {
    const auto [minCodeSize, full] = GetParam();
    std::vector<uint32_t> palette(static_cast<size_t>(1 << std::min(minCodeSize, 8)));
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint32_t(i * 0x010203u);
    GifFrame frame{.width = 230, .height = 170, .minCodeSize = minCodeSize, .full = full};
    frame.indices = RandomIndices(230 * 170, int(palette.size()), 3);
    const test::LzwOutput lzw = test::EncodeLzw(minCodeSize, frame.indices, full);
    ASSERT_GT(lzw.tableFills, 0);
    ASSERT_TRUE(full == FullTable::Clear || lzw.lastEntryUses > 0);

    const Animation gif = DecodeGif(GifWriter(230, 170, palette).Frame(frame).Finish());
    for (size_t i = 0; i < frame.indices.size(); ++i) {
        ASSERT_EQ(gif.frames.at(0).canvas.pixels.at(i), Opaque(palette[frame.indices[i]])) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, GifLzwCodeSizes,
    ::testing::Values(std::pair(2, FullTable::Clear), std::pair(2, FullTable::KeepCodes),
                      std::pair(3, FullTable::KeepCodes), std::pair(5, FullTable::Clear),
                      std::pair(8, FullTable::Clear), std::pair(8, FullTable::KeepCodes),
                      std::pair(11, FullTable::Clear)));

TEST(GifLzw, DataEndingBeforeTheLastPixelLeavesTheRestUndrawn) {
    std::string gif = GifWriter(4, 4, kPalette).Frame(Solid(0, 0, 4, 2, 1)).Finish();
    gif[gif.find('\x2C') + 7] = 4;  // the frame now claims 4 rows but holds data for 2
    const Animation decoded = DecodeGif(gif);
    EXPECT_EQ(Pixel(decoded, 0, 3, 1), Opaque(kGreen));
    EXPECT_EQ(Pixel(decoded, 0, 0, 2), kClear);
}

// Damage ends the animation at the last good frame, as browsers show such files.
TEST(GifLzw, ImpossibleCodeOrStrayByteEndsTheAnimation) {
    const auto frameWith = [](std::string_view codes) {  // 3-bit codes in a 2 x 2 frame
        return std::string("\x2C\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02", 11) +
               char(codes.size()) + std::string(codes) + '\0';
    };
    // Clear (4), then 7 while the table is empty; clear, 0, then 7 where 6 is the next entry.
    for (const std::string& broken :
         {frameWith("\x3C"), frameWith("\xC4\x01"), std::string("\x99")}) {
        GifWriter writer(2, 2, kPalette);
        writer.Frame(Solid(0, 0, 2, 2, 1)).Raw(broken).Frame(Solid(0, 0, 2, 2, 2));
        EXPECT_EQ(DecodeGif(writer.Finish()).frames.size(), 1u);
        EXPECT_THROW(DecodeGif(GifWriter(2, 2, kPalette).Raw(broken).Finish()), Error);
    }
}

// --- Interlacing ---

class GifInterlace : public ::testing::TestWithParam<int> {};

// Each row has its own colour, so a row put in the wrong place shows.
TEST_P(GifInterlace, RowsLandInPictureOrder) {
    const int height = GetParam();
    std::vector<uint32_t> palette(32);
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint32_t(i + 1) * 0x050505u;
    GifFrame frame{.width = 3, .height = height, .interlaced = true};
    for (int y = 0; y < height; ++y) frame.indices.insert(frame.indices.end(), 3, uint8_t(y));
    const Animation gif = DecodeGif(GifWriter(3, height, palette).Frame(frame).Finish());
    for (int y = 0; y < height; ++y) EXPECT_EQ(Pixel(gif, 0, 2, y), Opaque(palette[size_t(y)]));
}

INSTANTIATE_TEST_SUITE_P(Heights, GifInterlace, ::testing::Values(1, 2, 3, 4, 5, 8, 9, 13, 31));

// --- Compositing ---

TEST(GifCompositing, TransparentPixelsShowWhatIsBelow) {
    GifFrame first{.left = 1, .width = 2, .height = 1, .indices = {3, 1}, .transparent = 3};
    GifFrame second{.width = 3, .height = 1, .indices = {0, 0, 2}, .transparent = 0};
    const Animation gif = DecodeGif(GifWriter(3, 1, kPalette).Frame(first).Frame(second).Finish());
    EXPECT_EQ(gif.frames[0].canvas.pixels, std::vector<uint32_t>({kClear, kClear, Opaque(kGreen)}));
    EXPECT_EQ(gif.frames[1].canvas.pixels, std::vector<uint32_t>({kClear, kClear, Opaque(kBlue)}));
}

class GifKeepDisposal : public ::testing::TestWithParam<int> {};

// 0 is "unspecified", 1 "do not dispose"; 5 to 7 mean nothing and are taken as 0.
TEST_P(GifKeepDisposal, LaterFramesDrawOverWhatStays) {
    const Animation gif = DecodeGif(GifWriter(3, 3, kPalette)
                                        .Frame(Solid(0, 0, 3, 3, 0, GetParam()))
                                        .Frame(Solid(1, 1, 1, 1, 2))
                                        .Finish());
    EXPECT_EQ(Pixel(gif, 1, 0, 0), Opaque(kRed));
    EXPECT_EQ(Pixel(gif, 1, 1, 1), Opaque(kBlue));
}

INSTANTIATE_TEST_SUITE_P(Methods, GifKeepDisposal, ::testing::Values(0, 1, 5));

TEST(GifCompositing, RestoreBackgroundClearsThatFrameOnlyAfterItShows) {
    const Animation gif = DecodeGif(GifWriter(4, 4, kPalette)
                                        .Frame(Solid(0, 0, 4, 4, 0))
                                        .Frame(Solid(1, 1, 2, 2, 2, 2))
                                        .Frame(Solid(0, 3, 1, 1, 3))
                                        .Finish());
    EXPECT_EQ(Pixel(gif, 1, 1, 1), Opaque(kBlue));
    EXPECT_EQ(Pixel(gif, 2, 1, 0), Opaque(kRed));
    EXPECT_EQ(Pixel(gif, 2, 1, 1), kClear);
    EXPECT_EQ(Pixel(gif, 2, 2, 2), kClear);
    EXPECT_EQ(Pixel(gif, 2, 3, 3), Opaque(kRed));
    EXPECT_EQ(Pixel(gif, 2, 0, 3), Opaque(kWhite));
}

class GifRestorePrevious : public ::testing::TestWithParam<int> {};

// 4 is what some encoders write for "restore previous".
TEST_P(GifRestorePrevious, NextFrameSeesTheCanvasFromBefore) {
    const Animation gif = DecodeGif(GifWriter(4, 4, kPalette)
                                        .Frame(Solid(0, 0, 4, 4, 0))
                                        .Frame(Solid(0, 0, 2, 2, 1, 2))  // clears its square
                                        .Frame(Solid(0, 3, 4, 1, 2, GetParam()))
                                        .Frame(Solid(3, 0, 1, 1, 3))
                                        .Finish());
    EXPECT_EQ(Pixel(gif, 2, 0, 3), Opaque(kBlue));
    EXPECT_EQ(Pixel(gif, 3, 0, 3), Opaque(kRed));  // the blue row undone
    EXPECT_EQ(Pixel(gif, 3, 0, 0), kClear);        // the earlier clearing kept
    EXPECT_EQ(Pixel(gif, 3, 3, 0), Opaque(kWhite));
}

INSTANTIATE_TEST_SUITE_P(Methods, GifRestorePrevious, ::testing::Values(3, 4));

TEST(GifCompositing, FramesReachingPastTheScreenAreClipped) {
    GifFrame frame{.left = 2, .top = 2, .width = 3, .height = 3, .disposal = 2};
    frame.indices = {0, 1, 2, 1, 2, 3, 2, 3, 0};
    const Animation gif = DecodeGif(GifWriter(4, 4, kPalette)
                                        .Frame(Solid(0, 0, 4, 4, 3))
                                        .Frame(frame)
                                        .Frame(Solid(9, 9, 5, 5, 1))  // entirely outside
                                        .Finish());
    EXPECT_EQ(Pixel(gif, 1, 2, 2), Opaque(kRed));
    EXPECT_EQ(Pixel(gif, 1, 3, 2), Opaque(kGreen));
    EXPECT_EQ(Pixel(gif, 1, 2, 3), Opaque(kGreen));
    EXPECT_EQ(Pixel(gif, 1, 3, 3), Opaque(kBlue));
    EXPECT_EQ(Pixel(gif, 1, 0, 3), Opaque(kWhite));  // nothing wrapped into the next row
    EXPECT_EQ(Pixel(gif, 2, 3, 3), kClear);
    EXPECT_EQ(Pixel(gif, 2, 1, 1), Opaque(kWhite));
}

TEST(GifCompositing, ZeroScreenTakesTheSizeOfTheFirstFrame) {
    const Animation gif = DecodeGif(GifWriter(0, 0, kPalette).Frame(Solid(1, 0, 3, 2, 1)).Finish());
    EXPECT_EQ(gif.width, 4);
    EXPECT_EQ(gif.height, 2);
    EXPECT_EQ(Pixel(gif, 0, 3, 1), Opaque(kGreen));
}

// --- Timing and looping ---

GifFrame Delayed(int delayCs, bool control = true) {
    GifFrame frame = Solid(0, 0, 1, 1, 0);
    frame.delayCs = delayCs;
    frame.control = control;
    return frame;
}

// Delays of 10 ms or less become 100 ms, as browsers show them.
TEST(GifTiming, DelaysComeInHundredthsOfASecond) {
    GifWriter writer(1, 1, kPalette);
    for (int delay : {7, 250, 0, 1, 2}) writer.Frame(Delayed(delay));
    const Animation gif = DecodeGif(writer.Frame(Delayed(50, false)).Finish());
    std::vector<int> delays;
    for (const AnimationFrame& frame : gif.frames) delays.push_back(frame.delayMs);
    EXPECT_EQ(delays, std::vector<int>({70, 2500, 100, 100, 20, 100}));
}

TEST(GifTiming, ControlExtensionAppliesToTheNextFrameOnly) {
    GifFrame first = Delayed(50);
    first.transparent = 1;
    GifFrame second = Solid(0, 0, 1, 1, 1);
    second.control = false;
    const Animation gif = DecodeGif(GifWriter(1, 1, kPalette).Frame(first).Frame(second).Finish());
    EXPECT_EQ(gif.frames[1].delayMs, 100);
    EXPECT_EQ(Pixel(gif, 1, 0, 0), Opaque(kGreen));
}

TEST(GifTiming, LoopCountFollowsTheNetscapeExtension) {
    auto loops = [](int count) {
        GifWriter writer(1, 1, kPalette);
        if (count >= 0) writer.Loop(count);
        return DecodeGif(writer.Frame(Delayed(5)).Frame(Delayed(5)).Finish()).loopCount;
    };
    EXPECT_EQ(loops(-1), 1);  // no extension: plays once
    EXPECT_EQ(loops(0), 0);   // forever
    EXPECT_EQ(loops(3), 4);   // once, then three more times
    EXPECT_EQ(loops(65535), 65536);
}

// --- Damaged files ---

TEST(GifDamage, FilesWithoutAUsableFrameThrow) {
    EXPECT_THROW(DecodeGif(""), Error);
    EXPECT_THROW(DecodeGif("GIF88a"), Error);
    EXPECT_THROW(DecodeGif(std::string(1000, 'A')), Error);
    EXPECT_THROW(DecodeGif(GifWriter(4, 4, kPalette).Loop(0).Finish()), Error);
    EXPECT_THROW(DecodeGif(GifWriter(2, 2).Frame(Solid(0, 0, 2, 2, 0)).Finish()),
                 Error);  // no table
}

TEST(GifDamage, HugeClaimedSizesThrowBeforeAllocating) {
    EXPECT_THROW(DecodeGif(GifWriter(65535, 65535, kPalette).Frame(Solid(0, 0, 1, 1, 0)).Finish()),
                 Error);
    GifFrame huge = Solid(0, 0, 1, 1, 0);
    huge.width = huge.height = 65535;  // with the data of one pixel
    EXPECT_THROW(DecodeGif(GifWriter(4, 4, kPalette).Frame(huge).Finish()), Error);
}

// Frames of a few bytes on a 1 x 1 screen stay far below the pixel limit.
TEST(GifDamage, MoreFramesThanTheLimitThrow) {
    GifWriter writer(1, 1, kPalette);
    for (size_t i = 0; i < kMaxFrames; ++i) writer.Frame(Solid(0, 0, 1, 1, 0));
    EXPECT_EQ(DecodeGif(writer.Finish()).frames.size(), kMaxFrames);
    EXPECT_THROW(DecodeGif(writer.Frame(Solid(0, 0, 1, 1, 0)).Finish()), Error);
}

size_t FramesDecoded(const std::string& bytes) {
    try {
        return DecodeGif(bytes).frames.size();
    } catch (const Error&) {
        return 0;
    }
}

// Cut anywhere, a file keeps exactly the frames whose pixels all arrived, the same as in the
// whole file; before the first such frame, decoding throws.
TEST(GifDamage, TruncatedFileKeepsItsCompleteFrames) {
    GifWriter writer(16, 16, kPalette);
    writer.Loop(0);
    std::vector<size_t> frameEnds;
    for (unsigned i = 0; i < 3; ++i) {
        writer.Frame({.width = 16, .height = 16, .indices = RandomIndices(256, 4, i)});
        frameEnds.push_back(writer.Size());
    }
    const std::string whole = writer.Finish();
    const Animation full = DecodeGif(whole);
    ASSERT_EQ(full.frames.size(), 3u);

    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        const std::string cut = whole.substr(0, length);
        const size_t complete = size_t(std::count_if(frameEnds.begin(), frameEnds.end(),
                                                     [&](size_t end) { return end <= length; }));
        const size_t next = complete < frameEnds.size() ? frameEnds[complete] : SIZE_MAX;
        const size_t decoded = FramesDecoded(cut);
        if (length + 1 == next) {
            EXPECT_EQ(decoded, complete + 1);  // only the block terminator is missing
        } else if (length + 2 == next) {
            // The last data byte may hold nothing but the end code.
            EXPECT_TRUE(decoded == complete || decoded == complete + 1) << decoded;
        } else {
            EXPECT_EQ(decoded, complete);
        }
        if (decoded == 0) continue;
        const Animation kept = DecodeGif(cut);
        for (size_t i = 0; i < kept.frames.size(); ++i) {
            ASSERT_EQ(kept.frames[i].canvas.pixels, full.frames[i].canvas.pixels);
        }
    }
}

}  // namespace
}  // namespace zr::imaging
