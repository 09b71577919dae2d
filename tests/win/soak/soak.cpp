// A long run of the panel under a storm: keys of every kind at up to 100 a
// second with pauses for fades, volume and mute changed on the audio device,
// arrangement switches, tray clicks and Environment choices, shell restarts,
// and controller faults (single failed accesses, bursts of a register that
// never answers). The panel runs here on a thread of its own, as the program
// runs it, on a simulated controller of this process's own and the system's
// legacy mixer (run under a system that reports Windows XP, with a sound
// device). Prints a table and fails when a limit is passed:
// - the panel's thread answers within 1 s at every check (1.5 s while a
//   register does not answer: the bounded retries of its read);
// - at the end, what the panel shows agrees with the controller and the device;
// - handles, GDI and USER objects, private bytes and threads, sampled every
//   10 s, grow after the warm-up by no more than a small margin.
//
//   soak.exe [--keys N] [--leak-gdi]   (default 50000 keys; LUMITRAX_SOAK=short: 1500)
//
// --leak-gdi is the check's own test: the run leaks a bitmap every 1000 keys,
// and must fail for its GDI objects.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <psapi.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/LumitraxDlg.h"
#include "audio/MixerBackEnd.h"
#include "controller/RegisterMap.h"
#include "display/TrayIcon.h"
#include "display/TrayIndication.h"
#include "drivers/KeypadSimClient.h"
#include "res/resource.h"
#include "shared/PanelMessages.h"
#include "tests/win/AnswerTime.h"
#include "tests/win/MessageBoxes.h"
#include "tests/win/PanelThread.h"
#include "tests/win/ProcessCounts.h"
#include "tests/win/ShellIcon.h"
#include "tests/win/SpeakerControls.h"
#include "tests/win/TestLibraries.h"
#include "tests/win/WaitUntil.h"

namespace {
using Clock = std::chrono::steady_clock;
using keypad::Key;
using keypad::KeypadModel;

constexpr DWORD kAnswerLimitMs = 1000;
// While a register does not answer, the poll thread retries its reads (a
// persistent read for about 1 s); the panel's thread never waits for them (its
// controller accesses are the poll thread's requests), so it answers within
// the same limit, the one the driver-hang test holds it to. Those checks are
// counted apart, to show that it does.
constexpr DWORD kSilentAnswerLimitMs = 1000;
constexpr auto kSampleEvery = std::chrono::seconds(10);
constexpr auto kKeyEvery = std::chrono::milliseconds(10);

// Growth allowed from the first sample after the warm-up to the last.
struct Margins {
    long handles = 25;
    long gdi = 6;
    long user = 10;
    long privateKiB = 3072;
    long threads = 2;
} const kMargins;

struct Sample {
    double seconds;
    long handles, gdi, user, privateKiB, threads;
};

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
            HandlesOfThisProcess(),
            GdiObjectsOfThisProcess(),
            UserObjects(),
            static_cast<long>(privateBytes / 1024),
            ThreadsOfThisProcess()};
}

