#pragma once
// cALGORITHM: the base of a plug-in's algorithm object. It owns the parameters (from resource
// XPRM), the two setups, the per-setup coefficient and bypass areas, the process-code description
// (resource XCLI), the factory presets (XPST), the host flags (XDAE) and the kernel loader; it
// lays out and feeds the process side (cNspShell). The plug-in derives from it, sets the fields
// under "Settings" in its constructor and implements the "Self" hooks.
//
// Life cycle: construct from a NordeComponentInfo, FinishCreate, InitProcessCode with the host
// shell's process description; then InitAlg whenever streaming starts.
//
// Threads: one thread at a time changes parameters, setups, presets, bypass, rate and tempo
// (the host's callers serialise); nothing here is locked except the process side, which
// SendBuffers, ReadVU and InitProcessCode change under the process lock. The kernel runs on the
// streaming thread and touches only the process side.
//
// Coefficient flow: a change handler writes the active setup's coefficient area, copies the
// touched words into buffers (NewBuffer), chains them (ChainBufs) and returns the chain; the
// caller sends it (SendBuffers: copied into the live records under the process lock) and frees it
// (FreeBuffers). Words are the kernel's: 32-bit integers and IEEE single floats.
//
// Statuses are EStatus values (0 success, negative failures); nothing throws out of the methods
// marked noexcept.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/BUFFER_HEADER.h"
#include "framework/CDLLLoader.h"
#include "framework/CPresetsManager.h"
#include "framework/DisplayFunctions.h"
#include "framework/NordeComponentInfo.h"
#include "framework/ProcessCodeDescription.h"
#include "framework/cNspShell.h"
#include "framework/nrXML.h"
#include "framework/sCONTROL_PARAM.h"

enum EStatus : int16_t {
    eNoErr = 0,
    eBadArgument = -1,  // an index, setup, pointer or value outside what the call takes
    eMalformed = -2,    // a resource or text that does not read
    eNoResource = -3,   // a resource the module lacks
    eNoMemory = -4,
    eNotReady = -5,  // FinishCreate has not succeeded (or nothing to hand out yet)
};

// The host's callback: message, the user value it was set with, three byte pointers. The
// framework's own, in place until a host sets one, handles the two messages below.
using ExecCallBack = int32_t (*)(int32_t message, intptr_t user, uint8_t* a, uint8_t* b, uint8_t* c);
inline constexpr int32_t kExecSendBuffers = 0;  // a: a chain to send
inline constexpr int32_t kExecFreeBuffers = 4;  // a: a chain to free

class cALGORITHM {
public:
    explicit cALGORITHM(const NordeComponentInfo& info);
    virtual ~cALGORITHM();
    cALGORITHM(const cALGORITHM&) = delete;
    cALGORITHM& operator=(const cALGORITHM&) = delete;

    // Reads the parameter table (display functions from the map the algorithm completes), the
    // process-code description for the component and host kind, the factory presets and the host
    // flags; gives every parameter its initial state in both setups. eNoResource or eMalformed
    // when a resource is missing or does not read (the object is then unusable).
    int16_t FinishCreate() noexcept;

    // Identity.
    uint32_t GetComponentType() const noexcept { return info_.componentType; }
    uint32_t GetProcessCode() const noexcept { return info_.processCode; }
    HMODULE GetPlugInInstance() const noexcept { return info_.module; }
    // Native unless the process-code description names DSP processors to run on.
    bool IsNative() const noexcept { return description_.canRunOn.empty(); }
    int16_t GetNumInputs() const noexcept { return numInputs_; }
    int16_t GetNumOutputs() const noexcept { return numOutputs_; }
    bool IsTempoListener() const noexcept { return tempoListener_; }
    VelvaneProcessFn GetProcessFunc() const noexcept { return processFunc_; }

