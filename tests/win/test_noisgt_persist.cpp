// The Noise Gate filter as a host sees it through COM: its property
// interface, persistence, presets, language and change notifications.
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
const CLSID kClsidNoisgtPage = {0xA6DF8F41, 0xBAF4, 0x11D0, {0xAE, 0xBC, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};
const GUID kOlderTag = {0xB97C0F26, 0x196D, 0x11D1, {0xB9, 0x9B, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

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
    ASSERT_EQ(prop_->QueryInterface(IID_IStaticFilterPreset, reinterpret_cast<void**>(&presets_)), S_OK);
  }
  void TearDown() override {
    if (presets_) presets_->Release();
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
  IStaticFilterPreset* presets_ = nullptr;
};

TEST_F(NoisgtFilterTest, ANewFilterHasTheDefaultPresetAndIsDirty) {
  NoisgtParams p = Params();
  EXPECT_EQ(p.attack, 3);
  EXPECT_EQ(p.release, 100);
  EXPECT_EQ(p.threshold, -200);
  EXPECT_EQ(persist_->IsDirty(), S_OK);
  CLSID id = {};
  EXPECT_EQ(persist_->GetClassID(&id), S_OK);
  EXPECT_TRUE(IsEqualCLSID(id, kClsidNoisgt));
  ULARGE_INTEGER size = {};
  EXPECT_EQ(persist_->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, 32u);
}

TEST_F(NoisgtFilterTest, InterfacesAnswerInTheirOrderAndOthersGoToTheBase) {
  for (const IID* iid : {&IID_ISpecifyPropertyPages, &IID_IAkTranslationInfo, &IID_IBaseFilter,
                         &IID_IMediaFilter, &IID_IPersist, &IID_IAMovieSetup, &IID_IUnknown}) {
    IUnknown* unknown = nullptr;
    EXPECT_EQ(prop_->QueryInterface(*iid, reinterpret_cast<void**>(&unknown)), S_OK);
    if (unknown) unknown->Release();
  }
  IUnknown* none = nullptr;
  EXPECT_EQ(prop_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&none)), E_NOINTERFACE);

  ISpecifyPropertyPages* pages = nullptr;
  ASSERT_EQ(prop_->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages)), S_OK);
  CAUUID ids = {};
  ASSERT_EQ(pages->GetPages(&ids), S_OK);
  ASSERT_EQ(ids.cElems, 1u);
  EXPECT_TRUE(IsEqualCLSID(ids.pElems[0], kClsidNoisgtPage));
  CoTaskMemFree(ids.pElems);
  pages->Release();
}

TEST_F(NoisgtFilterTest, SettersClampAndOnlyRealChangesMakeDirty) {
  IStream* sink = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &sink), S_OK);
  ASSERT_EQ(persist_->Save(sink, TRUE), S_OK);
  sink->Release();
  EXPECT_EQ(persist_->IsDirty(), S_FALSE);

  EXPECT_EQ(prop_->SetAttack(3), S_OK);  // already stored
  EXPECT_EQ(persist_->IsDirty(), S_FALSE);

  EXPECT_EQ(prop_->SetAttack(0), S_OK);
  EXPECT_EQ(prop_->SetRelease(10000), S_OK);
  EXPECT_EQ(prop_->SetThreshold(-1000), S_OK);
  long attack = 0, release = 0, threshold = 0;
  prop_->GetAttack(&attack);
  prop_->GetRelease(&release);
  prop_->GetThreshold(&threshold);
  EXPECT_EQ(attack, 1);
  EXPECT_EQ(release, 5000);
  EXPECT_EQ(threshold, -800);
  EXPECT_EQ(persist_->IsDirty(), S_OK);
  EXPECT_EQ(prop_->GetAttack(nullptr), E_POINTER);
}

TEST_F(NoisgtFilterTest, SaveWritesTheRecordAndTheClearDirtyFlagDecides) {
  ScriptedStream stream({});
  ASSERT_EQ(persist_->Save(&stream, TRUE), S_OK);
  EXPECT_EQ(stream.Bytes(), Record(32, kIidNoisgtProp, 3, 100, -200));
  EXPECT_EQ(persist_->IsDirty(), S_FALSE);

  // Saving without clearing marks the settings dirty, even when they were clean.
  ScriptedStream again({});
  ASSERT_EQ(persist_->Save(&again, FALSE), S_OK);
  EXPECT_EQ(persist_->IsDirty(), S_OK);
}

TEST_F(NoisgtFilterTest, ASavedRecordRestoresEverySettingInAFreshFilter) {
  prop_->SetAttack(250);
  prop_->SetRelease(1234);
  prop_->SetThreshold(-432);
  ScriptedStream stream({});
  ASSERT_EQ(persist_->Save(&stream, TRUE), S_OK);

  IAkNoisgtProp* other = nullptr;
  ASSERT_EQ(module_.Create(kClsidNoisgt, kIidNoisgtProp, &other), S_OK);
  IPersistStream* otherPersist = nullptr;
  other->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&otherPersist));
  NotificationWindow window;
  ASSERT_EQ(other->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);

  ScriptedStream load(stream.Bytes());
  EXPECT_EQ(otherPersist->Load(&load), S_OK);
  NoisgtParams p = {};
  other->GetParams(&p);
  EXPECT_EQ(p.attack, 250);
  EXPECT_EQ(p.release, 1234);
  EXPECT_EQ(p.threshold, -432);
  EXPECT_EQ(window.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));
  otherPersist->Release();
  other->Release();
}

