#include "platform/window.h"

#include <gtest/gtest.h>

#include "tests/support/test_module.h"

namespace {

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(WindowClass, RegistersOncePerInstanceAndUnregisters) {
    HINSTANCE self = static_cast<HINSTANCE>(TestModule());
    const WCHAR name[] = OLESTR("VelvaneTestClass");
    WNDCLASSW wanted{};
    wanted.lpfnWndProc = Proc;
    wanted.cbWndExtra = 30;
    wanted.hInstance = self;
    wanted.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wanted.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wanted.lpszClassName = name;
    ASSERT_NE(wanted.hCursor, nullptr);
    ASSERT_NE(wanted.hbrBackground, nullptr);

    ASSERT_NE(RegisterClassW(&wanted), 0);
    EXPECT_EQ(RegisterClassW(&wanted), 0) << "a name is taken once per instance";
    WNDCLASSW found{};
    ASSERT_TRUE(GetClassInfoW(self, OLESTR("velvanetestclass"), &found));
    EXPECT_EQ(found.style, 0u);
    EXPECT_EQ(found.cbWndExtra, 30);
    EXPECT_EQ(found.hCursor, wanted.hCursor);
    EXPECT_EQ(found.hbrBackground, wanted.hbrBackground);
    EXPECT_EQ(found.hIcon, nullptr);
    EXPECT_EQ(found.lpszMenuName, nullptr);

    EXPECT_TRUE(UnregisterClassW(name, self));
    EXPECT_FALSE(GetClassInfoW(self, name, &found));
    EXPECT_FALSE(UnregisterClassW(name, self));
}

}  // namespace
