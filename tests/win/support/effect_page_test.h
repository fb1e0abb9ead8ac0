// The fixture every page test shares: COM on the test thread, the module
// under test, one filter of the effect and its property interface, and on
// request a running graph around the filter (our push source and collecting
// sink). A test closes its pages in ClosePages, which runs before the graph
// and the filter are released (an open page holds the filter).
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/win/ak_interfaces.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/page_host.h"
#include "tests/win/support/test_filters.h"

template <class Property>
class EffectPageTest : public ::testing::Test {
 protected:
  EffectPageTest(const CLSID& filterClass, const IID& propertyIid)
      : filterClass_(filterClass), propertyIid_(propertyIid) {}

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(module_.Loaded());
    ASSERT_EQ(module_.Create(filterClass_, IID_IBaseFilter, filter_.put()), S_OK);
    prop_ = orlofx::test::QueryAs<Property>(filter_.get(), propertyIid_);
    ASSERT_TRUE(prop_);
  }
  void TearDown() override {
    ClosePages();
    if (graph_) graph_->Stop();
    graph_.reset();
    source_.reset();
    sink_.reset();
    prop_.reset();
    filter_.reset();
    PumpMessages();
    CoUninitialize();
  }
  virtual void ClosePages() = 0;

  // Our source, the filter and the collecting sink in format `wf`, stopped.
  void BuildGraph(const WAVEFORMATEX& wf) {
    using namespace orlofx::test;
    graph_ = std::make_unique<FilterGraph>();
    source_ = ComRef<TestPushSource>(TestPushSource::Create(wf));
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(graph_->Chain(source_.get(), filter_.get(), sink_.get()), S_OK);
  }
  // Applies a preset through the filter, then handles the notification it posts.
  void ApplyPreset(long index) {
    auto presets = orlofx::test::QueryAs<IStaticFilterPreset>(filter_.get(), IID_IStaticFilterPreset);
    ASSERT_TRUE(presets);
    ASSERT_EQ(presets->ApplyPreset(index), S_OK);
    PumpMessages();
  }

  ModuleUnderTest module_;
  orlofx::test::ComRef<IBaseFilter> filter_;
  orlofx::test::ComRef<Property> prop_;
  std::unique_ptr<orlofx::test::FilterGraph> graph_;
  orlofx::test::ComRef<orlofx::test::TestPushSource> source_;
  orlofx::test::ComRef<orlofx::test::TestSink> sink_;

 private:
  const CLSID filterClass_;
  const IID propertyIid_;
};
