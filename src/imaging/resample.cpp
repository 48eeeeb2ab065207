#include "imaging/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

#include "imaging/decode_limits.h"
#include "platform/error.h"

namespace zr::imaging {
namespace {

using Premultiplied = std::array<float, 4>;  // alpha, red, green, blue; colours times alpha

// Catmull-Rom: a cubic through the samples (a = -0.5), two samples wide on each side.
constexpr double kSupport = 2.0;

double CatmullRom(double x) {
    x = std::abs(x);
    if (x < 1.0) return (1.5 * x - 2.5) * x * x + 1.0;
    if (x < 2.0) return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    return 0.0;
}

// The source samples that make one output sample, and their weights (summing to 1).
struct Tap {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Tap> Taps(int from, int to) {
    const double scale = static_cast<double>(from) / to;
    const double stretch = std::max(scale, 1.0);  // shrinking widens the filter
    const double support = kSupport * stretch;
    std::vector<Tap> taps(static_cast<size_t>(to));
    for (int i = 0; i < to; ++i) {
        const double centre = (i + 0.5) * scale;
        const int first = std::max(static_cast<int>(std::floor(centre - support + 0.5)), 0);
        const int last = std::min(static_cast<int>(std::floor(centre + support + 0.5)), from);
        Tap& tap = taps[static_cast<size_t>(i)];
        tap.first = first;
        double total = 0.0;
        for (int s = first; s < last; ++s) {
            const double w = CatmullRom((s + 0.5 - centre) / stretch);
            tap.weights.push_back(static_cast<float>(w));
            total += w;
        }
        if (total != 0.0) {
            for (float& w : tap.weights) w = static_cast<float>(w / total);
        }
    }
    return taps;
}

Premultiplied Unpack(uint32_t p) {
    const float a = static_cast<float>(p >> 24) / 255.0f;
    return {static_cast<float>(p >> 24), static_cast<float>((p >> 16) & 0xFF) * a,
            static_cast<float>((p >> 8) & 0xFF) * a, static_cast<float>(p & 0xFF) * a};
}

uint32_t Channel(float value) {
    return static_cast<uint32_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
}

uint32_t Pack(const Premultiplied& c) {
    const uint32_t a = Channel(c[0]);
    if (a == 0) return 0;
    const float unmultiply = 255.0f / std::clamp(c[0], 1.0f, 255.0f);
    return (a << 24) | (Channel(c[1] * unmultiply) << 16) | (Channel(c[2] * unmultiply) << 8) |
           Channel(c[3] * unmultiply);
}

// Each row of `width` samples becomes a row of taps.size() samples.
std::vector<Premultiplied> Across(const std::vector<Premultiplied>& in, size_t width,
                                  const std::vector<Tap>& taps) {
    const size_t rows = in.size() / width;
    std::vector<Premultiplied> out(rows * taps.size());
    for (size_t y = 0; y < rows; ++y) {
        const Premultiplied* row = &in[y * width];
        for (size_t x = 0; x < taps.size(); ++x) {
            Premultiplied& sum = out[y * taps.size() + x];
            const Tap& tap = taps[x];
            for (size_t k = 0; k < tap.weights.size(); ++k) {
                const Premultiplied& s = row[static_cast<size_t>(tap.first) + k];
                for (size_t c = 0; c < 4; ++c) sum[c] += tap.weights[k] * s[c];
            }
        }
    }
    return out;
}

// Rows of `width` samples become taps.size() rows, each a weighted sum of whole rows, so that
// memory is read in order.
std::vector<Premultiplied> Down(const std::vector<Premultiplied>& in, size_t width,
                                const std::vector<Tap>& taps) {
    std::vector<Premultiplied> out(taps.size() * width);
    for (size_t y = 0; y < taps.size(); ++y) {
        Premultiplied* row = &out[y * width];
        const Tap& tap = taps[y];
        for (size_t k = 0; k < tap.weights.size(); ++k) {
            const Premultiplied* source = &in[(static_cast<size_t>(tap.first) + k) * width];
            const float w = tap.weights[k];
            for (size_t x = 0; x < width; ++x) {
                for (size_t c = 0; c < 4; ++c) row[x][c] += w * source[x][c];
            }
        }
    }
    return out;
}

}  // namespace

Picture Resample(const Picture& source, int width, int height) {
    if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0) return {};
    if (int64_t{width} * height > kMaxPixels) throw Error("The picture is too large to show.");
    if (width == source.width && height == source.height) return source;

    const auto w = static_cast<size_t>(source.width);
    const auto h = static_cast<size_t>(source.height);
    const auto outW = static_cast<size_t>(width);
    std::vector<Premultiplied> pixels(w * h);
    for (size_t i = 0; i < pixels.size() && i < source.pixels.size(); ++i) {
        pixels[i] = Unpack(source.pixels[i]);
    }
    const std::vector<Premultiplied> down =
        Down(Across(pixels, w, Taps(source.width, width)), outW, Taps(source.height, height));

    Picture result{width, height, std::vector<uint32_t>(down.size())};
    std::transform(down.begin(), down.end(), result.pixels.begin(), Pack);
    return result;
}

void MakeTransparent(Picture& picture, uint32_t rgb) {
    for (uint32_t& p : picture.pixels) {
        if ((p & 0xFFFFFF) == (rgb & 0xFFFFFF)) p = 0;
    }
}

}  // namespace zr::imaging
