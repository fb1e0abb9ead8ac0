// Loads orlofx.dll the way a host does and checks what the module offers
// before any effect exists, over one table of its fifteen classes: the class
// factories, the object accounting that decides unloading, and registration
// in the (private, test-only) registry and with the platform's filter mapper.
#include <windows.h>
#include <objbase.h>
#include <strmif.h>
#include <uuids.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using orlofx::test::ComRef;

// The creatable classes as a host knows them, in table order.
struct KnownClass {
  const wchar_t* clsid;  // registry form
  const wchar_t* name;
  bool filter;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }  // ASCII here
void PrintTo(const KnownClass& c, std::ostream* os) { *os << Narrow(c.name); }

const KnownClass kClasses[] = {
    {L"{8B7226EE-4584-11D1-B4CB-00A0C9270A10}", L"Orlo Graphic EQ", true},
    {L"{8B7227EE-4584-11D1-B4CB-00A0C9270A10}", L"AkGeq Property Page", false},
    {L"{8B7228EE-4584-11D1-B4CB-00A0C9270A10}", L"AkGeq Property Page2", false},
    {L"{8B7229EE-4584-11D1-B4CB-00A0C9270A10}", L"AkGeq Property Page3", false},
    {L"{A8448720-96FD-11D0-AEBC-00A0C9053912}", L"Orlo Parametric EQ", true},
    {L"{A8448721-96FD-11D0-AEBC-00A0C9053912}", L"AkPmeq Property Page", false},
    {L"{D616F3E0-D622-11CE-AAC5-0020AF0B99A3}", L"Orlo Paragraphic EQ", true},
    {L"{D616F3E1-D622-11CE-AAC5-0020AF0B99A3}", L"AkPgeq Property Page", false},
    {L"{026D0AA0-9BB9-11D0-AEBC-00A0C9053912}", L"Orlo Multi-Band Dynamics", true},
    {L"{026D0AA1-9BB9-11D0-AEBC-00A0C9053912}", L"AkMbdyn Property Page", false},
    {L"{026D0AA2-9BB9-11D0-AEBC-00A0C9053912}", L"AkMbdyn Property Page2", false},
    {L"{F3B8E880-B4E0-11D0-AEBC-00A0C9053912}", L"Orlo Graphic Dynamics", true},
    {L"{F3B8E881-B4E0-11D0-AEBC-00A0C9053912}", L"AkGdyn Property Page", false},
    {L"{B97C0F23-196D-11D1-B99B-00A0C9053912}", L"Orlo Noise Gate", true},
    {L"{A6DF8F41-BAF4-11D0-AEBC-00A0C9053912}", L"AkNoisgt Property Page", false},
};
const KnownClass& kNoiseGatePage = kClasses[14];
constexpr const wchar_t* kScratch = L"{7831F5CD-1B4A-4c28-B24D-D93FA7C0305A}";  // unregistration's write probe
constexpr DWORD kMeritUnlikely = 0x00200000;

GUID ToGuid(const wchar_t* text) {
  GUID guid = {};
  EXPECT_EQ(CLSIDFromString(text, &guid), S_OK) << "bad identifier in the test";
  return guid;
}

bool KeyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

std::wstring ReadString(const std::wstring& key, const wchar_t* value) {
  wchar_t buffer[1024] = {};
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &bytes);
  return buffer;
}

// A stand-in for an aggregating object; counts the references it is given.
struct Outer : IUnknown {
  STDMETHODIMP QueryInterface(REFIID, void** object) override { return *object = nullptr, E_NOINTERFACE; }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  ULONG references = 1;
};

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()) << "LoadLibrary: " << GetLastError(); }
  ComRef<IClassFactory> Factory(const wchar_t* clsid) {
    ComRef<IClassFactory> factory;
    EXPECT_EQ(module_.GetClassObject(ToGuid(clsid), IID_IClassFactory, factory.put_void()), S_OK);
    return factory;
  }
  ModuleUnderTest module_;
};

class EveryClass : public ModuleTest, public ::testing::WithParamInterface<KnownClass> {};

