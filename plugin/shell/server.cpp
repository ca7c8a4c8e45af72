#include "plugin/shell/server.h"

namespace {

HMODULE gModule = nullptr;

// TODO(editor issue): pass every message to the framework's ProtectedDefAtomDlg instead.
LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void ModuleAttach(HMODULE module) noexcept {
    gModule = module;
    WNDCLASSW editor{};
    editor.lpfnWndProc = EditorWindowProc;
    editor.cbWndExtra = 30;  // the dialog-window reserve
    editor.hInstance = static_cast<HINSTANCE>(module);
    editor.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    editor.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    editor.lpszClassName = kEditorWindowClass;
    RegisterClassW(&editor);
}

void ModuleDetach() noexcept { UnregisterClassW(kEditorWindowClass, static_cast<HINSTANCE>(gModule)); }

HMODULE ModuleHandle() noexcept { return gModule; }
