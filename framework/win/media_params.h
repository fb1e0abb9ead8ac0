// The media-parameter interfaces through which a host automates the dynamics
// effects, declared here with the platform's identifiers and slot order.
//
// mingw-w64's <medparam.h> cannot be used: it lists IMediaParams' methods in
// another order than the one hosts are compiled against (GetParam, SetParam,
// AddEnvelope, FlushEnvelope, SetTimeFormat), and it lacks the UI-callback
// interfaces and GUID_TIME_REFERENCE. This header takes its place and keeps
// it out of any translation unit that includes this one first.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <strmif.h>  // REFERENCE_TIME

#ifdef __medparam_h__
#error "<medparam.h> declares IMediaParams in the wrong slot order; include framework/win/media_params.h instead"
#endif
#define __medparam_h__
#define __IMediaParams_FWD_DEFINED__
#define __IMediaParamInfo_FWD_DEFINED__
#define __IMediaParams_INTERFACE_DEFINED__
#define __IMediaParamInfo_INTERFACE_DEFINED__

typedef DWORD MP_TIMEDATA;
typedef DWORD MP_CAPS;
typedef DWORD MP_FLAGS;
typedef float MP_DATA;

typedef enum _MP_Type { MPT_INT = 0, MPT_FLOAT = 1, MPT_BOOL = 2, MPT_ENUM = 3, MPT_MAX = 4 } MP_TYPE;

typedef enum _MP_CURVE_TYPE {
  MP_CURVE_JUMP = 0x1,
  MP_CURVE_LINEAR = 0x2,
  MP_CURVE_SQUARE = 0x4,
  MP_CURVE_INVSQUARE = 0x8,
  MP_CURVE_SINE = 0x10
} MP_CURVE_TYPE;

#define MP_CAPS_CURVE_JUMP MP_CURVE_JUMP
#define MP_CAPS_CURVE_LINEAR MP_CURVE_LINEAR
#define MP_CAPS_CURVE_SQUARE MP_CURVE_SQUARE
#define MP_CAPS_CURVE_INVSQUARE MP_CURVE_INVSQUARE
#define MP_CAPS_CURVE_SINE MP_CURVE_SINE

#define MPF_ENVLP_STANDARD 0x0
#define MPF_ENVLP_BEGIN_CURRENTVAL 0x1
#define MPF_ENVLP_BEGIN_NEUTRALVAL 0x2
#define MPF_PUNCHIN_REFTIME 0
#define MPF_PUNCHIN_NOW 0x1
#define MPF_PUNCHIN_STOPPED 0x2

typedef struct _MP_PARAMINFO {
  MP_TYPE mpType;
  MP_CAPS mopCaps;
  MP_DATA mpdMinValue;
  MP_DATA mpdMaxValue;
  MP_DATA mpdNeutralValue;
  WCHAR szUnitText[32];
  WCHAR szLabel[32];
} MP_PARAMINFO;

typedef struct _MP_ENVELOPE_SEGMENT {
  REFERENCE_TIME rtStart;
  REFERENCE_TIME rtEnd;
  MP_DATA valStart;
  MP_DATA valEnd;
  MP_CURVE_TYPE iCurve;
  MP_FLAGS flags;
} MP_ENVELOPE_SEGMENT;

static_assert(sizeof(MP_PARAMINFO) == 148, "MP_PARAMINFO is 148 bytes");
static_assert(sizeof(MP_ENVELOPE_SEGMENT) == 32, "MP_ENVELOPE_SEGMENT is 32 bytes");

// {6D6CBB60-A223-44AA-842F-A2F06750BE6D}
inline constexpr IID IID_IMediaParamInfo = {
    0x6D6CBB60, 0xA223, 0x44AA, {0x84, 0x2F, 0xA2, 0xF0, 0x67, 0x50, 0xBE, 0x6D}};
// {6D6CBB61-A223-44AA-842F-A2F06750BE6E}
inline constexpr IID IID_IMediaParams = {
    0x6D6CBB61, 0xA223, 0x44AA, {0x84, 0x2F, 0xA2, 0xF0, 0x67, 0x50, 0xBE, 0x6E}};
// {B8E0480A-E08D-4A5D-9228-248017032368}
inline constexpr IID IID_IMediaParamsUICallback = {
    0xB8E0480A, 0xE08D, 0x4A5D, {0x92, 0x28, 0x24, 0x80, 0x17, 0x03, 0x23, 0x68}};
// {F5011136-C416-48B9-8C35-E7C5F9AA6FDF}
inline constexpr IID IID_IMediaParamsSetUICallback = {
    0xF5011136, 0xC416, 0x48B9, {0x8C, 0x35, 0xE7, 0xC5, 0xF9, 0xAA, 0x6F, 0xDF}};
// Envelope times in 100-ns reference time: {93AD712B-DAA0-4FFE-BC81-B0CE500FCDD9}
inline constexpr GUID GUID_TIME_REFERENCE = {
    0x93AD712B, 0xDAA0, 0x4FFE, {0xBC, 0x81, 0xB0, 0xCE, 0x50, 0x0F, 0xCD, 0xD9}};

// Slots 3 to 8.
struct IMediaParamInfo : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetParamCount(DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetParamInfo(DWORD index, MP_PARAMINFO* info) = 0;
  // Label, unit, then the enumeration names, each NUL-terminated, then one
  // more NUL; memory from CoTaskMemAlloc, freed by the caller.
  virtual HRESULT STDMETHODCALLTYPE GetParamText(DWORD index, WCHAR** text) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNumTimeFormats(DWORD* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSupportedTimeFormat(DWORD index, GUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentTimeFormat(GUID* format, MP_TIMEDATA* data) = 0;
};

// Slots 3 to 7, in the platform's order.
struct IMediaParams : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetParam(DWORD index, MP_DATA* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParam(DWORD index, MP_DATA value) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddEnvelope(DWORD index, DWORD count,
                                                MP_ENVELOPE_SEGMENT* segments) = 0;
  virtual HRESULT STDMETHODCALLTYPE FlushEnvelope(DWORD index, REFERENCE_TIME start,
                                                  REFERENCE_TIME end) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTimeFormat(GUID format, MP_TIMEDATA data) = 0;
};

// Implemented by the host: told when the user begins, changes and ends an
// edit of parameters (one value per index in ParamsChanged).
struct IMediaParamsUICallback : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ParamsBeginCapture(DWORD* indices, DWORD count) = 0;
  virtual HRESULT STDMETHODCALLTYPE ParamsChanged(DWORD* indices, DWORD count, MP_DATA* values) = 0;
  virtual HRESULT STDMETHODCALLTYPE ParamsEndCapture(DWORD* indices, DWORD count) = 0;
};

// Slot 3: hands the effect the host's callback (null to drop it).
struct IMediaParamsSetUICallback : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetUICallback(IMediaParamsUICallback* callback) = 0;
};
