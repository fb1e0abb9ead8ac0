// Loads orlofx.dll the way a host does and checks what the module offers
// before any effect exists: the class factory and object accounting, the
// control window classes, the version resource, and registration in the
// (private, test-only) registry and with the filter mapper.
#include <windows.h>

#include <objbase.h>
#include <strmif.h>
#include <uuids.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/static_control.h"

namespace {

// The creatable classes as a host knows them, in table order.
struct KnownClass {
  const wchar_t* clsid;  // registry form
  const wchar_t* name;
  bool filter;
};

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

constexpr const wchar_t* kNoiseGatePage = L"{A6DF8F41-BAF4-11D0-AEBC-00A0C9053912}";
constexpr const wchar_t* kScratchKey = L"CLSID\\{7831F5CD-1B4A-4c28-B24D-D93FA7C0305A}";
constexpr const wchar_t* kLegacyFilterInstances =
    L"CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance\\";
constexpr DWORD kMeritUnlikely = 0x00200000;

GUID ToGuid(const wchar_t* text) {
  GUID guid = {};
  EXPECT_EQ(CLSIDFromString(text, &guid), S_OK) << "bad identifier in the test";
  return guid;
}

std::string Narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());  // the names here are ASCII
}

// --- the module as a host loads it ---------------------------------------------

class Module {
 public:
  Module() : handle_(LoadLibraryW(L"orlofx.dll")) {}
  ~Module() { Unload(); }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  HMODULE handle() const { return handle_; }
  void Unload() {
    if (handle_) FreeLibrary(handle_);
    handle_ = nullptr;
  }

  HRESULT GetClassObject(const GUID& clsid, const IID& iid, void** object) const {
    using Fn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    return Entry<Fn>("DllGetClassObject")(clsid, iid, object);
  }
  HRESULT CanUnloadNow() const { return Call("DllCanUnloadNow"); }
  HRESULT Register() const { return Call("DllRegisterServer"); }
  HRESULT Unregister() const { return Call("DllUnregisterServer"); }

  std::wstring Path() const {
    wchar_t path[MAX_PATH * 2] = {};
    GetModuleFileNameW(handle_, path, MAX_PATH * 2);
    return path;
  }

 private:
  template <class Fn>
  Fn Entry(const char* name) const {
    FARPROC proc = GetProcAddress(handle_, name);
    EXPECT_NE(proc, nullptr) << name;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
  }
  HRESULT Call(const char* name) const {
    using Fn = HRESULT(STDAPICALLTYPE*)();
    return Entry<Fn>(name)();
  }

  HMODULE handle_;
};

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(module_.handle(), nullptr) << "LoadLibrary: " << GetLastError();
  }

  IClassFactory* Factory(const wchar_t* clsid) {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(module_.GetClassObject(ToGuid(clsid), IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
  }

  Module module_;
};

// A stand-in for an aggregating object; counts the references it is given.
class OuterUnknown : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }

  ULONG references = 1;
};

// --- class objects -----------------------------------------------------------------

TEST_F(ModuleTest, GivesAClassFactoryForEveryClassAndOnlyForThose) {
  for (const KnownClass& cls : kClasses) {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(module_.GetClassObject(ToGuid(cls.clsid), IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)),
              S_OK)
        << Narrow(cls.name);
    ASSERT_NE(factory, nullptr);
    factory->Release();
  }

  IUnknown* unknown = nullptr;
  EXPECT_EQ(module_.GetClassObject(ToGuid(kNoiseGatePage), IID_IUnknown,
                                   reinterpret_cast<void**>(&unknown)),
            S_OK);
  ASSERT_NE(unknown, nullptr);
  unknown->Release();

  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(module_.GetClassObject(ToGuid(kNoiseGatePage), IID_IPersist, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);

  // The scratch identifier used by unregistration is not a class of ours.
  object = reinterpret_cast<void*>(1);
  EXPECT_EQ(module_.GetClassObject(ToGuid(L"{7831F5CD-1B4A-4c28-B24D-D93FA7C0305A}"),
                                   IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(module_.GetClassObject(GUID_NULL, IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);

  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

TEST_F(ModuleTest, ClassFactoryAnswersOnlyItsOwnInterfaces) {
  IClassFactory* factory = Factory(kNoiseGatePage);
  ASSERT_NE(factory, nullptr);

  IUnknown* unknown = nullptr;
  EXPECT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  ASSERT_NE(unknown, nullptr);
  IClassFactory* again = nullptr;
  EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again, factory);

  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->QueryInterface(IID_IPersist, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, nullptr), E_POINTER);

  // Handed out with one reference, plus the two taken above.
  EXPECT_EQ(factory->AddRef(), 4u);
  EXPECT_EQ(factory->Release(), 3u);
  unknown->Release();
  again->Release();
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE) << "a live class factory keeps the module";
  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

TEST_F(ModuleTest, CreateInstanceRefusesBadRequestsWithoutCreating) {
  IClassFactory* factory = Factory(kClasses[13].clsid);  // the Noise Gate filter
  ASSERT_NE(factory, nullptr);

  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);

  // An aggregated object can only hand its inner IUnknown to the outer one.
  OuterUnknown outer;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(outer.references, 1u) << "the outer object was kept";

  factory->Release();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK) << "something was created and left alive";
}

