// CAkGdyn: the Graphic Dynamics filter, the automated transform frame around
// the portable CAkGdynTransform, with its flavour of IAkPlugInProp2 and the
// media-parameter interfaces.
//
// The processor holds back one 20 ms frame; the frame's end-of-stream drain
// delivers it, so the output has exactly the input's length.
#pragma once

#include "effects/gdyn/gdyn_transform.h"
#include "effects/gdyn/win/gdyn_prop.h"
#include "framework/win/plugin_params.h"

class CAkGdyn : public CAkAutomatedEffectFilter, public gdyn::IAkPlugInProp2 {
 public:
  // The factory's creation function.
  static CUnknown* CALLBACK CreateInstance(LPUNKNOWN outer, HRESULT* result,
                                           const AMOVIESETUP_FILTER* setup);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // IAkPlugInProp2
  STDMETHODIMP GetAllProps(orlofx::AkGdynProps* props) override;
  STDMETHODIMP SetAllProps(const orlofx::AkGdynProps* props) override;
  STDMETHODIMP GetFormat(WAVEFORMATEX* format, int pin) override;
  STDMETHODIMP SetNotifyWindow(HWND window, UINT id) override;
  STDMETHODIMP SetPointCount(long count) override;
  STDMETHODIMP GetPointCount(long* count) override;
  STDMETHODIMP GetOutputGain(long* value) override;
  STDMETHODIMP SetOutputGain(long value) override;
  STDMETHODIMP BeginEditOutputGain() override;
  STDMETHODIMP EndEditOutputGain() override;
  STDMETHODIMP IsOutputGainEditable() override;
  STDMETHODIMP GetAttack(long* value) override;
  STDMETHODIMP SetAttack(long value) override;
  STDMETHODIMP BeginEditAttack() override;
  STDMETHODIMP EndEditAttack() override;
  STDMETHODIMP IsAttackEditable() override;
  STDMETHODIMP GetRelease(long* value) override;
  STDMETHODIMP SetRelease(long value) override;
  STDMETHODIMP BeginEditRelease() override;
  STDMETHODIMP EndEditRelease() override;
  STDMETHODIMP IsReleaseEditable() override;
  STDMETHODIMP GetAutoGain(long* value) override;
  STDMETHODIMP SetAutoGain(long value) override;
  STDMETHODIMP BeginEditAutoGain() override;
  STDMETHODIMP EndEditAutoGain() override;
  STDMETHODIMP IsAutoGainEditable() override;
  STDMETHODIMP GetSyncStereo(long* value) override;
  STDMETHODIMP SetSyncStereo(long value) override;
  STDMETHODIMP BeginEditSyncStereo() override;
  STDMETHODIMP EndEditSyncStereo() override;
  STDMETHODIMP IsSyncStereoEditable() override;
  STDMETHODIMP GetBypass(long* value) override;
  STDMETHODIMP SetBypass(long value) override;
  STDMETHODIMP BeginEditBypass() override;
  STDMETHODIMP EndEditBypass() override;
  STDMETHODIMP IsBypassEditable() override;
  STDMETHODIMP SetPoints(const orlofx::GdynPoint* points, long count) override;
  STDMETHODIMP GetPoints(orlofx::GdynPoint* points, long* count) override;
  STDMETHODIMP GetRatio(long* ratio) override;
  STDMETHODIMP SetRatio(long ratio) override;
  STDMETHODIMP GetThreshold(long* threshold) override;
  STDMETHODIMP SetThreshold(long threshold) override;

  // The processor, for tests that read the stream's state.
  orlofx::CAkGdynTransform& Transform() { return transform_; }

 private:
  CAkGdyn(LPUNKNOWN outer, const AMOVIESETUP_FILTER* setup);

  HRESULT GetProp(std::uint32_t param, long* value);

  orlofx::CAkGdynTransform transform_;
};

// The input pin keeps the effect's own name.
using CAkGdynInputPin = CAkEffectInputPin;
