// The Noise Gate's persistence when the host's stream fails part way.
#include <windows.h>
#include <objbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effects/noisgt/win/noisgt_prop.h"
#include "framework/win/ak_interfaces.h"
#include "tests/win/support/module_under_test.h"

namespace {

const CLSID kClsidNoisgt = {0xB97C0F23, 0x196D, 0x11D1, {0xB9, 0x9B, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const IID kIidNoisgtProp = {0xA6DF8F43, 0xBAF4, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

constexpr WORD kPageCommand = 32700;

// A stream over bytes that can be told to fail from a given read on.
class ScriptedStream : public IStream {
 public:
  explicit ScriptedStream(std::vector<BYTE> bytes, int failFromRead = -1)
      : bytes_(std::move(bytes)), failFromRead_(failFromRead) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IStream || iid == IID_ISequentialStream) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }

  STDMETHODIMP Read(void* buffer, ULONG size, ULONG* done) override {
    if (failFromRead_ >= 0 && reads_++ >= failFromRead_) {
      if (done) *done = 0;
      return STG_E_READFAULT;
    }
    ULONG n = static_cast<ULONG>(std::min<size_t>(size, bytes_.size() - position_));
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    if (done) *done = n;
    return n == size ? S_OK : S_FALSE;
  }
  STDMETHODIMP Write(const void* buffer, ULONG size, ULONG* done) override {
    const BYTE* p = static_cast<const BYTE*>(buffer);
    bytes_.insert(bytes_.end(), p, p + size);
    if (done) *done = size;
    return S_OK;
  }
  STDMETHODIMP Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Revert() override { return E_NOTIMPL; }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

  const std::vector<BYTE>& Bytes() const { return bytes_; }

 private:
  std::vector<BYTE> bytes_;
  size_t position_ = 0;
  int failFromRead_;
  int reads_ = 0;
  ULONG refs_ = 1;
};

std::vector<BYTE> Record(DWORD size, const GUID& tag, LONG attack, LONG release, LONG threshold) {
  std::vector<BYTE> bytes(size, 0);
  std::memcpy(bytes.data(), &size, 4);
  std::memcpy(bytes.data() + 4, &tag, 16);
  LONG fields[3] = {attack, release, threshold};
  std::memcpy(bytes.data() + 20, fields, std::min<size_t>(12, size > 20 ? size - 20 : 0));
  return bytes;
}

class NoisgtFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(module_.Loaded());
    ASSERT_EQ(module_.Create(kClsidNoisgt, kIidNoisgtProp, &prop_), S_OK);
    ASSERT_EQ(prop_->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist_)), S_OK);
  }
  void TearDown() override {
    if (persist_) persist_->Release();
    if (prop_) prop_->Release();
    CoUninitialize();
  }

  NoisgtParams Params() {
    NoisgtParams p = {};
    EXPECT_EQ(prop_->GetParams(&p), S_OK);
    return p;
  }

  ModuleUnderTest module_;
  IAkNoisgtProp* prop_ = nullptr;
  IPersistStream* persist_ = nullptr;
};

// Heads refused whole are in the six filters' contract (test_filters.cpp).
TEST_F(NoisgtFilterTest, AStreamFailingInTheFieldsChangesNothingYetAsksForARefresh) {
  NotificationWindow window;
  ASSERT_EQ(prop_->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  ScriptedStream failing(Record(32, kIidNoisgtProp, 7, 7, -7), 1);
  EXPECT_EQ(persist_->Load(&failing), STG_E_READFAULT);
  EXPECT_EQ(Params().attack, 3);
  EXPECT_EQ(window.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));
}

}  // namespace
