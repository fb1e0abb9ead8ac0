// CAkPlugInParams: the media-parameter interfaces of an automatable effect,
// over the portable orlofx::AutomationParams that the effect's transform
// derives from; and CAkAutomatedEffectFilter, the transform frame for such
// an effect.
//
// An automatable effect filter (Graphic Dynamics, Multi-Band Dynamics) is
// CAkEffect over this frame (framework/win/effect.h), with a transform that
// is both EffectProcessor and AutomationParams; its DECLARE_IUNKNOWN
// answers for the three interfaces below too. The frame cuts every received
// sample into the stretches the block update allows, and re-seeds the
// automation's stream time from the start time of a sample that carries the
// discontinuity mark. ORLOFX_AUTOMATED_SLOTS writes the five slots of one
// automatable parameter.
#pragma once

#include "framework/automation.h"
#include "framework/win/effect_filter.h"
#include "framework/win/media_params.h"
#include "support/platform.h"

class CAkPlugInParams : public IMediaParamInfo,
                        public IMediaParams,
                        public IMediaParamsSetUICallback,
                        private orlofx::AutomationListener {
 public:
  // `core` may still be under construction: it is only bound here.
  explicit CAkPlugInParams(orlofx::AutomationParams& core);
  virtual ~CAkPlugInParams();
  CAkPlugInParams(const CAkPlugInParams&) = delete;
  CAkPlugInParams& operator=(const CAkPlugInParams&) = delete;

  // The three interfaces with a reference added, or E_NOINTERFACE. The
  // owner's QueryInterface calls this (IUnknown itself is the owner's).
  HRESULT QueryParamsInterface(REFIID iid, void** object);

  // IMediaParamInfo
  STDMETHODIMP GetParamCount(DWORD* count) override;
  STDMETHODIMP GetParamInfo(DWORD index, MP_PARAMINFO* info) override;
  STDMETHODIMP GetParamText(DWORD index, WCHAR** text) override;
  STDMETHODIMP GetNumTimeFormats(DWORD* count) override;
  STDMETHODIMP GetSupportedTimeFormat(DWORD index, GUID* format) override;
  STDMETHODIMP GetCurrentTimeFormat(GUID* format, MP_TIMEDATA* data) override;

  // IMediaParams
  STDMETHODIMP GetParam(DWORD index, MP_DATA* value) override;
  STDMETHODIMP SetParam(DWORD index, MP_DATA value) override;
  STDMETHODIMP AddEnvelope(DWORD index, DWORD count, MP_ENVELOPE_SEGMENT* segments) override;
  STDMETHODIMP FlushEnvelope(DWORD index, REFERENCE_TIME start, REFERENCE_TIME end) override;
  STDMETHODIMP SetTimeFormat(GUID format, MP_TIMEDATA data) override;

  // IMediaParamsSetUICallback
  STDMETHODIMP SetUICallback(IMediaParamsUICallback* callback) override;

 protected:
  orlofx::AutomationParams& automation_;

 private:
  // orlofx::AutomationListener: forwards to the host's callback, holding a
  // reference for the call so that a concurrent SetUICallback cannot pull
  // it away.
  void ParamsBeginCapture(std::uint32_t index) override;
  void ParamsChanged(std::uint32_t index, float value) override;
  void ParamsEndCapture(std::uint32_t index) override;
  IMediaParamsUICallback* TakeCallback();

  // Guarded by the automation's lock, so that the callback and the
  // listener registration change together.
  IMediaParamsUICallback* callback_ = nullptr;
  GUID timeFormat_;
  MP_TIMEDATA timeData_ = 0;
};

class CAkAutomatedEffectFilter : public CAkEffectFilter, public CAkPlugInParams {
 public:
  DECLARE_IUNKNOWN
  // The media-parameter interfaces, then the frame's own.
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;
  // The automation states could not be had: the filter is not handed out.
  HRESULT ConstructionResult() const override { return automation_.ConstructionResult(); }

 protected:
  CAkAutomatedEffectFilter(LPUNKNOWN outer, orlofx::EffectProcessor& processor,
                           orlofx::AutomationParams& automation,
                           const EffectDescription& description, const AMOVIESETUP_FILTER* setup);
  // A transform that is both; it may still be under construction.
  template <class Transform>
  CAkAutomatedEffectFilter(LPUNKNOWN outer, Transform& transform,
                           const EffectDescription& description, const AMOVIESETUP_FILTER* setup)
      : CAkAutomatedEffectFilter(outer, transform, transform, description, setup) {}

  void OnReceiveStart(IMediaSample* sample) override;
  HRESULT ProcessInput(int mode, const void* in, std::uint32_t* inFrames, void* out,
                       std::uint32_t* outFrames) override;
  HRESULT PrepareMidStream(const orlofx::WaveFormat& in, const orlofx::WaveFormat& out) override;
};

// The five slots of automatable parameter `param`, in slot order: get, set
// (clamped), begin edit, end edit, is-editable. For a CAkEffect over the
// frame above.
#define ORLOFX_AUTOMATED_SLOTS(Name, param)                              \
  STDMETHODIMP Get##Name(long* value) override {                         \
    return Get<&orlofx::AutomationParams::GetParamProp>(value, param);  \
  }                                                                      \
  STDMETHODIMP Set##Name(long value) override {                          \
    return Call<&orlofx::AutomationParams::SetParamProp>(param, value); \
  }                                                                      \
  STDMETHODIMP BeginEdit##Name() override {                              \
    return Call<&orlofx::AutomationParams::BeginParamEdit>(param);      \
  }                                                                      \
  STDMETHODIMP EndEdit##Name() override {                                \
    return Call<&orlofx::AutomationParams::EndParamEdit>(param);        \
  }                                                                      \
  STDMETHODIMP Is##Name##Editable() override {                           \
    return Call<&orlofx::AutomationParams::IsParamEditable>(param);     \
  }
