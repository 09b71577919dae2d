// A long run of the panel under a storm: keys of every kind at up to 100 a
// second with pauses for fades, volume and mute changed on the audio device,
// arrangement switches, tray clicks and Environment choices, shell restarts,
// and controller faults (single failed accesses, bursts of a register that
// never answers). The panel runs here on a thread of its own, as the program
// runs it, on a simulated controller of this process's own and the system's
// legacy mixer (run under a system that reports Windows XP, with a sound
// device). Prints a table and fails when a limit is passed:
// - the panel's thread answers within 1 s at every check;
// - at the end, what the panel shows agrees with the controller and the device;
// - handles, GDI and USER objects, private bytes and threads, sampled every
//   10 s, grow after the warm-up by no more than a small margin.
//
//   soak.exe [--keys N]     (default 50000; LUMITRAX_SOAK=short: 1500)
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/LumitraxDlg.h"
#include "audio/MixerBackEnd.h"
#include "controller/RegisterMap.h"
#include "display/TrayIndication.h"
#include "drivers/KeypadSimClient.h"
#include "res/resource.h"
#include "shared/PanelMessages.h"

namespace {
using Clock = std::chrono::steady_clock;
using keypad::Key;
using keypad::KeypadModel;

constexpr DWORD kAnswerLimitMs = 1000;
constexpr auto kSampleEvery = std::chrono::seconds(10);

// Growth allowed from the first sample after the warm-up to the last.
struct Margins {
    long handles = 25;
    long gdi = 10;
    long user = 10;
    long privateKiB = 3072;
    long threads = 2;
} const kMargins;

struct Sample {
    double seconds;
    long handles, gdi, user, privateKiB, threads;
};

long ThreadsOfThisProcess() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    long count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// Handles of this process, counted by asking after each possible value
// where the system does not count them (Wine).
long HandleCount() {
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0)
        return static_cast<long>(handles);
    long count = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        ++*reinterpret_cast<long*>(count);
        EnumChildWindows(window, CountWindow, count);
    }
    return TRUE;
}

// USER objects, or this process's windows where the system does not count
// them (Wine).
long UserObjects() {
    const long counted = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    if (counted > 0)
        return counted;
    long windows = 0;
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

Sample TakeSample(Clock::time_point start) {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    // Wine leaves the private bytes out; its committed bytes are the same thing there.
    const SIZE_T privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
    return {std::chrono::duration<double>(Clock::now() - start).count(),
            HandleCount(),
            static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)),
            UserObjects(),
            static_cast<long>(privateBytes / 1024),
            ThreadsOfThisProcess()};
}

// The panel dialog on a thread of its own, as the program runs it.
class Panel {
public:
    Panel()
        : thread_([this] {
              CLumitraxDlg panel;
              panel_ = &panel;
              panel.DoModal();
              panel_ = nullptr;
          }) {}
    ~Panel() {
        if (Window())
            PostMessageA(Window(), WM_CLOSE, 0, 0);
        thread_.join();
    }
    CLumitraxDlg* Get() const { return panel_; }
    HWND Window() const {
        CLumitraxDlg* panel = panel_;
        return panel ? panel->GetSafeHwnd() : nullptr;
    }
    // Runs work on the panel's thread and waits for it (at most 10 s).
    template <class Work> bool OnPanelThread(Work work) {
        std::atomic<bool> done{false};
        panel_.load()->Queue().Post([&] {
            work();
            done = true;
        });
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!done && Clock::now() < deadline)
            Sleep(1);
        return done;
    }

private:
    std::atomic<CLumitraxDlg*> panel_{nullptr};
    std::thread thread_;
};

