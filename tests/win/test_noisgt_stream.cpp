// A host's graph under Wine: Wine's File Source (Async) and WAVE Parser feed
// the Noise Gate, whose output is collected by the Sample Grabber. The audio
// that comes out must be the native tool's output for the same file, frame
// for frame, with continuous time stamps.
#include <windows.h>
#include <dshow.h>
#include <qedit.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/win/baseclasses/missing_guids.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/wav_file.h"

namespace {

const CLSID kClsidNoisgt = {0xB97C0F23, 0x196D, 0x11D1, {0xB9, 0x9B, 0x00, 0xA0, 0xC9, 0x05, 0x39, 0x12}};

template <typename T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() { return p; }
  operator T*() { return p; }
};

// Collects what reaches the Sample Grabber: bytes and time stamps.
class Collector : public ISampleGrabberCB {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_ISampleGrabberCB) {
      *object = static_cast<ISampleGrabberCB*>(this);
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double, IMediaSample* sample) override {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    long length = sample->GetActualDataLength();
    bytes.insert(bytes.end(), data, data + length);
    REFERENCE_TIME start = -1, stop = -1;
    if (SUCCEEDED(sample->GetTime(&start, &stop))) stamps.push_back({start, stop, length});
    else unstamped++;
    return S_OK;
  }
  STDMETHODIMP BufferCB(double, BYTE*, long) override { return E_NOTIMPL; }

  struct Stamp {
    REFERENCE_TIME start, stop;
    long bytes;
  };
  std::vector<BYTE> bytes;
  std::vector<Stamp> stamps;
  int unstamped = 0;
};

std::string TestData(const std::string& name) { return "..\\testdata\\" + name; }

std::wstring FullPath(const std::string& path) {
  wchar_t full[MAX_PATH];
  std::wstring wide(path.begin(), path.end());
  GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
  return full;
}

HRESULT ConnectPins(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to) {
  ComPtr<IEnumPins> pins;
  from->EnumPins(&pins);
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION direction;
    pin->QueryDirection(&direction);
    IPin* connected = nullptr;
    if (direction == PINDIR_OUTPUT && pin->ConnectedTo(&connected) == VFW_E_NOT_CONNECTED) {
      ComPtr<IEnumPins> targets;
      to->EnumPins(&targets);
      IPin* target = nullptr;
      while (targets->Next(1, &target, nullptr) == S_OK) {
        PIN_DIRECTION td;
        target->QueryDirection(&td);
        HRESULT hr = td == PINDIR_INPUT ? graph->ConnectDirect(pin, target, nullptr) : E_FAIL;
        target->Release();
        if (SUCCEEDED(hr)) {
          pin->Release();
          return hr;
        }
      }
    }
    if (connected) connected->Release();
    pin->Release();
  }
  return VFW_E_CANNOT_CONNECT;
}

// Wine's parser offers float files only as WAVE_FORMAT_EXTENSIBLE, which the
// effects do not take; float streams are covered with our own source filter.
class NoisgtStreamTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  void TearDown() override { CoUninitialize(); }
};

