// The COM interfaces every effect filter offers besides the platform's own:
// built-in presets and the choice of user-interface language.
#pragma once

#include <windows.h>
#include <unknwn.h>

// {36A22460-0CC9-11D0-8574-00A0C9053912}
inline constexpr IID IID_IStaticFilterPreset = {
    0x36A22460, 0x0CC9, 0x11D0, {0x85, 0x74, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
// {9E43494C-2217-425F-B36A-762C9D4EE58A}
inline constexpr IID IID_IAkTranslationInfo = {
    0x9E43494C, 0x2217, 0x425F, {0xB3, 0x6A, 0x76, 0x2C, 0x9D, 0x4E, 0xE5, 0x8A}};

// Named settings shipped with an effect.
struct IStaticFilterPreset : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetPresetCount(long* count) = 0;
  // Copies the name into `name`, which holds `length` characters including
  // the terminator.
  virtual HRESULT STDMETHODCALLTYPE GetPresetName(long index, WCHAR* name, long length) = 0;
  virtual HRESULT STDMETHODCALLTYPE ApplyPreset(long index) = 0;
};

// Lets the host choose the language of the module's texts.
struct IAkTranslationInfo : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetLanguage(LANGID language) = 0;
};
