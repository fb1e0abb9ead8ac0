// An IStream seen as the portable core's RecordStream, so that IPersistStream
// loads and saves through the same record code as the command-line tool.
#pragma once

#include <objidl.h>

#include "framework/settings_record.h"

class ComRecordStream : public orlofx::RecordStream {
 public:
  explicit ComRecordStream(IStream* stream) : stream_(stream) {}

  orlofx::HResult Read(void* buffer, std::uint32_t size, std::uint32_t* done) override {
    ULONG got = 0;
    HRESULT hr = stream_->Read(buffer, size, &got);
    if (done) *done = got;
    return hr;
  }
  orlofx::HResult Write(const void* buffer, std::uint32_t size, std::uint32_t* done) override {
    ULONG put = 0;
    HRESULT hr = stream_->Write(buffer, size, &put);
    if (done) *done = put;
    return hr;
  }

 private:
  IStream* stream_;
};
