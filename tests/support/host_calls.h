#pragma once
// The calls a host makes on an algorithm, as the tests of the algorithm's layers make them.
#include "framework/cALGORITHM.h"

// A chain of buffers sent to the process side, then freed.
inline void SendChain(cALGORITHM& alg, BUFFER_HEADER* chain) {
    alg.SendBuffers(chain);
    cALGORITHM::FreeBuffers(chain);
}

// A parameter change as a host makes it: the chain is sent and freed.
inline void ApplyChange(cALGORITHM& alg, int16_t index, int32_t state) {
    SendChain(alg, alg.UpdateParam(index, state));
}
