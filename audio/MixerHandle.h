#pragma once
// Owns a mixer handle of the multimedia mixer and closes it.
#include "framework/Win32.h"

#include <mmsystem.h>

class MixerHandle {
public:
    MixerHandle() = default;
    ~MixerHandle() { Close(); }
    MixerHandle(const MixerHandle&) = delete;
    MixerHandle& operator=(const MixerHandle&) = delete;

    // Closes the mixer held, then opens mixer device with window as the
    // target of its change notifications. On failure nothing is held.
    MMRESULT Open(UINT device, HWND window) {
        Close();
        HMIXER opened = nullptr;
        const MMRESULT result =
            mixerOpen(&opened, device, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW);
        if (result == MMSYSERR_NOERROR)
            handle_ = opened;
        return result;
    }
    void Close() {
        if (handle_)
            mixerClose(handle_);
        handle_ = nullptr;
    }
    // The handle as the mixer object of the query and set calls.
    HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(handle_); }

private:
    HMIXER handle_ = nullptr;
};
