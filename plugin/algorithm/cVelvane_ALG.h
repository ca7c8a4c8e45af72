#pragma once
// cVelvane_ALG: the flanger's algorithm object. It configures the framework for its component
// (stereo 'FLNS', mono-to-stereo 'FLNX', mono 'FLNM'), binds its kernel routine by name, turns
// the active setup's parameter values into the kernel's coefficient record and LFO tables, and
// refreshes the meters, clip lights, LFO display and switch pictures from the kernel's states.
//
// Life cycle: construct, FinishCreate (framework), then as cALGORITHM. Owned by the host shell.
// Threads: as cALGORITHM: the hooks run on the thread that changes parameters (change handlers,
// tempo) or on the editor's (read-outs); the host serialises them. Nothing here locks: chains go
// to the process side through the framework.
#include <array>
#include <cstdint>
#include <vector>

#include "Code/Native/VelvaneFunctions.h"
#include "framework/cALGORITHM.h"

// What the host shell's media-type negotiation demands of the output.
enum class ChannelMode {
    SameAsInput,   // as many channels as the input (stereo, mono)
    MonoToStereo,  // two channels from a mono input (m/s)
};

class cVelvane_ALG : public cALGORITHM {
public:
    // Never fails: a kernel routine that cannot be found is left absent (the shell then passes
    // audio through), a picture that cannot be loaded is left null.
    explicit cVelvane_ALG(const NordeComponentInfo& info);
    ~cVelvane_ALG() override;

    ChannelMode GetChannelMode() const noexcept { return channelMode_; }
    // Host tempo in beats per minute; 0 until a host sends one.
    double GetTempo() const noexcept { return tempo_; }

    // Depth, feedback and mix take a typed percentage, the rate a typed frequency (anything
    // below 0.01 Hz is the scale's minimum); other parameters as the framework reads them.
    int32_t StateFromText(int16_t index, const char* text) override;

protected:
    BUFFER_HEADER* UpdateParamCoefsSelf(int16_t index, int32_t state) override;
    BUFFER_HEADER* UpdateAllCoefsSelf() override;
    BUFFER_HEADER* InitStatesSelf() override;
    int32_t UpdateReadOutSelf(int16_t index) override;
    int32_t FillInitialStatesSelf(uint8_t* states) override;
    void SetBypassCoefsSelf() override;
    void SetTempoSelf(double bpm) override;
    int32_t PrepareDisplayFunctionsMapSelf(DisplayFunctionMap& map) override;
    void AdjustProcessCodeDescriptionsSelf() override;

private:
    // The picture sequences, in the order of kSequences (cVelvane_ALG.cpp).
    enum ESequence {
        kSwitchPictures,
        kWavePictures,
        kFilterTypePictures,
        kLinkPictures,
        kClipPictures,
        kPhasePictures,
        kPausePictures,
        kSyncPictures,
        kCaptionPictures,
        kSequenceCount,
    };

    // Coefficient groups of the active setup. Each writes its slots; with `send` it also returns
    // them as buffers, but only while the process side is active and (except the LFO rate group)
    // not bypassed. The LFO table group always returns its table.
    BUFFER_HEADER* DelayGroup(bool send);
    BUFFER_HEADER* LfoRateGroup(bool send);
    BUFFER_HEADER* LfoTableGroup(bool send);
    BUFFER_HEADER* DryGainGroup(bool send);
    BUFFER_HEADER* FeedbackGroup(bool send);
    BUFFER_HEADER* WetGroup(bool send);
    // The depth/rate link after a change of `changed`: `moved` (the other of the two) follows
    // inversely from the values the groups saved last, so that their product stays; it is held
    // within 0.01 … `movedMax`, and beyond that `changed` gives way. Returns `moved`'s group.
    BUFFER_HEADER* Link(int16_t changed, int16_t moved, double movedMax);
    BUFFER_HEADER* ApplyTempoFactor();
    // The meters' release and level, and their read-outs at -144 dB.
    void ClearMeters();
    // Meters and clip lights off, all four marked changed.
    void ResetMeters();

    bool Sends(bool send) const noexcept { return send && IsProcessActive() && !IsBypassed(); }
    // Slots first … first + count - 1 of the active record as one buffer; null if none is made.
    BUFFER_HEADER* CoefBuffer(int32_t first, int32_t count) noexcept;
    void SetCoef(int32_t slot, double value) noexcept;
    void SetCoef(int32_t slot, int32_t value) noexcept;
    // In the active setup: the value, and the state it converts to.
    void SetParamValue(int16_t index, double value) noexcept;
    void SetRefresh(int16_t index, ERefreshMark mark) noexcept;

    void RefreshMeter(int16_t index, int channel);
    void RefreshOscillator();
    // Points a switch's icon at the frame its value selects; other parameters have no picture.
    void ShowPicture(int16_t index) noexcept;

    ChannelMode channelMode_ = ChannelMode::SameAsInput;
    int32_t meterSlot_[2] = {STATE_PEAK_L, -1};  // the right meter only with two outputs
    int32_t oscillatorSlot_ = STATE_LFO_VALUE;
    double meterRelease_[2] = {0, 0};  // ReleaseVU's state per output channel
    double meterLevel_[2] = {0, 0};    // released peak per output channel, linear
    double savedDepth_[2] = {0, 0};    // per setup: the depth and rate the coefficients last used
    double savedRate_[2] = {0, 0};
    double tempo_ = 0;
    std::array<std::vector<CIcon*>, kSequenceCount> pictures_;
};
