#include "plugin/shell/component_table.h"

#include "plugin/shell/creators.h"
#include "plugin/shell/interfaces/host_interfaces.h"

const std::array<ComponentRow, 10> ComponentTable = {{
    {OLESTR("Norde Velvane"),
     {0x9D996A1C, 0x7B9B, 0x4CC0, {0xB6, 0xAD, 0xA1, 0x48, 0xAC, 0x56, 0x9C, 0x43}},
     CreateProcessingObject,
     PROCESS_HTDM,
     FourCC("FLNS")},
    {OLESTR("Norde Velvane Mono"),
     {0xE6492404, 0xC5BF, 0x4BB6, {0xBC, 0x98, 0x4A, 0x6C, 0x95, 0x30, 0x46, 0x6F}},
     CreateProcessingObject,
     PROCESS_HTDM,
     FourCC("FLNM")},
    {OLESTR("Norde Velvane m/s"),
     {0x63693AE7, 0x8DD3, 0x4993, {0xA1, 0x88, 0x54, 0xA3, 0xDE, 0x83, 0xFE, 0x67}},
     CreateProcessingObject,
     PROCESS_HTDM,
     FourCC("FLNX")},
    {OLESTR("Norde Velvane"), CLSID_VelvaneStereo, CreateProcessingObject, PROCESS_NATIVE, FourCC("FLNS")},
    {OLESTR("Norde Velvane Mono"), CLSID_VelvaneMono, CreateProcessingObject, PROCESS_NATIVE, FourCC("FLNM")},
    {OLESTR("Norde Velvane m/s"), CLSID_VelvaneMs, CreateProcessingObject, PROCESS_NATIVE, FourCC("FLNX")},
    {OLESTR("Norde Velvane"),
     {0xAAD128C3, 0x471C, 0x11D2, {0x90, 0xF7, 0x0E, 0x03, 0x9A, 0x00, 0x00, 0x00}},
     CreateProcessingObject,
     PROCESS_DSP,
     FourCC("FLNS")},
    {OLESTR("Norde Velvane Mono"),
     {0xAAD128C1, 0x471C, 0x11D2, {0x90, 0xF7, 0x0E, 0x03, 0x9A, 0x00, 0x00, 0x00}},
     CreateProcessingObject,
     PROCESS_DSP,
     FourCC("FLNM")},
    {OLESTR("Norde Velvane m/s"),
     {0xAAD128C5, 0x471C, 0x11D2, {0x90, 0xF7, 0x0E, 0x03, 0x9A, 0x00, 0x00, 0x00}},
     CreateProcessingObject,
     PROCESS_DSP,
     FourCC("FLNX")},
    {OLESTR("Velvane Property Page"),
     {0xAAD128BF, 0x471C, 0x11D2, {0x90, 0xF7, 0x0E, 0x03, 0x9A, 0x00, 0x00, 0x00}},
     CreatePropertyPage,
     0,
     FourCC("PROP")},
}};

const ComponentRow* FindComponent(REFCLSID clsid) noexcept {
    for (const ComponentRow& row : ComponentTable)
        if (row.clsid == clsid) return &row;
    return nullptr;
}
