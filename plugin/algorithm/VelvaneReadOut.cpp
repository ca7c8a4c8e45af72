// Read-outs: the output meters with their held peaks, the clip lights, the LFO display and the
// switch pictures, refreshed one parameter at a time from the kernel's saved state record.
#include <algorithm>
#include <cmath>

#include "framework/Levels.h"
#include "plugin/algorithm/VelvaneParams.h"
#include "plugin/algorithm/cVelvane_ALG.h"

namespace {

const double kMeterFloor = DBToAmplitude(-144.0);  // the amplitude of the lowest meter reading
constexpr double kMeterScale = 2.0 / 3.0;          // log10 of a level to meter states

}  // namespace

int32_t cVelvane_ALG::UpdateReadOutSelf(int16_t index) {
    SetRefresh(index, eRefreshNone);
    switch (index) {
        case PARAM_VU_L:
            RefreshMeter(index, 0);
            break;
        case PARAM_VU_R:
            if (GetNumOutputs() >= 2) RefreshMeter(index, 1);
            break;
        case PARAM_OSCILATOR_VU:
            RefreshOscillator();
            break;
        default:
            ShowPicture(index);
            if (index == PARAM_SYNC_ON_OFF) SetRefresh(PARAM_RATE_CAPTION, eRefreshChanged);
            break;
    }
    return 0;
}

void cVelvane_ALG::RefreshMeter(int16_t index, int channel) {
    sCONTROL_PARAM* meter = GetControlParam(index);
    if (!meter) return;
    const EPluginSetup s = GetActiveSetup();
    meter->refreshMark = eRefreshRedraw;  // a meter keeps refreshing while audio runs
    if (!IsProcessActive()) {
        meter->SetState(s, 0);
        meter->refreshMark = eRefreshNone;
        return;
    }
    // Natively the kernel only raises the peak, so a reset to -1 shows whether a block has run
    // since; a DSP target clears to 0.
    const double reading = ReadVU(meterSlot_[channel], 1, IsNative() ? -1 : 0);
    if (reading < 0) return;  // no audio since the last reading: the meter freezes
    const double level = reading + 6e-8;
    meterLevel_[channel] = ReleaseVU(level, meterLevel_[channel], &meterRelease_[channel]);
    if (meterLevel_[channel] >= 0.999999) {
        const int16_t clip = channel == 0 ? PARAM_CLIP_L : PARAM_CLIP_R;
        SetParamValue(clip, 1);
        SetRefresh(clip, eRefreshRedraw);
    }
    // -30 dB is state 0, 0 dB state 1000; the peak in dB is held until a meter reset.
    const double logLevel = std::log10(std::max(meterLevel_[channel], kMeterFloor));
    meter->SetState(s, static_cast<int32_t>(std::clamp((logLevel * kMeterScale + 1) * 1000, 0.0, 1000.0)));
    meter->SetRealWorld(s, std::max(20 * logLevel, meter->GetRealWorld(s)));
}

void cVelvane_ALG::RefreshOscillator() {
    sCONTROL_PARAM* display = GetControlParam(PARAM_OSCILATOR_VU);
    if (!display) return;
    const EPluginSetup s = GetActiveSetup();
    if (!IsProcessActive()) {
        display->SetState(s, display->GetDefaultState());  // at rest in the centre
        display->refreshMark = eRefreshNone;
        return;
    }
    const double v = ReadVU(oscillatorSlot_, 0, 0);  // channel 0's last LFO value, -1 … 1
    display->SetState(s, static_cast<int32_t>(std::clamp((1 + v * GetParam(PARAM_DEPTH)) * 500, 0.0, 1000.0)));
    display->refreshMark = eRefreshRedraw;
}

void cVelvane_ALG::ShowPicture(int16_t index) noexcept {
    static constexpr struct {
        int16_t index;
        ESequence sequence;
    } kPictures[] = {
        {PARAM_LINK_DEPTH, kLinkPictures},
        {PARAM_WAVE_FORM, kWavePictures},
        {PARAM_INV_FEEDBACK, kSwitchPictures},
        {PARAM_INV_PHASE, kSwitchPictures},
        {PARAM_FILTER_ON_OFF, kSwitchPictures},
        {PARAM_TAPE_DELAY, kSwitchPictures},
        {PARAM_FILTER_TYPE, kFilterTypePictures},
        {PARAM_LR_PHASE, kPhasePictures},
        {PARAM_CLIP_R, kClipPictures},
        {PARAM_CLIP_L, kClipPictures},
        {PARAM_PAUSE, kPausePictures},
        {PARAM_SYNC_ON_OFF, kSyncPictures},
        {PARAM_RATE_CAPTION, kCaptionPictures},
    };
    sCONTROL_PARAM* p = GetControlParam(index);
    const auto* picture = std::find_if(std::begin(kPictures), std::end(kPictures),
                                       [index](const auto& row) { return row.index == index; });
    if (!p || picture == std::end(kPictures)) return;
    const double value = p->GetRealWorld(GetActiveSetup());
    double frame;
    if (index == PARAM_LR_PHASE)
        frame = std::trunc(value * 19.99 / 180);  // 20 frames over 0 … 180 degrees
    else if (index == PARAM_FILTER_TYPE || index == PARAM_RATE_CAPTION)
        frame = std::trunc(value);  // low-pass or high-pass, Hz or per beat; other values leave the icon
    else
        frame = std::trunc(value) != 0 ? 1 : 0;  // any value that truncates to non-zero is on
    const auto& frames = pictures_[picture->sequence];
    if (frame >= 0 && frame < static_cast<double>(frames.size())) p->icon = frames[static_cast<size_t>(frame)];
}