    // Parameters. An index outside 0 … count - 1 reads as 0 (states, values) and is ignored.
    int16_t GetNumParams() const noexcept { return static_cast<int16_t>(params_.size()); }
    sCONTROL_PARAM* GetControlParam(int16_t index) noexcept;
    const sCONTROL_PARAM* GetControlParam(int16_t index) const noexcept;
    double GetParam(int16_t index) const noexcept;        // real-world value, active setup
    int32_t GetParamState(int16_t index) const noexcept;  // state, active setup
    int32_t GetParamNumStates(int16_t index) const noexcept;
    EScaleType GetParamScaleType(int16_t index) const noexcept;
    // Stores the state (brought into range) and its real-world value in the active setup and
    // returns the change handler's chain. An unchanged state returns null without calling the
    // handler, unless the parameter is eFlagAlwaysUpdate. A savable parameter's change is reported
    // to the process description (NotifyParamChange).
    BUFFER_HEADER* UpdateParam(int16_t index, int32_t state);
    // The display text of `state` (value from the state) of the parameter.
    void TranslateParam(int16_t index, int32_t state, std::string& text) const;
    // The state a typed text stands for, or -1 to refuse it. Base: a linear or logarithmic
    // parameter takes a number as its real-world value (refused unless its state is 0 … 1000);
    // a toggle takes one of its display texts (any case) or its state number.
    virtual int32_t StateFromText(int16_t index, const char* text);

    // Setups.
    EPluginSetup GetActiveSetup() const noexcept { return activeSetup_; }
    // 0 or 1 selects that setup, -1 switches to the other; anything else is ignored. A new active
    // setup marks every parameter changed and sends all coefficients.
    void ToggleActiveSetup(int32_t setup);
    // Copies every parameter's state and value; when `to` is active, sends all coefficients.
    void CopySetup(EPluginSetup from, EPluginSetup to);

    // Coefficient areas, one record and one bypass record per setup, in the kernel's words.
    // The slot's word (consecutive slots adjacent), or null outside the record.
    uint8_t* GetPointerToCoef(EPluginSetup setup, int32_t slot) noexcept;
    uint8_t* GetPointerToBypassCoef(EPluginSetup setup, int32_t slot) noexcept;
    int32_t GetCoefsNum() const noexcept { return description_.coefs; }
    int32_t GetStatesNum() const noexcept { return description_.states; }
    // External buffer `index` (0 = the first request, …): size in entries, base address (-1 until
    // the process side holds it, then 0 natively), memory area. Null outside the list.
    const sEXT_BUFF* GetExternalBuffer(int32_t index) const noexcept;
    int32_t GetExternalBuffersNum() const noexcept { return static_cast<int32_t>(externals_.size()); }
    // Writers into the process side's word format; bytes written (0 for a null word). A real is
    // rounded to the nearest single.
    static int32_t WriteReal(uint8_t* word, double value) noexcept;
    static int32_t WriteInteger(uint8_t* word, int32_t value) noexcept;

    // Buffers (see BUFFER_HEADER). A buffer of `count` words for `kind` at `address` (for the
    // external kinds: `count` entries of buffer `id`, in memory area `memSpace`); null when the
    // range lies outside its target or memory runs out. `flag` is not used by the native process
    // side.
    BUFFER_HEADER* NewBuffer(int32_t kind, int32_t id, int32_t flag, int32_t address, int32_t count,
                             uint32_t memSpace) noexcept;
    // `first` with `second` appended (either may be null).
    static BUFFER_HEADER* ChainBufs(BUFFER_HEADER* first, BUFFER_HEADER* second) noexcept;
    // Copies the chain into the live records, all of it under one hold of the process lock.
    // Buffers that no longer fit the live layout are skipped; without a process side nothing
    // happens. The chain stays the caller's.
    void SendBuffers(BUFFER_HEADER* chain) noexcept;
    static void FreeBuffers(BUFFER_HEADER* chain) noexcept;

