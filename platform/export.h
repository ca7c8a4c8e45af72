#pragma once
// Marks the entry points a module exports. Windows lists them in the module's .def file;
// Linux builds with hidden visibility and opens up exactly these.
#ifdef _WIN32
#define VELVANE_EXPORT
#else
#define VELVANE_EXPORT __attribute__((visibility("default")))
#endif
