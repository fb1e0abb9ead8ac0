// Identifiers of platform components that the mingw-w64 headers do not
// declare. The sample grabber and null renderer identifiers are defined in
// the strmiids import library; the rest are defined here. ISampleGrabber and
// its identifier come from <qedit.h>; the TIME_FORMAT_* identifiers from
// <uuids.h> (both present in mingw-w64).
#pragma once

#include <windows.h>
#include <guiddef.h>

extern "C" {
extern const CLSID CLSID_SampleGrabber;  // {C1F400A0-3F08-11D3-9F0B-006008039E37}
extern const CLSID CLSID_NullRenderer;   // {C1F400A4-3F08-11D3-9F0B-006008039E37}
}

// The WAVE file parser.
inline constexpr CLSID CLSID_WAVEParser = {
    0xD51BD5A1, 0x7548, 0x11CF, {0xA5, 0x20, 0x00, 0x80, 0xC7, 0x7E, 0xF5, 0x8A}};
