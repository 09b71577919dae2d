#include "commands/VersionTexts.h"

#include <cstdio>

namespace {
std::string VersionLine(const char* format, uint8_t version) {
    char text[32];
    std::snprintf(text, sizeof text, format, (version >> 4) & 0x0F, version & 0x0F);
    return text;
}
} // namespace

std::string FirmwareText(const FirmwareReport& report) {
    char text[96];
    if (!report.extendedRegisters) {
        std::snprintf(text, sizeof text, "Firmware Version ==> V%d.%d", report.major, report.minor);
        return text;
    }
    const char* type = "";
    if (report.type && (*report.type & 0x10))
        type = "R";
    else if (report.type && (*report.type & 0x01))
        type = "T";
    const std::string letter =
        report.letter != 0 ? std::string(1, static_cast<char>(report.letter)) : std::string();
    std::snprintf(text, sizeof text, "Firmware Version ==>%s%d %s%d.%d", letter.c_str(),
                  report.high * 256 + report.low, type, report.major, report.minor);
    return text;
}

std::string DriverVersionLine(uint8_t version) {
    return VersionLine("driver ver : %x.%x", version);
}

std::string LibraryVersionLine(uint8_t version) {
    return VersionLine("dll ver : %x.%x", version);
}
