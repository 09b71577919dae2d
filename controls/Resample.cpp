#include "controls/Resample.h"

namespace {
// What one new pixel covers along one axis: old pixel first, and the
// weight of each old pixel from there on. Old pixel i spans [i × to,
// (i + 1) × to) and new pixel j spans [j × from, (j + 1) × from), so the
// weights of one new pixel add up to from.
struct Span {
    int32_t first = 0;
    std::vector<int64_t> weights;
};

std::vector<Span> Spans(int32_t from, int32_t to) {
    std::vector<Span> spans(static_cast<size_t>(to));
    for (int32_t j = 0; j < to; ++j) {
        const int64_t start = static_cast<int64_t>(j) * from;
        const int64_t end = start + from;
        Span& span = spans[static_cast<size_t>(j)];
        span.first = static_cast<int32_t>(start / to);
        for (int64_t i = span.first; i * to < end; ++i) {
            const int64_t low = i * to > start ? i * to : start;
            const int64_t high = (i + 1) * to < end ? (i + 1) * to : end;
            span.weights.push_back(high - low);
        }
    }
    return spans;
}
} // namespace

std::vector<uint32_t> Resample(const std::vector<uint32_t>& pixels, PixelSize from, PixelSize to,
                               std::optional<uint32_t> key) {
    for (const int32_t side : {from.width, from.height, to.width, to.height})
        if (side < 1 || side > kMaxResampleSide)
            return {};
    if (pixels.size() != static_cast<size_t>(from.width) * static_cast<size_t>(from.height))
        return {};
    std::vector<uint32_t> out(static_cast<size_t>(to.width) * static_cast<size_t>(to.height));
    const std::vector<Span> columns = Spans(from.width, to.width);
    const std::vector<Span> rows = Spans(from.height, to.height);
    const int64_t whole = static_cast<int64_t>(from.width) * from.height;
    const uint32_t keyColour = key ? *key & 0xFFFFFFu : 0;
    for (int32_t y = 0; y < to.height; ++y) {
        const Span& row = rows[static_cast<size_t>(y)];
        for (int32_t x = 0; x < to.width; ++x) {
            const Span& column = columns[static_cast<size_t>(x)];
            int64_t sum[3] = {0, 0, 0};
            int64_t opaque = 0;
            for (size_t r = 0; r < row.weights.size(); ++r) {
                const size_t line = static_cast<size_t>(row.first) + r;
                for (size_t c = 0; c < column.weights.size(); ++c) {
                    const uint32_t pixel = pixels[line * static_cast<size_t>(from.width) +
                                                  static_cast<size_t>(column.first) + c] &
                                           0xFFFFFFu;
                    if (key && pixel == keyColour)
                        continue;
                    const int64_t weight = row.weights[r] * column.weights[c];
                    opaque += weight;
                    sum[0] += weight * (pixel >> 16 & 0xFF);
                    sum[1] += weight * (pixel >> 8 & 0xFF);
                    sum[2] += weight * (pixel & 0xFF);
                }
            }
            uint32_t& target = out[static_cast<size_t>(y) * static_cast<size_t>(to.width) +
                                   static_cast<size_t>(x)];
            if (key && (whole - opaque) * 2 >= whole) {
                target = keyColour;
                continue;
            }
            uint32_t colour = 0;
            for (int64_t part : sum)
                colour = colour << 8 | static_cast<uint32_t>((part + opaque / 2) / opaque);
            // An average that happens to be the key would turn transparent.
            if (key && colour == keyColour)
                colour ^= 1;
            target = colour;
        }
    }
    return out;
}
