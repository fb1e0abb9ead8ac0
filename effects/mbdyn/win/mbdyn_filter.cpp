#include "effects/mbdyn/win/mbdyn_filter.h"

#include "framework/win/guids.h"

namespace {

const CLSID kMbdynPages[] = {CLSID_AkMbdynPropPage, CLSID_AkMbdynPropPage2};

static_assert(sizeof(orlofx::MbdynParams) == 212, "the record body is 212 bytes");

void ToSnapshot(const orlofx::MbdynMeterSnapshot& from, mbdyn::MeterSnapshot* to) {
  to->time = from.time;
  for (int b = 0; b < orlofx::kMbdynBands; ++b) to->values[b] = from.values[b];
}

}  // namespace

const EffectDescription CAkMbdyn::kDescription = {&CLSID_AkMbdyn, &IID_IAkPlugInProp2,
                                                  kMbdynPages, 2};

STDMETHODIMP CAkMbdyn::GetMeterAt(LONGLONG time, mbdyn::MeterSnapshot* snapshot) {
  if (!snapshot) return E_POINTER;
  orlofx::MbdynMeterSnapshot s;
  const HRESULT hr = transform_.GetMeterAt(time, &s);
  ToSnapshot(s, snapshot);
  return hr;
}

STDMETHODIMP CAkMbdyn::GetMeterHistory(long age, mbdyn::MeterSnapshot* snapshot) {
  if (!snapshot) return E_POINTER;
  orlofx::MbdynMeterSnapshot s = {};
  const HRESULT hr = transform_.GetMeterHistory(age, &s);
  if (hr == S_OK) ToSnapshot(s, snapshot);
  return hr;
}