TEST_F(ModuleTest, LiveObjectsKeepTheModule) {
  IClassFactory* factory = Factory(kClasses[13].clsid);  // the Noise Gate filter
  ASSERT_NE(factory, nullptr);
  IBaseFilter* filter = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)),
            S_OK);
  factory->Release();
  ASSERT_NE(filter, nullptr);
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE) << "with a filter alive";

  // A pin handed out keeps the module after its filter is let go.
  IEnumPins* pins = nullptr;
  IPin* pin = nullptr;
  ASSERT_EQ(filter->EnumPins(&pins), S_OK);
  EXPECT_EQ(pins->Next(1, &pin, nullptr), S_OK);
  pins->Release();
  filter->Release();
  if (pin) {
    EXPECT_EQ(module_.CanUnloadNow(), S_FALSE) << "with a pin alive";
    pin->Release();
  }
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

TEST_F(ModuleTest, LockServerKeepsTheModuleUntilUnlocked) {
  IClassFactory* factory = Factory(kNoiseGatePage);
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE);

  factory = Factory(kNoiseGatePage);
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(module_.CanUnloadNow(), S_FALSE) << "one lock is still held";

  factory = Factory(kNoiseGatePage);
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

// --- start-up and shut-down -----------------------------------------------------------

struct ControlClass {
  const wchar_t* name;
  int pointersOfExtra;  // instance data is kept behind pointers
  bool arrowCursor;
  int backgroundColour;  // COLOR_* index, -1 for none
};

const ControlClass kControlClasses[] = {
    {L"tovra2Bld314FaderClass", 1, false, COLOR_BTNFACE},
    {L"tovra2Bld314TrackbarClass", 1, true, COLOR_BTNFACE},
    {L"tovra2Bld314MeterClass", 0, true, -1},
    {L"tovra2Bld314StaticClass", 2, true, COLOR_WINDOW},
    {L"tovra2Bld314EnvelopeClass", 1, true, COLOR_WINDOW},
    {L"tovra2Bld314LogoClass", 1, true, COLOR_WINDOW},
};

TEST(ModuleLifetime, RegistersTheControlClassesWhileLoaded) {
  ASSERT_EQ(GetModuleHandleW(L"orlofx.dll"), nullptr) << "the module must not be loaded yet";
  Module module;
  ASSERT_NE(module.handle(), nullptr);
  HINSTANCE self = GetModuleHandleW(nullptr);
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);

  for (const ControlClass& expected : kControlClasses) {
    SCOPED_TRACE(Narrow(expected.name));
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExW(module.handle(), expected.name, &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, expected.pointersOfExtra * static_cast<int>(sizeof(LONG_PTR)));
    EXPECT_EQ(wc.hInstance, module.handle());
    EXPECT_EQ(wc.hCursor, expected.arrowCursor ? arrow : nullptr);
    HBRUSH background =
        expected.backgroundColour < 0
            ? nullptr
            : reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(expected.backgroundColour + 1));
    EXPECT_EQ(wc.hbrBackground, background);
    EXPECT_EQ(wc.hIcon, nullptr);
    EXPECT_EQ(wc.lpszMenuName, nullptr);

    // Global: a dialog of any module in the process can create the control.
    WNDCLASSEXW seen = {};
    seen.cbSize = sizeof(seen);
    EXPECT_TRUE(GetClassInfoExW(self, expected.name, &seen));
    HWND window = CreateWindowExW(0, expected.name, L"", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr,
                                  self, nullptr);
    EXPECT_NE(window, nullptr) << GetLastError();
    if (window) DestroyWindow(window);
  }

  module.Unload();
  ASSERT_EQ(GetModuleHandleW(L"orlofx.dll"), nullptr);
  for (const ControlClass& expected : kControlClasses) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    EXPECT_FALSE(GetClassInfoExW(self, expected.name, &wc))
        << Narrow(expected.name) << " outlived the module";
  }
}

