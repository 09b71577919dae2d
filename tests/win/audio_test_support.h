#pragma once
// What the audio tests share: a simulated controller of the test process's
// own, the panel dialog built on it (run or not), and the message boxes a
// thread shows, read and answered.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/LumitraxDlg.h"
#include "audio/AudioDevice.h"
#include "controller/GpiDllDriver.h"
#include "drivers/KeypadSimClient.h"
#include "res/resource.h"
#include "shared/PanelMessages.h"
#include "tests/win/MessageBoxes.h"
#include "tests/win/TestLibraries.h"
#include "tests/win/WaitUntil.h"

// A fresh simulated controller (extended profile) that only this test
// process uses: the panel's driver library and the test reach the same one.
inline std::unique_ptr<KeypadSimClient> OpenOwnController() {
    const std::string name = "LumitraxAudioTest" + std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA("GPIDLL_SIM_NAME", name.c_str());
    std::unique_ptr<KeypadSimClient> sim = KeypadSimClient::Open();
    if (sim)
        sim->Run(
            [](keypad::KeypadModel& model, uint64_t) { model.Reset(keypad::Profile::Extended); });
    return sim;
}

// What an audio back-end is built from, without a panel: a state record, the
// controller on this process's simulated controller with its requests (which
// the test carries out in the poll thread's stead), and message boxes that
// the calling thread shows.
struct AudioRig {
    std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    PanelState state;
    GpiDllDriver driver{TestLibraries().driver, TestLibraries().driver.Open()};
    CMCU controller{driver, nullptr};
    ControllerRequests requests{controller};
    UiQueue queue;
    MessageBoxSink errors{queue}; // no owner: shown at once
    AudioContext Context() { return AudioContext{state, requests, errors}; }
};

inline uint64_t LastSeq(KeypadSimClient& sim) {
    return sim.Run([](keypad::KeypadModel& model, uint64_t) { return model.LastSeq(); });
}

// Waits (at most 5 s each) for two more reads of the input line: whatever
// was asked of the poll thread before the call has been carried out then.
inline bool TwoPollCyclesPass(KeypadSimClient& sim) {
    for (int cycle = 0; cycle < 2; ++cycle)
        if (!sim.WaitFor(keypad::LogPattern{'G', std::nullopt}, LastSeq(sim), 5000))
            return false;
    return true;
}

inline std::vector<keypad::LogEntry> EntriesAfter(KeypadSimClient& sim, uint64_t seq) {
    return sim.Run([seq](keypad::KeypadModel& model, uint64_t) { return model.EntriesAfter(seq); });
}

// Register writes after seq, as "W9=15 W7=254".
inline std::string WritesAfter(KeypadSimClient& sim, uint64_t seq) {
    std::string writes;
    for (const keypad::LogEntry& entry : EntriesAfter(sim, seq)) {
        if (entry.op != 'W')
            continue;
        writes += (writes.empty() ? "W" : " W") + std::to_string(entry.reg) + "=" +
                  std::to_string(entry.value);
    }
    return writes;
}

// Reads and answers with OK every message box threadId shows, one after
// the other, until done() holds with no box up or the timeout passes.
inline std::vector<ShownMessageBox> AnswerMessageBoxes(DWORD threadId,
                                                       const std::function<bool()>& done,
                                                       std::chrono::milliseconds timeout) {
    std::vector<ShownMessageBox> shown;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const bool finished = done(); // before looking, so that no last box is missed
        if (std::optional<ShownMessageBox> box = AnswerMessageBox(threadId)) {
            shown.push_back(std::move(*box));
            continue;
        }
        if (finished)
            return shown;
        Sleep(5);
    }
    ADD_FAILURE() << "message boxes still coming after " << timeout.count() << " ms";
    return shown;
}

// Runs work on a thread of its own and gives the texts of the message
// boxes it showed, in order; each was answered with OK.
inline std::vector<std::string> MessageBoxesDuring(const std::function<void()>& work) {
    std::atomic<DWORD> threadId{0};
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        threadId = GetCurrentThreadId();
        work();
        finished = true;
    });
    WaitUntil([&] { return threadId != 0; }, std::chrono::milliseconds(5000));
    std::vector<std::string> texts;
    for (const ShownMessageBox& box : AnswerMessageBoxes(
             threadId, [&] { return finished.load(); }, std::chrono::seconds(20))) {
        EXPECT_EQ(box.caption, "Lumitrax") << box.text;
        texts.push_back(box.text);
    }
    worker.join();
    return texts;
}

