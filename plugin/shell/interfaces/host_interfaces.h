#pragma once
// What a host that loads the library needs beyond the DirectShow interfaces: the classes it
// creates, the factory-preset interface of every processing component, and our own parameter
// access. Header only: a host includes it without linking the plug-in.
//
// Both interfaces are faces of the component object (ask its IUnknown or IBaseFilter for them).
// Any thread may call them; calls that change parameters are serialised with the audio path, and
// the kernel sees a change from its next block on. Nothing is thrown across them.
#include "platform/com.h"

// The native processing classes, one per component (the DSP and host-TDM classes serve other
// kinds of host).
inline constexpr CLSID CLSID_VelvaneStereo = {  // 'FLNS': stereo in, stereo out
    0xAAD128C0,
    0x471C,
    0x11D2,
    {0x90, 0xF7, 0x0E, 0x03, 0x9A, 0x00, 0x00, 0x00}};
inline constexpr CLSID CLSID_VelvaneMs = {  // 'FLNX': mono in, stereo out
    0xAAD128C2,
    0x471C,
    0x11D2,
    {0x90, 0xF7, 0x0E, 0x03, 0x9A, 0x00, 0x00, 0x00}};
inline constexpr CLSID CLSID_VelvaneMono = {  // 'FLNM': mono in, mono out
    0xAAD128C4,
    0x471C,
    0x11D2,
    {0x90, 0xF7, 0x0E, 0x03, 0x9A, 0x00, 0x00, 0x00}};

inline constexpr IID IID_IStaticFilterPreset = {
    0x36A22460, 0x0CC9, 0x11D0, {0x85, 0x74, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

// The component's factory presets by menu position, 0 … count - 1.
struct IStaticFilterPreset : public IUnknown {
    // *count = the number of factory presets, at most 40. 0; E_POINTER for a null count.
    virtual HRESULT STDMETHODCALLTYPE GetPresetCount(LONG* count) = 0;
    // The preset's name, converted from the ANSI code page, with its terminator, in at most
    // `capacity` characters. 0; -1 for an index outside the menu, an empty name, a name that does
    // not fit (`name` then holds an empty text) or a null `name` (which also shows a message box).
    virtual HRESULT STDMETHODCALLTYPE GetPresetName(LONG index, WCHAR* name, LONG capacity) = 0;
    // Loads the preset into the active setup and recomputes every coefficient. 0; E_INVALIDARG
    // for an index outside the menu, which changes nothing.
    virtual HRESULT STDMETHODCALLTYPE SelectPreset(LONG index) = 0;
};

// {07BBC684-B3A0-4932-BCE5-DA2AE30F1AEC}
inline constexpr IID IID_IVelvaneParameters = {
    0x07BBC684, 0xB3A0, 0x4932, {0xBC, 0xE5, 0xDA, 0x2A, 0xE3, 0x0F, 0x1A, 0xEC}};

// The texts of a parameter (IVelvaneParameters::GetParamText).
enum VelvaneParamText : LONG {
    kParamName = 0,     // "PARAM_DEPTH"
    kParamLabel = 1,    // as the parameter table holds it, blanks and tabs included
    kParamUnits = 2,    // empty when the parameter has none
    kParamDisplay = 3,  // the current value as the editor shows it
};

// The algorithm's parameters for a host that has no other way to them. A parameter is addressed
// by its index, 0 … count - 1; states are those of the active setup: 0 … 1000 for a continuous
// parameter, 0 … N - 1 for a toggle of N states. Texts are in the ANSI code page, written with
// their terminator into at most `capacity` bytes.
// Failures: E_POINTER for a null pointer; E_INVALIDARG for an index, field, state or setup the
// call does not take; E_NOT_SUFFICIENT_BUFFER when a text does not fit (an empty text is written).
struct IVelvaneParameters : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetParamCount(LONG* count) = 0;
    // 1001 for a continuous parameter, N for a toggle.
    virtual HRESULT STDMETHODCALLTYPE GetStateCount(LONG index, LONG* count) = 0;
    // `field` is a VelvaneParamText.
    virtual HRESULT STDMETHODCALLTYPE GetParamText(LONG index, LONG field, char* text, LONG capacity) = 0;
    // The display text the parameter would show at `state`.
    virtual HRESULT STDMETHODCALLTYPE GetStateText(LONG index, LONG state, char* text, LONG capacity) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetParamState(LONG index, LONG* state) = 0;
    // The state a text typed into the editor's value field stands for; S_FALSE with *state = -1
    // when the field would refuse the text.
    virtual HRESULT STDMETHODCALLTYPE StateFromText(LONG index, const char* text, LONG* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetParamState(LONG index, LONG state) = 0;
    // 0 = setup A, 1 = setup B.
    virtual HRESULT STDMETHODCALLTYPE GetActiveSetup(LONG* setup) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetActiveSetup(LONG setup) = 0;
    // The host tempo, beats per minute, positive and finite; rates synchronised to it follow.
    virtual HRESULT STDMETHODCALLTYPE SetTempo(double bpm) = 0;
};
