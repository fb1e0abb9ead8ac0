#include "module/factory_table.h"

#include "effects/gdyn/win/gdyn_filter.h"
#include "effects/gdyn/win/gdyn_page.h"
#include "effects/geq/win/geq_filter.h"
#include "effects/geq/win/geq_page.h"
#include "effects/mbdyn/win/mbdyn_filter.h"
#include "effects/mbdyn/win/mbdyn_page.h"
#include "effects/noisgt/win/noisgt_filter.h"
#include "effects/noisgt/win/noisgt_page.h"
#include "effects/pgeq/win/pgeq_filter.h"
#include "effects/pgeq/win/pgeq_page.h"
#include "effects/pmeq/win/pmeq_filter.h"
#include "effects/pmeq/win/pmeq_page.h"
#include "framework/win/guids.h"

namespace {

// Every filter registers the same two pins, taking audio of any subtype. The
// merit keeps automatic graph building from ever inserting an effect.
constexpr DWORD kEffectMerit = 0x00200000;  // MERIT_UNLIKELY

const AMOVIESETUP_MEDIATYPE kAudioType = {&MEDIATYPE_Audio, &MEDIASUBTYPE_NULL};

const AMOVIESETUP_PIN kEffectPins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, L"Output", 1, &kAudioType},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, L"Input", 1, &kAudioType},
};

constexpr AMOVIESETUP_FILTER EffectSetup(const CLSID& classId, const WCHAR* name) {
  return {&classId, name, kEffectMerit, sizeof kEffectPins / sizeof kEffectPins[0], kEffectPins};
}

constexpr AMOVIESETUP_FILTER kGeqSetup = EffectSetup(CLSID_AkGeq, L"Orlo Graphic EQ");
constexpr AMOVIESETUP_FILTER kPmeqSetup = EffectSetup(CLSID_AkPmeq, L"Orlo Parametric EQ");
constexpr AMOVIESETUP_FILTER kPgeqSetup = EffectSetup(CLSID_AkPgeq, L"Orlo Paragraphic EQ");
constexpr AMOVIESETUP_FILTER kMbdynSetup =
    EffectSetup(CLSID_AkMbdyn, L"Orlo Multi-Band Dynamics");
constexpr AMOVIESETUP_FILTER kGdynSetup = EffectSetup(CLSID_AkGdyn, L"Orlo Graphic Dynamics");
constexpr AMOVIESETUP_FILTER kNoisgtSetup = EffectSetup(CLSID_AkNoisgt, L"Orlo Noise Gate");

template <class Filter, const AMOVIESETUP_FILTER& Setup>
CUnknown* CALLBACK CreateFilter(LPUNKNOWN outer, HRESULT* result) {
  return Filter::CreateInstance(outer, result, &Setup);
}

// A filter's row: registered under its set-up data's name, created with it.
template <class Filter, const AMOVIESETUP_FILTER& Setup>
constexpr CFactoryTemplate FilterRow() {
  return {Setup.strName, Setup.clsID, CreateFilter<Filter, Setup>, nullptr, &Setup};
}

template <class Page>
constexpr CFactoryTemplate PageRow(const WCHAR* name, const CLSID& classId) {
  return {name, &classId, Page::CreateInstance, nullptr, nullptr};
}

}  // namespace

// Searched from entry 0 upward; registered upward, unregistered downward.
CFactoryTemplate g_Templates[] = {
    FilterRow<CAkGeq, kGeqSetup>(),
    PageRow<CAkGeqPropPage>(L"AkGeq Property Page", CLSID_AkGeqPropPage),
    PageRow<CAkGeqPropPage2>(L"AkGeq Property Page2", CLSID_AkGeqPropPage2),
    PageRow<CAkGeqPropPage3>(L"AkGeq Property Page3", CLSID_AkGeqPropPage3),
    FilterRow<CAkPmeq, kPmeqSetup>(),
    PageRow<CAkPmeqPropPage>(L"AkPmeq Property Page", CLSID_AkPmeqPropPage),
    FilterRow<CAkPgeq, kPgeqSetup>(),
    PageRow<CAkPgeqPropPage>(L"AkPgeq Property Page", CLSID_AkPgeqPropPage),
    FilterRow<CAkMbdyn, kMbdynSetup>(),
    PageRow<CAkMbdynPropPage>(L"AkMbdyn Property Page", CLSID_AkMbdynPropPage),
    PageRow<CAkMbdynPropPage2>(L"AkMbdyn Property Page2", CLSID_AkMbdynPropPage2),
    FilterRow<CAkGdyn, kGdynSetup>(),
    PageRow<CAkGdynPropPage>(L"AkGdyn Property Page", CLSID_AkGdynPropPage),
    FilterRow<CAkNoisgt, kNoisgtSetup>(),
    PageRow<CAkNoisgtPropPage>(L"AkNoisgt Property Page", CLSID_AkNoisgtPropPage),
};
int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);