// The shown boxes of the panel's thread (message boxes, the About box).
inline std::vector<HWND> ShownBoxesOf(HWND panel) {
    struct Visit {
        static BOOL CALLBACK Window(HWND window, LPARAM boxes) {
            if (IsDialog(window) && IsWindowVisible(window) &&
                GetDlgItem(window, IDC_LEVEL_SLIDER) == nullptr)
                reinterpret_cast<std::vector<HWND>*>(boxes)->push_back(window);
            return TRUE;
        }
    };
    std::vector<HWND> boxes;
    EnumThreadWindows(GetWindowThreadProcessId(panel, nullptr), Visit::Window,
                      reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

// The panel's two kinds of box and its tray menu: the About box runs a
// loop of ours, the firmware box (a message box) and the menu the system's.
enum class PanelBox { About, Firmware, TrayMenu };

// Opens a box of the panel (or the menu) and waits until it is shown; null
// when it did not come.
inline HWND OpenPanelBox(CLumitraxDlg& panel, PanelBox box) {
    const HWND window = panel.GetSafeHwnd();
    if (box == PanelBox::TrayMenu) {
        PostMessageA(window, WM_TRAYICON, kTrayIconId, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitUntil(
            [&] {
                return (menu =
                            FindThreadWindow(GetWindowThreadProcessId(window, nullptr), [](HWND w) {
                                char name[16] = "";
                                GetClassNameA(w, name, sizeof name);
                                return IsWindowVisible(w) && std::string(name) == "#32768";
                            })) != nullptr;
            },
            std::chrono::milliseconds(5000));
        return menu;
    }
    if (box == PanelBox::About)
        PostMessageA(window, WM_COMMAND, ID_ABOUT, 0);
    else
        panel.Queue().Post([&panel] { panel.Commands().ShowFirmwareBox(); });
    std::vector<HWND> shown;
    WaitUntil([&] { return !(shown = ShownBoxesOf(window)).empty(); },
              std::chrono::milliseconds(5000));
    return shown.empty() ? nullptr : shown.front();
}

// Dismisses a box (or the menu) that OpenPanelBox opened.
inline void DismissPanelBox(HWND panel, PanelBox box, HWND shown) {
    if (box == PanelBox::TrayMenu)
        PostMessageA(panel, WM_CANCELMODE, 0, 0);
    else
        PostMessageA(shown, WM_COMMAND, IDOK, 0);
}

// The panel dialog running modally on a thread of its own, as the program
// runs it: made, run and destroyed on that thread (which is the one that
// keeps COM initialised for it), with its poll thread on this process's
// simulated controller. prepare runs on the panel before its window is made;
// audio makes its audio back-end.
class RunningPanel {
public:
    explicit RunningPanel(std::function<void(CLumitraxDlg&)> prepare,
                          AudioBackEndFactory audio = MakeAudioBackEnd)
        : thread_([this, prepare = std::move(prepare), audio = std::move(audio)] {
              CLumitraxDlg panel(TestLibraries(), audio);
              prepare(panel);
              threadId_ = GetCurrentThreadId();
              panel_ = &panel;
              panel.DoModal();
              pollingWhenEnded_ = panel.State().pollRunning;
              panel_ = nullptr; // a panel that could not start is not waited for
          }) {
        WaitUntil([this] { return threadId_ != 0; }, std::chrono::milliseconds(5000));
    }
    ~RunningPanel() {
        if (HWND window = Window())
            PostMessageA(window, WM_CLOSE, 0, 0);
        thread_.join();
    }
    RunningPanel(const RunningPanel&) = delete;
    RunningPanel& operator=(const RunningPanel&) = delete;

    // Waits until the panel is up and polling.
    bool WaitUntilPolling(std::chrono::milliseconds timeout) {
        return WaitUntil(
            [this] {
                CLumitraxDlg* panel = panel_;
                return panel && Window() && panel->State().pollRunning;
            },
            timeout);
    }
    CLumitraxDlg& Panel() { return *panel_; }
    // Once the modal run has ended: whether the poll thread was still asked
    // to run then (1) or not (0); -1 while the panel runs.
    int PollingWhenEnded() const { return pollingWhenEnded_; }

private:
    // The panel: the dialog window of its thread with the level slider
    // (message boxes and the About box are owned by it).
    HWND Window() const {
        return FindThreadWindow(threadId_, [](HWND window) {
            return IsDialog(window) && GetDlgItem(window, IDC_LEVEL_SLIDER) != nullptr;
        });
    }

    std::atomic<DWORD> threadId_{0};
    std::atomic<CLumitraxDlg*> panel_{nullptr};
    std::atomic<int> pollingWhenEnded_{-1};
    std::thread thread_; // last: started once everything it uses exists
};
