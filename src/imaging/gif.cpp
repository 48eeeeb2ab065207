#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "imaging/decode_limits.h"
#include "imaging/lzw.h"
#include "imaging/picture.h"
#include "platform/error.h"

namespace zr::imaging {
namespace {

// Both end the animation at the last complete frame, as browsers show a damaged GIF.
struct EndOfData {};
struct Damaged {};

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    bool AtEnd() const { return pos_ == bytes_.size(); }

    uint8_t Byte() {
        if (AtEnd()) throw EndOfData();
        return static_cast<uint8_t>(bytes_[pos_++]);
    }

    int U16() {
        const int low = Byte();
        return low | Byte() << 8;
    }

    // Up to count bytes: fewer only at the end of the file.
    std::string_view Take(size_t count) {
        const std::string_view part = bytes_.substr(pos_, count);
        pos_ += part.size();
        return part;
    }

    std::string_view Exactly(size_t count) {
        const std::string_view part = Take(count);
        if (part.size() < count) throw EndOfData();
        return part;
    }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

struct SubBlocks {
    std::vector<std::string_view> blocks;
    bool complete = false;  // the zero terminator was read; false when the file ended first
};

SubBlocks ReadSubBlocks(ByteReader& in) {
    SubBlocks result;
    while (!in.AtEnd()) {
        const uint8_t size = in.Byte();
        if (size == 0) {
            result.complete = true;
            break;
        }
        result.blocks.push_back(in.Take(size));
        if (result.blocks.back().size() < size) break;
    }
    return result;
}

uint8_t At(std::string_view bytes, size_t i) {
    return static_cast<uint8_t>(bytes[i]);
}

using Palette = std::vector<uint32_t>;

Palette ReadPalette(ByteReader& in, int sizeBits) {
    const size_t count = size_t{1} << (sizeBits + 1);
    const std::string_view rgb = in.Exactly(count * 3);
    Palette palette(count);
    for (size_t i = 0; i < count; ++i) {
        palette[i] = 0xFF000000u | uint32_t{At(rgb, 3 * i)} << 16 |
                     uint32_t{At(rgb, 3 * i + 1)} << 8 | At(rgb, 3 * i + 2);
    }
    return palette;
}

enum class Disposal { Keep, RestoreBackground, RestorePrevious };

struct GraphicControl {
    int delayMs = 0;
    Disposal disposal = Disposal::Keep;
    int transparent = -1;
};

GraphicControl ParseGraphicControl(std::string_view block) {
    GraphicControl control;
    if (block.size() < 4) return control;
    const uint8_t flags = At(block, 0);
    switch ((flags >> 2) & 7) {
        case 2:
            control.disposal = Disposal::RestoreBackground;
            break;
        // Some encoders set the next bit up for "restore previous"; browsers take 4 as 3.
        case 3:
        case 4:
            control.disposal = Disposal::RestorePrevious;
            break;
        default:
            break;
    }
    control.delayMs = (At(block, 1) | At(block, 2) << 8) * 10;
    if (flags & 1) control.transparent = At(block, 3);
    return control;
}

// Browsers raise delays of 10 ms and less to 100 ms, and files are made to look right there.
int EffectiveDelay(int delayMs) {
    return delayMs <= 10 ? 100 : delayMs;
}

// Decoded row i of an interlaced image is picture row InterlacedRows(height)[i].
std::vector<int> InterlacedRows(int height) {
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(height));
    constexpr int kStart[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = kStart[pass]; row < height; row += kStep[pass]) rows.push_back(row);
    }
    return rows;
}

struct ImageDescriptor {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
};

class GifDecoder {
  public:
    explicit GifDecoder(std::string_view bytes) : in_(bytes) {}

    Animation Decode() {
        ReadSignature();
        try {
            ReadScreen();
            while (ReadBlock()) {
            }
        } catch (const EndOfData&) {
        } catch (const Damaged&) {
        }
        if (animation_.frames.empty()) throw Error("The GIF file holds no complete frame.");
        animation_.loopCount = LoopCount();
        return std::move(animation_);
    }

  private:
    void ReadSignature() {
        const std::string_view signature = in_.Take(6);
        if (signature != "GIF87a" && signature != "GIF89a") throw Error("Not a GIF file.");
    }

    void ReadScreen() {
        animation_.width = in_.U16();
        animation_.height = in_.U16();
        const uint8_t flags = in_.Byte();
        in_.Exactly(2);  // background colour and aspect ratio: browsers ignore both
        if (flags & 0x80) global_ = ReadPalette(in_, flags & 7);
    }

    // False at the trailer, and at anything that is no block: what follows is not read.
    bool ReadBlock() {
        switch (in_.Byte()) {
            case 0x21:
                ReadExtension();
                return true;
            case 0x2C:
                ReadImage();
                return true;
            default:
                return false;
        }
    }

    void ReadExtension() {
        const uint8_t label = in_.Byte();
        const SubBlocks data = ReadSubBlocks(in_);
        if (data.blocks.empty()) return;
        if (label == 0xF9) {
            control_ = ParseGraphicControl(data.blocks[0]);
        } else if (label == 0xFF &&
                   (data.blocks[0] == "NETSCAPE2.0" || data.blocks[0] == "ANIMEXTS1.0")) {
            for (size_t i = 1; i < data.blocks.size(); ++i) {
                const std::string_view block = data.blocks[i];
                if (block.size() >= 3 && (At(block, 0) & 7) == 1) {
                    netscapeLoops_ = At(block, 1) | At(block, 2) << 8;
                }
            }
        }
    }

