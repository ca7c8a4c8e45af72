#pragma once
// Module-wide state of the library: its own handle, recorded when a process loads it, and the
// editor's window class, registered for as long as it is loaded.
#include "platform/com.h"
#include "platform/window.h"

inline constexpr WCHAR kEditorWindowClass[] = OLESTR("VelvaneClassR5.0");

// [loader lock] Records the handle and registers the editor's window class.
void ModuleAttach(HMODULE module) noexcept;
// [loader lock] Unregisters the editor's window class.
void ModuleDetach() noexcept;
// The library's own handle (registration and component creation use it); null before attach.
HMODULE ModuleHandle() noexcept;
