#pragma once
// The library's six entry points; nothing else leaves it (Velvane.def lists them for Windows).
#include "platform/com.h"
#include "platform/export.h"
#include "platform/window.h"

extern "C" {

VELVANE_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out);
// S_OK when no factory lock is held and no object of the module is alive, else S_FALSE.
VELVANE_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow();
VELVANE_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer();
VELVANE_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer();
// Run from a command line: "NAME TEXT [PATTERN]" sets REG_SZ NAME = TEXT in the Filter entry of
// every processing class whose unique ID matches PATTERN (all when it is absent). 0, or -1 when
// fewer than two words are given or a word is too long (nothing is written then). Only
// `commandLine` is used.
VELVANE_EXPORT LONG WINAPI AdditionalInfoRegister(HWND window, HINSTANCE instance, LPSTR commandLine, int show);
// AdditionalInfoRegister(window, 0, commandLine, 0).
VELVANE_EXPORT LONG WINAPI CallDllFX_AdditionalInfoRegister(HWND window, HINSTANCE unused, LPSTR commandLine);
}
