#pragma once
// The legacy mixer back-end: the volume and mute controls of the speakers
// line of mixer device 0, kept in the panel's mixer records, with the panel
// as the window the mixer driver notifies of every change.
//
// The panel's thread (start-up, line and control changes, panel commands)
// and the poll thread (keypad events) both use the records, so every
// operation runs under the panel's mixerLock; its failure is shown once the
// lock is released, so that no thread waits for the mixer while a message
// box runs its modal loop on the panel's thread.
#include <cstdint>

class CLumitraxDlg;

// Opens the mixer afresh (closing the one held) and finds the speakers line
// and its two controls.
void OpenMixer(CLumitraxDlg& panel);
// Mute 0 or 1; stored in audioMute at once.
void SetMixerMute(CLumitraxDlg& panel, int32_t flag);
// Volume in steps; audioVolume follows when the control-change comes back.
void SetMixerVolume(CLumitraxDlg& panel, int32_t steps);
