#include "controls/SliderMath.h"

#include <cstdlib>

namespace {
int Span(const SliderMetrics& m) {
    return m.cxControl - m.insetRight - m.cxThumb - m.insetLeft;
}
} // namespace

int ValueToPixel(const SliderMetrics& m, int value) {
    const double fraction =
        static_cast<double>(value - m.rangeMin) / static_cast<double>(m.rangeMax - m.rangeMin);
    return m.insetLeft + static_cast<int>(static_cast<double>(Span(m)) * fraction) + m.cxThumb / 2;
}

int PixelToValue(const SliderMetrics& m, int x) {
    const double fraction =
        static_cast<double>(x - m.cxThumb / 2 - m.insetLeft) / static_cast<double>(Span(m));
    return static_cast<int>(fraction * static_cast<double>(m.rangeMax - m.rangeMin) +
                            static_cast<double>(m.rangeMin));
}

int ClampToRange(int value, int rangeMin, int rangeMax) {
    if (value > rangeMax)
        value = rangeMax;
    if (value < rangeMin)
        value = rangeMin;
    return value;
}

int ClampDragPixel(const SliderMetrics& m, int x) {
    const int half = m.cxThumb / 2;
    if (x < m.insetLeft + half)
        x = m.insetLeft + half;
    if (x > m.cxControl - m.insetRight - half)
        x = m.cxControl - m.insetRight - half;
    return x;
}

int GrabOffset(int pointerX, int thumbCentre, int cxThumb) {
    const int d = pointerX - thumbCentre;
    return std::abs(d) > cxThumb / 2 ? 0 : d;
}

std::optional<int> DragValue(const SliderMetrics& m, int value, int grabOffset, int pointerX) {
    const int x = ClampDragPixel(m, pointerX - grabOffset);
    if (x == ValueToPixel(m, value))
        return std::nullopt;
    return ClampToRange(PixelToValue(m, x), m.rangeMin, m.rangeMax);
}

std::optional<int> KeyValue(unsigned key, int value, int pageStep, int rangeMin, int rangeMax) {
    switch (key) {
    case kKeyPageUp:
        return value - pageStep;
    case kKeyPageDown:
        return value + pageStep;
    case kKeyEnd:
        return rangeMax;
    case kKeyHome:
        return rangeMin;
    case kKeyLeft:
    case kKeyUp:
        return value - 1;
    case kKeyRight:
    case kKeyDown:
        return value + 1;
    default:
        return std::nullopt;
    }
}
