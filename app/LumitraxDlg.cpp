#include "app/LumitraxDlg.h"

#include "app/FunctionMask.h"
#include "app/PanelMessages.h"
#include "app/QueuedPanelOperations.h"
#include "app/RegistryValue.h"
#include "audio/DeviceChange.h"
#include "controller/GpiDll.h"
#include "controller/GpiDllDriver.h"
#include "controller/RegisterMap.h"
#include "framework/Messages.h"
#include "res/resource.h"

namespace {
constexpr UINT kAboutSystemCommand = 16;

HICON LoadIconResource(UINT id) {
    return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}
} // namespace

CLumitraxDlg::CLumitraxDlg(std::recursive_mutex& lock)
    : CDialog(IDD_LUMITRAX_DIALOG), panelLock(lock) {
    panelOpen = 0;
    appIcon = LoadIconResource(IDI_LUMITRAX);
    autoDimmingIcon = LoadIconResource(IDI_AUTODIMMING);
    lockedIcon = LoadIconResource(IDI_LOCKED);
    lockedAutoDimmingIcon = LoadIconResource(IDI_LOCKED_AUTODIMMING);

    driverHandle = GPIDLL_Open();
    driver = std::make_unique<GpiDllDriver>(driverHandle);
    controller = std::make_unique<CMCU>(*driver, Trace);
    controller->ReadRegister(REG_STATUS, statusBits);
    extendedRegisters = (statusBits & kStatusExtended) ? 1 : 0;
    UpdateFunctionMask();
    panelVisible = 0;
    versionsRead = 0;
}

CLumitraxDlg::~CLumitraxDlg() {
    StopPollThread();
}

// --- Available functions ---

bool CLumitraxDlg::ReadHaveKeypad() {
    return LockFunctionPresent(
        ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Qor\\Keypad", "HaveKeypad"));
}

void CLumitraxDlg::UpdateFunctionMask() {
    ::UpdateFunctionMask(*this, *controller, ReadHaveKeypad());
}

// --- Initialisation ---

void CLumitraxDlg::DoDataExchange() {
    levelSlider.Attach(m_hWnd, IDC_LEVEL_SLIDER);
    functionButton.Attach(m_hWnd, IDC_FUNCTION);
    dimmingButton.Attach(m_hWnd, IDC_DIMMING);
    switchButton.Attach(m_hWnd, IDC_SWITCH);
    levelMarker = GetDlgItem(m_hWnd, IDC_LEVEL_MARKER);
    buzzerButton.Attach(m_hWnd, IDC_BUZZER);
    lockButton.Attach(m_hWnd, IDC_LOCK);
    // The template's background picture (always the widest background) would
    // cover the panel's own painting, which draws the background that fits
    // the functions, and it paints over the buttons and the slider in no
    // fixed order. The panel's painting alone shows the background.
    ShowWindow(GetDlgItem(m_hWnd, -1), SW_HIDE); // its only unnamed control (IDC_STATIC)
}

BOOL CLumitraxDlg::OnInitDialog() {
    DoDataExchange();
    InitPanel();
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOREDRAW);

    systemMenu = GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu) {
        DeleteMenu(systemMenu, SC_MOVE, MF_BYCOMMAND);
        DeleteMenu(systemMenu, SC_CLOSE, MF_BYCOMMAND);
        char about[128] = "";
        if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about) > 0) {
            AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(systemMenu, MF_STRING, kAboutSystemCommand, about);
        }
    }
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));

    levelSlider.SetChannelBitmap(IDB_CHANNEL_BRIGHTNESS);
    levelSlider.SetThumbBitmap(IDB_THUMB);
    levelSlider.SetInsets(0, 22, 0, 4);
    levelSlider.SetRange(0, 20);
    levelSlider.SetShowFocusRect(FALSE);

    functionButton.LoadBitmaps(IDB_BACKLIGHT_ON);
    functionButton.SizeToContent();
    switchButton.LoadBitmaps(IDB_BACKLIGHT);
    switchButton.SizeToContent();

    UpdateFunctionMask();
    ShiftLevelControls(LayoutFunctionButtons());
    ArrangePanel(1);
    return TRUE;
}