// The panel dialog on a thread of its own, as the program runs it.
class Panel {
public:
    Panel()
        : thread_([this] {
              threadId_ = GetCurrentThreadId();
              {
                  CLumitraxDlg panel(TestLibraries());
                  panel_ = &panel;
                  panel.DoModal();
                  panel_ = nullptr;
              }
              ended_ = true;
          }) {}
    // Closes the panel. A box it raises while it ends is answered; a panel
    // that does not end within 30 s ends the run rather than hanging it.
    ~Panel() {
        if (Window())
            PostMessageA(Window(), WM_CLOSE, 0, 0);
        if (!WaitUntil(
                [this] {
                    AnswerMessageBox(threadId_);
                    return ended_.load();
                },
                std::chrono::seconds(30))) {
            std::printf("FAILED: the panel did not end within 30 s of its close\n");
            std::fflush(stdout);
            ExitProcess(1);
        }
        thread_.join();
    }
    CLumitraxDlg* Get() const { return panel_; }
    HWND Window() const {
        CLumitraxDlg* panel = panel_;
        return panel ? panel->GetSafeHwnd() : nullptr;
    }
    // Runs work on the panel's thread and waits for it (at most 10 s).
    template <class Work> bool OnPanelThread(Work work) {
        CLumitraxDlg* panel = panel_;
        return panel && ::OnPanelThread(panel->Queue(), work);
    }

private:
    std::atomic<CLumitraxDlg*> panel_{nullptr};
    std::atomic<DWORD> threadId_{0};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

// A control's value as the device holds it; 0 when it cannot be read.
DWORD DeviceValue(SpeakerControls& mixer, DWORD control) {
    DWORD value = 0;
    return mixer.Read(control, value) == MMSYSERR_NOERROR ? value : 0;
}

struct Failure {
    std::vector<std::string> lines;
    void Add(const std::string& line) {
        lines.push_back(line);
        std::printf("FAIL: %s\n", line.c_str());
    }
};

// Answers a message box of the panel's thread, if one is up, once it has
// gone; gives how many there were.
int DismissMessageBox(HWND panel) {
    const std::optional<ShownMessageBox> box =
        AnswerMessageBox(GetWindowThreadProcessId(panel, nullptr));
    if (!box)
        return 0;
    std::printf("message box: %s\n", box->text.c_str());
    return 1;
}

// When the storm last had a register stop answering: from the start of the
// burst until the retries of its last read are over.
class SilentTimes {
public:
    void Begin() {
        since_ = Clock::now().time_since_epoch().count();
        active_ = true;
    }
    void End() {
        until_ = (Clock::now() + std::chrono::milliseconds(kSilentAnswerLimitMs))
                     .time_since_epoch()
                     .count();
        active_ = false;
    }
    // Whether the time from begin to end met a silent register.
    bool During(Clock::time_point begin, Clock::time_point end) const {
        return active_ || (since_ <= end.time_since_epoch().count() &&
                           begin.time_since_epoch().count() < until_);
    }

private:
    std::atomic<bool> active_{false};
    std::atomic<Clock::rep> since_{0}, until_{0};
};

// Watches the panel from a thread of its own while the storm goes on: asks
// the panel's thread for an answer every 50 ms, answers message boxes, and
// samples the resources every 10 s and once more when it stops. What it
// found is read after Stop.
class Monitor {
public:
    Monitor(HWND panel, UiQueue& queue, const SilentTimes& silent, Clock::time_point start)
        : queue_(queue), silent_(silent), thread_([this, panel, start] { Watch(panel, start); }) {}
    ~Monitor() { Stop(); }
    void Stop() {
        if (!thread_.joinable())
            return;
        stop_ = true;
        thread_.join();
    }
    // Checks, those that met a silent register, answers later than their
    // limit, the slowest answers, and message boxes answered.
    long checks = 0, silentChecks = 0, missed = 0, worstAnswerMs = 0, worstSilentAnswerMs = 0,
         boxes = 0;
    size_t mostWaiting = 0; // the panel's work queue at its longest
    std::vector<Sample> samples;

private:
    void Watch(HWND panel, Clock::time_point start) {
        Clock::time_point nextSample = start;
        while (!stop_) {
            const Clock::time_point asked = Clock::now();
            const long took =
                AnswerTimeMs(panel, kSilentAnswerLimitMs).value_or(long{kSilentAnswerLimitMs});
            ++checks;
            if (silent_.During(asked, Clock::now())) {
                ++silentChecks;
                missed += took >= long{kSilentAnswerLimitMs} ? 1 : 0;
                worstSilentAnswerMs = std::max(worstSilentAnswerMs, took);
            } else {
                missed += took >= long{kAnswerLimitMs} ? 1 : 0;
                worstAnswerMs = std::max(worstAnswerMs, took);
            }
            boxes += DismissMessageBox(panel);
            mostWaiting = std::max(mostWaiting, queue_.WaitingCount());
            if (Clock::now() >= nextSample) {
                samples.push_back(TakeSample(start));
                nextSample += kSampleEvery;
            }
            Sleep(50);
        }
        samples.push_back(TakeSample(start));
    }
    UiQueue& queue_;
    const SilentTimes& silent_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
} // namespace

int main(int argc, char** argv) {
    const char* soak = std::getenv("LUMITRAX_SOAK");
    long keys = soak && std::string(soak) == "short" ? 1500 : 50000;
    bool leakGdi = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--keys" && i + 1 < argc)
            keys = std::atol(argv[i + 1]);
        leakGdi |= std::string(argv[i]) == "--leak-gdi";
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    SetEnvironmentVariableA("GPIDLL_SIM_NAME",
                            ("LumitraxSoak" + std::to_string(GetCurrentProcessId())).c_str());
    const std::unique_ptr<KeypadSimClient> sim = KeypadSimClient::Open();
    SpeakerControls mixer; // the device as another program changes it
    if (!sim || !mixer.Found()) {
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
    // The keys of the storm; the backlight key comes between bursts, as a
    // person presses it: switched off, the backlight makes the next key wake
    // the panel, which holds the panel's thread for half a second.
    const Key stormKeys[] = {Key::BrightnessUp, Key::BrightnessDown, Key::VolumeUp, Key::VolumeDown,
                             Key::Mute,         Key::Lock,           Key::Dimming};
    const auto pickKey = [&] {
        return stormKeys[std::uniform_int_distribution<size_t>(0,
                                                               std::size(stormKeys) - 1)(random)];
    };
    const uint16_t faultRegisters[] = {REG_BRIGHTNESS, REG_VOLUME,        REG_STATUS,
                                       REG_BACKLIGHT,  REG_CHANGE_VALUE,  REG_SET_VOLUME,
                                       REG_MUTE,       REG_SET_BRIGHTNESS};
    long faults = 0, silences = 0, deviceChanges = 0, switches = 0, trayClicks = 0, menuChoices = 0,
         restarts = 0, backlightKeys = 0, fades = 0, fadesCompleted = 0;
    const long fadeEvery = std::max(500L, std::min(5000L, keys / 3));
    // The cursor away from the panel, which stays up while it is under it.
    SetCursorPos(0, 0);
    SilentTimes silent;
    Monitor monitor(window, dialog.Queue(), silent, start);
    Clock::time_point nextKey = Clock::now();
    long pressed = 0, leaked = 0;
    while (pressed < keys) {
        // A burst of keys at up to 100 a second.
        const int burst = std::uniform_int_distribution<int>(5, 40)(random);
        for (int i = 0; i < burst && pressed < keys; ++i, ++pressed) {
            const Key key = pickKey();
            onController([key](KeypadModel& model, uint64_t now) { model.PressKey(key, now); });
            for (; leakGdi && leaked < (pressed + 1) / 1000; ++leaked)
                (void)CreateBitmap(1, 1, 1, 1, nullptr); // never deleted
            if (chance(1)) {
                // Single failed accesses of a register.
                const uint16_t reg = faultRegisters[random() % std::size(faultRegisters)];
                onController([reg](KeypadModel& model, uint64_t) {
                    model.FailNextReads(reg, 1);
                    model.FailNextWrites(reg, 1);
                });
                ++faults;
            }
            // At most 100 keys a second: the time the key took counts.
            const Clock::time_point now = Clock::now();
            if (now < nextKey)
                std::this_thread::sleep_until(nextKey);
            nextKey = std::max(now, nextKey) + kKeyEvery;
        }
        // Between bursts, one of the other things that happen.
        switch (std::uniform_int_distribution<int>(0, 10)(random)) {
        case 0: { // the volume or the mute changed on the audio device
            if (chance(50))
                mixer.Write(volumeControl, std::uniform_int_distribution<DWORD>(0, 65535)(random));
            else
                mixer.Write(muteControl, DeviceValue(mixer, muteControl) ? 0 : 1);
            PostMessageA(window, MM_MIXM_CONTROL_CHANGE, 0, static_cast<LPARAM>(volumeControl));
            PostMessageA(window, MM_MIXM_CONTROL_CHANGE, 0, static_cast<LPARAM>(muteControl));
            ++deviceChanges;
            break;
        }
        case 1: // the switch button
            PostMessageA(dialog.Controls().switchButton.GetSafeHwnd(), BM_CLICK, 0, 0);
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
            ShellForgetsTrayIcon(window);
            PostMessageA(window, taskbarCreated, 0, 0);
            ++restarts;
            break;
        }
        case 5: { // a burst of a register that never answers
            if (!chance(20))
                break;
            const uint16_t reg = faultRegisters[random() % std::size(faultRegisters)];
            silent.Begin();
            onController([reg](KeypadModel& model, uint64_t) { model.StopAnswering(reg); });
            for (int i = 0; i < 5; ++i) {
                const Key key = pickKey();
                onController([key](KeypadModel& model, uint64_t now) { model.PressKey(key, now); });
                pressed += 1;
                Sleep(40);
            }
            onController([](KeypadModel& model, uint64_t) { model.ClearFaults(); });
            silent.End();
            ++silences;
            break;
        }
        case 6: // now and then the backlight key; a second later a key wakes it,
                // and the person waits for the light before going on
            if (!chance(20))
                break;
            for (const Key key : {Key::Backlight, Key::BrightnessUp}) {
                onController([key](KeypadModel& model, uint64_t now) { model.PressKey(key, now); });
                pressed += 1;
                Sleep(1000);
            }
            ++backlightKeys;
            break;
        default:
            break;
        }
        // Now and then two keys and a pause long enough for the panel they
        // show to fade out. A show that finds the panel hidden arms no hide
        // check (it stays up until something hides it); the second key's
        // show, with the panel up, does.
        if (pressed / fadeEvery > fades && pressed < keys) {
            ++fades;
            const auto press = [&](Key key) {
                onController([key](KeypadModel& model, uint64_t now) { model.PressKey(key, now); });
                pressed += 1;
            };
            press(Key::BrightnessUp);
            const bool shown =
                WaitUntil([&] { return IsWindowVisible(window) != 0; }, std::chrono::seconds(5));
            press(Key::BrightnessDown);
            if (shown &&
                WaitUntil([&] { return !IsWindowVisible(window); }, std::chrono::seconds(10)))
                ++fadesCompleted;
        }
    }

    // Quiet: the faults go, two keys that cancel out make the program read
    // every register afresh, and then nothing happens for a few cycles.
    onController([](KeypadModel& model, uint64_t) { model.ClearFaults(); });
    for (Key key : {Key::VolumeUp, Key::VolumeDown}) {
        const uint64_t seq = onController(
            [key](KeypadModel& model, uint64_t now) { return model.PressKey(key, now).seq; });
        if (!sim->WaitFor(keypad::LogPattern{'R', REG_BACKLIGHT}, seq, 5000))
            failure.Add("at the end, a key was not read within 5 s");
    }
    for (int i = 0; i < 5; ++i)
        if (!sim->WaitFor(
                keypad::LogPattern{'G', std::nullopt},
                onController([](KeypadModel& model, uint64_t) { return model.LastSeq(); }), 2000))
            failure.Add("at the end, the program stopped polling");
    monitor.Stop();
    const std::vector<Sample>& samples = monitor.samples;

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
        HICON expectedIcon;
    } shown{};
    const int indication = TrayIndicationIndex(status & kStatusAutoDimming, status & kStatusLocked);
    const bool read = panel.OnPanelThread([&] {
        shown = {dialog.Layout().Shown(),
                 dialog.Controls().levelSlider.GetValue(),
                 dialog.Controls().functionButton.PictureId(),
                 dialog.Controls().lockButton.PictureId(),
                 dialog.Controls().dimmingButton.PictureId(),
                 dialog.Tray().Record().szTip,
                 dialog.Tray().Record().hIcon,
                 dialog.Tray().EnvironmentItem(),
                 dialog.Tray().IndicationIcon(indication)};
    });
    if (!read)
        failure.Add("at the end, the panel's thread did not run work within 10 s");
    const TrayIndication& expected = TrayIndicationFor(indication);
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
    agree(shown.icon == shown.expectedIcon, "the tray icon is not the status's");
    agree(ShellHasTrayIcon(window), "the shell does not hold the tray icon");
    agree(shown.lock == expected.lockPicture, "the padlock button's picture");
    agree(shown.dimming == expected.dimmingPicture, "the dimming button's picture");
    agree(shown.environment == EnvironmentItemFor(lux).value_or(0),
          "the Environment item checked is " + std::to_string(shown.environment) +
              ", the controller's environment " + std::to_string(lux));
    const int32_t deviceSteps =
        static_cast<int32_t>(DeviceValue(mixer, volumeControl) / 3277.0 + 0.5);
    agree(deviceSteps == volume, "the device's volume is " + std::to_string(deviceSteps) +
                                     " steps, the controller's " + std::to_string(volume));
    agree((DeviceValue(mixer, muteControl) != 0) == ((status & kStatusMute) != 0),
          "the device's mute");
    if (monitor.boxes)
        failure.Add(std::to_string(monitor.boxes) + " message boxes came up");
    if (monitor.missed)
        failure.Add("the panel did not answer within its limit " + std::to_string(monitor.missed) +
                    " times");
    if (fadesCompleted < fades)
        failure.Add(std::to_string(fades - fadesCompleted) +
                    " shows of the panel did not fade out within 10 s");