// The speakers' volume and mute as another program sets them.
class Mixer {
public:
    Mixer() {
        if (mixerOpen(&mixer_, 0, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
            mixer_ = nullptr;
    }
    ~Mixer() {
        if (mixer_)
            mixerClose(mixer_);
    }
    bool Open() const { return mixer_ != nullptr; }
    void Set(DWORD control, DWORD value) { Details(control, value, true); }
    DWORD Get(DWORD control) { return Details(control, 0, false); }

private:
    DWORD Details(DWORD control, DWORD value, bool set) {
        MIXERCONTROLDETAILS details{};
        details.cbStruct = sizeof details;
        details.dwControlID = control;
        details.cChannels = 1;
        details.cbDetails = sizeof value;
        details.paDetails = &value;
        const HMIXEROBJ object = reinterpret_cast<HMIXEROBJ>(mixer_);
        if (set)
            mixerSetControlDetails(object, &details, MIXER_OBJECTF_HMIXER);
        else
            mixerGetControlDetailsA(object, &details, MIXER_OBJECTF_HMIXER);
        return value;
    }
    HMIXER mixer_ = nullptr;
};

struct Failure {
    std::vector<std::string> lines;
    void Add(const std::string& line) {
        lines.push_back(line);
        std::printf("FAIL: %s\n", line.c_str());
    }
};

// Answers every message box of the thread; gives how many there were.
int DismissMessageBoxes(DWORD threadId) {
    struct Count {
        int boxes = 0;
        static BOOL CALLBACK Visit(HWND window, LPARAM param) {
            char cls[16] = "";
            GetClassNameA(window, cls, sizeof cls);
            if (std::strcmp(cls, "#32770") == 0 && GetDlgItem(window, 0xFFFF) &&
                IsWindowVisible(window)) {
                char text[256] = "";
                GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
                std::printf("message box: %s\n", text);
                PostMessageA(window, WM_COMMAND, IDOK, 0);
                ++reinterpret_cast<Count*>(param)->boxes;
            }
            return TRUE;
        }
    } count;
    EnumThreadWindows(threadId, Count::Visit, reinterpret_cast<LPARAM>(&count));
    return count.boxes;
}
} // namespace

int main(int argc, char** argv) {
    const char* soak = std::getenv("LUMITRAX_SOAK");
    long keys = soak && std::string(soak) == "short" ? 1500 : 50000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--keys")
            keys = std::atol(argv[i + 1]);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    SetEnvironmentVariableA("GPIDLL_SIM_NAME",
                            ("LumitraxSoak" + std::to_string(GetCurrentProcessId())).c_str());
    const std::unique_ptr<KeypadSimClient> sim = KeypadSimClient::Open();
    Mixer mixer;
    if (!sim || !mixer.Open()) {
        std::printf("soak: needs the simulated controller and a mixer device (run with a sound "
                    "device, on a system that reports Windows XP)\n");
        return 2;
    }
    const auto onController = [&](auto fn) {
        return sim->Run([&](KeypadModel& model, uint64_t now) { return fn(model, now); });
    };
    onController([](KeypadModel& model, uint64_t) { model.Reset(keypad::Profile::Extended); });

    Failure failure;
    const Clock::time_point start = Clock::now();
    std::vector<Sample> samples;
    Panel panel;
    while (!panel.Window() || !panel.Get()->State().pollRunning) {
        if (Clock::now() - start > std::chrono::seconds(60)) {
            std::printf("soak: the panel did not start\n");
            return 2;
        }
        Sleep(10);
    }
    CLumitraxDlg& dialog = *panel.Get();
    const HWND window = panel.Window();
    const DWORD panelThread = GetWindowThreadProcessId(window, nullptr);
    if (dialog.State().useEndpointVolume) {
        std::printf("soak: the system reports a version with the endpoint interfaces; run it on "
                    "one that reports Windows XP (scripts/wine-env.sh --winxp)\n");
        return 2;
    }
    auto* mixerBackEnd = dynamic_cast<MixerBackEnd*>(dialog.Audio().BackEnd());
    const DWORD volumeControl = mixerBackEnd->VolumeControlId();
    const DWORD muteControl = mixerBackEnd->MuteControlId();
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

    std::mt19937 random(20261208);
    const auto chance = [&](int percent) {
        return std::uniform_int_distribution<int>(0, 99)(random) < percent;
    };
    const Key allKeys[] = {Key::BrightnessUp, Key::BrightnessDown, Key::VolumeUp, Key::VolumeDown,
                           Key::Mute,         Key::Backlight,      Key::Lock,     Key::Dimming};
    const uint16_t faultRegisters[] = {REG_BRIGHTNESS, REG_VOLUME,        REG_STATUS,
                                       REG_BACKLIGHT,  REG_CHANGE_VALUE,  REG_SET_VOLUME,
                                       REG_MUTE,       REG_SET_BRIGHTNESS};
    long checks = 0, boxes = 0, worstAnswerMs = 0, faults = 0, silences = 0, deviceChanges = 0,
         switches = 0, trayClicks = 0, menuChoices = 0, restarts = 0, fades = 0;
    Clock::time_point nextSample = start;
    const long fadeEvery = std::max(500L, std::min(5000L, keys / 3));
    const auto check = [&] {
        const auto asked = Clock::now();
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerLimitMs, &answer))
            failure.Add("the panel did not answer within 1 s (check " + std::to_string(checks) +
                        ")");
        worstAnswerMs = std::max<long>(
            worstAnswerMs, static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 Clock::now() - asked)
                                                 .count()));
        boxes += DismissMessageBoxes(panelThread);
        ++checks;
        if (Clock::now() >= nextSample) {
            samples.push_back(TakeSample(start));
            nextSample += kSampleEvery;
        }
    };

    for (long pressed = 0; pressed < keys;) {
        // A burst of keys at up to 100 a second.
        const int burst = std::uniform_int_distribution<int>(5, 40)(random);
        for (int i = 0; i < burst && pressed < keys; ++i, ++pressed) {
            const Key key = allKeys[std::uniform_int_distribution<int>(0, 7)(random)];
            onController([key](KeypadModel& model, uint64_t now) { model.PressKey(key, now); });
            if (chance(1)) {
                // Single failed accesses of a register.
                const uint16_t reg = faultRegisters[random() % std::size(faultRegisters)];
                onController([reg](KeypadModel& model, uint64_t) {
                    model.FailNextReads(reg, 1);
                    model.FailNextWrites(reg, 1);
                });
                ++faults;
            }
            Sleep(10);
        }
        check();
        // Between bursts, one of the other things that happen.
        switch (std::uniform_int_distribution<int>(0, 9)(random)) {
        case 0: { // the volume or the mute changed on the audio device
            if (chance(50))
                mixer.Set(volumeControl, std::uniform_int_distribution<DWORD>(0, 65535)(random));
            else
                mixer.Set(muteControl, mixer.Get(muteControl) ? 0 : 1);
            PostMessageA(window, MM_MIXM_CONTROL_CHANGE, 0, static_cast<LPARAM>(volumeControl));
            PostMessageA(window, MM_MIXM_CONTROL_CHANGE, 0, static_cast<LPARAM>(muteControl));
            ++deviceChanges;
            break;
        }
        case 1: // the switch button
            SendMessageTimeoutA(dialog.Controls().switchButton.GetSafeHwnd(), BM_CLICK, 0, 0,
                                SMTO_ABORTIFHUNG, kAnswerLimitMs, nullptr);
            ++switches;
            break;
        case 2: // the tray icon's left button
            PostMessageA(window, WM_TRAYICON, 100, WM_LBUTTONDOWN);
            ++trayClicks;
            break;
        case 3: // an Environment item chosen in the tray menu
            PostMessageA(window, WM_COMMAND,
                         std::uniform_int_distribution<int>(ID_ENV_OFFICE, ID_ENV_OUTDOOR)(random),
                         0);
            ++menuChoices;
            break;
        case 4: { // the shell restarted and forgot the icon
            NOTIFYICONDATAA icon{};
            icon.cbSize = sizeof icon;
            icon.hWnd = window;
            icon.uID = 100;
            Shell_NotifyIconA(NIM_DELETE, &icon);
            PostMessageA(window, taskbarCreated, 0, 0);
            ++restarts;
            break;
        }
        case 5: { // a burst of a register that never answers
            if (!chance(20))
                break;
            const uint16_t reg = faultRegisters[random() % std::size(faultRegisters)];
            onController([reg](KeypadModel& model, uint64_t) { model.StopAnswering(reg); });
            for (int i = 0; i < 5; ++i) {
                const Key key = allKeys[std::uniform_int_distribution<int>(0, 7)(random)];
                onController([key](KeypadModel& model, uint64_t now) { model.PressKey(key, now); });
                pressed += 1;
                Sleep(40);
                check();
            }
            onController([](KeypadModel& model, uint64_t) { model.ClearFaults(); });
            ++silences;
            break;
        }
        default:
            break;
        }
        // Now and then a pause long enough for the panel to fade out.
        if (pressed / fadeEvery > fades && pressed < keys) {
            ++fades;
            for (int i = 0; i < 13; ++i) {
                Sleep(500);
                check();
            }
        }
    }

    // Quiet: the faults go, two keys that cancel out make the program read
    // every register afresh, and then nothing happens for a few cycles.
    onController([](KeypadModel& model, uint64_t) { model.ClearFaults(); });
    for (Key key : {Key::VolumeUp, Key::VolumeDown}) {
        const uint64_t seq = onController(
            [key](KeypadModel& model, uint64_t now) { return model.PressKey(key, now).seq; });
        sim->WaitFor(keypad::LogPattern{'R', REG_BACKLIGHT}, seq, 5000);
    }
    for (int i = 0; i < 5; ++i)
        sim->WaitFor(keypad::LogPattern{'G', std::nullopt},
                     onController([](KeypadModel& model, uint64_t) { return model.LastSeq(); }),
                     2000);
    check();
    samples.push_back(TakeSample(start));

    // What the panel shows against the controller and the device.
    const int32_t status =
        onController([](KeypadModel& m, uint64_t) { return *m.Peek(REG_STATUS); });
    const int32_t volume =
        onController([](KeypadModel& m, uint64_t) { return *m.Peek(REG_VOLUME); });
    const int32_t brightnessLevel =
        onController([](KeypadModel& m, uint64_t) { return *m.Peek(REG_BRIGHTNESS); });
    const int32_t lux = onController([](KeypadModel& m, uint64_t) { return *m.Peek(REG_LUX); });
    const bool backlight =
        onController([](KeypadModel& m, uint64_t) { return *m.Peek(REG_BACKLIGHT) != 0; });
    struct Shown {
        Arrangement arrangement;
        int slider;
        UINT function, lock, dimming;
        std::string tooltip;
        HICON icon;
        UINT environment;
    } shown{};
    panel.OnPanelThread([&] {
        shown = {dialog.Layout().Shown(),
                 dialog.Controls().levelSlider.GetValue(),
                 dialog.Controls().functionButton.PictureId(),
                 dialog.Controls().lockButton.PictureId(),
                 dialog.Controls().dimmingButton.PictureId(),
                 dialog.Tray().Record().szTip,
                 dialog.Tray().Record().hIcon,
                 dialog.Tray().EnvironmentItem()};
    });
    const TrayIndication& expected =
        TrayIndicationFor(TrayIndicationIndex(status & kStatusAutoDimming, status & kStatusLocked));
    const bool volumeShown = shown.arrangement == Arrangement::Volume;
    const auto agree = [&](bool same, const std::string& what) {
        if (!same)
            failure.Add("at the end, " + what);
    };
    agree(shown.slider == (volumeShown ? volume : brightnessLevel),
          "the slider shows " + std::to_string(shown.slider));
    agree(shown.function == (volumeShown
                                 ? ((status & kStatusMute) ? IDB_VOLUME_MUTED : IDB_VOLUME_SOUND)
                                 : (backlight ? IDB_BACKLIGHT_ON : IDB_BACKLIGHT_OFF)),
          "the function button shows picture " + std::to_string(shown.function));
    agree(shown.tooltip == expected.tooltip, "the tray tooltip is \"" + shown.tooltip + "\"");
    agree(shown.icon == LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(expected.icon)),
          "the tray icon is not the status's");
    agree(shown.lock == expected.lockPicture, "the padlock button's picture");
    agree(shown.dimming == expected.dimmingPicture, "the dimming button's picture");
    agree(shown.environment == EnvironmentItemFor(lux).value_or(0),
          "the Environment item checked is " + std::to_string(shown.environment));
    const int32_t deviceSteps = static_cast<int32_t>(mixer.Get(volumeControl) / 3277.0 + 0.5);
    agree(deviceSteps == volume, "the device's volume is " + std::to_string(deviceSteps) +
                                     " steps, the controller's " + std::to_string(volume));
    agree((mixer.Get(muteControl) != 0) == ((status & kStatusMute) != 0), "the device's mute");
    if (boxes)
        failure.Add(std::to_string(boxes) + " message boxes came up");

    // Resources: growth after the warm-up (the first sample after 20 s).
    // Where the system does not count GDI objects (Wine gives 0), their
    // column stays 0 and only the others watch for leaks; USER objects are
    // then the process's windows.
    std::printf("\n%8s %8s %6s %6s %12s %8s\n", "seconds", "handles", "GDI", "USER", "private KiB",
                "threads");
    for (const Sample& s : samples)
        std::printf("%8.0f %8ld %6ld %6ld %12ld %8ld\n", s.seconds, s.handles, s.gdi, s.user,
                    s.privateKiB, s.threads);
    const auto warm = std::find_if(samples.begin(), samples.end(),
                                   [](const Sample& s) { return s.seconds >= 20; });
    const Sample first = warm != samples.end() ? *warm : samples.front();
    const Sample last = samples.back();
    // The slope of a least-squares line through the samples after the
    // warm-up, per 10 minutes: flat when nothing leaks.
    const auto slope = [&](long Sample::*field) {
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (auto it = warm; it != samples.end(); ++it) {
            const double x = it->seconds / 600, y = static_cast<double>((*it).*field);
            n += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
        }
        const double d = n * sxx - sx * sx;
        return n >= 3 && d > 0 ? (n * sxy - sx * sy) / d : 0.0;
    };
    std::printf("\ngrowth after the warm-up        limit    slope per 10 min\n");
    const auto growth = [&](const char* what, long Sample::*field, long limit) {
        const long grew = last.*field - first.*field;
        std::printf("  %-14s %+10ld %+10ld %+12.1f\n", what, grew, limit, slope(field));
        if (grew > limit)
            failure.Add(std::string(what) + " grew by " + std::to_string(grew));
    };
    growth("handles", &Sample::handles, kMargins.handles);
    growth("GDI objects", &Sample::gdi, kMargins.gdi);
    growth("USER objects", &Sample::user, kMargins.user);
    growth("private KiB", &Sample::privateKiB, kMargins.privateKiB);
    growth("threads", &Sample::threads, kMargins.threads);

    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("\nsoak of %.0f s: %ld keys, %ld device changes, %ld switches, %ld tray clicks, "
                "%ld menu choices, %ld shell restarts, %ld single faults, %ld silent bursts, "
                "%ld fades\n",
                seconds, keys, deviceChanges, switches, trayClicks, menuChoices, restarts, faults,
                silences, fades);
    std::printf("responsiveness: %ld checks, slowest answer %ld ms (limit %lu ms)\n", checks,
                worstAnswerMs, kAnswerLimitMs);
    std::printf("%s\n", failure.lines.empty() ? "soak: passed" : "soak: FAILED");
    return failure.lines.empty() ? 0 : 1;
}
