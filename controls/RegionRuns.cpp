#include "controls/RegionRuns.h"

std::vector<PixelRect> OpaqueRuns(const uint32_t* pixels, int width, int height, uint32_t key) {
    std::vector<PixelRect> runs;
    key &= 0xFFFFFFu;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
        auto isKey = [&](int x) { return (row[x] & 0xFFFFFFu) == key; };
        int x = 0;
        while (x < width) {
            while (x < width && isKey(x))
                ++x;
            const int start = x;
            while (x < width && !isKey(x))
                ++x;
            if (x > start)
                runs.push_back({start, y, x, y + 1});
        }
    }
    return runs;
}
