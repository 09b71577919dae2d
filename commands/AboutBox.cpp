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
    switch (versions_) {
    case Versions::Known:
        ShowBox(owner);
        return;
    case Versions::Asking:
        return;
    case Versions::NotAsked:
        break;
    }
    versions_ = Versions::Asking;
    // Only the answer, on the panel's thread, touches this object.
    requests_.Post([&queue = queue_, this, owner](CMCU& controller) {
        uint8_t driver = 0, library = 0;
        controller.ReadVersions(driver, library);
        queue.Post([this, owner, driver, library] {
            driverVersion_ = driver;
            libraryVersion_ = library;
            versions_ = Versions::Known;
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
