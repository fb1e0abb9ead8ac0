// The COM interfaces every effect filter offers around its processor,
// whatever its DirectShow base: property pages, persistence of the settings
// record, built-in presets and the language of the user interface.
//
// CAkEffectFrame joins them to a DirectShow filter base: the frames
// (CAkEffectFilter, CAkInPlaceEffectFilter) derive from it.
#pragma once

#include <cstring>

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

// The wave format of an audio type that is not temporally compressed and
// whose format block is large enough to hold one; null otherwise.
const WAVEFORMATEX* AudioFormatOf(const CMediaType* type);

// The 16 bytes every wave format has, with the derived fields recomputed.
orlofx::WaveFormat NormalisedCopy(const WAVEFORMATEX* wf);

// Two normalised formats: equal bytes, equal format.
inline bool SameFormat(const orlofx::WaveFormat& a, const orlofx::WaveFormat& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

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

  // Whether the filter was built completely; a failed one is not handed out.
  virtual HRESULT ConstructionResult() const { return S_OK; }

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

// A DirectShow filter base with the interfaces above: it answers them in
// NonDelegatingQueryInterface, routes GetClassID (which both IBaseFilter and
// IPersistStream declare) to the effect's class, gives the factory's set-up
// data, and IUnknown through DECLARE_IUNKNOWN, which overrides it on every
// base at once.
template <class FilterBase>
class CAkEffectFrame : public FilterBase, public CAkEffectInterfaces {
 public:
  using FilterBase::GetOwner;
  DECLARE_IUNKNOWN

  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override {
    const HRESULT hr = QueryEffectInterface(iid, object);
    return hr != E_NOINTERFACE ? hr : FilterBase::NonDelegatingQueryInterface(iid, object);
  }
  STDMETHODIMP GetClassID(CLSID* classId) override { return ClassId(classId); }
  LPAMOVIESETUP_FILTER GetSetupData() override { return const_cast<LPAMOVIESETUP_FILTER>(setup_); }

 protected:
  // `setup` is the factory's entry for the class (null outside the module);
  // `base` are the DirectShow base's arguments after name, owner and class.
  template <class... BaseArguments>
  CAkEffectFrame(LPUNKNOWN outer, orlofx::EffectProcessor& processor,
                 const EffectDescription& description, const AMOVIESETUP_FILTER* setup,
                 BaseArguments... base)
      : FilterBase(nullptr, outer, *description.classId, base...),
        CAkEffectInterfaces(processor, description),
        setup_(setup) {}

  // Applies preset 0 (the "(Default)" settings); the processor posts code
  // 100. Call once the processor is fully built.
  void FinishConstruction() { processor_.ApplyPreset(0); }

 private:
  const AMOVIESETUP_FILTER* setup_;
};
