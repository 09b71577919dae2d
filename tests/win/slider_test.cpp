#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "controls/BitmapSlider.h"
#include "controls/PanelArtwork.h"
#include "framework/WorkerThread.h"
#include "res/resource.h"
#include "shared/PanelMessages.h"
#include "tests/win/panel_pictures.h"

namespace {
constexpr int kId = 1234; // not the panel's id: the messages carry the control's own

struct Posted {
    UINT message;
    WPARAM id;
    LPARAM value;
    friend bool operator==(const Posted& a, const Posted& b) {
        return a.message == b.message && a.id == b.id && a.value == b.value;
    }
    friend std::ostream& operator<<(std::ostream& out, const Posted& p) {
        return out << (p.message == WM_SLIDER_MOVING ? "MOVING" : "MOVED") << '(' << p.id << ", "
                   << p.value << ')';
    }
};
Posted Moving(int value) {
    return {WM_SLIDER_MOVING, kId, value};
}
Posted Moved(int value) {
    return {WM_SLIDER_MOVED, kId, value};
}

// A top-most parent window with a static control made into the panel's
// slider, with the pictures of 100 % whatever the system's scale.
struct SliderTest : ::testing::Test {
    HWND parent = nullptr;
    HWND control = nullptr;
    PanelArtwork artwork{kDesignDpi};
    CBitmapSlider slider;

    void SetUp() override {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "SliderTestParent";
        RegisterClassA(&windowClass);
        parent = CreateWindowExA(WS_EX_TOPMOST, "SliderTestParent", "", WS_POPUP | WS_VISIBLE, 40,
                                 40, 260, 90, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(parent);
        control = CreateWindowExA(WS_EX_TRANSPARENT, "STATIC", "",
                                  WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY | WS_TABSTOP, 30,
                                  12, 80, 20, parent, reinterpret_cast<HMENU>(kId),
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(control);
        slider.Attach(parent, kId, artwork);
        slider.SetChannelBitmap(IDB_CHANNEL_BRIGHTNESS);
        slider.SetThumbBitmap(IDB_THUMB);
        slider.SetInsets(0, 22, 0, 4);
        slider.SetRange(0, 20);
        slider.SetShowFocusRect(FALSE);
        Take();
    }
    void TearDown() override {
        if (parent)
            DestroyWindow(parent);
    }

    // The slider's messages posted to the parent so far, oldest first.
    std::vector<Posted> Take() {
        std::vector<Posted> posted;
        MSG msg;
        while (PeekMessageA(&msg, parent, WM_SLIDER_MOVING, WM_SLIDER_MOVED, PM_REMOVE))
            posted.push_back({msg.message, msg.wParam, msg.lParam});
        return posted;
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(control, message, wParam, lParam);
    }
    LRESULT Mouse(UINT message, int x) { return Send(message, MK_LBUTTON, MAKELPARAM(x, 27)); }

    Picture Shown() {
        UpdateWindow(control);
        return CaptureWindow(control);
    }
};

// Pixels that differ between the slider as shown and as it should be.
int Differences(const Picture& shown, const Picture& expected) {
    if (shown.width != expected.width || shown.height != expected.height)
        return -1;
    return Differences(shown, 0, 0, expected);
}
} // namespace

TEST_F(SliderTest, ChannelSizesAndSeatsTheControl) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 182);
    EXPECT_EQ(r.bottom - r.top, 62);
}

