// IAkPlugInProp2 as Graphic Dynamics offers it: the effect's property
// interface for hosts and its property page. The Multi-Band Dynamics effect
// answers the same identifier with a flavour of its own, so each flavour
// lives in its effect's namespace.
//
// The slot order is part of the interface: whole record, format,
// notifications, the point count, then five operations for each automatable
// parameter (get, set, begin edit, end edit, is-editable), then the curve.
// Setters clamp and succeed; is-editable answers S_OK, or S_FALSE while an
// automation envelope drives the parameter during streaming.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <unknwn.h>

#include "effects/gdyn/gdyn_params.h"

namespace gdyn {

using orlofx::AkGdynProps;
using orlofx::GdynPoint;

struct IAkPlugInProp2 : public IUnknown {
  // 3, 4: the whole 164-byte record
  virtual HRESULT STDMETHODCALLTYPE GetAllProps(AkGdynProps* props) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAllProps(const AkGdynProps* props) = 0;
  // 5: pin 0 input, 1 output; VFW_E_NOT_CONNECTED without a format
  virtual HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format, int pin) = 0;
  // 6: id 0 removes the window; E_OUTOFMEMORY when both places are taken
  virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(HWND window, UINT id) = 0;
  // 7, 8
  virtual HRESULT STDMETHODCALLTYPE SetPointCount(long count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPointCount(long* count) = 0;
  // 9 to 13: output gain, tenths of a dB
  virtual HRESULT STDMETHODCALLTYPE GetOutputGain(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOutputGain(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginEditOutputGain() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndEditOutputGain() = 0;
  virtual HRESULT STDMETHODCALLTYPE IsOutputGainEditable() = 0;
  // 14 to 18: attack, tenths of a ms
  virtual HRESULT STDMETHODCALLTYPE GetAttack(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAttack(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginEditAttack() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndEditAttack() = 0;
  virtual HRESULT STDMETHODCALLTYPE IsAttackEditable() = 0;
  // 19 to 23: release, tenths of a ms
  virtual HRESULT STDMETHODCALLTYPE GetRelease(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRelease(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginEditRelease() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndEditRelease() = 0;
  virtual HRESULT STDMETHODCALLTYPE IsReleaseEditable() = 0;
  // 24 to 28: auto gain compensate, 0 or 1
  virtual HRESULT STDMETHODCALLTYPE GetAutoGain(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAutoGain(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginEditAutoGain() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndEditAutoGain() = 0;
  virtual HRESULT STDMETHODCALLTYPE IsAutoGainEditable() = 0;
  // 29 to 33: sync stereo gain, 0 or 1
  virtual HRESULT STDMETHODCALLTYPE GetSyncStereo(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSyncStereo(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginEditSyncStereo() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndEditSyncStereo() = 0;
  virtual HRESULT STDMETHODCALLTYPE IsSyncStereoEditable() = 0;
  // 34 to 38: bypass, 0 or 1
  virtual HRESULT STDMETHODCALLTYPE GetBypass(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBypass(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE BeginEditBypass() = 0;
  virtual HRESULT STDMETHODCALLTYPE EndEditBypass() = 0;
  virtual HRESULT STDMETHODCALLTYPE IsBypassEditable() = 0;
  // 39, 40: the curve; up to 16 pairs are copied, the count is clamped to
  // 3..16; GetPoints fills all 16 places
  virtual HRESULT STDMETHODCALLTYPE SetPoints(const GdynPoint* points, long count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPoints(GdynPoint* points, long* count) = 0;
  // 41 to 44: the curve's ratio (tenths) and threshold (tenths of a dB) are
  // read from the points; the stored values are only kept
  virtual HRESULT STDMETHODCALLTYPE GetRatio(long* ratio) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRatio(long ratio) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetThreshold(long* threshold) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetThreshold(long threshold) = 0;
};

}  // namespace gdyn