TEST(ModuleLifetime, LoadingTurnsOffCriticalErrorDialogs) {
  ASSERT_EQ(GetModuleHandleW(L"orlofx.dll"), nullptr) << "the module must not be loaded yet";
  UINT before = SetErrorMode(0);
  {
    Module module;
    ASSERT_NE(module.handle(), nullptr);
    const UINT wanted = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    EXPECT_EQ(GetErrorMode() & wanted, wanted);
  }
  SetErrorMode(before);
}

TEST(ModuleLifetime, CarriesItsVersion) {
  Module module;
  ASSERT_NE(module.handle(), nullptr);
  HMODULE version = LoadLibraryW(L"version.dll");
  ASSERT_NE(version, nullptr);
  using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  auto size = reinterpret_cast<SizeFn>(
      reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoSizeW")));
  auto info = reinterpret_cast<InfoFn>(
      reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoW")));
  auto query =
      reinterpret_cast<QueryFn>(reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueW")));
  ASSERT_TRUE(size && info && query);

  const std::wstring path = module.Path();
  DWORD handle = 0;
  std::vector<BYTE> data(size(path.c_str(), &handle));
  ASSERT_FALSE(data.empty()) << "no version resource";
  ASSERT_TRUE(info(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(query(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), ORLOFX_VERSION_MAJOR);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), ORLOFX_VERSION_MINOR);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), ORLOFX_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

  wchar_t* product = nullptr;
  ASSERT_TRUE(query(data.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                    reinterpret_cast<void**>(&product), &length));
  EXPECT_STREQ(product, L"orlofx");
  FreeLibrary(version);
}

TEST(StaticPatternBrush, PaintsAOnePixelCheckerboardUntilDeleted) {
  HBRUSH brush = orlofx::CreateStaticPatternBrush();
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(orlofx::StaticPatternBrush(), brush);
  EXPECT_EQ(orlofx::CreateStaticPatternBrush(), brush) << "one brush for the whole module";

  constexpr int kSize = 16;
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = kSize;
  bmi.bmiHeader.biHeight = -kSize;  // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP target = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(target, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, target);
  // A monochrome pattern draws 0 bits in the text colour, 1 bits in the background colour.
  SetTextColor(dc, RGB(255, 0, 0));
  SetBkColor(dc, RGB(0, 0, 255));
  RECT all = {0, 0, kSize, kSize};
  FillRect(dc, &all, brush);
  GdiFlush();

  const auto* pixels = static_cast<const DWORD*>(bits);
  int wrong = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      DWORD expected = ((x + y) & 1) ? 0x000000FFu : 0x00FF0000u;  // 0x00RRGGBB
      if ((pixels[y * kSize + x] & 0x00FFFFFFu) != expected) ++wrong;
    }
  EXPECT_EQ(wrong, 0);

  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(target);
  orlofx::DeleteStaticPatternBrush();
  EXPECT_EQ(orlofx::StaticPatternBrush(), nullptr);
}

// --- registration --------------------------------------------------------------------

bool ReadString(const std::wstring& key, const wchar_t* value, std::wstring* text) {
  wchar_t buffer[1024] = {};
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  DWORD type = 0;
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
    return false;
  LONG error =
      RegQueryValueExW(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  RegCloseKey(handle);
  if (error != ERROR_SUCCESS || type != REG_SZ) return false;
  *text = buffer;
  return true;
}

bool ReadBinary(const std::wstring& key, const wchar_t* value, std::vector<BYTE>* data) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
    return false;
  DWORD bytes = 0;
  DWORD type = 0;
  LONG error = RegQueryValueExW(handle, value, nullptr, &type, nullptr, &bytes);
  if (error == ERROR_SUCCESS && type == REG_BINARY) {
    data->resize(bytes);
    error = RegQueryValueExW(handle, value, nullptr, &type, data->data(), &bytes);
  }
  RegCloseKey(handle);
  return error == ERROR_SUCCESS && type == REG_BINARY;
}

bool KeyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  return true;
}

