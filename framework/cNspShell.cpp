#include "framework/cNspShell.h"

#include <algorithm>

void cNspShell::CopyStatesSaved() noexcept {
    CAutoLock hold(&lock_);
    std::copy(states_.begin(), states_.end(), saved_.begin());
}

int32_t cNspShell::NotifyParamChange(int16_t, int32_t) { return 0; }

void cNspShell::Layout(int32_t coefWords, int32_t stateWords, std::span<const sEXT_BUFF> externals) {
    std::vector<uint32_t> coefs(static_cast<size_t>(coefWords));
    std::vector<uint32_t> states(static_cast<size_t>(stateWords));
    std::vector<uint32_t> saved(static_cast<size_t>(stateWords));
    std::vector<std::vector<uint32_t>> buffers;
    std::vector<ExternStruct> table;
    for (const sEXT_BUFF& e : externals) {
        auto& words = buffers.emplace_back(static_cast<size_t>(e.size) * static_cast<size_t>(e.WordsPerEntry()));
        table.push_back({words.data(), static_cast<int32_t>(words.size()), static_cast<uint32_t>(e.memSpace)});
    }
    CAutoLock hold(&lock_);
    coefs_.swap(coefs);
    states_.swap(states);
    saved_.swap(saved);
    externals_.swap(buffers);
    table_.swap(table);
}