TEST_F(NoisgtFilterTest, BadRecordsAreRefusedAndChangeNothing) {
  NotificationWindow window;
  ASSERT_EQ(prop_->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  window.Take();

  std::vector<BYTE> tooLong = Record(33, kIidNoisgtProp, 7, 7, -7);
  ScriptedStream s1(tooLong);
  EXPECT_EQ(persist_->Load(&s1), E_FAIL);
  ScriptedStream s2(Record(28, kIidNoisgtProp, 7, 7, -7));
  EXPECT_EQ(persist_->Load(&s2), E_FAIL);
  ScriptedStream s3(Record(32, kClsidNoisgt, 7, 7, -7));  // a tag the effect does not write
  EXPECT_EQ(persist_->Load(&s3), E_FAIL);
  EXPECT_EQ(Params().attack, 3);
  EXPECT_TRUE(window.Take().empty()) << "a refused head notifies nothing";

  // A stream that fails while the fields are read: nothing changes, yet the
  // page is told to refresh, and the read error comes back.
  ScriptedStream failing(Record(32, kIidNoisgtProp, 7, 7, -7), 1);
  EXPECT_EQ(persist_->Load(&failing), STG_E_READFAULT);
  EXPECT_EQ(Params().attack, 3);
  EXPECT_EQ(window.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));
}

TEST_F(NoisgtFilterTest, TheOlderTagIsAcceptedAndValuesAreClamped) {
  ScriptedStream s(Record(32, kOlderTag, 0, 99999, 50));
  EXPECT_EQ(persist_->Load(&s), S_OK);
  NoisgtParams p = Params();
  EXPECT_EQ(p.attack, 1);
  EXPECT_EQ(p.release, 5000);
  EXPECT_EQ(p.threshold, 0);
}

TEST_F(NoisgtFilterTest, PresetsHaveNamesRowsAndNotify) {
  long count = 0;
  ASSERT_EQ(presets_->GetPresetCount(&count), S_OK);
  ASSERT_EQ(count, 7);
  WCHAR name[260];
  ASSERT_EQ(presets_->GetPresetName(0, name, 260), S_OK);
  EXPECT_STREQ(name, L"(Default)");
  ASSERT_EQ(presets_->GetPresetName(6, name, 260), S_OK);
  EXPECT_STREQ(name, L"Slow attack");
  EXPECT_EQ(presets_->GetPresetName(7, name, 260), E_INVALIDARG);
  EXPECT_EQ(presets_->GetPresetName(-1, name, 260), E_INVALIDARG);
  // A short buffer gets as much as fits, terminated.
  ASSERT_EQ(presets_->GetPresetName(2, name, 7), S_OK);
  EXPECT_STREQ(name, L"Strong");

  NotificationWindow window;
  ASSERT_EQ(prop_->SetNotifyWindow(window.Handle(), kPageCommand), S_OK);
  window.Take();
  EXPECT_EQ(presets_->ApplyPreset(4), S_OK);
  NoisgtParams p = Params();
  EXPECT_EQ(p.attack, 10);
  EXPECT_EQ(p.release, 500);
  EXPECT_EQ(p.threshold, -600);
  EXPECT_EQ(window.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));
  EXPECT_EQ(presets_->ApplyPreset(7), E_INVALIDARG);
  EXPECT_TRUE(window.Take().empty());
}

TEST_F(NoisgtFilterTest, NotificationsSkipWindowsThatHaveGone) {
  auto* gone = new NotificationWindow;
  NotificationWindow alive;
  ASSERT_EQ(prop_->SetNotifyWindow(gone->Handle(), kPageCommand), S_OK);
  ASSERT_EQ(prop_->SetNotifyWindow(alive.Handle(), kPageCommand), S_OK);
  // Both registrations are taken: a third window finds none free.
  NotificationWindow third;
  EXPECT_EQ(prop_->SetNotifyWindow(third.Handle(), kPageCommand), E_OUTOFMEMORY);
  EXPECT_EQ(prop_->SetNotifyWindow(third.Handle(), 0), S_OK);
  delete gone;
  EXPECT_EQ(presets_->ApplyPreset(2), S_OK);
  EXPECT_EQ(alive.Take(), std::basic_string<DWORD>(1, MAKELONG(kPageCommand, 100)));
  // The dead registration was dropped, so the third window now finds room.
  EXPECT_EQ(prop_->SetNotifyWindow(third.Handle(), kPageCommand), S_OK);
}

TEST_F(NoisgtFilterTest, SetLanguageZeroMeansUsEnglish) {
  IAkTranslationInfo* translation = nullptr;
  ASSERT_EQ(prop_->QueryInterface(IID_IAkTranslationInfo, reinterpret_cast<void**>(&translation)), S_OK);
  EXPECT_EQ(translation->SetLanguage(0), S_OK);
  WCHAR name[260];
  ASSERT_EQ(presets_->GetPresetName(1, name, 260), S_OK);
  EXPECT_STREQ(name, L"Default all parameters");
  translation->Release();
}

TEST_F(NoisgtFilterTest, GetFormatBeforeConnectionIsNotConnected) {
  WAVEFORMATEX wf = {};
  EXPECT_EQ(prop_->GetFormat(&wf, 0), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(prop_->GetFormat(&wf, 1), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(prop_->GetFormat(&wf, 2), VFW_E_NOT_CONNECTED);
}

}  // namespace
