#pragma once
// The About box: the program's name and the versions of the keypad driver
// and of the driver library, asked of the library once per run (by the poll
// thread, which owns the bus), again only when an answer does not come.
#include <cstdint>
#include <string>

#include "controller/ControllerRequests.h"
#include "framework/Dialog.h"
#include "framework/SingleBox.h"
#include "framework/UiQueue.h"

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
    // queue: to the panel's thread, on which the answer shows the box.
    AboutCommand(ControllerRequests& requests, UiQueue& queue)
        : requests_(requests), queue_(queue) {}

    // The tray menu's About and the system menu's About item: the first
    // opening asks the library for the versions and shows the box when the
    // answer comes (an opening meanwhile has that box, unless the answer has
    // been awaited for the bound of AwaitedAnswer: then it asks again). The
    // box, owned by owner (the panel), runs modally; a request while it is
    // up brings it to the front.
    void OnAbout(HWND owner);

private:
    void ShowBox(HWND owner);

    ControllerRequests& requests_;
    UiQueue& queue_;
    SingleBox box_;
    bool versionsRead_ = false; // the library's answer has come
    AwaitedAnswer asking_;      // the library has been asked
    uint8_t driverVersion_ = 0;
    uint8_t libraryVersion_ = 0;
};