    // Process side.
    // Lays out `shell` (records and external buffers, all zero) for the description, binds the
    // process routine and keeps `shell` (not owned; it must outlive this object or be replaced).
    int16_t InitProcessCode(cNspShell* shell) noexcept;
    // `all`: recompute every coefficient (UpdateAllCoefsSelf); otherwise resend the active
    // setup's record as it is (its bypass record while bypassed). With `chain` the chain is stored
    // there for the caller; without, it is sent and freed.
    int16_t UpdateDSPCoefs(bool all, BUFFER_HEADER** chain = nullptr);
    // `reset`: the initial states and buffer clearing (InitStatesSelf); then all coefficients.
    // Chain handling as UpdateDSPCoefs.
    int16_t InitAlg(bool reset, BUFFER_HEADER** chain = nullptr);
    void SetProcessActive(bool active) noexcept { processActive_ = active; }
    bool IsProcessActive() const noexcept { return processActive_; }
    // On: rebuilds the bypass record (SetBypassCoefsSelf) and sends it; off: sends the record.
    void SetBypass(int16_t bypass);
    bool IsBypassed() const noexcept { return bypassed_; }
    int32_t GetSampleRate() const noexcept { return sampleRate_; }
    // A rate in 1 … the description's maximum (Hz); others are refused with eBadArgument. The
    // coefficients follow at the next full update.
    int16_t ChangeSampleRate(int32_t rate) noexcept;
    // Host tempo in beats per minute, handed to SetTempoSelf when the algorithm listens to tempo.
    // Negative or non-finite tempi are ignored.
    void SetTempo(double bpm);
    void SetExecCallBack(ExecCallBack callback, intptr_t user) noexcept;
    int32_t CallExecCallBack(int32_t message, uint8_t* a, uint8_t* b, uint8_t* c);
    // Latency and tail in frames; none unless an algorithm says otherwise.
    virtual int32_t GetThroughDelay() const noexcept { return 0; }
    virtual int32_t GetTailLength() const noexcept { return 0; }
    // Whether the component takes audio in the wave format of `bytes` bytes at `format` (a
    // WAVEFORMATEX, 16 bytes of it for plain PCM, or a WAVEFORMATEXTENSIBLE; little-endian, any
    // alignment): 16-bit PCM or 32-bit IEEE float, plain or extensible, 1 to GetNumInputs()
    // channels, 1 Hz to the description's maximum rate.
    bool CheckInputType(const void* format, size_t bytes) const noexcept;

    // Read-outs. Calls UpdateReadOutSelf for every parameter with a refresh mark, in index order;
    // with `marked`, the indices called are appended there so the editor can redraw them.
    void DoIdle(std::vector<int16_t>* marked = nullptr);
    // The value the kernel last left in state slot `slot` (from the saved copy); with `reset`,
    // `value` is written into the slot of the live record and of the saved copy. -1 for a slot
    // outside the record or without a process side.
    double ReadVU(int32_t slot, int16_t reset, double value) noexcept;

    // Presets.
    const CPresetsManager& GetPresetsManager() const noexcept { return presets_; }
    // Loads factory preset `index` into the active setup (coefficients follow with
    // UpdateDSPCoefs(true)).
    int16_t LoadFactoryPreset(int32_t index) noexcept;
    // Stores `count` states into `setup` (-1: the active one), parameter 0 first; a -1 and a
    // non-savable parameter's entry leave the parameter as it is. More states than parameters,
    // a negative count, a null array with a count or another setup: eBadArgument, nothing stored.
    int16_t LoadStatesFromBuffer(const int32_t* states, int32_t count, int32_t setup) noexcept;
    // The preset text of both setups: savable states, and exact real-world values where they
    // differ from their state's value.
    int16_t PreparePresetChunk(std::string& chunk) const noexcept;
    // Loads a preset text (`length` bytes, no terminator needed). It is read and checked whole
    // first: malformed or truncated text, another generic type, more states than parameters, an
    // index outside the table or a real-world value that does not give its state is refused with
    // eMalformed and changes nothing. Coefficients follow with UpdateDSPCoefs(true).
    int16_t SetPresetChunk(const char* chunk, int32_t length) noexcept;
    // The host flags (XDAE's root element, valid while this object lives); eNotReady before
    // FinishCreate, eBadArgument for a null `out`.
    int16_t GetDAEFlags(const nrXML** out) const noexcept;

protected:
    // The five hooks every algorithm provides.
    // A parameter's new state is stored; returns the chain for the process side (may be null).
    virtual BUFFER_HEADER* UpdateParamCoefsSelf(int16_t index, int32_t state) = 0;
    // Every coefficient of the active setup; returns the whole record and whatever tables go
    // with it.
    virtual BUFFER_HEADER* UpdateAllCoefsSelf() = 0;
    // The initial state record and the clearing of external memory.
    virtual BUFFER_HEADER* InitStatesSelf() = 0;
    // Refreshes read-out parameter `index` (clearing or renewing its refresh mark); returns 0.
    virtual int32_t UpdateReadOutSelf(int16_t index) = 0;
    // Writes the initial state words from `states` on; returns 1.
    virtual int32_t FillInitialStatesSelf(uint8_t* states) = 0;