    // Resources: growth after the warm-up (the first sample after 20 s).
    // Where the system does not count GDI objects (Wine), they are counted
    // in the process's GDI handle table, and USER objects are the process's
    // windows.
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
    // A slope needs a long run to mean anything: it is held to the same
    // margin (per 10 minutes) once the run after the warm-up lasts 5 minutes.
    const bool longRun = last.seconds - first.seconds >= 300;
    std::printf("\ngrowth after the warm-up        limit    slope per 10 min%s\n",
                longRun ? "" : " (not held: run under 5 min)");
    const auto growth = [&](const char* what, long Sample::*field, long limit) {
        const long grew = last.*field - first.*field;
        const double perTenMinutes = slope(field);
        std::printf("  %-14s %+10ld %+10ld %+12.1f\n", what, grew, limit, perTenMinutes);
        if (grew > limit)
            failure.Add(std::string(what) + " grew by " + std::to_string(grew));
        if (longRun && perTenMinutes > limit)
            failure.Add(std::string(what) + " climb by " + std::to_string(perTenMinutes) +
                        " per 10 minutes");
    };
    growth("handles", &Sample::handles, kMargins.handles);
    growth("GDI objects", &Sample::gdi, kMargins.gdi);
    growth("USER objects", &Sample::user, kMargins.user);
    growth("private KiB", &Sample::privateKiB, kMargins.privateKiB);
    growth("threads", &Sample::threads, kMargins.threads);

    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("\nsoak of %.0f s: %ld keys, %ld device changes, %ld switches, %ld tray clicks, "
                "%ld menu choices, %ld shell restarts, %ld backlight keys, %ld single faults, "
                "%ld silent bursts, %ld of %ld fades completed\n",
                seconds, pressed, deviceChanges, switches, trayClicks, menuChoices, restarts,
                backlightKeys, faults, silences, fadesCompleted, fades);
    std::printf("responsiveness: %ld checks, %ld answered late; slowest answer %ld ms (limit %lu "
                "ms), while a register did not answer (%ld checks) %ld ms (limit %lu ms); at "
                "most %zu pieces of work waited for the panel's thread\n",
                monitor.checks, monitor.missed, monitor.worstAnswerMs, kAnswerLimitMs,
                monitor.silentChecks, monitor.worstSilentAnswerMs, kSilentAnswerLimitMs,
                monitor.mostWaiting);
    std::printf("%s\n", failure.lines.empty() ? "soak: passed" : "soak: FAILED");
    return failure.lines.empty() ? 0 : 1;
}
