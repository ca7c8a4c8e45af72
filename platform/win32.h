#pragma once
// The one place that includes <windows.h>; every other platform header reaches it through here.
#ifndef _WIN32
#error "platform/win32.h is for Windows builds only"
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
