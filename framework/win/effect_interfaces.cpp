#include "framework/win/effect_interfaces.h"

#include <cstring>
#include <string>

#include "framework/win/baseclasses/dll_entry.h"
#include "framework/win/com_record_stream.h"
#include "support/strings.h"
#include "support/win/wide_text.h"

const WAVEFORMATEX* AudioFormatOf(const CMediaType* type) {
  if (!type || type->majortype != MEDIATYPE_Audio || type->bTemporalCompression) return nullptr;
  if (type->cbFormat < 16 || !type->pbFormat) return nullptr;
  return reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
}

orlofx::WaveFormat NormalisedCopy(const WAVEFORMATEX* wf) {
  orlofx::WaveFormat f = {};
  std::memcpy(&f, wf, 16);
  return orlofx::Normalised(f);
}

HRESULT CheckEffectInputType(const CMediaType* type) {
  const WAVEFORMATEX* wf = AudioFormatOf(type);
  if (!wf || (wf->nChannels != 1 && wf->nChannels != 2)) return E_INVALIDARG;
  if (!orlofx::SampleFormatOf(wf->wFormatTag, wf->wBitsPerSample)) return E_INVALIDARG;
  return S_OK;
}

bool NormalisedFormatOf(const CMediaType* type, orlofx::WaveFormat* format) {
  const WAVEFORMATEX* wf = AudioFormatOf(type);
  if (!wf) return false;
  *format = NormalisedCopy(wf);
  return true;
}

HRESULT CAkEffectInterfaces::ClassId(CLSID* classId) const {
  if (!classId) return E_POINTER;
  *classId = *description_.classId;
  return S_OK;
}

HRESULT CAkEffectInterfaces::QueryEffectInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  IUnknown* found = nullptr;
  if (iid == IID_ISpecifyPropertyPages)
    found = static_cast<ISpecifyPropertyPages*>(this);
  else if (iid == IID_IPersistStream)
    found = static_cast<IPersistStream*>(this);
  else if (iid == IID_IStaticFilterPreset)
    found = static_cast<IStaticFilterPreset*>(this);
  else if (iid == IID_IAkTranslationInfo)
    found = static_cast<IAkTranslationInfo*>(this);
  if (!found) return E_NOINTERFACE;
  found->AddRef();
  *object = found;
  return S_OK;
}

// --- ISpecifyPropertyPages --------------------------------------------------------

STDMETHODIMP CAkEffectInterfaces::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * description_.pageCount));
  if (!pages->pElems) return E_OUTOFMEMORY;
  pages->cElems = static_cast<ULONG>(description_.pageCount);
  for (int i = 0; i < description_.pageCount; ++i) pages->pElems[i] = description_.pages[i];
  return S_OK;
}

// --- IPersistStream -------------------------------------------------------------

STDMETHODIMP CAkEffectInterfaces::IsDirty() { return processor_.IsDirty() ? S_OK : S_FALSE; }

STDMETHODIMP CAkEffectInterfaces::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  ComRecordStream records(stream);
  return processor_.LoadRecord(records);
}

STDMETHODIMP CAkEffectInterfaces::Save(IStream* stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  ComRecordStream records(stream);
  return processor_.SaveRecord(records, clearDirty != FALSE);
}

STDMETHODIMP CAkEffectInterfaces::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = processor_.Record().size;
  return S_OK;
}

// --- IStaticFilterPreset --------------------------------------------------------

STDMETHODIMP CAkEffectInterfaces::GetPresetCount(long* count) {
  if (!count) return E_POINTER;
  *count = processor_.PresetCount();
  return S_OK;
}

STDMETHODIMP CAkEffectInterfaces::GetPresetName(long index, WCHAR* name, long length) {
  if (index < 0 || index >= processor_.PresetCount()) return E_INVALIDARG;
  if (!name) return E_POINTER;
  if (length <= 0) return E_INVALIDARG;
  std::wstring text = orlofx::LoadWideString(processor_.PresetNameId(static_cast<int>(index)));
  size_t n = text.size() < static_cast<size_t>(length - 1) ? text.size() : static_cast<size_t>(length - 1);
  std::memcpy(name, text.data(), n * sizeof(WCHAR));
  name[n] = L'\0';
  return S_OK;
}

STDMETHODIMP CAkEffectInterfaces::ApplyPreset(long index) {
  return processor_.ApplyPreset(static_cast<int>(index));
}

// --- IAkTranslationInfo ---------------------------------------------------------

STDMETHODIMP CAkEffectInterfaces::SetLanguage(LANGID language) {
  // Dialogs and menus come from this module's resources; without them there
  // is nothing the language could select.
  if (!g_hInst) return E_FAIL;
  // Strings are looked up in constant tables on every call and never cached,
  // so switching the language is all it takes for every later string, dialog
  // and menu lookup (pages created from now on) to use the new one.
  const HRESULT hr = orlofx::SetLanguage(language);
  if (FAILED(hr)) return hr;
  if (orlofx::IsRightToLeftLanguage(language)) SetProcessDefaultLayout(LAYOUT_RTL);
  return S_OK;
}
