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
    box_.Show([this, owner] {
        if (!versionsRead_) {
            driverVersion_ = 0;
            libraryVersion_ = 0;
            versionsRead_ = true;
            controller_.ReadVersions(driverVersion_, libraryVersion_);
        }
        CAboutDlg box(driverVersion_, libraryVersion_);
        box.DoModal(owner);
    });
}
