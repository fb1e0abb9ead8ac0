#include "framework/win/baseclasses/media_type.h"

#include <cstring>

namespace {

void ZeroType(AM_MEDIA_TYPE& mt) { std::memset(&mt, 0, sizeof(mt)); }

}  // namespace

// --- free helpers --------------------------------------------------------------

void WINAPI FreeMediaType(AM_MEDIA_TYPE& mt) {
  if (mt.pbFormat != nullptr) CoTaskMemFree(mt.pbFormat);
  mt.cbFormat = 0;
  mt.pbFormat = nullptr;
  if (mt.pUnk != nullptr) {
    mt.pUnk->Release();
    mt.pUnk = nullptr;
  }
}

void WINAPI DeleteMediaType(AM_MEDIA_TYPE* pmt) {
  if (pmt == nullptr) return;
  FreeMediaType(*pmt);
  CoTaskMemFree(pmt);
}

HRESULT WINAPI CopyMediaType(AM_MEDIA_TYPE* pmtTarget, const AM_MEDIA_TYPE* pmtSource) {
  if (pmtTarget == nullptr || pmtSource == nullptr) return E_POINTER;
  *pmtTarget = *pmtSource;
  pmtTarget->cbFormat = 0;
  pmtTarget->pbFormat = nullptr;
  if (pmtSource->cbFormat != 0 && pmtSource->pbFormat != nullptr) {
    pmtTarget->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(pmtSource->cbFormat));
    if (pmtTarget->pbFormat == nullptr) {
      pmtTarget->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(pmtTarget->pbFormat, pmtSource->pbFormat, pmtSource->cbFormat);
    pmtTarget->cbFormat = pmtSource->cbFormat;
  }
  if (pmtTarget->pUnk != nullptr) pmtTarget->pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* WINAPI CreateMediaType(const AM_MEDIA_TYPE* pSrc) {
  if (pSrc == nullptr) return nullptr;
  auto* pmt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (pmt == nullptr) return nullptr;
  if (FAILED(CopyMediaType(pmt, pSrc))) {
    CoTaskMemFree(pmt);
    return nullptr;
  }
  return pmt;
}

// --- CMediaType ----------------------------------------------------------------

CMediaType::CMediaType() : AM_MEDIA_TYPE() { InitMediaType(); }

CMediaType::CMediaType(const GUID* type) : CMediaType() {
  if (type != nullptr) majortype = *type;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& type, HRESULT* phr) : AM_MEDIA_TYPE() {
  ZeroType(*this);
  const HRESULT hr = CopyMediaType(this, &type);
  if (phr != nullptr && FAILED(hr)) *phr = hr;
}

CMediaType::CMediaType(const CMediaType& type, HRESULT* phr)
    : CMediaType(static_cast<const AM_MEDIA_TYPE&>(type), phr) {}

CMediaType::~CMediaType() { FreeMediaType(*this); }

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& type) {
  Set(type);
  return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& type) {
  Set(type);
  return *this;
}

bool CMediaType::operator==(const CMediaType& other) const {
  return IsEqualGUID(majortype, other.majortype) && IsEqualGUID(subtype, other.subtype) &&
         IsEqualGUID(formattype, other.formattype) && cbFormat == other.cbFormat &&
         (cbFormat == 0 || pbFormat == other.pbFormat ||
          (pbFormat != nullptr && other.pbFormat != nullptr &&
           std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0));
}

HRESULT CMediaType::Set(const CMediaType& type) {
  return Set(static_cast<const AM_MEDIA_TYPE&>(type));
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& type) {
  if (&type == this) return S_OK;
  FreeMediaType(*this);
  const HRESULT hr = CopyMediaType(this, &type);
  return FAILED(hr) ? E_OUTOFMEMORY : S_OK;
}

BOOL CMediaType::IsValid() const { return !IsEqualGUID(majortype, GUID_NULL); }

ULONG CMediaType::GetSampleSize() const { return IsFixedSize() ? lSampleSize : 0; }

void CMediaType::SetSampleSize(ULONG size) {
  if (size == 0) {
    SetVariableSize();
  } else {
    bFixedSizeSamples = TRUE;
    lSampleSize = size;
  }
}

void CMediaType::SetVariableSize() { bFixedSizeSamples = FALSE; }

void CMediaType::SetTemporalCompression(BOOL bCompressed) { bTemporalCompression = bCompressed; }

BOOL CMediaType::SetFormat(const BYTE* pFormat, ULONG length) {
  if (length == 0) {
    ResetFormatBuffer();
    return TRUE;
  }
  if (pFormat == nullptr) return FALSE;
  BYTE* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (block == nullptr) return FALSE;
  std::memcpy(block, pFormat, length);
  CoTaskMemFree(pbFormat);
  pbFormat = block;
  cbFormat = length;
  return TRUE;
}

void CMediaType::ResetFormatBuffer() {
  CoTaskMemFree(pbFormat);
  pbFormat = nullptr;
  cbFormat = 0;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length) {
  if (length == 0) return nullptr;
  if (cbFormat == length && pbFormat != nullptr) {
    std::memset(pbFormat, 0, length);
    return pbFormat;
  }
  BYTE* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (block == nullptr) return nullptr;
  std::memset(block, 0, length);
  CoTaskMemFree(pbFormat);
  pbFormat = block;
  cbFormat = length;
  return pbFormat;
}

BYTE* CMediaType::ReallocFormatBuffer(ULONG length) {
  if (length == 0) return nullptr;
  BYTE* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (block == nullptr) return nullptr;
  std::memset(block, 0, length);
  if (pbFormat != nullptr) std::memcpy(block, pbFormat, cbFormat < length ? cbFormat : length);
  CoTaskMemFree(pbFormat);
  pbFormat = block;
  cbFormat = length;
  return pbFormat;
}

void CMediaType::InitMediaType() {
  FreeMediaType(*this);
  ZeroType(*this);
  lSampleSize = 1;
  bFixedSizeSamples = TRUE;
}

BOOL CMediaType::MatchesPartial(const CMediaType* partial) const {
  if (partial == nullptr) return TRUE;
  if (!IsEqualGUID(partial->majortype, GUID_NULL) && !IsEqualGUID(majortype, partial->majortype))
    return FALSE;
  if (!IsEqualGUID(partial->subtype, GUID_NULL) && !IsEqualGUID(subtype, partial->subtype))
    return FALSE;
  if (!IsEqualGUID(partial->formattype, GUID_NULL)) {
    if (!IsEqualGUID(formattype, partial->formattype)) return FALSE;
    // A format block in the partial type must match exactly.
    if (partial->cbFormat != 0 && partial->pbFormat != nullptr) {
      if (cbFormat != partial->cbFormat || pbFormat == nullptr) return FALSE;
      if (std::memcmp(pbFormat, partial->pbFormat, cbFormat) != 0) return FALSE;
    }
  }
  return TRUE;
}

BOOL CMediaType::IsPartiallySpecified() const {
  return IsEqualGUID(majortype, GUID_NULL) || IsEqualGUID(formattype, GUID_NULL);
}
