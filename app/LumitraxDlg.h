#pragma once
// The panel dialog: the program's main window. It owns the controller object,
// the poll thread, the tray icon and the audio back-end, and carries the
// panel's state record (PanelState). Each subsystem's operations are members
// defined in that subsystem's folder.
#include <memory>
#include <mutex>
#include <string>

#include "app/PanelState.h"
#include "audio/EndpointVolumeBackEnd.h"
#include "audio/MixerHandle.h"
#include "controller/CMCU.h"
#include "controller/KeypadPoller.h"
#include "controls/BitmapSlider.h"
#include "framework/BitmapButton.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/UiQueue.h"
#include "framework/WorkerThread.h"

class QueuedPanelOperations;

// The levels and states an arrangement of the panel shows, taken when the
// arrangement is asked for.
struct ArrangeLevels {
    int32_t keypadVolume;
    int32_t brightness;
    bool muted;
    bool backlightOn;
};

class CLumitraxDlg : public CDialog, public PanelState {
public:
    // Opens the driver library, creates the controller object, reads the
    // status and works out the panel's optional functions.
    explicit CLumitraxDlg(std::recursive_mutex& panelLock);
    ~CLumitraxDlg() override;

    // --- Panel dialog core (app/) ---
    void InitPanel();
    void UpdateFunctionMask();
    void OnClose();
    CMCU& Controller() { return *controller; }

    // --- Panel layout (display/) ---
    void ArrangePanel(int mode);
    void ArrangePanel(int mode, const ArrangeLevels& levels);
    void OnSwitchButton();
    int LayoutFunctionButtons();
    void ShiftLevelControls(int dx);
    void OnPaint();
    HICON OnQueryDragIcon();
    // --- Window region (controls/) ---
    void OnSize();

    // --- Show, hide and fade (display/) ---
    void ShowPanel();
    void HidePanel();

    // --- Tray icon (display/) ---
    void AddTrayIcon();
    void LoadTrayMenu();
    void UpdateTrayIndication();

    // --- Panel commands (commands/) ---
    LRESULT OnSliderMoved(WPARAM wParam, LPARAM lParam);

    // --- Hook wrappers (commands/) ---
    bool SetPanelHook(RECT rect);
    bool RemovePanelHook();

    // --- Audio back-end (audio/) ---
    void SelectAudioBackEnd();
    void OpenAudio();
    void SetAudioMute(int32_t flag);
    void SetAudioVolume(int32_t steps);
    LRESULT OnMixerLineChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnMixerControlChange(WPARAM wParam, LPARAM lParam);

    // A failure message box owned by the panel. From another thread than the
    // panel's the box is handed to the panel's thread, so that no thread that
    // may hold the panel lock ever waits for the panel.
    void ShowError(const std::string& text);

    // Loads a picture into the function button and repaints it.
    void SetFunctionButtonPicture(UINT bitmapId);
    // The levels the current state would show.
    ArrangeLevels CurrentLevels() const;

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void DoDataExchange();
    bool ReadHaveKeypad();
    void StartPollThread();
    void StopPollThread();

public:
    // --- The state record's window-side fields ---
    std::recursive_mutex& panelLock;
    std::unique_ptr<ControllerDriver> driver;
    std::unique_ptr<CMCU> controller; // outlives the poll thread
    NOTIFYICONDATAA* trayIcon = nullptr;
    RECT panelRect{};
    int32_t screenWidth = 0, screenHeight = 0;
    RECT volumeLayout[4]{};
    RECT brightnessLayout[4]{};
    WorkerThread pollThread;
    HMENU systemMenu = nullptr;
    MMRESULT mixerResult = 0;
    MixerHandle mixerHandle;
    MIXERLINEA speakerLine{};
    MIXERLINECONTROLSA lineControls{};
    MIXERCONTROLA volumeControl{};
    MIXERCONTROLA muteControl{};
    MIXERCONTROLDETAILS volumeDetails{};
    MIXERCONTROLDETAILS muteDetails{};
    MIXERCONTROLDETAILS_UNSIGNED volumeValue{};
    MIXERCONTROLDETAILS_BOOLEAN muteValue{};
    HMENU trayMenu = nullptr;
    HMENU trayPopup = nullptr;
    CBitmapButton buzzerButton, lockButton;
    HICON appIcon = nullptr, autoDimmingIcon = nullptr, lockedIcon = nullptr,
          lockedAutoDimmingIcon = nullptr;
    CBitmapSlider levelSlider;
    CBitmapButton dimmingButton, functionButton, switchButton;
    BITMAP backgroundInfo{};
    Bitmap backgroundBitmap;
    HWND levelMarker = nullptr;

    // Work the poll thread hands to this window's thread.
    UiQueue uiQueue;

private:
    std::unique_ptr<QueuedPanelOperations> pollPanel;
    std::unique_ptr<KeypadPoller> poller;

public:
    // --- Endpoint volume back-end (audio/) ---
    // Serialises the mixer records between the panel's and the poll thread.
    std::mutex mixerLock;
    // Made by the first OpenAudio on the endpoint back-end unless one is in
    // place (tests put one with fake devices in). Declared last, so that it
    // goes, and its notifications are unregistered, before anything they use.
    std::unique_ptr<EndpointVolumeBackEnd> endpointBackEnd;
};
