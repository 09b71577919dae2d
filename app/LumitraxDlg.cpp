#include "app/LumitraxDlg.h"

#include <string>

#include "app/FunctionMask.h"
#include "app/RegistryValue.h"
#include "audio/DeviceChange.h"
#include "controller/RegisterMap.h"
#include "framework/Dpi.h"
#include "res/resource.h"
#include "shared/PanelMessages.h"

namespace {
constexpr UINT kAboutSystemCommand = 16;
// Longer than any poll cycle: a cycle with an event and a persistent read
// that gives up takes about one second.
constexpr DWORD kPollStopTimeoutMs = 5000;

// Sent to every top-level window when the shell's task bar (re)starts.
const UINT taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
} // namespace

PanelCore::PanelCore(CLumitraxDlg& panel, const GpiDllLibrary& driverLibrary,
                     AudioBackEndFactory audioFactory)
    : driver(
          std::make_unique<GpiDllDriver>(driverLibrary, state.driverHandle = driverLibrary.Open())),
      controller(*driver, Trace), audio(AudioContext{state, requests, errors}, audioFactory),
      pollPanel(panel, state, uiQueue, audio),
      poller(state, controller, requests, pollPanel, panelLock) {}

CLumitraxDlg::CLumitraxDlg(const DriverLibraries& libraries, AudioBackEndFactory audio)
    : CDialog(IDD_LUMITRAX_DIALOG),
      ownedCore_(std::make_unique<PanelCore>(*this, libraries.driver, std::move(audio))),
      core_(*ownedCore_), shape_(core_.errors, controls_.artwork), layout_(core_.state, controls_),
      tray_(core_.state, core_.controller, controls_),
      scale_(core_.state, controls_, shape_, layout_, tray_), hook_(core_.errors, libraries.hook),
      panelWindow_(controls_, scale_, layout_),
      visibility_(core_.state, core_.requests, panelWindow_, hook_),
      commands_(CommandContext{core_.state, core_.requests, controls_, layout_, visibility_,
                               core_.audio, tray_, hook_, core_.panelLock, core_.uiQueue}),
      about_(core_.requests, core_.uiQueue) {
    // The panel's window is made at the system's scale; a monitor of
    // another scale is followed once the window exists.
    controls_.artwork.SetDpi(SystemDpi());
    PanelState& state = core_.state;
    core_.controller.ReadRegister(REG_STATUS, state.statusBits);
    state.extendedRegisters = (state.statusBits & kStatusExtended) ? 1 : 0;
    UpdateFunctionMask();
}

CLumitraxDlg::~CLumitraxDlg() {
    ShutDown();
}

// --- Available functions ---

bool CLumitraxDlg::ReadHaveKeypad() {
    return LockFunctionPresent(ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Qor\\Keypad",
                                                 "HaveKeypad", kHaveKeypadMaxSize));
}

void CLumitraxDlg::UpdateFunctionMask() {
    ::UpdateFunctionMask(core_.state, core_.controller, ReadHaveKeypad());
}

// --- Initialisation ---

BOOL CLumitraxDlg::OnInitDialog() {
    core_.uiQueue.SetWindow(window_);
    core_.errors.SetOwner(window_);
    hook_.SetWindow(window_);
    controls_.Bind(window_);
    KeepDialogLayoutOnScaleChange(window_);
    InitPanel();
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOREDRAW);

    const HMENU systemMenu = GetSystemMenu(window_, FALSE);
    if (systemMenu) {
        DeleteMenu(systemMenu, SC_MOVE, MF_BYCOMMAND);
        DeleteMenu(systemMenu, SC_CLOSE, MF_BYCOMMAND);
        char about[128] = "";
        if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about) > 0) {
            AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(systemMenu, MF_STRING, kAboutSystemCommand, about);
        }
    }
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(tray_.AppIcon()));
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(tray_.AppIcon()));

    CBitmapSlider& slider = controls_.levelSlider;
    slider.SetChannelBitmap(IDB_CHANNEL_BRIGHTNESS);
    slider.SetThumbBitmap(IDB_THUMB);
    slider.SetInsets(0, 22, 0, 4);
    slider.SetRange(0, 20);
    slider.SetShowFocusRect(FALSE);

    controls_.functionButton.LoadBitmaps(IDB_BACKLIGHT_ON);
    controls_.functionButton.SizeToContent();
    controls_.switchButton.LoadBitmaps(IDB_BACKLIGHT);
    controls_.switchButton.SizeToContent();

    UpdateFunctionMask();
    layout_.ShiftLevelControls(layout_.LayoutFunctionButtons());
    ArrangePanel(Arrangement::Brightness);
    if (scale_.Apply(WindowDpi(window_)))
        visibility_.OnRescaled(scale_.Size());
    // Last, once every read of the start-up is done: from now on only the
    // poll thread uses the bus.
    if (startUpOver_)
        startUpOver_();
    StartPollThread();
    return TRUE;
}

