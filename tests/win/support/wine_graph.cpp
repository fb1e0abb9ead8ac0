#include "tests/win/support/wine_graph.h"

#include <qedit.h>

#include <gtest/gtest.h>

#include "tests/win/support/module_under_test.h"
#include "tests/win/support/wav_file.h"

#include "framework/win/baseclasses/missing_guids.h"

namespace orlofx::test {

namespace {

template <typename T>
struct Ref {
  T* p = nullptr;
  ~Ref() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() { return p; }
  operator T*() { return p; }
};

class Collector : public ISampleGrabberCB {
 public:
  explicit Collector(GrabbedStream* out) : out_(out) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_ISampleGrabberCB) {
      *object = static_cast<ISampleGrabberCB*>(this);
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  // Lives on the caller's stack for the whole run.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double, IMediaSample* sample) override {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const long length = sample->GetActualDataLength();
    out_->bytes.insert(out_->bytes.end(), data, data + length);
    REFERENCE_TIME start = -1, stop = -1;
    if (SUCCEEDED(sample->GetTime(&start, &stop)))
      out_->stamps.push_back({start, stop, length});
    else
      out_->unstamped++;
    return S_OK;
  }
  STDMETHODIMP BufferCB(double, BYTE*, long) override { return E_NOTIMPL; }

 private:
  GrabbedStream* out_;
};

HRESULT ConnectPins(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to) {
  Ref<IEnumPins> pins;
  from->EnumPins(&pins);
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION direction;
    pin->QueryDirection(&direction);
    IPin* connected = nullptr;
    if (direction == PINDIR_OUTPUT && pin->ConnectedTo(&connected) == VFW_E_NOT_CONNECTED) {
      Ref<IEnumPins> targets;
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

HRESULT Create(REFCLSID clsid, IBaseFilter** filter) {
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          reinterpret_cast<void**>(filter));
}

}  // namespace

std::string TestDataPath(const std::string& name) {
  char full[MAX_PATH];
  const std::string relative = "..\\testdata\\" + name;
  GetFullPathNameA(relative.c_str(), MAX_PATH, full, nullptr);
  return full;
}

HRESULT RunWaveFileGraph(const std::string& path, IBaseFilter* effect, GrabbedStream* out) {
  Ref<IGraphBuilder> graph;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph));
  if (FAILED(hr)) return hr;
  Ref<IBaseFilter> source, parser, grabber, renderer;
  if (FAILED(hr = Create(CLSID_AsyncReader, &source))) return hr;
  if (FAILED(hr = Create(CLSID_WAVEParser, &parser))) return hr;
  if (FAILED(hr = Create(CLSID_SampleGrabber, &grabber))) return hr;
  if (FAILED(hr = Create(CLSID_NullRenderer, &renderer))) return hr;

  Ref<IFileSourceFilter> file;
  if (FAILED(hr = source->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&file))))
    return hr;
  if (FAILED(hr = graph->AddFilter(source, L"Source"))) return hr;
  const std::wstring wide(path.begin(), path.end());
  if (FAILED(hr = file->Load(wide.c_str(), nullptr))) return hr;
  if (FAILED(hr = graph->AddFilter(parser, L"Parser"))) return hr;
  if (FAILED(hr = graph->AddFilter(grabber, L"Grabber"))) return hr;
  if (FAILED(hr = graph->AddFilter(renderer, L"Renderer"))) return hr;

  Ref<ISampleGrabber> grab;
  if (FAILED(hr = grabber->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&grab))))
    return hr;
  Collector collector(out);
  grab->SetBufferSamples(FALSE);
  grab->SetCallback(&collector, 0);

  if (FAILED(hr = ConnectPins(graph, source, parser))) return hr;
  if (effect) {
    if (FAILED(hr = graph->AddFilter(effect, L"Effect"))) return hr;
    out->parserToNext = ConnectPins(graph, parser, effect);
    if (FAILED(out->parserToNext)) return S_OK;
    if (FAILED(hr = ConnectPins(graph, effect, grabber))) return hr;
  } else {
    out->parserToNext = ConnectPins(graph, parser, grabber);
    if (FAILED(out->parserToNext)) return S_OK;
  }
  if (FAILED(hr = ConnectPins(graph, grabber, renderer))) return hr;

  Ref<IMediaFilter> timing;
  if (FAILED(hr = graph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&timing))))
    return hr;
  timing->SetSyncSource(nullptr);

  Ref<IMediaControl> control;
  Ref<IMediaEvent> events;
  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events));
  if (FAILED(hr = control->Run())) return hr;
  hr = events->WaitForCompletion(60000, &out->completion);
  control->Stop();
  grab->SetCallback(nullptr, 0);
  // The effect leaves the graph with it; the caller still holds it.
  if (effect) graph->RemoveFilter(effect);
  return hr;
}

void ExpectWineGraphMatchesNativeTool(const std::string& caseName, const std::string& cliName,
                                      const CLSID& effect) {
  WavFile input, expected;
  ASSERT_TRUE(ReadWavFile(TestDataPath(caseName + ".wav"), &input)) << caseName;
  ASSERT_TRUE(ReadWavFile(TestDataPath(caseName + "." + cliName + ".wav"), &expected))
      << caseName << "." << cliName;
  ASSERT_EQ(input.data.size(), expected.data.size()) << "the native tool keeps the length";

  ModuleUnderTest module;
  ASSERT_TRUE(module.Loaded());

  // What Wine's parser delivers on its own, for comparison.
  GrabbedStream plain;
  ASSERT_EQ(RunWaveFileGraph(TestDataPath(caseName + ".wav"), nullptr, &plain), S_OK);
  ASSERT_EQ(plain.parserToNext, S_OK);
  // The formats under test are those Wine's parser delivers intact; were it
  // to change, the comparison below would mean nothing, so this fails.
  ASSERT_TRUE(plain.bytes == input.data)
      << "Wine's WAVE parser does not deliver this format intact (" << plain.bytes.size() << " of "
      << input.data.size() << " bytes)";

  IBaseFilter* filter = nullptr;
  ASSERT_EQ(module.Create(effect, IID_IBaseFilter, &filter), S_OK);
  GrabbedStream out;
  const HRESULT hr = RunWaveFileGraph(TestDataPath(caseName + ".wav"), filter, &out);
  filter->Release();
  ASSERT_EQ(hr, S_OK);
  ASSERT_EQ(out.parserToNext, S_OK);
  EXPECT_EQ(out.completion, EC_COMPLETE);

  ASSERT_EQ(out.bytes.size(), expected.data.size()) << "every input frame comes out";
  EXPECT_TRUE(out.bytes == expected.data) << "the filter's output differs from the native tool's";
  EXPECT_EQ(out.unstamped, 0);
  for (size_t i = 1; i < out.stamps.size(); ++i)
    EXPECT_EQ(out.stamps[i].start, out.stamps[i - 1].stop) << "gap before sample " << i;
  ASSERT_FALSE(out.stamps.empty());
  const double seconds =
      double(expected.data.size()) / expected.format.nBlockAlign / expected.format.nSamplesPerSec;
  EXPECT_NEAR(double(out.stamps.back().stop - out.stamps.front().start), seconds * 1e7,
              double(out.stamps.size()));
}

}  // namespace orlofx::test
