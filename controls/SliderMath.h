#pragma once
// The bitmap slider's arithmetic: the mapping between values and the x of
// the thumb's centre, the clamping of values and drag positions, and the
// values the navigation keys ask for. Both directions of the mapping
// truncate, so a value's pixel maps back to one less for most values; a drag
// changes the value only when the pointer leaves the current value's pixel.
#include <optional>

struct SliderMetrics {
    int cxControl = 0; // the channel's width
    int cxThumb = 0;
    int insetLeft = 0;
    int insetRight = 0;
    int rangeMin = 0;
    int rangeMax = 0;
};

// The x of the thumb's centre for value.
int ValueToPixel(const SliderMetrics& m, int value);
// The value whose thumb centre would be at x (not clamped).
int PixelToValue(const SliderMetrics& m, int x);
// Clamps to rangeMax if larger, then to rangeMin if smaller.
int ClampToRange(int value, int rangeMin, int rangeMax);
// Holds a thumb centre inside the travel: lower bound first, upper bound last.
int ClampDragPixel(const SliderMetrics& m, int x);
// Pointer x minus the thumb's centre when the press is on the thumb (at most
// half a thumb width away), else 0 so that the thumb jumps to the pointer.
int GrabOffset(int pointerX, int thumbCentre, int cxThumb);
// One step of a drag: the new, clamped value when the pointer (less the grab
// offset, held in the travel) is off the current value's pixel; nothing when
// it is on it.
std::optional<int> DragValue(const SliderMetrics& m, int value, int grabOffset, int pointerX);

// The navigation keys the slider handles (their virtual-key codes).
enum SliderKey : unsigned {
    kKeyPageUp = 0x21,
    kKeyPageDown = 0x22,
    kKeyEnd = 0x23,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
};
// The value a key asks for, before clamping; nothing for other keys. Page Up,
// Left and Up lower the value; Page Down, Right and Down raise it.
std::optional<int> KeyValue(unsigned key, int value, int pageStep, int rangeMin, int rangeMax);
