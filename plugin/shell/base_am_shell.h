#pragma once
// cBaseAmShell: the shell core of a filter object. It owns the algorithm, is the algorithm's
// process description (cNspShell: kernel binding, records, process lock) and carries the plug-in's
// own interfaces, of which the property-page list exists so far. Its IUnknown methods are the
// filter object's (the class that joins it with the filter declares them).
//
// The soft-synth and media-parameter parts join the shell core later; until then their steps in
// the audio path are the no-ops below, which keep the call sites where those parts plug in.
#include <memory>

#include "framework/cNspShell.h"
#include "platform/dshow/interfaces.h"
#include "platform/propertypage.h"
#include "platform/sync.h"
#include "plugin/algorithm/cVelvane_ALG.h"

class cBaseAmShell : public ISpecifyPropertyPages, public cNspShell, public CCritSec {
public:
    cVelvane_ALG* Algorithm() const noexcept { return algorithm_.get(); }

protected:
    // Takes over `algorithm`, which has finished its creation; BindProcessSide must follow.
    explicit cBaseAmShell(std::unique_ptr<cVelvane_ALG> algorithm) noexcept;
    // The algorithm goes first: it keeps a pointer to this process description.
    ~cBaseAmShell() override;

    // Lays out the process side (records, external buffers) and binds the kernel routine.
    // E_OUTOFMEMORY when the layout cannot be made.
    HRESULT BindProcessSide() noexcept;

    // [streaming thread] Soft-synth part: the host's musical position for a block, the MIDI
    // block length and its end, and whether its clock advances the filter's frame count.
    void PassTempo(int64_t /*framesSinceStart*/) noexcept {}
    void BeginMidiBlock(IMediaSample* /*sample*/) noexcept {}
    void EndMidiBlock() noexcept {}
    bool SoftSynthKeepsTime() const noexcept { return false; }
    // [streaming thread] Media-parameter part: whether envelopes play, and their values at a time.
    bool EnvelopesActive() const noexcept { return false; }
    void ApplyEnvelopes(REFERENCE_TIME /*time*/) noexcept {}
    // [application or streaming thread] Editor part: asks the editor window, when there is one,
    // to refresh its read-outs (message 1348, long argument 275). There is none yet.
    void RefreshEditor() noexcept {}

private:
    std::unique_ptr<cVelvane_ALG> algorithm_;
};