TEST_F(SliderTest, MouseSequencesPostTheirMessages) {
    constexpr UINT kLoseCapture = 0; // the capture is taken away from the control
    struct Step {
        UINT message;
        int x;
    };
    const struct {
        const char* what;
        std::vector<Step> steps;
        std::vector<Posted> posted;
        int value;
    } cases[] = {
        {"press on the thumb changes nothing",
         {{WM_LBUTTONDOWN, 95}, {WM_LBUTTONUP, 95}},
         {Moved(10)},
         10},
        {"press at the thumb's edge keeps the grab",
         {{WM_LBUTTONDOWN, 101}, {WM_LBUTTONUP, 101}},
         {Moved(10)},
         10},
        {"press on the channel jumps the thumb there",
         {{WM_LBUTTONDOWN, 150}, {WM_LBUTTONUP, 150}},
         {Moving(17), Moved(17)},
         17},
        {"grab offset carried through the drag; a new pixel with the same value still posts",
         {{WM_LBUTTONDOWN, 95}, {WM_MOUSEMOVE, 140}, {WM_MOUSEMOVE, 141}, {WM_LBUTTONUP, 141}},
         {Moving(15), Moving(15), Moved(15)},
         15},
        {"drag held between 11 and 171",
         {{WM_LBUTTONDOWN, 150},
          {WM_MOUSEMOVE, 400},
          {WM_MOUSEMOVE, 500},
          {WM_MOUSEMOVE, -100},
          {WM_LBUTTONUP, -100}},
         {Moving(17), Moving(20), Moving(20), Moving(0), Moved(0)},
         0},
        {"moves without a press are ignored", {{WM_MOUSEMOVE, 150}, {WM_MOUSEMOVE, 20}}, {}, 10},
        {"a release without a press still posts", {{WM_LBUTTONUP, 150}}, {Moved(10)}, 10},
        {"the drag outlives a lost capture until the release",
         {{WM_LBUTTONDOWN, 150}, {kLoseCapture, 0}, {WM_MOUSEMOVE, 60}, {WM_LBUTTONUP, 60}},
         {Moving(17), Moving(6), Moved(6)},
         6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        slider.SetValue(10);
        for (const Step& step : c.steps) {
            if (step.message == kLoseCapture)
                ReleaseCapture();
            else
                Mouse(step.message, step.x);
        }
        EXPECT_EQ(Take(), c.posted);
        EXPECT_EQ(slider.GetValue(), c.value);
        EXPECT_NE(GetCapture(), control) << "the release gives the capture back";
    }
}

TEST_F(SliderTest, PressTakesCaptureAndFocus) {
    Mouse(WM_LBUTTONDOWN, 90);
    EXPECT_EQ(GetCapture(), control);
    EXPECT_EQ(GetFocus(), control);
    Mouse(WM_LBUTTONUP, 90);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(SliderTest, KeysStepAndPostMoved) {
    const struct {
        int start;
        WPARAM key;
        int value;
        bool posts;
    } cases[] = {
        {0, VK_PRIOR, 0, true},   {15, VK_PRIOR, 0, true}, {15, VK_NEXT, 20, true},
        {7, VK_END, 20, true},    {7, VK_HOME, 0, true},   {7, VK_LEFT, 6, true},
        {7, VK_UP, 6, true},      {7, VK_RIGHT, 8, true},  {7, VK_DOWN, 8, true},
        {20, VK_RIGHT, 20, true}, {0, VK_UP, 0, true},     {7, 'A', 7, false},
        {7, VK_RETURN, 7, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " from " << c.start);
        slider.SetValue(c.start);
        Send(WM_KEYDOWN, c.key, 1);
        EXPECT_EQ(slider.GetValue(), c.value);
        EXPECT_EQ(Take(), c.posts ? std::vector<Posted>{Moved(c.value)} : std::vector<Posted>{});
    }
}

TEST_F(SliderTest, AsksForAllKeysUnlessTabIsHeld) {
    EXPECT_EQ(Send(WM_GETDLGCODE), DLGC_WANTALLKEYS);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_TAB] = 0x80;
    SetKeyboardState(keys);
    const LRESULT withTab = Send(WM_GETDLGCODE);
    keys[VK_TAB] = 0;
    SetKeyboardState(keys);
    EXPECT_FALSE(withTab & DLGC_WANTALLKEYS) << "the dialog moves the focus on";
}

TEST_F(SliderTest, SetValueClampsPostsNothingAndOnlyInvalidates) {
    const struct { int value, stored; } cases[] = {{25, 20}, {-3, 0}, {13, 13}, {20, 20}, {0, 0}};
    for (const auto& c : cases) {
        ValidateRect(control, nullptr);
        // From another thread, as the poll thread may.
        std::thread([&] { slider.SetValue(c.value); }).join();
        EXPECT_EQ(slider.GetValue(), c.stored) << c.value;
        EXPECT_TRUE(GetUpdateRect(control, nullptr, FALSE)) << "repaint asked for";
        EXPECT_TRUE(Take().empty());
    }
    // SetRange leaves a value outside the new range alone until the next change.
    slider.SetValue(18);
    slider.SetRange(0, 10);
    EXPECT_EQ(slider.GetValue(), 18);
    Send(WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(slider.GetValue(), 10);
}

TEST_F(SliderTest, PaintsChannelAndThumbAtTheValuesPixel) {
    const struct {
        UINT channel;
        int value;
    } cases[] = {{IDB_CHANNEL_BRIGHTNESS, 0},
                 {IDB_CHANNEL_BRIGHTNESS, 10},
                 {IDB_CHANNEL_BRIGHTNESS, 20},
                 {IDB_CHANNEL_VOLUME, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "channel " << c.channel << " value " << c.value);
        slider.SetChannelBitmap(c.channel);
        slider.SetValue(c.value);
        const Picture shown = Shown();
        EXPECT_EQ(Differences(shown, SliderPicture(c.channel, c.value)), 0);
        if (c.value == 10)
            SaveArtefact(shown, "slider_brightness_10");
    }
}

TEST_F(SliderTest, FocusFrameOnlyWithTheOptionAndTheFocus) {
    slider.SetValue(5);
    const Picture plain = SliderPicture(IDB_CHANNEL_BRIGHTNESS, 5);
    EXPECT_EQ(Differences(Shown(), plain), 0) << "option off: no frame, focused or not";
    slider.SetShowFocusRect(TRUE);
    slider.SetValue(5);
    EXPECT_GT(Differences(Shown(), plain), 100) << "focused from the start: a dotted frame";
    Send(WM_KILLFOCUS);
    EXPECT_EQ(Differences(Shown(), plain), 0) << "no frame without the focus";
    Send(WM_SETFOCUS);
    EXPECT_GT(Differences(Shown(), plain), 100);
}

TEST_F(SliderTest, ADestructionSentFromAnotherThreadIsIgnored) {
    for (const UINT message : {WM_DESTROY, WM_NCDESTROY}) {
        SCOPED_TRACE(message == WM_DESTROY ? "WM_DESTROY" : "WM_NCDESTROY");
        WorkerThread sender;
        ASSERT_TRUE(sender.Start([this, message] { SendMessageA(control, message, 0, 0); }));
        ASSERT_TRUE(sender.WaitServingSentMessages(5000));
        slider.SetValue(10);
        EXPECT_EQ(Differences(Shown(), SliderPicture(IDB_CHANNEL_BRIGHTNESS, 10)), 0)
            << "its pictures are kept";
        Send(WM_KEYDOWN, VK_RIGHT);
        EXPECT_EQ(Take(), std::vector<Posted>{Moved(11)}) << "its procedure stays";
    }
}

TEST(SliderLifetime, AWindowThatOutlivesItsSliderGetsItsOwnProcedureBack) {
    const HWND control = CreateWindowExA(0, "STATIC", "", WS_POPUP | SS_BITMAP, 0, 0, 80, 20,
                                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    const HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 80, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(control && parent);
    SetParent(control, parent);
    SetWindowLongPtrA(control, GWLP_ID, kId);
    const LONG_PTR own = GetWindowLongPtrA(control, GWLP_WNDPROC);
    {
        const PanelArtwork artwork;
        CBitmapSlider slider;
        slider.Attach(parent, kId, artwork);
        EXPECT_NE(GetWindowLongPtrA(control, GWLP_WNDPROC), own);
    }
    EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC), own);
    EXPECT_EQ(GetPropA(control, "CBitmapSlider"), nullptr);
    // Messages to it no longer lead to the object that is gone.
    SendMessageA(control, WM_KEYDOWN, VK_RIGHT, 0);
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
    DestroyWindow(parent);
}
