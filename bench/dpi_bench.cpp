// How long the panel takes to lay itself out anew when its display scale
// changes: from the change (the panel laid out for a monitor of another
// scale, as a show there does) until it is repainted at the new scale (set
// reloaded or scaled, shape, size and places). Each run goes back to the
// window's own scale with a WM_DPICHANGED as the system sends it. Also the
// size and form of each set of artwork the program carries. Run it under
// Wine, where the figures are informational (one monitor; Wine's per-call
// costs).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "controls/ArtworkScale.h"
#include "framework/Gdi.h"
#include "res/resource.h"
#include "tests/win/PanelThread.h"
#include "tests/win/audio_test_support.h"

namespace {
using namespace std::chrono_literals;
constexpr int kRuns = 20;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The bytes the bitmaps of the set drawn for setDpi take in the program's
// resources.
size_t SetSize(int setDpi) {
    const HMODULE module = GetModuleHandleA(nullptr);
    size_t bytes = 0;
    for (UINT id = IDB_DIMMING_NONE; id <= IDB_LOCKED; ++id)
        if (const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(ArtworkSetId(id, setDpi)),
                                              MAKEINTRESOURCEA(2)))
            bytes += SizeofResource(module, found); // RT_BITMAP
    return bytes;
}

// How the bitmaps of the set drawn for setDpi are stored, as their headers say.
std::string SetForm(int setDpi) {
    std::set<std::string> forms;
    for (UINT id = IDB_DIMMING_NONE; id <= IDB_LOCKED; ++id) {
        const BITMAPINFO* info = BitmapResourceInfo(ArtworkSetId(id, setDpi));
        if (!info)
            continue;
        const BITMAPINFOHEADER& header = info->bmiHeader;
        const bool encoded = header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4;
        forms.insert(std::to_string(header.biBitCount) + "-bit" +
                     (encoded ? " run-length encoded" : ""));
    }
    std::string text;
    for (const std::string& form : forms)
        text += (text.empty() ? "" : ", ") + form;
    return text;
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
    CLumitraxDlg& panel = running.Panel();
    const HWND window = panel.GetSafeHwnd();
    const int system = panel.Controls().artwork.Dpi();
    std::printf("panel laid out anew after a display scale change, from %d dpi (median of %d):\n",
                system, kRuns);
    for (const int dpi : {120, 144, 168, 192}) {
        std::vector<double> ms;
        for (int run = 0; run < kRuns; ++run) {
            double took = 0;
            const bool done = OnPanelThread(
                panel.Queue(),
                [&] {
                    const auto start = std::chrono::steady_clock::now();
                    panel.Scale().Apply(dpi);
                    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                    took = std::chrono::duration<double, std::milli>(
                               std::chrono::steady_clock::now() - start)
                               .count();
                },
                60s);
            if (!done) {
                std::fputs("dpi_bench: the panel did not lay itself out within 60 s\n", stderr);
                return 1;
            }
            ms.push_back(took);
            RECT suggested{0, 0, 0, 0};
            SendMessageA(window, WM_DPICHANGED, 0, reinterpret_cast<LPARAM>(&suggested));
        }
        std::printf("  to %3d dpi (%s): %6.1f ms\n", dpi,
                    ChooseArtworkSet(dpi).resampled ? "the next set scaled" : "its own set",
                    Median(ms));
    }
    std::printf("artwork carried by the program:\n");
    for (const int setDpi : {96, 144, 192})
        std::printf("  %d %% set: %6.1f KiB (%s)\n", setDpi * 100 / kDesignDpi,
                    SetSize(setDpi) / 1024.0, SetForm(setDpi).c_str());
    return 0;
}