std::wstring ClassKey(const KnownClass& cls) { return std::wstring(L"CLSID\\") + cls.clsid; }
std::wstring FilterInstanceKey(const KnownClass& cls) {
  return std::wstring(kLegacyFilterInstances) + cls.clsid;
}

// The filter mapper's serialised REGFILTER2 (the "FilterData" value): a head
// of version, merit and pin count, then per pin a tagged record with flags
// and counts followed by its media type records, which point by offset at
// GUIDs stored further on.
struct MapperPin {
  DWORD flags = 0;
  std::vector<std::pair<GUID, GUID>> types;
};
struct MapperFilter {
  DWORD version = 0;
  DWORD merit = 0;
  std::vector<MapperPin> pins;
};

bool ParseFilterData(const std::vector<BYTE>& blob, MapperFilter* filter) {
  size_t at = 0;
  auto dword = [&](DWORD* value) {
    if (at + 4 > blob.size()) return false;
    std::memcpy(value, blob.data() + at, 4);
    at += 4;
    return true;
  };
  auto guidAt = [&](DWORD offset, GUID* guid) {
    if (offset == 0 || offset + sizeof(GUID) > blob.size()) return false;
    std::memcpy(guid, blob.data() + offset, sizeof(GUID));
    return true;
  };
  DWORD pinCount = 0, unused = 0;
  if (!dword(&filter->version) || !dword(&filter->merit) || !dword(&pinCount) || !dword(&unused))
    return false;
  if (pinCount > 16) return false;
  for (DWORD p = 0; p < pinCount; ++p) {
    MapperPin pin;
    DWORD tag = 0, instances = 0, typeCount = 0, mediumCount = 0, category = 0;
    if (!dword(&tag) || !dword(&pin.flags) || !dword(&instances) || !dword(&typeCount) ||
        !dword(&mediumCount) || !dword(&category))
      return false;
    if (typeCount > 16 || mediumCount > 16) return false;
    for (DWORD t = 0; t < typeCount; ++t) {
      DWORD typeTag = 0, reserved = 0, major = 0, minor = 0;
      GUID majorType = {}, subtype = {};
      if (!dword(&typeTag) || !dword(&reserved) || !dword(&major) || !dword(&minor)) return false;
      if (!guidAt(major, &majorType)) return false;
      // A missing subtype means any.
      if (minor != 0 && !guidAt(minor, &subtype)) return false;
      pin.types.emplace_back(majorType, subtype);
    }
    at += 4 * mediumCount;
    filter->pins.push_back(pin);
  }
  return true;
}

// Each registration test starts from a registry without our classes and
// leaves it that way, whatever the order the tests run in.
class RegistrationTest : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    RemoveRegistration();
  }
  void TearDown() override {
    RemoveRegistration();
    for (const KnownClass& cls : kClasses)
      EXPECT_FALSE(KeyExists(ClassKey(cls))) << Narrow(cls.name) << " left";
    // Lets COM drop the references it took on the module while creating
    // objects through the registry.
    CoFreeUnusedLibraries();
    CoUninitialize();
  }

  // Unregistering refuses to start when the classes are not all registered,
  // so a registry left half-done is completed first.
  void RemoveRegistration() {
    if (SUCCEEDED(module_.Unregister())) return;
    module_.Register();
    module_.Unregister();
  }
};

TEST_F(RegistrationTest, RegistersEveryClassAsAnInProcessServer) {
  const std::wstring path = module_.Path();
  auto expectServerKeys = [&] {
    for (const KnownClass& cls : kClasses) {
      SCOPED_TRACE(Narrow(cls.name));
      std::wstring text;
      ASSERT_TRUE(ReadString(ClassKey(cls), nullptr, &text));
      EXPECT_EQ(text, cls.name);
      ASSERT_TRUE(ReadString(ClassKey(cls) + L"\\InprocServer32", nullptr, &text));
      EXPECT_EQ(CompareStringOrdinal(text.c_str(), -1, path.c_str(), -1, TRUE), CSTR_EQUAL)
          << Narrow(text) << " vs " << Narrow(path);
      ASSERT_TRUE(ReadString(ClassKey(cls) + L"\\InprocServer32", L"ThreadingModel", &text));
      EXPECT_EQ(text, L"Both");
    }
  };
  ASSERT_EQ(module_.Register(), S_OK);
  expectServerKeys();
  // Registering over an existing registration is fine.
  ASSERT_EQ(module_.Register(), S_OK);
  expectServerKeys();
  EXPECT_EQ(module_.CanUnloadNow(), S_OK) << "registration left objects alive";
}

