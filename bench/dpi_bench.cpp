// How long the panel takes to lay itself out anew when its display scale
// changes: from a WM_DPICHANGED, sent as the system sends it when the panel
// moves to a monitor of another scale, until the panel is repainted at the
// new scale (set reloaded or scaled, shape, size and places). Also the size
// of each set of artwork the program carries. Run it under Wine, where the
// figures are informational (one monitor; Wine's per-call costs).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "res/resource.h"
#include "tests/win/audio_test_support.h"

namespace {
using namespace std::chrono_literals;
constexpr int kRuns = 20;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The bytes the bitmaps of one set take in the program's resources.
size_t SetSize(int set) {
    const HMODULE module = GetModuleHandleA(nullptr);
    size_t bytes = 0;
    for (UINT id = IDB_DIMMING_NONE; id <= IDB_LOCKED; ++id)
        if (const HRSRC found =
                FindResourceA(module, MAKEINTRESOURCEA(id + static_cast<UINT>(set) * IDB_SET_STEP),
                              MAKEINTRESOURCEA(2))) // RT_BITMAP
            bytes += SizeofResource(module, found);
    return bytes;
}
} // namespace

int main() {
    const std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    if (!sim) {
        std::fputs("dpi_bench: no simulated controller\n", stderr);
        return 1;
    }
    RunningPanel running([](CLumitraxDlg&) {});
    if (!running.WaitUntilPolling(30s)) {
        std::fputs("dpi_bench: the panel did not start\n", stderr);
        return 1;
    }
    const HWND window = running.Panel().GetSafeHwnd();
    const int system = running.Panel().Controls().artwork.Dpi();
    std::printf("panel laid out anew after a display scale change, from %d dpi (median of %d):\n",
                system, kRuns);
    for (const int dpi : {120, 144, 168, 192}) {
        std::vector<double> ms;
        for (int run = 0; run < kRuns; ++run) {
            for (const int to : {dpi, system}) {
                RECT suggested{0, 0, 0, 0};
                const auto start = std::chrono::steady_clock::now();
                SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(to, to),
                             reinterpret_cast<LPARAM>(&suggested));
                // The repaint, done on the panel's thread before this returns.
                RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                const auto end = std::chrono::steady_clock::now();
                if (to == dpi)
                    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
            }
        }
        std::printf("  to %3d dpi (%s): %6.1f ms\n", dpi,
                    dpi == 144 || dpi == 192 ? "its own set" : "the next set scaled", Median(ms));
    }
    std::printf("artwork carried by the program (run-length encoded 8-bit bitmaps):\n");
    for (int set = 0; set < 3; ++set)
        std::printf("  %d %% set: %6.1f KiB\n", 100 + 50 * set, SetSize(set) / 1024.0);
    return 0;
}
