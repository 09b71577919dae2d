#pragma once
// The audio device as the panel drives it: one interface for the legacy
// mixer and the endpoint-volume back-ends, the choice between them by
// Windows version, and what a back-end is built from.
#include <cstdint>
#include <functional>
#include <memory>

#include "controller/ControllerRequests.h"
#include "framework/ErrorReport.h"
#include "framework/Win32.h"
#include "shared/PanelState.h"

// What a back-end needs: the state record whose audioVolume and audioMute it
// reports into, the controller's requests (a new default device's level goes
// straight to register 9, written by the poll thread so that no thread of
// the audio service waits on the bus) and where its failures are shown.
struct AudioContext {
    PanelState& state;
    ControllerRequests& requests;
    ErrorSink& errors;
};

class AudioBackEnd {
public:
    virtual ~AudioBackEnd() = default;
    // Opens the device afresh, closing what was open; window receives the
    // device's change notifications where the back-end sends them as messages.
    virtual void Open(HWND window) = 0;
    // Mute 0 or 1, and the master volume in steps 0..20, on the thread that
    // calls (the panel's or the poll thread). Failures are shown.
    virtual void SetMute(int32_t flag) = 0;
    virtual void SetVolume(int32_t steps) = 0;
    // A control of the device changed (MM_MIXM_CONTROL_CHANGE): reads it back.
    virtual void OnControlChange(uint32_t controlId) = 0;
    // After a reopen for a line change: reads mute, then volume, back.
    virtual void ReadControlsBack() = 0;
};

// True when this system's Windows version gets the endpoint back-end (after
// 5.1); a failed version query counts as the legacy mixer's.
bool SystemUsesEndpointVolume();

using AudioBackEndFactory = std::function<std::unique_ptr<AudioBackEnd>(const AudioContext&)>;
// The back-end that state.useEndpointVolume names.
std::unique_ptr<AudioBackEnd> MakeAudioBackEnd(const AudioContext& context);