    void ReadImage() {
        ImageDescriptor image;
        image.left = in_.U16();
        image.top = in_.U16();
        image.width = in_.U16();
        image.height = in_.U16();
        const uint8_t flags = in_.Byte();
        image.interlaced = (flags & 0x40) != 0;
        const Palette local = (flags & 0x80) ? ReadPalette(in_, flags & 7) : Palette();
        const Palette& palette = local.empty() ? global_ : local;
        const int minCodeSize = in_.Byte();
        const SubBlocks data = ReadSubBlocks(in_);

        if (palette.empty() || minCodeSize < 1 || minCodeSize > 11) throw Damaged();
        CheckSize(int64_t{image.width} * image.height);
        std::vector<uint8_t> compressed;
        for (std::string_view block : data.blocks) {
            compressed.insert(compressed.end(), block.begin(), block.end());
        }
        // Room for what the data can give, not for what the frame claims: frames of a few bytes
        // each claiming 8192 x 8192 would otherwise cost 64 MB apiece.
        const size_t pixels = size_t(image.width) * size_t(image.height);
        std::vector<uint8_t> indices(
            std::min(pixels, MaxLzwOutput(minCodeSize, compressed.size())));
        const LzwResult lzw = DecodeGifLzw(minCodeSize, compressed, indices);
        if (lzw.corrupt) throw Damaged();
        // A frame whose pixels all arrived counts even if the file ends before its terminator.
        if (lzw.written < pixels && !data.complete) throw EndOfData();

        StartCanvas(image);
        const GraphicControl control = std::exchange(control_, GraphicControl());
        std::optional<std::vector<uint32_t>> before;
        if (control.disposal == Disposal::RestorePrevious) before = canvas_;
        Draw(image, std::span(indices).first(lzw.written), palette, control.transparent);
        AddFrame(EffectiveDelay(control.delayMs));
        Dispose(image, control.disposal, std::move(before));
    }

    static void CheckSize(int64_t pixels) {
        if (pixels > kMaxPixels) throw Error("The GIF picture is too large.");
    }

    void StartCanvas(const ImageDescriptor& image) {
        if (!animation_.frames.empty()) return;
        // Some writers leave the logical screen at zero; the first frame then gives its size.
        if (animation_.width == 0 || animation_.height == 0) {
            animation_.width = image.left + image.width;
            animation_.height = image.top + image.height;
        }
        if (animation_.width == 0 || animation_.height == 0) throw Damaged();
        CheckSize(int64_t{animation_.width} * animation_.height);
        // Nothing drawn yet is transparent; the background colour is ignored, as browsers do.
        canvas_.assign(size_t(animation_.width) * size_t(animation_.height), 0);
    }

    void Draw(const ImageDescriptor& image, std::span<const uint8_t> indices,
              const Palette& palette, int transparent) {
        const std::vector<int> rows =
            image.interlaced ? InterlacedRows(image.height) : std::vector<int>();
        for (size_t i = 0; i < indices.size(); ++i) {
            const int index = indices[i];
            if (index == transparent) continue;
            const int decodedRow = static_cast<int>(i / size_t(image.width));
            const int x = image.left + static_cast<int>(i % size_t(image.width));
            const int y = image.top + (image.interlaced ? rows[size_t(decodedRow)] : decodedRow);
            if (x >= animation_.width || y >= animation_.height) continue;
            // An index past the end of the table draws black rather than failing the frame.
            const uint32_t colour =
                size_t(index) < palette.size() ? palette[size_t(index)] : 0xFF000000u;
            canvas_[size_t(y) * size_t(animation_.width) + size_t(x)] = colour;
        }
    }

    void AddFrame(int delayMs) {
        if (animation_.frames.size() >= kMaxFrames) {
            throw Error("The GIF animation has too many frames.");
        }
        CheckSize(int64_t(animation_.frames.size() + 1) * int64_t{animation_.width} *
                  animation_.height);
        animation_.frames.push_back({{animation_.width, animation_.height, canvas_}, delayMs});
    }

    void Dispose(const ImageDescriptor& image, Disposal disposal,
                 std::optional<std::vector<uint32_t>> before) {
        if (disposal == Disposal::RestorePrevious) {
            canvas_ = std::move(*before);
        } else if (disposal == Disposal::RestoreBackground) {
            const int right = std::min(image.left + image.width, animation_.width);
            const int bottom = std::min(image.top + image.height, animation_.height);
            for (int y = image.top; y < bottom; ++y) {
                for (int x = image.left; x < right; ++x) {
                    canvas_[size_t(y) * size_t(animation_.width) + size_t(x)] = 0;
                }
            }
        }
    }

    // Browsers play a NETSCAPE2.0 count of n once and then n more times; without the extension
    // an animation plays once.
    int LoopCount() const {
        if (!netscapeLoops_) return 1;
        return *netscapeLoops_ == 0 ? 0 : *netscapeLoops_ + 1;
    }

    ByteReader in_;
    Palette global_;
    GraphicControl control_;  // applies to the next image only
    std::optional<int> netscapeLoops_;
    std::vector<uint32_t> canvas_;
    Animation animation_;
};

}  // namespace

Animation DecodeGif(std::string_view bytes) {
    return GifDecoder(bytes).Decode();
}

}  // namespace zr::imaging