TEST_P(EveryClass, HasAFactoryThatCreatesItAloneAndKeepsTheModuleWhileItLives) {
  const KnownClass& c = GetParam();
  ComRef<IUnknown> unknown;
  EXPECT_EQ(module_.GetClassObject(ToGuid(c.clsid), IID_IUnknown, unknown.put_void()), S_OK);
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(module_.GetClassObject(ToGuid(c.clsid), IID_IPersist, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  ComRef<IClassFactory> factory = Factory(c.clsid);
  ASSERT_TRUE(factory);
  const IID& iid = c.filter ? IID_IBaseFilter : IID_IPropertyPage;
  // Aggregated, only IUnknown can be asked for: nothing is created.
  Outer outer;
  EXPECT_EQ(factory->CreateInstance(&outer, iid, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(outer.references, 1u);
  EXPECT_EQ(factory->CreateInstance(nullptr, iid, nullptr), E_POINTER);
  ComRef<IUnknown> object;
  ASSERT_EQ(factory->CreateInstance(nullptr, iid, object.put_void()), S_OK);
  factory.reset();
  unknown.reset();
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE) << "an object is alive";
  object.reset();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(FifteenClasses, EveryClass, ::testing::ValuesIn(kClasses),
                         [](const ::testing::TestParamInfo<KnownClass>& p) { return std::to_string(p.index); });

TEST_F(ModuleTest, UnknownClassesAndForeignInterfacesAreRefused) {
  for (const GUID& unknown : {ToGuid(kScratch), GUID_NULL}) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(module_.GetClassObject(unknown, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
  }
  ComRef<IClassFactory> factory = Factory(kNoiseGatePage.clsid);
  ASSERT_TRUE(factory);
  EXPECT_EQ(orlofx::test::QueryAs<IClassFactory>(factory.get(), IID_IClassFactory).get(), factory.get());
  EXPECT_TRUE(orlofx::test::QueryAs<IUnknown>(factory.get(), IID_IUnknown));
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->QueryInterface(IID_IPersist, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE) << "a live class factory keeps the module";
  factory.reset();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

TEST_F(ModuleTest, LocksAndPinsKeepTheModule) {
  for (BOOL lock : {TRUE, TRUE, FALSE}) ASSERT_EQ(Factory(kNoiseGatePage.clsid)->LockServer(lock), S_OK);
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE) << "one lock is still held";
  ASSERT_EQ(Factory(kNoiseGatePage.clsid)->LockServer(FALSE), S_OK);
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
  // A pin handed out keeps the module after its filter is let go.
  ComRef<IBaseFilter> filter;
  ASSERT_EQ(module_.Create(ToGuid(kClasses[13].clsid), IID_IBaseFilter, filter.put()), S_OK);
  ComRef<IPin> pin = orlofx::test::FindPinByDirection(filter.get(), PINDIR_INPUT);
  ASSERT_TRUE(pin);
  filter.reset();
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE) << "with a pin alive";
  pin.reset();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

// --- registration ----------------------------------------------------------------------------

std::wstring ClassKey(const wchar_t* clsid) { return std::wstring(L"CLSID\\") + clsid; }

// Each registration test starts from a registry without our classes and
// leaves it that way, whatever the order the tests run in.
class Registration : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    RemoveRegistration();
  }
  void TearDown() override {
    RemoveRegistration();
    for (const KnownClass& c : kClasses) EXPECT_FALSE(KeyExists(ClassKey(c.clsid))) << "left behind";
    CoFreeUnusedLibraries();  // COM's references on the module from creating through the registry
    CoUninitialize();
  }
  // Unregistering refuses to start unless every class is registered, so a
  // registry left half-done is completed first.
  void RemoveRegistration() {
    if (SUCCEEDED(module_.Unregister())) return;
    module_.Register();
    module_.Unregister();
  }
  // "friendly name {class}" of each filter the mapper offers for audio in
  // and out at `merit` or above.
  std::vector<std::wstring> MapperFinds(DWORD merit) {
    std::vector<std::wstring> found;
    ComRef<IFilterMapper2> mapper;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                               mapper.put_void()),
              S_OK);
    const GUID audioAny[2] = {MEDIATYPE_Audio, GUID_NULL};
    ComRef<IEnumMoniker> monikers;
    if (!mapper || FAILED(mapper->EnumMatchingFilters(monikers.put(), 0, TRUE, merit, TRUE, 1, audioAny, nullptr,
                                                      nullptr, FALSE, TRUE, 1, audioAny, nullptr, nullptr)))
      return found;
    for (ComRef<IMoniker> moniker; monikers->Next(1, moniker.put(), nullptr) == S_OK;) {
      ComRef<IPropertyBag> bag;
      VARIANT name, clsid;
      VariantInit(&name);
      VariantInit(&clsid);
      if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void())) &&
          SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && SUCCEEDED(bag->Read(L"CLSID", &clsid, nullptr)))
        found.push_back(std::wstring(name.bstrVal) + L" " + clsid.bstrVal);
      VariantClear(&name);
      VariantClear(&clsid);
    }
    return found;
  }
  static bool Listed(const std::vector<std::wstring>& found, const KnownClass& c) {
    return std::find(found.begin(), found.end(), std::wstring(c.name) + L" " + c.clsid) != found.end();
  }
};

TEST_F(Registration, WritesEveryClassAndTheFiltersForAudioAtUnlikelyMeritAndUnregisteringRemovesThem) {
  ASSERT_EQ(module_.Register(), S_OK);
  ASSERT_EQ(module_.Register(), S_OK) << "registering over a registration";
  const std::wstring path = module_.Path();
  const std::vector<std::wstring> found = MapperFinds(kMeritUnlikely), above = MapperFinds(kMeritUnlikely + 1);
  for (const KnownClass& c : kClasses) {
    SCOPED_TRACE(Narrow(c.name));
    EXPECT_EQ(ReadString(ClassKey(c.clsid), nullptr), c.name);
    const std::wstring server = ReadString(ClassKey(c.clsid) + L"\\InprocServer32", nullptr);
    EXPECT_EQ(CompareStringOrdinal(server.c_str(), -1, path.c_str(), -1, TRUE), CSTR_EQUAL);
    EXPECT_EQ(ReadString(ClassKey(c.clsid) + L"\\InprocServer32", L"ThreadingModel"), L"Both");
    // The mapper reads what registration wrote in the legacy filter
    // category: the six filters, with audio in and out, at unlikely merit.
    EXPECT_EQ(Listed(found, c), c.filter);
    EXPECT_FALSE(Listed(above, c)) << "merit above unlikely";
  }
  EXPECT_EQ(module_.CanUnloadNow(), S_OK) << "registration left objects alive";

  EXPECT_EQ(module_.Unregister(), S_OK);
  const std::vector<std::wstring> left = MapperFinds(kMeritUnlikely);
  for (const KnownClass& c : kClasses) EXPECT_FALSE(KeyExists(ClassKey(c.clsid)) || Listed(left, c)) << Narrow(c.name);
  // The first object asked to unregister itself (the Noise Gate page, last in
  // the table) is no longer a registered class, and that ends the call.
  EXPECT_EQ(module_.Unregister(), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(KeyExists(ClassKey(kScratch))) << "the write probe must not stay behind";
}

}  // namespace