TEST_F(RegistrationTest, ListsTheFiltersInTheLegacyFilterCategory) {
  ASSERT_EQ(module_.Register(), S_OK);
  for (const KnownClass& cls : kClasses) {
    SCOPED_TRACE(Narrow(cls.name));
    if (!cls.filter) {
      EXPECT_FALSE(KeyExists(FilterInstanceKey(cls))) << "a page is not a filter";
      continue;
    }
    std::wstring text;
    ASSERT_TRUE(ReadString(FilterInstanceKey(cls), L"FriendlyName", &text));
    EXPECT_EQ(text, cls.name);
    ASSERT_TRUE(ReadString(FilterInstanceKey(cls), L"CLSID", &text));
    EXPECT_EQ(CompareStringOrdinal(text.c_str(), -1, cls.clsid, -1, TRUE), CSTR_EQUAL);

    std::vector<BYTE> blob;
    ASSERT_TRUE(ReadBinary(FilterInstanceKey(cls), L"FilterData", &blob));
    MapperFilter filter;
    ASSERT_TRUE(ParseFilterData(blob, &filter)) << "FilterData of " << blob.size() << " bytes";
    EXPECT_EQ(filter.merit, kMeritUnlikely);
    ASSERT_EQ(filter.pins.size(), 2u);
    const DWORD kPinFlags =
        REG_PINFLAG_B_OUTPUT | REG_PINFLAG_B_RENDERER | REG_PINFLAG_B_ZERO | REG_PINFLAG_B_MANY;
    EXPECT_EQ(filter.pins[0].flags & kPinFlags, 0u)
        << "input: not rendered, not output, exactly one";
    EXPECT_EQ(filter.pins[1].flags & kPinFlags, static_cast<DWORD>(REG_PINFLAG_B_OUTPUT));
    for (const MapperPin& pin : filter.pins) {
      ASSERT_EQ(pin.types.size(), 1u);
      EXPECT_EQ(pin.types[0].first, MEDIATYPE_Audio);
      EXPECT_EQ(pin.types[0].second, GUID_NULL);
    }
  }
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

TEST_F(RegistrationTest, FilterMapperFindsTheFiltersForAudio) {
  ASSERT_EQ(module_.Register(), S_OK);
  IFilterMapper2* mapper = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                             reinterpret_cast<void**>(&mapper)),
            S_OK);
  const GUID audioAny[2] = {MEDIATYPE_Audio, GUID_NULL};
  IEnumMoniker* found = nullptr;
  ASSERT_EQ(mapper->EnumMatchingFilters(&found, 0, TRUE, kMeritUnlikely, TRUE, 1, audioAny, nullptr,
                                        nullptr, FALSE, TRUE, 1, audioAny, nullptr, nullptr),
            S_OK);
  std::vector<std::wstring> names;
  IMoniker* moniker = nullptr;
  while (found->Next(1, &moniker, nullptr) == S_OK) {
    IPropertyBag* bag = nullptr;
    if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                         reinterpret_cast<void**>(&bag)))) {
      VARIANT name;
      VariantInit(&name);
      if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR)
        names.push_back(name.bstrVal);
      VariantClear(&name);
      bag->Release();
    }
    moniker->Release();
  }
  found->Release();
  mapper->Release();

  for (const KnownClass& cls : kClasses) {
    bool listed = false;
    for (const std::wstring& name : names) listed = listed || name == cls.name;
    EXPECT_EQ(listed, cls.filter) << Narrow(cls.name);
  }
}

TEST_F(RegistrationTest, UnregisterRemovesEverythingAndRefusesToRunTwice) {
  ASSERT_EQ(module_.Register(), S_OK);
  EXPECT_EQ(module_.Unregister(), S_OK);
  for (const KnownClass& cls : kClasses) {
    EXPECT_FALSE(KeyExists(ClassKey(cls))) << Narrow(cls.name);
    EXPECT_FALSE(KeyExists(FilterInstanceKey(cls))) << Narrow(cls.name);
  }
  EXPECT_FALSE(KeyExists(kScratchKey));

  // The first object asked to unregister itself (the Noise Gate page, last in
  // the table) is no longer a registered class, and that ends the call.
  EXPECT_EQ(module_.Unregister(), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(KeyExists(kScratchKey)) << "the write probe must not stay behind";
  EXPECT_EQ(module_.CanUnloadNow(), S_OK);
}

}  // namespace
