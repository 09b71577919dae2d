#include "controller/RegisterMap.h"

namespace {
struct RegisterInfo {
    uint16_t reg;
    const char* name;
    const char* failureText;
};

constexpr RegisterInfo kRegisters[] = {
    {REG_BRIGHTNESS, "brightness", "readSmb brightness Error"},
    {REG_VOLUME, "volume", "readSmb volume Error"},
    {REG_MUTE, "mute", "writeSmb mute Error"},
    {REG_SET_BRIGHTNESS, "brightness", "writeSmb brightness Error"},
    {REG_SET_VOLUME, "volume", "writeSmb volume Error"},
    {REG_VERSION, "version", "readSmb version Error"},
    {REG_STATUS, "mute", "readSmb mute Error"},
    {REG_SET_BACKLIGHT, "backlight", "writeSmb backlight Error"},
    {REG_SET_DIMMING, "dimming", "writeSmb dimming Error"},
    {REG_TYPE, "Type", "readSmb Type Error"},
    {REG_BACKLIGHT, "backlight", "readSmb backlight Error"},
    {REG_RDNUM, "RDNum", "readSmb RDNum Error"},
    {REG_FUNCTION, "FUNCTION", "readSmb FUNCTION Error"},
    {REG_LUX, "LUX", "readSmb LUX Error"},
    {REG_CHANGE_VALUE, "CHANGE_VALUE", "readSmb CHANGE_VALUE Error"},
    {REG_SET_LUX, "LUX", "writeSmb LUX Error"},
    {REG_SET_LOCK, "LOCK", "readSmb LOCK Error"},
};

const RegisterInfo* Find(uint16_t reg) {
    for (const RegisterInfo& info : kRegisters)
        if (info.reg == reg)
            return &info;
    return nullptr;
}
} // namespace

const char* RegisterName(uint16_t reg) {
    const RegisterInfo* info = Find(reg);
    return info ? info->name : "";
}

const char* RegisterFailureText(uint16_t reg) {
    const RegisterInfo* info = Find(reg);
    return info ? info->failureText : "";
}
