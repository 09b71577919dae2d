#pragma once
// The panel dialog: the program's main window. It routes: each handler
// forwards to the object that owns that subsystem's state (audio device,
// layout, shape, tray icon, show/hide, hook, commands), and the dialog
// itself keeps only the start-up and shutdown that tie them together.
#include <functional>
#include <memory>
#include <mutex>

#include "app/PanelCore.h"
#include "commands/AboutBox.h"
#include "commands/PanelCommands.h"
#include "commands/PanelHook.h"
#include "controls/PanelControls.h"
#include "controls/PanelShape.h"
#include "display/PanelLayout.h"
#include "display/PanelScale.h"
#include "display/PanelVisibility.h"
#include "display/TrayIcon.h"
#include "display/Win32PanelWindow.h"
#include "framework/Dialog.h"
#include "framework/WorkerThread.h"

class CLumitraxDlg : public CDialog {
public:
    // Opens the driver, creates the controller object, reads the status and
    // works out the panel's optional functions. libraries are the loaded
    // driver and hook libraries; audio makes the audio back-end when the
    // panel opens it.
    explicit CLumitraxDlg(const DriverLibraries& libraries,
                          AudioBackEndFactory audio = MakeAudioBackEnd);
    ~CLumitraxDlg() override;

    // --- Panel dialog core ---
    // over is called on the panel's thread once start-up has come to the
    // start of the poll thread.
    void SetStartUpOver(std::function<void()> over) { startUpOver_ = std::move(over); }
    void InitPanel();
    void UpdateFunctionMask();
    // A close request: the program ends.
    void OnClose();
    // WM_ENDSESSION: ending, the program ends as on a close request.
    void OnEndSession(bool ending);

    // --- Layout and shape ---
    void ArrangePanel(Arrangement mode);
    // An arrangement the poll thread asked for as request number request.
    void ArrangePanel(Arrangement mode, const ArrangeLevels& levels, uint32_t request);
    void OnSwitchButton();
    void OnPaint();
    HICON OnQueryDragIcon();
    void OnSize();
    // WM_DPICHANGED: the panel may have moved to a monitor of another
    // display scale; suggested is the system's rectangle for it, null for a
    // posted message (whose scale and rectangle nobody vouches for).
    LRESULT OnDpiChanged(const RECT* suggested);
    // WM_GETDPISCALEDSIZE: the panel's size at the scale dpi, so that the
    // rectangle the system then suggests has it.
    LRESULT OnGetDpiScaledSize(int dpi, SIZE* size);

    // --- Show, hide and fade; tray icon ---
    void ShowPanel();
    // A show the poll thread asked for, with the backlight as it was then.
    void ShowPanel(bool backlightOffWhenAsked);
    void HidePanel();
    void StopFade();
    LRESULT OnPanelFade();
    LRESULT OnPanelHide();
    LRESULT OnHookWake();
    void OnTimer(UINT_PTR id);
    void OnWindowPosChanging(WINDOWPOS& pos);
    void AddTrayIcon();
    void LoadTrayMenu();
    void UpdateTrayIndication();
    LRESULT OnTrayIcon(WPARAM wParam, LPARAM lParam);

    // --- Commands, hook and About box ---
    void OnDimmingButton();
    void OnFunctionButton();
    void OnBuzzerButton();
    void OnLockButton();
    void OnEnvironment(UINT item);
    LRESULT OnSliderMoved(WPARAM wParam, LPARAM lParam);
    // The poll thread's slider value for an arrangement, and its volume
    // push (see PanelOperations).
    void SetSliderValue(Arrangement mode, int32_t value);
    void PushSliderVolume(int32_t volume);
    bool SetPanelHook(const HookRect& rect);
    bool RemovePanelHook();
    void OnAbout();
    // WM_SYSCOMMAND: true for the About item (16), which it handles.
    bool OnSysCommand(WPARAM command);

    // --- Audio ---
    void SelectAudioBackEnd();
    void OpenAudio();
    void SetAudioMute(int32_t flag);
    void SetAudioVolume(int32_t steps);
    LRESULT OnMixerLineChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnMixerControlChange(WPARAM wParam, LPARAM lParam);

    // The subsystems' objects.
    PanelState& State() { return core_.state; }
    CMCU& Controller() { return core_.controller; }
    AudioDevice& Audio() { return core_.audio; }
    PanelControls& Controls() { return controls_; }
    PanelLayout& Layout() { return layout_; }
    PanelShape& Shape() { return shape_; }
    PanelScale& Scale() { return scale_; }
    PanelVisibility& Visibility() { return visibility_; }
    TrayIcon& Tray() { return tray_; }
    PanelCommands& Commands() { return commands_; }
    AboutCommand& About() { return about_; }
    // Work for the panel's thread, in order.
    UiQueue& Queue() { return core_.uiQueue; }
    // Controller accesses for the poll thread.
    ControllerRequests& Requests() { return core_.requests; }

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool ReadHaveKeypad();
    // WM_COMMAND of a button (control its window) or menu item; true when handled.
    bool OnCommand(UINT id, UINT notification, HWND control);
    void StartPollThread();
    // Ends the poll thread within a bounded time; one that does not end
    // keeps the core for the rest of the process.
    void StopPollThread();
    // Lets go of what the running panel holds outside the process (tray
    // icon, hook, then the poll thread), once the panel ends; again, also
    // while it runs, changes nothing.
    void ShutDown();

    // Given up (and left alive) when the poll thread does not end.
    std::unique_ptr<PanelCore> ownedCore_;
    PanelCore& core_;
    PanelControls controls_;
    PanelShape shape_;
    PanelLayout layout_;
    TrayIcon tray_;
    PanelScale scale_;
    PanelHook hook_;
    Win32PanelWindow panelWindow_;
    PanelVisibility visibility_;
    PanelCommands commands_;
    AboutCommand about_;
    WorkerThread pollThread_;
    bool shutDown_ = false; // ShutDown has begun
    std::function<void()> startUpOver_;
};
