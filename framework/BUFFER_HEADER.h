#pragma once
// BUFFER_HEADER: a run of words bound for the process side. A change handler makes buffers with
// cALGORITHM::NewBuffer, fills them, joins them with ChainBufs and returns the chain; whoever gets
// the chain sends it (SendBuffers) and frees it (FreeBuffers). A chain owns its buffers' words
// and nothing else.
#include <cstdint>
#include <vector>

// What a buffer's words replace on the process side.
enum EBufferKind : int32_t {
    eBufferStates = 0,        // state record words; address = first slot
    eBufferCoefs = 1,         // coefficient record words; address = first slot
    eBufferExternal = 100,    // external buffer `id`; address = its base address + first word
    eBufferExternalDSP = 500  // the same for a DSP target's second bank; natively as eBufferExternal
};

struct BUFFER_HEADER {
    BUFFER_HEADER* next = nullptr;
    int32_t kind = eBufferCoefs;  // EBufferKind
    int32_t id = 0;               // external buffer index (external kinds only)
    int32_t address = 0;          // first word (external kinds: first entry), as `kind` says
    int32_t count = 0;            // words (external kinds: entries of the memory area)
    uint32_t memSpace = 0;        // memory-area code of an external buffer
    std::vector<uint32_t> words;  // the 32-bit words in the process side's format

    // The first word, for the writers (cALGORITHM::WriteReal, WriteInteger) and copies.
    uint8_t* Data() noexcept { return reinterpret_cast<uint8_t*>(words.data()); }
};
