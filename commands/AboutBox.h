#pragma once
// The About box: the program's name and the versions of the keypad driver
// and of the driver library, asked of the library once per run.
#include <cstdint>
#include <string>

#include "controller/CMCU.h"
#include "framework/Dialog.h"
#include "framework/SingleBox.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg(uint8_t driverVersion, uint8_t libraryVersion);

protected:
    BOOL OnInitDialog() override;

private:
    std::string driverText_;
    std::string libraryText_;
    uint8_t driverVersion_;
    uint8_t libraryVersion_;
};

class AboutCommand {
public:
    explicit AboutCommand(CMCU& controller) : controller_(controller) {}

    // The tray menu's About and the system menu's About item: the first
    // opening asks the library for the versions; the box, owned by owner
    // (the panel), runs modally. A request while it is up brings it to the
    // front.
    void OnAbout(HWND owner);

    bool VersionsRead() const { return versionsRead_; }

private:
    CMCU& controller_;
    SingleBox box_;
    bool versionsRead_ = false;
    uint8_t driverVersion_ = 0;
    uint8_t libraryVersion_ = 0;
};
