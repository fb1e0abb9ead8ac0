// CAkMbdyn: the Multi-Band Dynamics filter, the automated transform frame
// around the portable CAkMbdynTransform, with its flavour of IAkPlugInProp2
// and the media-parameter interfaces.
//
// The processor holds back one 20 ms block; the frame's end-of-stream drain
// delivers it, so the output has exactly the input's length.
#pragma once

#include "effects/mbdyn/mbdyn_transform.h"
#include "effects/mbdyn/win/mbdyn_prop.h"
#include "framework/win/plugin_params.h"

#define ORLOFX_MBDYN_PROP_DECL(Name)             \
  STDMETHODIMP Get##Name(long* value) override;  \
  STDMETHODIMP Set##Name(long value) override;   \
  STDMETHODIMP BeginEdit##Name() override;       \
  STDMETHODIMP EndEdit##Name() override;         \
  STDMETHODIMP Is##Name##Editable() override;

#define ORLOFX_MBDYN_BAND_DECL(Name) \
  ORLOFX_MBDYN_PROP_DECL(Band1##Name) \
  ORLOFX_MBDYN_PROP_DECL(Band2##Name) \
  ORLOFX_MBDYN_PROP_DECL(Band3##Name) \
  ORLOFX_MBDYN_PROP_DECL(Band4##Name)

class CAkMbdyn : public CAkAutomatedEffectFilter, public mbdyn::IAkPlugInProp2 {
 public:
  // The factory's creation function.
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                           const AMOVIESETUP_FILTER* setup);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IAkPlugInProp2
  STDMETHODIMP GetAllProps(orlofx::MbdynParams* props) override;
  STDMETHODIMP SetAllProps(const orlofx::MbdynParams* props) override;
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override;
  STDMETHODIMP SetNotifyWindow(HWND window, UINT id) override;
  STDMETHODIMP GetEnableMeters(long* value) override;
  STDMETHODIMP SetEnableMeters(long value) override;
  STDMETHODIMP GetCaptureThreshold(long* value) override;
  STDMETHODIMP SetCaptureThreshold(long value) override;
  ORLOFX_MBDYN_PROP_DECL(OutputGain)
  ORLOFX_MBDYN_BAND_DECL(Threshold)
  ORLOFX_MBDYN_BAND_DECL(Type)
  ORLOFX_MBDYN_BAND_DECL(Amount)
  ORLOFX_MBDYN_BAND_DECL(Attack)
  ORLOFX_MBDYN_BAND_DECL(Release)
  ORLOFX_MBDYN_BAND_DECL(Gain)
  ORLOFX_MBDYN_BAND_DECL(Width)
  ORLOFX_MBDYN_BAND_DECL(Center)
  ORLOFX_MBDYN_BAND_DECL(Bypass)
  ORLOFX_MBDYN_PROP_DECL(StereoSync)
  ORLOFX_MBDYN_BAND_DECL(Solo)
  ORLOFX_MBDYN_PROP_DECL(Bypass)
  STDMETHODIMP GetVisiblePage(long* page) override;
  STDMETHODIMP SetVisiblePage(long page) override;
  STDMETHODIMP GetMeterMaximum(long band, long* value) override;
  STDMETHODIMP GetMeterLevel(long band, long* value) override;
  STDMETHODIMP GetDisplayWord1(long band, long* value) override;
  STDMETHODIMP SetDisplayWord1(long band, long value) override;
  STDMETHODIMP GetDisplayWord2(long band, long* value) override;
  STDMETHODIMP SetDisplayWord2(long band, long value) override;
  STDMETHODIMP GetMeterAt(LONGLONG time, mbdyn::MeterSnapshot* snapshot) override;
  STDMETHODIMP GetMeterHistory(long age, mbdyn::MeterSnapshot* snapshot) override;
  STDMETHODIMP GetMeterSource(long band, long* source) override;
  STDMETHODIMP SetMeterSource(long band, long source) override;
  STDMETHODIMP Reserved238() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved239() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved240() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved241() override { return E_NOTIMPL; }
  STDMETHODIMP ApplyCapturedThresholds(long* changed) override;
  STDMETHODIMP ResetMeterMaxima() override;

  // The processor, for tests that read the stream's state.
  orlofx::CAkMbdynTransform& Transform() { return transform_; }

 private:
  CAkMbdyn(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup);

  HRESULT GetProp(std::uint32_t param, long* value);

  orlofx::CAkMbdynTransform transform_;
};

#undef ORLOFX_MBDYN_BAND_DECL
#undef ORLOFX_MBDYN_PROP_DECL

// The input pin keeps the effect's own name.
using CAkMbdynInputPin = CAkEffectInputPin;