void CLumitraxDlg::InitPanel() {
    SetWindowLongA(m_hWnd, GWL_EXSTYLE, GetWindowLongA(m_hWnd, GWL_EXSTYLE) ^ WS_EX_LAYERED);
    SetLayeredWindowAttributes(m_hWnd, 0, 255, LWA_ALPHA);
    SelectAudioBackEnd();
    AddTrayIcon();

    RECT window{};
    GetWindowRect(m_hWnd, &window);
    POINT corners[2] = {{window.left, window.top}, {window.right, window.bottom}};
    ScreenToClient(m_hWnd, &corners[0]);
    ScreenToClient(m_hWnd, &corners[1]);
    panelRect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);

    reshowBlocked = 0;
    fadingOut = 0;
    layoutInitVolume = 0;
    layoutInitBrightness = 0;
    skipSliderEcho = 0;
    showingBrightness = 1;
    trayState = 0;
    OpenAudio();

    shownVolume = 0;
    shownBrightness = 0;
    appliedStatus = 0;
    autoDimming = 0;
    backlightOn = 1;
    fadeAlpha = 255;
    firmwareMajor = 0;
    firmwareMinor = 0;
    int32_t version = 0;
    if (controller->ReadRegisterPersistent(REG_VERSION, version)) {
        firmwareMajor = static_cast<uint8_t>((version >> 4) & 0x0F);
        firmwareMinor = static_cast<uint8_t>(version & 0x0F);
    }
    controller->ReadRegister(REG_VOLUME, keypadVolume);
    controller->ReadRegister(REG_BRIGHTNESS, brightness);

    autoDimming = (statusBits & kStatusAutoDimming) ? 1 : 0;
    keypadLocked = (statusBits & kStatusLocked) ? 1 : 0;
    if (autoDimming || keypadLocked)
        UpdateTrayIndication();

    SetAudioMute(statusBits & kStatusMute);
    appliedStatus = static_cast<int32_t>(statusBits);
    audioMute = static_cast<int32_t>(statusBits);
    levelSlider.SetValue(brightness);
    SetAudioVolume(keypadVolume);
    shownBrightness = requestedBrightness = static_cast<int32_t>(brightness);
    shownVolume = audioVolume = static_cast<int32_t>(keypadVolume);
    LoadTrayMenu();
    StartPollThread();
}

// --- Poll thread ---

void CLumitraxDlg::StartPollThread() {
    pollPanel = std::make_unique<QueuedPanelOperations>(*this);
    poller = std::make_unique<KeypadPoller>(*this, *controller, *pollPanel, panelLock);
    // Set before the thread starts, so that a close request that comes at
    // once cannot be undone by the starting thread.
    pollRunning = 1;
    pollThread.Start([this] {
        // The poll thread sets the audio mute, which may call into COM.
        const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        poller->PollThreadProc();
        if (SUCCEEDED(com))
            CoUninitialize();
    });
}

void CLumitraxDlg::StopPollThread() {
    // The thread ends within one cycle; nothing it queued is run afterwards.
    pollRunning = 0;
    pollThread.WaitServingSentMessages();
    uiQueue.Clear();
}

// --- Shutdown ---

void CLumitraxDlg::OnClose() {
    StopPollThread();
    EndDialog(IDCANCEL);
}

// --- Helpers for the subsystems ---

void CLumitraxDlg::ShowError(const std::string& text) {
    if (!m_hWnd || GetWindowThreadProcessId(m_hWnd, nullptr) == GetCurrentThreadId()) {
        ShowMessage(m_hWnd, text.c_str());
        return;
    }
    uiQueue.Post(m_hWnd, [this, text] { ShowMessage(m_hWnd, text.c_str()); });
}

void CLumitraxDlg::SetFunctionButtonPicture(UINT bitmapId) {
    functionButton.LoadBitmaps(bitmapId);
    functionButton.Invalidate();
}

ArrangeLevels CLumitraxDlg::CurrentLevels() const {
    return ArrangeLevels{keypadVolume, brightness, (statusBits & kStatusMute) != 0,
                         backlightOn != 0};
}

// --- Message map ---

BOOL CLumitraxDlg::PreTranslateMessage(MSG* msg) {
    // The system's audio devices changed: reopen the audio back-end.
    if (IsDeviceChangeMessage(msg->message))
        PostMessageA(m_hWnd, MM_MIXM_LINE_CHANGE, 0, 0);
    return CDialog::PreTranslateMessage(msg);
}

bool CLumitraxDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_RUN_QUEUED:
        uiQueue.RunQueued();
        return true;
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return true;
    case MM_MIXM_CONTROL_CHANGE:
        result = OnMixerControlChange(wParam, lParam);
        return true;
    case MM_MIXM_LINE_CHANGE:
        result = OnMixerLineChange(wParam, lParam);
        return true;
    case WM_SLIDER_MOVED:
    case WM_SLIDER_MOVING:
        result = OnSliderMoved(wParam, lParam);
        return true;
    case WM_CLOSE:
        OnClose();
        return true;
    case WM_DESTROY:
        // However the dialog ends, the poll thread ends before the window goes.
        StopPollThread();
        return false;
    case WM_SIZE:
        OnSize();
        return true;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        for (CBitmapButton* button : {&functionButton, &switchButton, &dimmingButton,
                                      &buzzerButton, &lockButton}) {
            if (button->Id() == static_cast<int>(item.CtlID)) {
                button->Draw(item);
                result = TRUE;
                return true;
            }
        }
        return false;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_SWITCH) {
            OnSwitchButton();
            return true;
        }
        break;
    }
    return CDialog::OnMessage(message, wParam, lParam, result);
}