    // Hooks with a base behaviour.
    virtual void SetBypassCoefsSelf() {}          // fill the active setup's bypass record
    virtual void SetTempoSelf(double /*bpm*/) {}  // host tempo (tempo listeners only)
    virtual int32_t PrepareDisplayFunctionsMapSelf(DisplayFunctionMap& /*map*/) { return 0; }
    // Adjusts the description once read and again when the sample rate changes.
    virtual void AdjustProcessCodeDescriptionsSelf() {}

    // The active setup's whole record (its bypass record with `bypass`) as one buffer; null if
    // none is made.
    BUFFER_HEADER* RecordBuffer(bool bypass);
    // The state a typed real-world value of `p` stands for: refused (-1) unless it is 0 … 1000.
    static int32_t TypedState(const sCONTROL_PARAM& p, double value) noexcept;

    sPROCESS_CODE_DESCRIPTION& GetProcessCodeDescription() noexcept { return description_; }
    CDLLLoader& GetDLLLoader() noexcept { return loader_; }

    // Settings the derived constructor gives.
    int16_t numInputs_ = 2;
    int16_t numOutputs_ = 2;
    std::string processName_;  // the kernel routine's name
    VelvaneProcessFn processFunc_ = nullptr;
    std::string algName_;
    std::string plugInName_;
    uint32_t genericType_ = 0;  // the generic type of presets ('FLNG')
    bool tempoListener_ = false;
    int32_t displayNameID_ = 0;   // string resource with the display name
    int32_t editorDialogID_ = 0;  // dialog resource of the editor
    int32_t iconGroupID_ = 0;
    EPluginSetup activeSetup_ = eSetupA;

private:
    static int32_t DefaultExec(int32_t message, intptr_t user, uint8_t* a, uint8_t* b, uint8_t* c);
    int16_t ReadParameters(const nrXML& root, const DisplayFunctionMap& display);
    int16_t Deliver(BUFFER_HEADER* made, BUFFER_HEADER** chain);
    void StoreStates(EPluginSetup setup, const int32_t* states, int32_t count);
    int16_t ApplyPreset(const sPRESET& preset) noexcept;
    void Notify(int16_t index);
    void MarkAllChanged() noexcept;

    NordeComponentInfo info_;
    CDLLLoader loader_;
    bool created_ = false;
    std::vector<sCONTROL_PARAM> params_;
    sPROCESS_CODE_DESCRIPTION description_;
    std::vector<sEXT_BUFF> externals_;
    std::vector<uint32_t> coefs_[2];
    std::vector<uint32_t> bypassCoefs_[2];
    CPresetsManager presets_;
    std::unique_ptr<nrXML> daeFlags_;
    // The host shell's process description; not owned (the shell destroys this object first).
    cNspShell* shell_ = nullptr;
    bool processActive_ = false;
    bool bypassed_ = false;
    int32_t sampleRate_ = 44100;
    ExecCallBack exec_;
    intptr_t execUser_;
};
