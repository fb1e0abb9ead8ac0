// Loads the module the way a host does and checks that it can be unloaded.
#include <windows.h>

#include <gtest/gtest.h>

TEST(ModuleSmoke, LoadsAndReportsUnloadable) {
  HMODULE module = LoadLibraryW(L"orlofx.dll");
  ASSERT_NE(module, nullptr) << "LoadLibrary failed: " << GetLastError();
  using CanUnload = HRESULT(WINAPI*)();
  auto canUnload = reinterpret_cast<CanUnload>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_OK);
  for (const char* name : {"DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"})
    EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
  EXPECT_TRUE(FreeLibrary(module));
}
