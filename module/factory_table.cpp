#include "module/factory_table.h"

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
constexpr UINT kEffectPinCount = sizeof(kEffectPins) / sizeof(kEffectPins[0]);

const AMOVIESETUP_FILTER kGeqSetup = {&CLSID_AkGeq, L"Orlo Graphic EQ", kEffectMerit,
                                      kEffectPinCount, kEffectPins};
const AMOVIESETUP_FILTER kPmeqSetup = {&CLSID_AkPmeq, L"Orlo Parametric EQ", kEffectMerit,
                                       kEffectPinCount, kEffectPins};
const AMOVIESETUP_FILTER kPgeqSetup = {&CLSID_AkPgeq, L"Orlo Paragraphic EQ", kEffectMerit,
                                       kEffectPinCount, kEffectPins};
const AMOVIESETUP_FILTER kMbdynSetup = {&CLSID_AkMbdyn, L"Orlo Multi-Band Dynamics", kEffectMerit,
                                        kEffectPinCount, kEffectPins};
const AMOVIESETUP_FILTER kGdynSetup = {&CLSID_AkGdyn, L"Orlo Graphic Dynamics", kEffectMerit,
                                       kEffectPinCount, kEffectPins};
const AMOVIESETUP_FILTER kNoisgtSetup = {&CLSID_AkNoisgt, L"Orlo Noise Gate", kEffectMerit,
                                         kEffectPinCount, kEffectPins};

}  // namespace

// Searched from entry 0 upward; registered upward, unregistered downward.
CFactoryTemplate g_Templates[] = {
    {L"Orlo Graphic EQ", &CLSID_AkGeq, CreateGeqFilter, nullptr, &kGeqSetup},
    {L"AkGeq Property Page", &CLSID_AkGeqPropPage, CreateGeqPropPage, nullptr, nullptr},
    {L"AkGeq Property Page2", &CLSID_AkGeqPropPage2, CreateGeqPropPage2, nullptr, nullptr},
    {L"AkGeq Property Page3", &CLSID_AkGeqPropPage3, CreateGeqPropPage3, nullptr, nullptr},
    {L"Orlo Parametric EQ", &CLSID_AkPmeq, CreatePmeqFilter, nullptr, &kPmeqSetup},
    {L"AkPmeq Property Page", &CLSID_AkPmeqPropPage, CreatePmeqPropPage, nullptr, nullptr},
    {L"Orlo Paragraphic EQ", &CLSID_AkPgeq, CreatePgeqFilter, nullptr, &kPgeqSetup},
    {L"AkPgeq Property Page", &CLSID_AkPgeqPropPage, CreatePgeqPropPage, nullptr, nullptr},
    {L"Orlo Multi-Band Dynamics", &CLSID_AkMbdyn, CreateMbdynFilter, nullptr, &kMbdynSetup},
    {L"AkMbdyn Property Page", &CLSID_AkMbdynPropPage, CreateMbdynPropPage, nullptr, nullptr},
    {L"AkMbdyn Property Page2", &CLSID_AkMbdynPropPage2, CreateMbdynPropPage2, nullptr, nullptr},
    {L"Orlo Graphic Dynamics", &CLSID_AkGdyn, CreateGdynFilter, nullptr, &kGdynSetup},
    {L"AkGdyn Property Page", &CLSID_AkGdynPropPage, CreateGdynPropPage, nullptr, nullptr},
    {L"Orlo Noise Gate", &CLSID_AkNoisgt, CreateNoisgtFilter, nullptr, &kNoisgtSetup},
    {L"AkNoisgt Property Page", &CLSID_AkNoisgtPropPage, CreateNoisgtPropPage, nullptr, nullptr},
};
int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);

const AMOVIESETUP_FILTER* SetupDataFor(REFCLSID classId) {
  for (int i = 0; i < g_cTemplates; ++i)
    if (g_Templates[i].IsClassID(classId)) return g_Templates[i].m_pAMovieSetup_Filter;
  return nullptr;
}
