// The fixture the page tests share: COM on the test thread, the module under
// test, one filter of the effect and its property interface. A test names
// the filter's class and interface and closes its pages in ClosePages, which
// runs before the filter is released (an open page holds the filter).
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"

template <class Property>
class EffectPageTest : public ::testing::Test {
 protected:
  EffectPageTest(const CLSID& filterClass, const IID& propertyIid)
      : filterClass_(filterClass), propertyIid_(propertyIid) {}

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(module_.Loaded());
    ASSERT_EQ(module_.Create(filterClass_, IID_IUnknown, &filter_), S_OK);
    ASSERT_EQ(filter_->QueryInterface(propertyIid_, reinterpret_cast<void**>(&prop_)), S_OK);
  }
  void TearDown() override {
    ClosePages();
    if (prop_) prop_->Release();
    if (filter_) filter_->Release();
    PumpMessages();
    CoUninitialize();
  }
  virtual void ClosePages() = 0;

  ModuleUnderTest module_;
  IUnknown* filter_ = nullptr;
  Property* prop_ = nullptr;

 private:
  const CLSID filterClass_;
  const IID propertyIid_;
};