void CLumitraxDlg::InitPanel() {
    PanelState& state = core_.state;
    CMCU& controller = core_.controller;
    SetWindowLongA(window_, GWL_EXSTYLE, GetWindowLongA(window_, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(window_, 0, 255, LWA_ALPHA);
    SelectAudioBackEnd();
    AddTrayIcon();

    // The panel's size (its window rectangle in its own client coordinates).
    RECT window{};
    GetWindowRect(window_, &window);
    visibility_.SetPanelSize({window.right - window.left, window.bottom - window.top});

    state.skipSliderEcho = kNoSliderEcho;
    state.showingBrightness = Arrangement::Brightness;
    OpenAudio();

    state.shownVolume = 0;
    state.shownBrightness = 0;
    state.appliedStatus = 0;
    state.autoDimming = 0;
    state.backlightOn = 1;
    state.backlightValue = 1;
    state.firmwareMajor = 0;
    state.firmwareMinor = 0;
    int32_t version = 0;
    if (controller.ReadRegisterPersistent(REG_VERSION, version)) {
        state.firmwareMajor = static_cast<uint8_t>((version >> 4) & 0x0F);
        state.firmwareMinor = static_cast<uint8_t>(version & 0x0F);
    }
    controller.ReadLevel(REG_VOLUME, state.keypadVolume);
    controller.ReadLevel(REG_BRIGHTNESS, state.brightness);

    state.autoDimming = (state.statusBits & kStatusAutoDimming) ? 1 : 0;
    state.keypadLocked = (state.statusBits & kStatusLocked) ? 1 : 0;
    if (state.autoDimming || state.keypadLocked)
        UpdateTrayIndication();

    SetAudioMute(state.statusBits & kStatusMute);
    state.appliedStatus = static_cast<int32_t>(state.statusBits);
    state.audioMute = static_cast<int32_t>(state.statusBits);
    controls_.levelSlider.SetValue(state.brightness);
    SetAudioVolume(state.keypadVolume);
    state.shownBrightness = state.requestedBrightness = static_cast<int32_t>(state.brightness);
    state.shownVolume = state.audioVolume = static_cast<int32_t>(state.keypadVolume);
    LoadTrayMenu();
}

// --- Poll thread ---

void CLumitraxDlg::StartPollThread() {
    PanelCore& core = core_;
    // Set before the thread starts, so that a close request that comes at
    // once cannot be undone by the starting thread.
    core.state.pollRunning = 1;
    const bool started = pollThread_.Start([&core] {
        // The poll thread sets the audio mute, which may call into COM.
        const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        core.poller.PollThreadProc();
        if (SUCCEEDED(com))
            CoUninitialize();
    });
    if (!started) {
        const DWORD error = GetLastError();
        core.state.pollRunning = 0;
        core.errors.ShowError(
            "The keypad cannot be watched: its poll thread did not start (error " +
            std::to_string(error) + ")");
    }
}

void CLumitraxDlg::StopPollThread() {
    core_.state.pollRunning = 0;
    if (!pollThread_.WaitServingSentMessages(kPollStopTimeoutMs)) {
        // A driver call that never returns holds the thread: it keeps what
        // it uses, and the panel goes without it.
        Trace("the poll thread did not end; it is left to run until the process ends");
        pollThread_.Abandon();
        core_.uiQueue.SetWindow(nullptr);
        core_.errors.SetOwner(nullptr);
        (void)ownedCore_.release();
        return;
    }
    // Nothing the thread queued is run any more.
    core_.uiQueue.Clear();
}

// --- Shutdown ---

void CLumitraxDlg::OnClose() {
    ShutDown();
    EndDialog(IDCANCEL);
}

void CLumitraxDlg::OnEndSession(bool ending) {
    // The system may end the process as soon as this returns: everything is
    // let go here, as on a close request. Ending is also what the Restart
    // Manager asks for (ENDSESSION_CLOSEAPP) when an installer needs the
    // program gone; a session end that was called off changes nothing.
    if (ending)
        OnClose();
}

void CLumitraxDlg::ShutDown() {
    // Once: the wait below serves messages other threads send, a close
    // request or the session's end among them.
    if (shutDown_)
        return;
    shutDown_ = true;
    // What others see goes first: the session's end may end the process
    // while the poll thread is waited for.
    tray_.DeleteTrayIcon();
    hook_.RemovePanelHook();
    StopPollThread();
    core_.uiQueue.SetWindow(nullptr);
    core_.errors.SetOwner(nullptr);
}

// --- Routes to the subsystems ---

void CLumitraxDlg::ArrangePanel(Arrangement mode) {
    layout_.ArrangePanel(mode, CurrentLevels(core_.state));
}

void CLumitraxDlg::ArrangePanel(Arrangement mode, const ArrangeLevels& levels, uint32_t request) {
    layout_.ArrangeRequested(mode, levels, request);
}

void CLumitraxDlg::OnSwitchButton() {
    layout_.OnSwitchButton(CurrentLevels(core_.state));
}

void CLumitraxDlg::OnPaint() {
    shape_.Paint(window_);
}

HICON CLumitraxDlg::OnQueryDragIcon() {
    return tray_.AppIcon();
}

void CLumitraxDlg::OnSize() {
    shape_.OnSize(window_, core_.state.functionCount);
}

LRESULT CLumitraxDlg::OnDpiChanged(const RECT* suggested) {
    if (scale_.OnDpiChanged(suggested))
        visibility_.OnRescaled(scale_.Size());
    return 0;
}

LRESULT CLumitraxDlg::OnGetDpiScaledSize(int dpi, SIZE* size) {
    if (!size)
        return FALSE;
    const PixelSize at = scale_.SizeAt(dpi);
    size->cx = at.width;
    size->cy = at.height;
    return TRUE;
}

void CLumitraxDlg::ShowPanel() {
    visibility_.ShowPanel();
}

void CLumitraxDlg::ShowPanel(bool backlightOffWhenAsked) {
    visibility_.ShowPanel(backlightOffWhenAsked);
}

void CLumitraxDlg::HidePanel() {
    visibility_.HidePanel();
}

void CLumitraxDlg::StopFade() {
    visibility_.StopFade();
}

LRESULT CLumitraxDlg::OnPanelFade() {
    visibility_.OnPanelFade();
    return 1;
}

LRESULT CLumitraxDlg::OnPanelHide() {
    visibility_.OnPanelHide();
    return 1;
}

LRESULT CLumitraxDlg::OnHookWake() {
    visibility_.OnHookWake();
    return 1;
}

void CLumitraxDlg::OnTimer(UINT_PTR id) {
    switch (id) {
    case static_cast<UINT_PTR>(PanelTimer::HideCheck):
    case static_cast<UINT_PTR>(PanelTimer::Fade):
    case static_cast<UINT_PTR>(PanelTimer::Reshow):
        visibility_.OnTimer(static_cast<PanelTimer>(id));
        break;
    case kTrayRetryTimer:
        tray_.OnRetryTimer();
        break;
    }
}

void CLumitraxDlg::OnWindowPosChanging(WINDOWPOS& pos) {
    if (!visibility_.PanelVisible())
        pos.flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
}

void CLumitraxDlg::AddTrayIcon() {
    tray_.AddTrayIcon(window_);
}

void CLumitraxDlg::LoadTrayMenu() {
    tray_.LoadTrayMenu();
}

void CLumitraxDlg::UpdateTrayIndication() {
    tray_.UpdateTrayIndication();
}

LRESULT CLumitraxDlg::OnTrayIcon(WPARAM, LPARAM lParam) {
    POINT cursor{};
    GetCursorPos(&cursor);
    switch (lParam) {
    case WM_RBUTTONUP:
        tray_.ShowMenu(cursor);
        break;
    case WM_LBUTTONDOWN:
        visibility_.OnTrayClick({cursor.x, cursor.y});
        break;
    }
    return 1;
}

void CLumitraxDlg::OnDimmingButton() {
    commands_.OnDimmingButton();
}

void CLumitraxDlg::OnFunctionButton() {
    commands_.OnFunctionButton();
}

void CLumitraxDlg::OnBuzzerButton() {
    commands_.OnBuzzerButton();
}

void CLumitraxDlg::OnLockButton() {
    commands_.OnLockButton();
}

void CLumitraxDlg::OnEnvironment(UINT item) {
    commands_.OnEnvironment(item);
}

void CLumitraxDlg::OnAbout() {
    about_.OnAbout(window_);
}

bool CLumitraxDlg::OnSysCommand(WPARAM command) {
    if ((command & 0xFFF0) != kAboutSystemCommand)
        return false;
    OnAbout();
    return true;
}

void CLumitraxDlg::SetSliderValue(Arrangement mode, int32_t value) {
    if (layout_.Shown() == mode)
        controls_.levelSlider.SetValue(value);
}

void CLumitraxDlg::PushSliderVolume(int32_t volume) {
    commands_.PushSliderVolume(volume);
}

LRESULT CLumitraxDlg::OnSliderMoved(WPARAM wParam, LPARAM) {
    return commands_.OnSliderMoved(wParam);
}

bool CLumitraxDlg::SetPanelHook(const HookRect& rect) {
    return hook_.SetPanelHook(rect);
}

bool CLumitraxDlg::RemovePanelHook() {
    return hook_.RemovePanelHook();
}

void CLumitraxDlg::SelectAudioBackEnd() {
    core_.audio.SelectAudioBackEnd();
}

void CLumitraxDlg::OpenAudio() {
    core_.audio.OpenAudio(window_);
}

void CLumitraxDlg::SetAudioMute(int32_t flag) {
    core_.audio.SetAudioMute(flag);
}

void CLumitraxDlg::SetAudioVolume(int32_t steps) {
    core_.audio.SetAudioVolume(steps);
}

LRESULT CLumitraxDlg::OnMixerLineChange(WPARAM, LPARAM) {
    core_.audio.OnMixerLineChange(window_);
    return 1;
}

LRESULT CLumitraxDlg::OnMixerControlChange(WPARAM, LPARAM lParam) {
    core_.audio.OnMixerControlChange(static_cast<uint32_t>(lParam));
    return 1;
}

// --- Message map ---

bool CLumitraxDlg::OnCommand(UINT id, UINT notification, HWND control) {
    // What the dialog manager makes of Enter, Escape and Ctrl+Break, and what
    // anyone may send: the panel ends only on a close request and with the
    // session.
    if (id == IDOK || id == IDCANCEL)
        return true;
    // A click counts only from the button's own window.
    if (notification == BN_CLICKED && control && control == GetDlgItem(window_, id)) {
        switch (id) {
        case IDC_DIMMING:
            OnDimmingButton();
            return true;
        case IDC_FUNCTION:
            OnFunctionButton();
            return true;
        case IDC_SWITCH:
            OnSwitchButton();
            return true;
        case IDC_BUZZER:
            OnBuzzerButton();
            return true;
        case IDC_LOCK:
            OnLockButton();
            return true;
        }
    }
    if (id == ID_ABOUT) {
        OnAbout();
        return true;
    }
    if (id >= ID_ENV_OFFICE && id <= ID_ENV_OUTDOOR) {
        OnEnvironment(id);
        return true;
    }
    return false;
}

BOOL CLumitraxDlg::PreTranslateMessage(MSG* msg) {
    core_.uiQueue.RunIfStalled();
    // The system sends its scale messages; one that comes through the queue
    // was posted, by anyone, and its scale, rectangle or size is nobody's
    // word: the panel only follows its window's own scale.
    if (msg->message == WM_DPICHANGED || msg->message == WM_GETDPISCALEDSIZE) {
        if (msg->message == WM_DPICHANGED && msg->hwnd == window_)
            OnDpiChanged(nullptr);
        return TRUE;
    }
    if (commands_.PreTranslateMessage(*msg))
        return TRUE;
    // The system's audio devices changed: reopen the audio back-end.
    if (IsDeviceChangeMessage(msg->message))
        PostMessageA(window_, MM_MIXM_LINE_CHANGE, 0, 0);
    return CDialog::PreTranslateMessage(msg);
}

bool CLumitraxDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Once the panel ends, nothing it let go of (tray icon, hook) is set up
    // again by what still reaches it: messages sent while it waits for the
    // poll thread, or dispatched by a loop that is ending. It stays hidden
    // unless shown.
    if (shutDown_ && message != WM_WINDOWPOSCHANGING)
        return false;
    switch (message) {
    case WM_RUN_QUEUED:
        core_.uiQueue.RunQueued();
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
    case WM_QUERYENDSESSION:
        result = TRUE; // nothing to save; nothing changes until the session ends
        return true;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        return true;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
        return false;
    case WM_TIMER:
        OnTimer(wParam);
        return false;
    case WM_PANEL_FADE:
        result = OnPanelFade();
        return true;
    case WM_PANEL_HIDE:
        result = OnPanelHide();
        return true;
    case WM_HOOK_WAKE:
        result = OnHookWake();
        return true;
    case WM_TRAYICON:
        result = OnTrayIcon(wParam, lParam);
        return true;
    case WM_SIZE:
        OnSize();
        return true;
    case WM_DPICHANGED:
        result = OnDpiChanged(reinterpret_cast<const RECT*>(lParam));
        return true;
    case WM_GETDPISCALEDSIZE:
        result = OnGetDpiScaledSize(static_cast<int>(wParam), reinterpret_cast<SIZE*>(lParam));
        return true;
    case WM_DRAWITEM:
        if (!controls_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
            return false;
        result = TRUE;
        return true;
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return true;
        break;
    default:
        if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) {
            tray_.OnTaskbarCreated();
            return true;
        }
        break;
    }
    return CDialog::OnMessage(message, wParam, lParam, result);
}
