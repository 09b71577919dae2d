#include "commands/AboutBox.h"

#include "commands/VersionTexts.h"
#include "res/resource.h"

CAboutDlg::CAboutDlg(uint8_t driverVersion, uint8_t libraryVersion)
    : CDialog(IDD_ABOUTBOX), driverVersion_(driverVersion), libraryVersion_(libraryVersion) {}

BOOL CAboutDlg::OnInitDialog() {
    driverText_ = DriverVersionLine(driverVersion_);
    libraryText_ = LibraryVersionLine(libraryVersion_);
    SetDlgItemTextA(window_, IDC_DRIVER_VERSION, driverText_.c_str());
    SetDlgItemTextA(window_, IDC_LIBRARY_VERSION, libraryText_.c_str());
    return TRUE;
}

void AboutCommand::OnAbout(HWND owner) {
    if (versionsRead_) {
        ShowBox(owner);
        return;
    }
    if (!asking_.Ask())
        return;
    // Only the answer, on the panel's thread, touches this object.
    requests_.Post([&queue = queue_, this, owner](CMCU& controller) {
        uint8_t driver = 0, library = 0;
        controller.ReadVersions(driver, library);
        queue.Post([this, owner, driver, library] {
            // A request asked again after the bound may answer too: the
            // box opens once.
            if (versionsRead_)
                return;
            asking_.Answered();
            driverVersion_ = driver;
            libraryVersion_ = library;
            versionsRead_ = true;
            ShowBox(owner);
        });
    });
}

void AboutCommand::ShowBox(HWND owner) {
    box_.Show([this, owner] {
        CAboutDlg box(driverVersion_, libraryVersion_);
        box.DoModal(owner);
    });
}
