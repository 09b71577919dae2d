#include "controller/KeypadPoller.h"

#include <thread>

#include "controller/RegisterMap.h"

KeypadPoller::KeypadPoller(PanelState& state, CMCU& controller, ControllerRequests& requests,
                           PanelOperations& panel, std::recursive_mutex& panelLock,
                           std::chrono::milliseconds period)
    : state_(state), controller_(controller), requests_(requests), panel_(panel),
      panelLock_(panelLock), period_(period) {}

int KeypadPoller::PollThreadProc() {
    for (;;) {
        std::this_thread::sleep_for(period_);
        // A close request during the pause: only the accesses asked for
        // before it are made (a write of a click just before the close).
        if (!state_.pollRunning) {
            requests_.RunQueued();
            return 1;
        }
        requests_.RunQueued();
        SyncPendingChanges();
        uint8_t level = 1;
        if (!controller_.ReadInputLine(level)) {
            panel_.FailInputLine();
            return 1;
        }
        if (level == 0)
            OnControllerEvent();
    }
}

// The poll thread's own later steps read showingBrightness back, so it is
// set here at once; only the window effects are left to the panel.
void KeypadPoller::Arrange(Arrangement mode) {
    state_.showingBrightness = mode;
    panel_.ArrangePanel(mode);
}

// The device's mute follows the keypad. The device's own report of the
// change may come later than the next cycle (or, with some devices, never):
// record it as reported now, as start-up does, so that the next cycle does
// not take the old report for a change made in Windows and undo the keypad's.
void KeypadPoller::SetAudioMute(int32_t flag) {
    RecordAudioMute(state_, flag != 0);
    panel_.SetAudioMute(flag);
}

void KeypadPoller::SyncPendingChanges() {
    // Volume changed on the audio side.
    state_.pendingVolume = static_cast<int32_t>(state_.audioVolume);
    if (state_.pendingVolume != state_.keypadVolume) {
        if (Showing(Arrangement::Brightness))
            Arrange(Arrangement::Volume);
        panel_.ShowPanel();
        controller_.WriteRegister(REG_SET_VOLUME, state_.pendingVolume);
        // The device's echo of a volume the panel pushed itself leaves the
        // slider alone (it may have moved on since); any other volume made
        // in Windows is shown. Taken and cleared in one step, so that a push
        // the panel makes meanwhile waits for its own echo.
        if (state_.skipSliderEcho.Exchange(kNoSliderEcho) != state_.pendingVolume)
            panel_.SetSliderValue(Arrangement::Volume, state_.pendingVolume);
        state_.keypadVolume = static_cast<int32_t>(state_.pendingVolume);
        state_.shownVolume = static_cast<int32_t>(state_.pendingVolume);
        if (state_.useEndpointVolume && (state_.appliedStatus & kStatusMute)) {
            // The keypad was muted and the device's volume moved: record the
            // keypad as un-muted and tell the controller the same. The status
            // follows too, so that program and controller agree; should the
            // device still be muted, the mute step below mutes both again.
            state_.statusBits = state_.statusBits & ~kStatusMute;
            state_.appliedStatus = static_cast<int32_t>(state_.statusBits);
            controller_.WriteRegister(REG_MUTE, state_.statusBits);
            panel_.UpdateFunctionButton();
        }
    }

    // Brightness asked for with the slider; the panel is not shown for it.
    state_.pendingBrightness = static_cast<int32_t>(state_.requestedBrightness);
    if (state_.pendingBrightness != state_.brightness) {
        controller_.WriteRegister(REG_SET_BRIGHTNESS, state_.pendingBrightness);
        state_.brightness = static_cast<int32_t>(state_.pendingBrightness);
        state_.shownBrightness = static_cast<int32_t>(state_.pendingBrightness);
    }

    // Mute changed on the audio side.
    if ((state_.audioMute & kStatusMute) != (state_.statusBits & kStatusMute)) {
        if (Showing(Arrangement::Brightness))
            Arrange(Arrangement::Volume);
        panel_.ShowPanel();
        if (state_.audioMute & kStatusMute)
            state_.statusBits = state_.statusBits | kStatusMute;
        else
            state_.statusBits = state_.statusBits & ~kStatusMute;
        state_.appliedStatus = static_cast<int32_t>(state_.statusBits);
        panel_.UpdateFunctionButton();
        controller_.WriteRegister(REG_MUTE, state_.statusBits);
    }
}

