#pragma once

// Builds GIF files for tests, with an LZW encoder whose behaviour at a full table can be chosen.

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zr::imaging::test {

// What the encoder does once its table holds all 4096 codes: send a clear code and start over,
// or go on with 12-bit codes and a frozen table (a "deferred clear").
enum class FullTable { Clear, KeepCodes };

struct LzwOutput {
    std::string bytes;
    int tableFills = 0;
    int lastEntryUses = 0;  // code 4095 sent while the table was full and frozen
};

inline LzwOutput EncodeLzw(int minCodeSize, const std::vector<uint8_t>& indices,
                           FullTable full = FullTable::Clear) {
    LzwOutput out;
    uint32_t buffer = 0;
    int pending = 0;
    auto put = [&](int code, int bits) {
        buffer |= static_cast<uint32_t>(code) << pending;
        for (pending += bits; pending >= 8; pending -= 8, buffer >>= 8) {
            out.bytes += static_cast<char>(buffer & 0xFF);
        }
    };
    const int clear = 1 << minCodeSize;
    int bits = minCodeSize + 1, next = clear + 2, current = -1;
    std::map<std::pair<int, int>, int> table;
    put(clear, bits);
    for (const uint8_t index : indices) {
        if (current < 0) {
            current = index;
            continue;
        }
        if (const auto found = table.find({current, index}); found != table.end()) {
            current = found->second;
            continue;
        }
        put(current, bits);
        if (current == 4095 && next == 4096 && full == FullTable::KeepCodes) ++out.lastEntryUses;
        if (next < 4096) {
            table[{current, index}] = next++;
            // The decoder adds each entry one code later than the encoder.
            if (next > (1 << bits) && bits < 12) ++bits;
            if (next == 4096) ++out.tableFills;
        } else if (full == FullTable::Clear) {
            put(clear, bits);
            table.clear();
            bits = minCodeSize + 1;
            next = clear + 2;
        }
        current = index;
    }
    if (current >= 0) put(current, bits);
    if (next == (1 << bits) && bits < 12) ++bits;  // the decoder's entry for that last code
    put(clear + 1, bits);
    if (pending > 0) out.bytes += static_cast<char>(buffer);
    return out;
}

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indices = {};   // row by row, top to bottom, whatever the interlacing
    std::vector<uint32_t> palette = {};  // 0xRRGGBB local colour table; empty: the global one
    bool interlaced = false;
    bool control = true;  // writes a Graphic Control Extension with the next three
    int delayCs = 0, disposal = 0, transparent = -1;
    int minCodeSize = 0;  // 0: the smallest for the colour table
    FullTable full = FullTable::Clear;
};

// A frame of one colour index, at (left, top).
inline GifFrame Solid(int left, int top, int width, int height, uint8_t index, int disposal = 0) {
    GifFrame frame{.left = left, .top = top, .width = width, .height = height};
    frame.indices.assign(static_cast<size_t>(width * height), index);
    frame.disposal = disposal;
    return frame;
}

class GifWriter {
  public:
    explicit GifWriter(int width, int height, const std::vector<uint32_t>& palette = {},
                       std::string_view version = "GIF89a")
        : bytes_(version), globalBits_(palette.empty() ? 8 : TableBits(palette.size())) {
        U16(width);
        U16(height);
        Put(palette.empty() ? 0 : 0x80 | (globalBits_ - 1));
        bytes_ += std::string(2, '\0');
        Palette(palette);
    }

    GifWriter& Loop(int count) {
        bytes_ += "\x21\xFF\x0BNETSCAPE2.0\x03\x01";
        U16(count);
        return Raw(std::string(1, '\0'));
    }

    GifWriter& Frame(const GifFrame& frame) {
        if (frame.control) {
            bytes_ += "\x21\xF9\x04";
            Put(frame.disposal << 2 | (frame.transparent >= 0 ? 1 : 0));
            U16(frame.delayCs);
            Put(std::max(frame.transparent, 0));
            Put(0);
        }
        Put(0x2C);
        for (int value : {frame.left, frame.top, frame.width, frame.height}) U16(value);
        const int tableBits = frame.palette.empty() ? globalBits_ : TableBits(frame.palette.size());
        Put((frame.interlaced ? 0x40 : 0) | (frame.palette.empty() ? 0 : 0x80 | (tableBits - 1)));
        Palette(frame.palette);
        const int minCodeSize = frame.minCodeSize > 0 ? frame.minCodeSize : std::max(2, tableBits);
        Put(minCodeSize);
        std::vector<uint8_t> ordered = frame.indices;
        if (frame.interlaced) {
            ordered.clear();
            for (const auto& [start, step] : {std::pair(0, 8), {4, 8}, {2, 4}, {1, 2}}) {
                for (int row = start; row < frame.height; row += step) {
                    const auto first = frame.indices.begin() + row * frame.width;
                    ordered.insert(ordered.end(), first, first + frame.width);
                }
            }
        }
        const std::string data = EncodeLzw(minCodeSize, ordered, frame.full).bytes;
        for (size_t at = 0; at < data.size(); at += 255) {
            Put(static_cast<int>(std::min<size_t>(255, data.size() - at)));
            bytes_ += data.substr(at, 255);
        }
        return Raw(std::string(1, '\0'));
    }

    GifWriter& Raw(std::string_view bytes) {
        bytes_ += bytes;
        return *this;
    }

    size_t Size() const { return bytes_.size(); }
    std::string Finish() const { return bytes_ + '\x3B'; }

  private:
    static int TableBits(size_t entries) {
        int bits = 1;
        while ((size_t{1} << bits) < entries) ++bits;
        return bits;
    }
    void Put(int byte) { bytes_ += static_cast<char>(byte); }
    void U16(int value) {
        Put(value & 0xFF);
        Put(value >> 8 & 0xFF);
    }
    void Palette(const std::vector<uint32_t>& palette) {
        if (palette.empty()) return;
        for (size_t i = 0; i < size_t{1} << TableBits(palette.size()); ++i) {
            const uint32_t rgb = i < palette.size() ? palette[i] : 0;
            for (int shift : {16, 8, 0}) Put(static_cast<int>(rgb >> shift & 0xFF));
        }
    }

    std::string bytes_;
    int globalBits_;
};

}  // namespace zr::imaging::test
