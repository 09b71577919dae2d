#pragma once
// The parts of the panel that the poll thread uses, apart from the window:
// the panel lock, the state record, the controller link with the requests
// other threads queue for it, the audio device, the queue to the panel's
// thread and the poll thread's own work. The panel keeps them in one object
// so that, should the poll thread not end (a driver call that never returns),
// it can leave them to that thread for the rest of the process instead of
// destroying them under it.
#include <memory>
#include <mutex>

#include "app/DriverLibraries.h"
#include "app/QueuedPanelOperations.h"
#include "audio/AudioDevice.h"
#include "controller/CMCU.h"
#include "controller/ControllerDriver.h"
#include "controller/ControllerRequests.h"
#include "controller/KeypadPoller.h"
#include "framework/ErrorReport.h"
#include "framework/UiQueue.h"
#include "shared/PanelState.h"

class CLumitraxDlg;

struct PanelCore {
    // Opens the driver and creates the controller object.
    PanelCore(CLumitraxDlg& panel, const GpiDllLibrary& driverLibrary, AudioBackEndFactory audio);

    // The panel lock: held by the poll thread for a whole controller event,
    // and by a dimming or lock request while it makes its change again and
    // writes it (PanelCommands::PostStatusChange). The panel's thread never
    // takes it (it would wait on the bus). Requests run on the poll thread
    // too, between events, so in the program the lock never waits: what
    // keeps a handler's change from being undone by an event that read the
    // controller before its write is that request's redo (dimming, lock) or
    // the count of pending backlight writes (SwitchBacklight).
    std::recursive_mutex panelLock;
    PanelState state;
    UiQueue uiQueue;
    MessageBoxSink errors{uiQueue};
    std::unique_ptr<ControllerDriver> driver;
    CMCU controller;
    // Controller accesses of the panel's and the audio service's threads,
    // carried out by the poll thread.
    ControllerRequests requests{controller};
    AudioDevice audio;
    QueuedPanelOperations pollPanel;
    KeypadPoller poller;
};
