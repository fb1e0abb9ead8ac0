// CMediaType: an AM_MEDIA_TYPE that owns its format block.
//
// The format block is task memory (CoTaskMemAlloc), as everywhere in the
// platform's media-type exchange, so a CMediaType can be handed to and filled
// from other components. Copies are deep; a copy whose format block cannot be
// allocated is left with no format block and reports E_OUTOFMEMORY.
#pragma once

#include <windows.h>
#include <strmif.h>

class CMediaType : public AM_MEDIA_TYPE {
 public:
  // An empty type: no major type, fixed-size samples of size 1.
  CMediaType();
  explicit CMediaType(const GUID* majortype);
  CMediaType(const AM_MEDIA_TYPE& type, HRESULT* phr = nullptr);
  CMediaType(const CMediaType& type, HRESULT* phr = nullptr);
  ~CMediaType();

  CMediaType& operator=(const AM_MEDIA_TYPE& type);
  CMediaType& operator=(const CMediaType& type);

  // Same major type, subtype, format type and format bytes.
  bool operator==(const CMediaType& other) const;
  bool operator!=(const CMediaType& other) const { return !(*this == other); }

  // Deep copy; E_OUTOFMEMORY leaves this type without a format block.
  HRESULT Set(const CMediaType& type);
  HRESULT Set(const AM_MEDIA_TYPE& type);

  BOOL IsValid() const;

  const GUID* Type() const { return &majortype; }
  void SetType(const GUID* type) { majortype = *type; }
  const GUID* Subtype() const { return &subtype; }
  void SetSubtype(const GUID* type) { subtype = *type; }
  const GUID* FormatType() const { return &formattype; }
  void SetFormatType(const GUID* type) { formattype = *type; }

  BOOL IsFixedSize() const { return bFixedSizeSamples; }
  BOOL IsTemporalCompressed() const { return bTemporalCompression; }
  ULONG GetSampleSize() const;
  void SetSampleSize(ULONG size);
  void SetVariableSize();
  void SetTemporalCompression(BOOL bCompressed);

  BYTE* Format() const { return pbFormat; }
  ULONG FormatLength() const { return cbFormat; }
  // Replaces the format block with a copy of the given bytes.
  BOOL SetFormat(const BYTE* pFormat, ULONG length);
  // Drops the format block.
  void ResetFormatBuffer();
  // A new zero-filled format block of the given size (old contents dropped);
  // null when out of memory.
  BYTE* AllocFormatBuffer(ULONG length);
  // Resizes the format block keeping its leading bytes; null when out of
  // memory (the old block is kept).
  BYTE* ReallocFormatBuffer(ULONG length);

  // Back to the state of a default-constructed type.
  void InitMediaType();

  // True when this type matches `partial`, where GUID_NULL fields of `partial`
  // match anything.
  BOOL MatchesPartial(const CMediaType* partial) const;
  // True when the major type or the format type is GUID_NULL (the subtype may
  // legitimately be GUID_NULL in a complete type).
  BOOL IsPartiallySpecified() const;
};

// Frees the format block and the pUnk of a type whose memory the caller owns.
void WINAPI FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees a type allocated with CreateMediaType (or handed out by an
// enumerator), including the structure itself. Null is ignored.
void WINAPI DeleteMediaType(AM_MEDIA_TYPE* pmt);
// A task-memory copy of *pSrc; null when out of memory.
AM_MEDIA_TYPE* WINAPI CreateMediaType(const AM_MEDIA_TYPE* pSrc);
// Deep copy into *pmtTarget (whose previous contents are not freed).
HRESULT WINAPI CopyMediaType(AM_MEDIA_TYPE* pmtTarget, const AM_MEDIA_TYPE* pmtSource);