// Runs the file through File Source -> WAVE Parser [-> Noise Gate] -> Sample
// Grabber -> Null Renderer and collects what reaches the grabber.
void RunGraph(ModuleUnderTest& module, const std::string& file, bool withGate, Collector* collector,
              HRESULT* parserToNext) {
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             reinterpret_cast<void**>(&graph)), S_OK);
  ComPtr<IBaseFilter> source, parser, gate, grabber, renderer;
  ASSERT_EQ(CoCreateInstance(CLSID_AsyncReader, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             reinterpret_cast<void**>(&source)), S_OK);
  ASSERT_EQ(CoCreateInstance(CLSID_WAVEParser, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             reinterpret_cast<void**>(&parser)), S_OK);
  ASSERT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             reinterpret_cast<void**>(&grabber)), S_OK);
  ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             reinterpret_cast<void**>(&renderer)), S_OK);

  ComPtr<IFileSourceFilter> fileSource;
  ASSERT_EQ(source->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&fileSource)), S_OK);
  ASSERT_EQ(graph->AddFilter(source, L"Source"), S_OK);
  ASSERT_EQ(fileSource->Load(FullPath(file).c_str(), nullptr), S_OK);
  ASSERT_EQ(graph->AddFilter(parser, L"Parser"), S_OK);
  ASSERT_EQ(graph->AddFilter(grabber, L"Grabber"), S_OK);
  ASSERT_EQ(graph->AddFilter(renderer, L"Renderer"), S_OK);

  ComPtr<ISampleGrabber> grab;
  ASSERT_EQ(grabber->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&grab)), S_OK);
  grab->SetBufferSamples(FALSE);
  grab->SetCallback(collector, 0);

  ASSERT_EQ(ConnectPins(graph, source, parser), S_OK);
  if (withGate) {
    ASSERT_EQ(module.Create(kClsidNoisgt, IID_IBaseFilter, &gate.p), S_OK);
    ASSERT_EQ(graph->AddFilter(gate, L"Noise Gate"), S_OK);
    *parserToNext = ConnectPins(graph, parser, gate);
    if (FAILED(*parserToNext)) return;
    ASSERT_EQ(ConnectPins(graph, gate, grabber), S_OK);
  } else {
    *parserToNext = ConnectPins(graph, parser, grabber);
    if (FAILED(*parserToNext)) return;
  }
  ASSERT_EQ(ConnectPins(graph, grabber, renderer), S_OK);

  // No clock: the graph runs as fast as it can.
  ComPtr<IMediaFilter> timing;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&timing)), S_OK);
  timing->SetSyncSource(nullptr);

  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events));
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  long code = 0;
  ASSERT_EQ(events->WaitForCompletion(60000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  control->Stop();
}

TEST_P(NoisgtStreamTest, WineGraphOutputEqualsTheNativeTool) {
  const std::string name = GetParam();
  WavFile input, expected;
  ASSERT_TRUE(ReadWavFile(TestData(name + ".wav"), &input)) << name;
  ASSERT_TRUE(ReadWavFile(TestData(name + ".noise-gate.wav"), &expected)) << name;
  ASSERT_EQ(input.data.size(), expected.data.size()) << "the native tool keeps the length";

  ModuleUnderTest module;
  ASSERT_TRUE(module.Loaded());

  // What Wine's parser delivers on its own, for comparison.
  Collector plain;
  HRESULT plainConnect = S_OK;
  RunGraph(module, TestData(name + ".wav"), false, &plain, &plainConnect);
  ASSERT_EQ(plainConnect, S_OK);
  if (plain.bytes != input.data)
    GTEST_SKIP() << "Wine's WAVE parser does not deliver this format intact (" << plain.bytes.size()
                 << " of " << input.data.size() << " bytes)";

  Collector collector;
  HRESULT connect = S_OK;
  RunGraph(module, TestData(name + ".wav"), true, &collector, &connect);
  ASSERT_EQ(connect, S_OK);

  ASSERT_EQ(collector.bytes.size(), expected.data.size()) << "every input frame comes out";
  EXPECT_TRUE(collector.bytes == expected.data) << "the filter's output differs from the native tool's";
  EXPECT_EQ(collector.unstamped, 0);
  for (size_t i = 1; i < collector.stamps.size(); ++i)
    EXPECT_EQ(collector.stamps[i].start, collector.stamps[i - 1].stop) << "gap before sample " << i;
  ASSERT_FALSE(collector.stamps.empty());
  const double seconds =
      double(expected.data.size()) / expected.format.nBlockAlign / expected.format.nSamplesPerSec;
  EXPECT_NEAR(double(collector.stamps.back().stop - collector.stamps.front().start), seconds * 1e7,
              double(collector.stamps.size()));
}

INSTANTIATE_TEST_SUITE_P(Formats, NoisgtStreamTest,
                         ::testing::Values("pcm16_stereo_44100", "pcm8_mono_22050", "pcm32_stereo_48000"));

}  // namespace
