// A host's automation recorder: what the effect reports to the UI callback a
// host sets with IMediaParamsSetUICallback, as begin/changed/end events.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/win/media_params.h"

class CaptureRecorder : public IMediaParamsUICallback {
 public:
  struct Event {
    char kind;  // 'b' begin, 'c' changed, 'e' end
    DWORD index;
  };
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMediaParamsUICallback) {
      *object = static_cast<IMediaParamsUICallback*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }
  STDMETHODIMP ParamsBeginCapture(DWORD* indices, DWORD count) override {
    for (DWORD i = 0; i < count; ++i) events.push_back({'b', indices[i]});
    return S_OK;
  }
  STDMETHODIMP ParamsChanged(DWORD* indices, DWORD count, MP_DATA*) override {
    for (DWORD i = 0; i < count; ++i) events.push_back({'c', indices[i]});
    return S_OK;
  }
  STDMETHODIMP ParamsEndCapture(DWORD* indices, DWORD count) override {
    for (DWORD i = 0; i < count; ++i) events.push_back({'e', indices[i]});
    return S_OK;
  }
  // The events as letters ("bcce"), changes of one kind run together ("bce").
  std::string Pattern() const {
    std::string s;
    for (const Event& e : events)
      if (s.empty() || e.kind != 'c' || s.back() != 'c') s += e.kind;
    return s;
  }
  bool AllFor(DWORD index) const {
    return std::all_of(events.begin(), events.end(), [&](const Event& e) { return e.index == index; });
  }
  std::vector<Event> events;

 private:
  ULONG refs_ = 1;
};
