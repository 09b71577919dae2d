#include "display/TrayRecords.h"

namespace {
// A little-endian unsigned value of size bytes.
uint64_t Read(const uint8_t* bytes, size_t size) {
    uint64_t value = 0;
    for (size_t i = size; i > 0; --i)
        value = value << 8 | bytes[i - 1];
    return value;
}
} // namespace

TrayButton ParseTrayButton(const uint8_t* bytes, const TrayRecordLayout& layout) {
    return {(bytes[layout.stateOffset] & kButtonHidden) != 0,
            Read(bytes + layout.dataOffset, layout.dataSize)};
}

TrayIconOwner ParseTrayIconOwner(const uint8_t* bytes, const TrayRecordLayout& layout) {
    return {Read(bytes, layout.ownerSize), static_cast<uint32_t>(Read(bytes + layout.idOffset, 4))};
}
