// Window classes, windows, and how input becomes messages.
#include "platform/win32/win32.h"
#include "tests/support/off_screen_test.h"

#include <vector>

namespace {

std::vector<MSG> received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    return DefWindowProcA(window, message, wParam, lParam);
}

class Win32Test : public OffScreenTest {
protected:
    void SetUp() override {
        OffScreenTest::SetUp();
        received.clear();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.lpszClassName = "Recording";
        ASSERT_NE(RegisterClassA(&windowClass), 0);
        window = CreateWindowExA(0, "recording", "one", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        SetFocus(window);
    }
    void TearDown() override {
        DestroyWindow(window);
        UnregisterClassA("Recording", nullptr);
        OffScreenTest::TearDown();
    }

    void DispatchAll(HWND filter) {
        MSG msg;
        while (PeekMessageA(&msg, filter, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }

    bool Received(UINT message) const {
        for (const MSG& msg : received)
            if (msg.message == message) return true;
        return false;
    }

    HWND window = nullptr;
};

TEST_F(Win32Test, ClassesAreUniqueAndOutliveTheirWindows) {
    WNDCLASSA again{};
    again.lpfnWndProc = RecordingProc;
    again.lpszClassName = "RECORDING";
    EXPECT_EQ(RegisterClassA(&again), 0);
    EXPECT_EQ(UnregisterClassA("Recording", nullptr), FALSE); // a window still uses it
    EXPECT_EQ(CreateWindowExA(0, "no such class", "x", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(UnregisterClassA("no such class", nullptr), FALSE);
}

TEST_F(Win32Test, DestroyingAWindowSendsWmDestroyAndDropsItsMessages) {
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    HWND doomed = window;
    EXPECT_EQ(DestroyWindow(doomed), TRUE);
    window = nullptr;
    EXPECT_TRUE(Received(WM_DESTROY));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(DestroyWindow(doomed), FALSE);
    EXPECT_EQ(PostMessageA(doomed, WM_CLOSE, 0, 0), FALSE);
}

TEST_F(Win32Test, KeysArriveAsKeyDownAndAltKeysAsSystemKeys) {
    host::test::InjectKey(VK_ESCAPE);
    host::test::InjectKey('Q', true);
    DispatchAll(window);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, WM_KEYDOWN);
    EXPECT_EQ(received[0].wParam, VK_ESCAPE);
    EXPECT_EQ(received[1].message, WM_SYSKEYDOWN);
    EXPECT_NE(received[1].lParam & KF_ALTDOWN_LPARAM, 0);
    EXPECT_FALSE(Received(WM_CLOSE));
}

TEST_F(Win32Test, AltF4AndTheCloseButtonBecomeWmCloseThroughDefWindowProc) {
    host::test::InjectKey(VK_F4, true);
    DispatchAll(window);
    EXPECT_TRUE(Received(WM_SYSCOMMAND));
    EXPECT_TRUE(Received(WM_CLOSE));

    received.clear();
    host::test::InjectCloseButton();
    DispatchAll(window);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, WM_SYSCOMMAND);
    EXPECT_EQ(received[0].wParam, SC_CLOSE);
    EXPECT_EQ(received[1].message, WM_CLOSE);
}

TEST_F(Win32Test, PeekFiltersByWindowAndNoRemoveLeavesTheMessage) {
    HWND other = CreateWindowExA(0, "Recording", "two", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    PostMessageA(other, WM_KEYDOWN, 'B', 0);
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, window, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, WPARAM('A'));
    ASSERT_EQ(GetMessageA(&msg, window, 0, 0), TRUE);
    EXPECT_EQ(msg.wParam, WPARAM('A'));
    EXPECT_FALSE(PeekMessageA(&msg, window, 0, 0, PM_NOREMOVE));
    // The other window's message is still waiting for it.
    ASSERT_TRUE(PeekMessageA(&msg, other, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, other);
    DestroyWindow(other);
}

TEST_F(Win32Test, MessageBoxesGoToStandardErrorAndAnswerOk) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "the text", "the caption", MB_ICONERROR), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "the caption: the text\n");
    ASSERT_EQ(host::test::MessageBoxes().size(), 1u);
    EXPECT_EQ(host::test::MessageBoxes()[0].type, MB_ICONERROR);
}

TEST_F(Win32Test, CursorCountAndStockHandles) {
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_NE(LoadCursorA(nullptr, IDC_APPSTARTING), nullptr);
    EXPECT_NE(GetStockObject(BLACK_BRUSH), nullptr);
    EXPECT_NE(GetStockObject(BLACK_BRUSH), GetStockObject(0));
}

} // namespace
