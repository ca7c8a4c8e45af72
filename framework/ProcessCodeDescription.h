#pragma once
// Process-code descriptions (resource XCLI): per component type and host kind, the record sizes,
// the highest sample rate and the external memory the process code needs. A description is
// combined from several named ones in the order a match lists them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/FourCC.h"
#include "framework/nrXML.h"

// External memory a process code asks for, and where the framework put it. Sizes and addresses
// count entries of the memory area: an 'XMEM' entry is one 32-bit word, an 'LMEM' entry a pair
// of them (one per channel of a stereo delay line).
struct sEXT_BUFF {
    int32_t size = 0;         // entries
    int32_t address = -1;     // base address in its memory area; -1 = not allocated (native: 0)
    uint32_t memSpace = 0;    // memory-area code: 'XMEM', 'LMEM'
    int32_t accessCount = 0;  // accesses per sample (DSP scheduling)
    bool cyclic = false;      // addressed modulo its size

    int32_t WordsPerEntry() const noexcept { return memSpace == FourCC("LMEM") ? 2 : 1; }
};

// A DSP processor the code runs on, and its cost per sample.
struct SProcessorSpec {
    std::string processor;  // "Any56k", "56300"
    int32_t cycleCount = 0;
};

struct sPROCESS_CODE_DESCRIPTION {
    int32_t maxSampleRate = 0;             // Hz
    int32_t resID = -1;                    // resource of the DSP code
    int32_t states = 0;                    // state record, words
    int32_t coefs = 0;                     // coefficient record, words
    int32_t codeNum = 0;                   // DSP code number
    std::vector<SProcessorSpec> canRunOn;  // empty: native code
    std::vector<sEXT_BUFF> externals;      // external buffer 0, 1, … in request order
};

// [any thread] The description of `componentType` for host kind `processCode`, from XCLI's root
// element. A match lists descriptions up to the one marked final; later ones override the scalars
// of earlier ones and add their processors and external requests. The framework supplies
// default_stereo, default_mono_to_stereo, default_mono (48 kHz, nothing else) and Empty_Final
// (nothing). A host kind that no match names gets the native match ('pcDX'): the native offline
// and realtime process types run the native code. Nullopt when the resource is malformed or names
// the component nowhere.
std::optional<sPROCESS_CODE_DESCRIPTION> ReadProcessCodeDescription(const nrXML& root, uint32_t componentType,
                                                                    uint32_t processCode);