void KeypadPoller::ShowBrightness() {
    if (Showing(Arrangement::Volume))
        Arrange(Arrangement::Brightness);
    panel_.ShowPanel();
    state_.pendingBrightness = static_cast<int32_t>(state_.brightness);
    state_.requestedBrightness = static_cast<int32_t>(state_.brightness);
    panel_.SetSliderValue(Arrangement::Brightness, state_.brightness);
}

void KeypadPoller::ShowVolume() {
    if (Showing(Arrangement::Brightness))
        Arrange(Arrangement::Volume);
    panel_.ShowPanel();
    state_.pendingVolume = static_cast<int32_t>(state_.keypadVolume);
    state_.audioVolume = static_cast<int32_t>(state_.keypadVolume);
    panel_.SetSliderValue(Arrangement::Volume, state_.keypadVolume);
    panel_.PushSliderVolume(state_.keypadVolume);
    if (state_.useEndpointVolume && (state_.appliedStatus & kStatusMute)) {
        // A volume key while muted un-mutes keypad and device. The controller
        // is told with all bits but the mute bit set; the program keeps its
        // other status bits, so that a failed status read later in the event
        // does not leave the tray and register 7 with bits nobody set.
        state_.statusBits = state_.statusBits & ~kStatusMute;
        state_.appliedStatus = static_cast<int32_t>(state_.statusBits);
        controller_.WriteRegister(REG_MUTE, kMuteReleased);
        SetAudioMute(0);
    }
}

void KeypadPoller::OnControllerEvent() {
    std::lock_guard<std::recursive_mutex> lock(panelLock_);
    const bool extended = state_.extendedRegisters != 0;

    int32_t change = 0;
    if (extended)
        controller_.ReadRegister(REG_CHANGE_VALUE, change);
    const bool flagsValid = extended && change != 0xFF;

    controller_.ReadLevel(REG_BRIGHTNESS, state_.brightness);
    const bool brightnessFlag = flagsValid && (change & 0x01);
    if (state_.brightness != state_.shownBrightness) {
        state_.shownBrightness = static_cast<int32_t>(state_.brightness);
        ShowBrightness();
    } else if (brightnessFlag) {
        ShowBrightness();
    }

    controller_.ReadLevel(REG_VOLUME, state_.keypadVolume);
    const bool volumeFlag = flagsValid && (change & 0x02);
    if (state_.keypadVolume != state_.shownVolume) {
        state_.shownVolume = static_cast<int32_t>(state_.keypadVolume);
        ShowVolume();
    } else if (volumeFlag) {
        ShowVolume();
    }

    controller_.ReadRegister(REG_STATUS, state_.statusBits);
    state_.autoDimming = (state_.statusBits & kStatusAutoDimming) ? 1 : 0;
    state_.keypadLocked = (state_.statusBits & kStatusLocked) ? 1 : 0;
    panel_.UpdateTrayIndication();

    if (state_.appliedStatus != state_.statusBits)
        panel_.ShowPanel();
    if (state_.appliedStatus != state_.statusBits) {
        const int32_t old = state_.appliedStatus;
        state_.appliedStatus = static_cast<int32_t>(state_.statusBits);
        if ((old ^ state_.statusBits) & kStatusMute) {
            Arrange(Arrangement::Volume);
            panel_.ShowPanel();
            SetAudioMute(state_.statusBits & kStatusMute);
        }
    }

    // A backlight read that gives up changes nothing: the backlight stays as
    // known. So does one made while a switch of the panel's (its function
    // button, a wake) has not been written yet: the register may have been
    // read before that write, and the switch stands. The backlight as known
    // is taken before the count of switches: a switch it shows was counted.
    int32_t backlight = 0;
    if (extended && controller_.ReadRegisterPersistent(REG_BACKLIGHT, backlight)) {
        const uint8_t known = state_.backlightOn.Observe();
        if (state_.backlightRequests == 0) {
            state_.backlightValue = backlight;
            if (backlight != known) {
                if (!(backlight & 0x01)) {
                    Arrange(Arrangement::Brightness);
                    state_.backlightOn = 0;
                    panel_.HidePanel();
                    panel_.SetPanelHook(HookRect{});
                } else if (!known) {
                    panel_.RemovePanelHook();
                    state_.backlightOn = 1;
                    panel_.ShowPanel();
                }
            }
        }
    }
    // The status and the backlight may have changed in more than one step
    // of the event, and an arrangement asked for in between shows them as
    // they were then: the function button ends showing them as they are.
    panel_.UpdateFunctionButton();
}
