#pragma once
// Windows and their classes, under the Win32 names. Windows uses the system; Linux has, for now,
// the class registry: classes are registered per module instance and looked up by name (without
// regard to ASCII case), with the stock arrow cursor and stock brushes as handles.
#include "platform/com.h"

#ifdef _WIN32
#include "platform/win32.h"
#else
struct HWND__;
struct HGDIOBJ__;
using HWND = HWND__*;
using HGDIOBJ = HGDIOBJ__*;
using HBRUSH = HGDIOBJ;
using HCURSOR = HGDIOBJ;
using HICON = HGDIOBJ;
using ATOM = WORD;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
#define CALLBACK
#define WINAPI
using WNDPROC = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};

// Resource names given by number, as MAKEINTRESOURCE makes them. Like the SDK without UNICODE,
// IDC_ARROW is an ANSI name (for LoadCursorA).
#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(static_cast<WORD>(id))))
#define MAKEINTRESOURCEW(id) (reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(static_cast<WORD>(id))))
#define IDC_ARROW MAKEINTRESOURCEA(32512)
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;

// The class's atom, or 0 when the name is taken for this instance or the class is malformed.
ATOM RegisterClassW(const WNDCLASSW* windowClass) noexcept;
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance) noexcept;
BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* windowClass) noexcept;
// The system's cursors only (null instance); null for anything else.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) noexcept;
HGDIOBJ GetStockObject(int object) noexcept;
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
#endif
