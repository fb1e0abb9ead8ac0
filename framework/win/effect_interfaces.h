// The COM interfaces every effect filter offers around its processor,
// whatever its DirectShow base: property pages, persistence of the settings
// record, built-in presets and the language of the user interface.
//
// A filter derives from its DirectShow base and from this class, answers
// the four interfaces in its NonDelegatingQueryInterface through
// QueryEffectInterface, and routes its GetClassID (which both IBaseFilter
// and IPersistStream declare) to ClassId. IUnknown comes from the filter's
// DECLARE_IUNKNOWN, which overrides it on every base at once.
#pragma once

#include "framework/processor.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/baseclasses/streams.h"

struct EffectDescription {
  const CLSID* classId;
  const IID* propertyInterface;
  const CLSID* pages;  // property pages returned by GetPages, in order
  int pageCount;
};

// The input types every effect takes: audio, not temporally compressed, a
// wave format block of at least 16 bytes, one or two channels, one of the
// five (tag, bits) pairs. S_OK or E_INVALIDARG.
HRESULT CheckEffectInputType(const CMediaType* type);

// The type's wave format with the derived fields recomputed; false when the
// type is not uncompressed audio with a wave format block.
bool NormalisedFormatOf(const CMediaType* type, orlofx::WaveFormat* format);

class CAkEffectInterfaces : public ISpecifyPropertyPages,
                            public IPersistStream,
                            public IStaticFilterPreset,
                            public IAkTranslationInfo {
 public:
  // ISpecifyPropertyPages
  STDMETHODIMP GetPages(CAUUID* pages) override;

  // IPersistStream
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(IStream* stream) override;
  STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;

  // IStaticFilterPreset
  STDMETHODIMP GetPresetCount(long* count) override;
  STDMETHODIMP GetPresetName(long index, WCHAR* name, long length) override;
  STDMETHODIMP ApplyPreset(long index) override;

  // IAkTranslationInfo
  STDMETHODIMP SetLanguage(LANGID language) override;

 protected:
  // `description` must outlive the filter (a constant of the effect);
  // `processor` may still be under construction: it is only bound here.
  CAkEffectInterfaces(orlofx::EffectProcessor& processor, const EffectDescription& description)
      : processor_(processor), description_(description) {}
  virtual ~CAkEffectInterfaces() = default;

  // The filter's class identifier; null pointer: E_POINTER.
  HRESULT ClassId(CLSID* classId) const;
  // S_OK with a reference added when `iid` is one of the four interfaces
  // above; E_NOINTERFACE otherwise (object untouched).
  HRESULT QueryEffectInterface(REFIID iid, void** object);

  orlofx::EffectProcessor& processor_;
  const EffectDescription& description_;
};
