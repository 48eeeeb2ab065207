#include "imaging/lzw.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace zr::imaging {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

class CodeReader {
  public:
    explicit CodeReader(std::span<const uint8_t> data) : data_(data) {}

    // -1 when the data cannot supply a whole code.
    int Read(int bits) {
        while (count_ < bits) {
            if (pos_ == data_.size()) return -1;
            buffer_ |= uint32_t{data_[pos_++]} << count_;
            count_ += 8;
        }
        const int code = static_cast<int>(buffer_ & ((1u << bits) - 1));
        buffer_ >>= bits;
        count_ -= bits;
        return code;
    }

  private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    uint32_t buffer_ = 0;
    int count_ = 0;
};

// Every entry is an earlier entry plus one index. Knowing each string's length lets a string
// be written back to front straight into the output, without a stack.
class Dictionary {
  public:
    explicit Dictionary(int literals) {
        for (int i = 0; i < literals; ++i) {
            prefix_[i] = 0;
            suffix_[i] = static_cast<uint8_t>(i);
            first_[i] = static_cast<uint8_t>(i);
            length_[i] = 1;
        }
    }

    void Add(int at, int prefix, uint8_t last) {
        prefix_[at] = static_cast<uint16_t>(prefix);
        suffix_[at] = last;
        first_[at] = first_[prefix];
        length_[at] = static_cast<uint16_t>(length_[prefix] + 1);
    }

    uint8_t First(int code) const { return first_[code]; }

    // Writes the string at out[at...], dropping what falls past the end; returns the new end.
    size_t Write(int code, std::span<uint8_t> out, size_t at) const {
        const size_t end = at + length_[code];
        for (size_t p = end; p-- > at;) {
            if (p < out.size()) out[p] = suffix_[code];
            code = prefix_[code];
        }
        return std::min(end, out.size());
    }

  private:
    std::array<uint16_t, kTableSize> prefix_{};
    std::array<uint8_t, kTableSize> suffix_{};
    std::array<uint8_t, kTableSize> first_{};
    std::array<uint16_t, kTableSize> length_{};
};

}  // namespace

LzwResult DecodeGifLzw(int minCodeSize, std::span<const uint8_t> data, std::span<uint8_t> out) {
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    Dictionary dictionary(clearCode);
    CodeReader reader(data);
    LzwResult result;

    int codeBits = minCodeSize + 1;
    int next = endCode + 1;
    int previous = -1;  // none right after a clear code (or at the start, which acts as one)
    while (result.written < out.size()) {
        const int code = reader.Read(codeBits);
        if (code < 0 || code == endCode) break;
        if (code == clearCode) {
            codeBits = minCodeSize + 1;
            next = endCode + 1;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code > clearCode) return {result.written, true};
        } else {
            // code == next is the string that is being defined by this very code (KwKwK).
            if (code > next) return {result.written, true};
            // Once the table is full, encoders may go on with 12-bit codes and no clear code
            // (a "deferred clear"); then nothing more is added.
            if (next < kTableSize) {
                const int firstOf = code == next ? previous : code;
                dictionary.Add(next, previous, dictionary.First(firstOf));
                ++next;
                // >= rather than ==: with a minimum code size of 1 the table already
                // starts at the limit of the first code size.
                if (next >= (1 << codeBits) && codeBits < kMaxCodeBits) ++codeBits;
            }
        }
        result.written = dictionary.Write(code, out, result.written);
        previous = code;
    }
    return result;
}

// Every code takes minCodeSize + 1 bits at least. After a clear code (and at the start) a code
// stands for one index, and each later code for at most one more than the longest before it:
// k codes give at most k (k + 1) / 2 indices.
size_t MaxLzwOutput(int minCodeSize, size_t size) {
    const uint64_t codes = uint64_t{size} * 8 / static_cast<uint64_t>(minCodeSize + 1);
    if (codes >= uint64_t{1} << 32) return SIZE_MAX;
    return static_cast<size_t>(codes * (codes + 1) / 2);
}

}  // namespace zr::imaging
