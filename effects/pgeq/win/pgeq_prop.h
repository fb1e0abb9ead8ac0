// IAkPgeqProp: the Paragraphic EQ's property interface, as hosts and the
// property page call it. The slot order is fixed: hosts call by slot.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <unknwn.h>

#include "effects/pgeq/pgeq_params.h"

using orlofx::PgeqParams;

struct IAkPgeqProp : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetParams(PgeqParams* params) = 0;        // 3
  virtual HRESULT STDMETHODCALLTYPE SetParams(const PgeqParams* params) = 0;  // 4
  // VFW_E_NOT_CONNECTED while no stream format is set.
  virtual HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) = 0;     // 5
  virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(HWND window, UINT id) = 0;  // 6
  virtual HRESULT STDMETHODCALLTYPE GetDryOut(long* value) = 0;  // 7
  virtual HRESULT STDMETHODCALLTYPE SetDryOut(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWetOut(long* value) = 0;  // 9
  virtual HRESULT STDMETHODCALLTYPE SetWetOut(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand1Gain(long* value) = 0;  // 11
  virtual HRESULT STDMETHODCALLTYPE SetBand1Gain(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand2Gain(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBand2Gain(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand3Gain(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBand3Gain(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand4Gain(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBand4Gain(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand1Width(long* value) = 0;  // 19
  virtual HRESULT STDMETHODCALLTYPE SetBand1Width(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand2Width(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBand2Width(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand3Width(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBand3Width(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand4Width(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBand4Width(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand1Center(long* value) = 0;  // 27
  virtual HRESULT STDMETHODCALLTYPE SetBand1Center(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand2Center(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBand2Center(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand3Center(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBand3Center(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBand4Center(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBand4Center(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLowShelfEnable(long* value) = 0;  // 35
  virtual HRESULT STDMETHODCALLTYPE SetLowShelfEnable(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHighShelfEnable(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHighShelfEnable(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLowShelfFrequency(long* value) = 0;  // 39
  virtual HRESULT STDMETHODCALLTYPE SetLowShelfFrequency(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHighShelfFrequency(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHighShelfFrequency(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLowShelfGain(long* value) = 0;  // 43
  virtual HRESULT STDMETHODCALLTYPE SetLowShelfGain(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHighShelfGain(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHighShelfGain(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHighlightBand(long* value) = 0;  // 47
  // Stores min(value, 4) with the value taken as unsigned.
  virtual HRESULT STDMETHODCALLTYPE SetHighlightBand(long value) = 0;
  // Band index 0..3; E_INVALIDARG for another.
  virtual HRESULT STDMETHODCALLTYPE GetBandCenter(long* value, long band) = 0;  // 49
  virtual HRESULT STDMETHODCALLTYPE GetBandGain(long* value, long band) = 0;    // 50
  virtual HRESULT STDMETHODCALLTYPE GetBandWidth(long* value, long band) = 0;   // 51
};

// Runs the effect on plain interleaved 32-bit float buffers, without a
// filter graph.
struct IAkAudioTransformFloat : public IUnknown {
  // Sets a float stream of `channels` (1 or 2) at `rate` and starts it as
  // the filter's stream start does.
  virtual HRESULT STDMETHODCALLTYPE Init(WORD channels, DWORD rate) = 0;  // 3
  // In place; keeps its state across calls. With `drain` set after a
  // buffer that left every channel quiet: S_FALSE, nothing processed.
  virtual HRESULT STDMETHODCALLTYPE Process(float* samples, DWORD frames, BOOL drain) = 0;  // 4
  // No values to report: writes 0 and gives S_FALSE.
  virtual HRESULT STDMETHODCALLTYPE QueryValue(DWORD which, DWORD* value) = 0;  // 5
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;                                 // 6
  // S_OK when the settings changed since the last snapshot (not cleared).
  virtual HRESULT STDMETHODCALLTYPE IsChanged() = 0;  // 7
  // Takes a snapshot; S_FALSE when nothing changed and reset is FALSE,
  // else redesigns (clearing the memories on reset).
  virtual HRESULT STDMETHODCALLTYPE Update(BOOL reset, DWORD, DWORD) = 0;  // 8
};
