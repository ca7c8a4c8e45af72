#pragma once
// The ten classes as the outside world knows them, written out independently of the component
// table so that a slip in either shows.
#include <cstdint>

struct ExpectedComponent {
    const char* clsid;
    const char* name;
    const char* process;  // the Filter entry's "Process"; null: no Filter entry
    uint32_t uniqueId;
    uint32_t processCode;  // what creation hands the framework
    bool meritAndPins;
};

inline constexpr ExpectedComponent kExpectedComponents[10] = {
    {"{9D996A1C-7B9B-4CC0-B6AD-A148AC569C43}", "Norde Velvane", "HTDM", 0x464C4E53, 0x68744458, false},
    {"{E6492404-C5BF-4BB6-BC98-4A6C9530466F}", "Norde Velvane Mono", "HTDM", 0x464C4E4D, 0x68744458, false},
    {"{63693AE7-8DD3-4993-A188-54A3DE83FE67}", "Norde Velvane m/s", "HTDM", 0x464C4E58, 0x68744458, false},
    {"{AAD128C0-471C-11D2-90F7-0E039A000000}", "Norde Velvane", "Native", 0x464C4E53, 0x70634458, true},
    {"{AAD128C4-471C-11D2-90F7-0E039A000000}", "Norde Velvane Mono", "Native", 0x464C4E4D, 0x70634458, true},
    {"{AAD128C2-471C-11D2-90F7-0E039A000000}", "Norde Velvane m/s", "Native", 0x464C4E58, 0x70634458, true},
    {"{AAD128C3-471C-11D2-90F7-0E039A000000}", "Norde Velvane", "DSP", 0x464C4E53, 0x70634453, false},
    {"{AAD128C1-471C-11D2-90F7-0E039A000000}", "Norde Velvane Mono", "DSP", 0x464C4E4D, 0x70634453, false},
    {"{AAD128C5-471C-11D2-90F7-0E039A000000}", "Norde Velvane m/s", "DSP", 0x464C4E58, 0x70634453, false},
    {"{AAD128BF-471C-11D2-90F7-0E039A000000}", "Velvane Property Page", nullptr, 0x50524F50, 0, false},
};
