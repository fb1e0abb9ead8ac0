// The contract every effect filter keeps as a host sees it through COM, over
// one table of the six filters: its interfaces and pages, its vtable slots
// reaching the record fields they name, the record through IPersistStream
// and presets through IStaticFilterPreset reaching the processor and the
// page; in a graph of our push source and sink, its output equal to its
// portable processor run in-process on the same audio; in Wine's file graph,
// equal to the native tool's. What the settings mean (ranges, presets,
// records, dirty rules, notification limits) is tested natively; here the
// processor is the oracle the adapter forwards to.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "effects/gdyn/gdyn_transform.h"
#include "effects/geq/geq_transform.h"
#include "effects/mbdyn/mbdyn_transform.h"
#include "effects/noisgt/noisgt_transform.h"
#include "effects/pgeq/pgeq_transform.h"
#include "effects/pmeq/pmeq_transform.h"
#include "framework/settings_record.h"
#include "framework/win/ak_interfaces.h"
#include "tests/win/support/module_under_test.h"
#include "tests/win/support/test_filters.h"

namespace {

using namespace orlofx::test;
using Fields = std::vector<std::int32_t>;

constexpr WORD kPageCommand = 32700;
// What the page hears when the whole record changed (load, preset).
const std::basic_string<DWORD> kRecordChanged(1, MAKELONG(kPageCommand, 100));

// Sets `value` through slot `set`, reads slot `get`; `stored` is what comes
// back and what the record holds at field `field` (-1: not in the record).
// `alone`: no other field changes with it.
struct SlotCase {
  int set, get;
  long value, stored;
  int field;
  bool alone = true;
};

struct FilterRow {
  const char* name;
  const char* cliName;  // the native tool's name for the effect
  const wchar_t* classId;
  const wchar_t* prop;  // the property interface, also the record's tag
  std::vector<const wchar_t*> pages;
  DWORD recordBytes;
  long presets, namedPreset;
  const wchar_t* presetName;  // US English
  std::vector<SlotCase> slots;
  std::unique_ptr<orlofx::EffectProcessor> (*makeProcessor)();
  // A preset that audibly changes the test signal, so that audio read in a
  // wrong format cannot come out right by chance.
  int streamPreset;
  // What a stream posts to the page: the formats set (0 input, 1 output),
  // or for the dynamics effects streaming started (101) and stopped (102).
  std::vector<WORD> streamCodes;
};

void PrintTo(const FilterRow& row, std::ostream* os) { *os << row.name; }

template <class Processor>
std::unique_ptr<orlofx::EffectProcessor> Make() {
  return std::make_unique<Processor>();
}

GUID Guid(const wchar_t* text) {
  GUID guid = {};
  EXPECT_EQ(CLSIDFromString(text, &guid), S_OK) << "bad identifier in the test";
  return guid;
}

constexpr const wchar_t* kPlugInProp2 = L"{5F7133A2-9A34-4E2E-A7BD-B62A4A9DD5F5}";

// The Graphic EQ's 20 band slots: band k (0-based) at get 7 + 2k, field 1 + k.
std::vector<SlotCase> GeqSlots() {
  std::vector<SlotCase> s;
  for (int k = 0; k < 20; ++k) s.push_back({8 + 2 * k, 7 + 2 * k, -10 * k - 5, -10 * k - 5, 1 + k});
  s.push_back({48, 47, 9, 9, 0});             // accuracy, stored as given
  s.push_back({50, 49, 99, 64, 149, false});  // point count
  s.push_back({52, 51, -700, -600, 150});     // output gain
  return s;
}

// The Paragraphic EQ's: every field k at get 7 + 2k.
std::vector<SlotCase> PgeqSlots() {
  const long values[21][2] = {{-300, -250}, {99, 99},     {-60, -60},     {70, 70},   {-80, -80}, {90, 90},
                              {4, 4},       {99, 25},     {6, 6},         {7, 7},     {5, 20},    {900, 900},
                              {1000, 1000}, {99999, 15000}, {0, 0},       {0, 0},     {333, 333}, {25000, 20000},
                              {-7, -7},     {8, 8},       {7, 4}};
  std::vector<SlotCase> s;
  for (int k = 0; k < 21; ++k) s.push_back({8 + 2 * k, 7 + 2 * k, values[k][0], values[k][1], k});
  return s;
}

const FilterRow kFilters[] = {
    {"NoiseGate", "noise-gate", L"{B97C0F23-196D-11D1-B99B-00A0C9053912}", L"{A6DF8F43-BAF4-11D0-AEBC-00A0C9053912}",
     {L"{A6DF8F41-BAF4-11D0-AEBC-00A0C9053912}"}, 32, 7, 6, L"Slow attack",
     {{8, 7, 0, 1, 0}, {10, 9, 10000, 5000, 1}, {12, 11, -1000, -800, 2}},
     &Make<orlofx::CAkNoisgtTransform>, 0, {0, 1}},
    {"GraphicDynamics", "graphic-dynamics", L"{F3B8E880-B4E0-11D0-AEBC-00A0C9053912}", kPlugInProp2,
     {L"{F3B8E881-B4E0-11D0-AEBC-00A0C9053912}"}, 184, 11, 3, L"Mute levels below -35 dB (hard noise gate",
     {{10, 9, 300, 250, 0}, {15, 14, 6000, 5000, 1}, {20, 19, 60000, 50000, 2}, {25, 24, 5, 1, 3},
      {30, 29, -1, 0, 4}, {35, 34, 7, 1, 40}, {7, 8, 40, 16, 37, false}}, &Make<orlofx::CAkGdynTransform>, 9, {101, 102}},
    {"MultiBandDynamics", "multiband-dynamics", L"{026D0AA0-9BB9-11D0-AEBC-00A0C9053912}", kPlugInProp2,
     {L"{026D0AA1-9BB9-11D0-AEBC-00A0C9053912}", L"{026D0AA2-9BB9-11D0-AEBC-00A0C9053912}"}, 232, 6, 2,
     L"Anti-DTMF talk-off",
     {{12, 11, 300, 250, 0},     {17, 16, -900, -600, 1},    {32, 31, 5, 0, 4},       {42, 41, 7, 2, 6},
      {57, 56, 900, 500, 9},     {72, 71, 1, 10, 12},        {82, 81, 6000, 5000, 14}, {107, 106, -4, 0, 19},
      {122, 121, -999, -250, 22}, {142, 141, 1, 3, 26},      {152, 151, 99, 30, 28},  {172, 171, 20, 50, 32},
      {157, 156, 20000, 15000, 29}, {187, 186, 3, 1, 36},    {197, 196, 9, 1, 33},    {217, 216, 2, 1, 51},
      {222, 221, 5, 1, 52},      {227, 226, 2, 2, -1}}, &Make<orlofx::CAkMbdynTransform>, 5, {101, 102}},
    {"ParametricEq", "parametric-eq", L"{A8448720-96FD-11D0-AEBC-00A0C9053912}", L"{A8448723-96FD-11D0-AEBC-00A0C9053912}",
     {L"{A8448721-96FD-11D0-AEBC-00A0C9053912}"}, 44, 6, 3, L"Hiss removal (cut frequencies above 6 kHz by 40 dB)",
     {{8, 7, 7, 7, 0}, {10, 9, 5, 5, 5}, {12, 11, 30000, 22050, 1}, {14, 13, 0, 1, 2}, {16, 15, -1000, -600, 3},
      {18, 17, 500, 200, 4}}, &Make<orlofx::CAkPmeqTransform>, 3, {0, 1}},
    // Preset 0 is flat: shelves at 200 Hz and 8 kHz and a cut at 4 kHz.
    {"ParagraphicEq", "paragraphic-eq", L"{D616F3E0-D622-11CE-AAC5-0020AF0B99A3}", L"{D616F3EF-D622-11CE-AAC5-0020AF0B99A3}",
     {L"{D616F3E1-D622-11CE-AAC5-0020AF0B99A3}"}, 104, 13, 0, L"(Default)", PgeqSlots(),
     &Make<orlofx::CAkPgeqTransform>, 9, {0, 1}},
    {"GraphicEq", "graphic-eq", L"{8B7226EE-4584-11D1-B4CB-00A0C9270A10}", L"{8B722AEE-4584-11D1-B4CB-00A0C9270A10}",
     {L"{8B7229EE-4584-11D1-B4CB-00A0C9270A10}", L"{8B7227EE-4584-11D1-B4CB-00A0C9270A10}",
      L"{8B7228EE-4584-11D1-B4CB-00A0C9270A10}"},
     624, 9, 8, L"Notch frequencies around 450 Hz", GeqSlots(), &Make<orlofx::CAkGeqTransform>, 8, {0, 1}},
};


// Registers `window` for notifications through slot 6 of the property interface.
HRESULT Notify(void* prop, HWND window, UINT id) { return CallSlot<HWND, UINT>(prop, 6, window, id); }

// --- the COM adapter -------------------------------------------------------------------

class FilterContract : public ::testing::TestWithParam<FilterRow> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    prop_ = Fresh();
    persist_ = QueryAs<IPersistStream>(prop_.get(), IID_IPersistStream);
    presets_ = QueryAs<IStaticFilterPreset>(prop_.get(), IID_IStaticFilterPreset);
    ASSERT_TRUE(persist_ && presets_);
  }
  ComRef<IUnknown> Fresh() {
    ComRef<IUnknown> object;
    EXPECT_EQ(module_.Create(Guid(GetParam().classId), Guid(GetParam().prop), object.put_void()), S_OK);
    return object;
  }
  // The record's fields as the filter saves them (leaves it dirty).
  Fields Saved(IPersistStream* persist = nullptr) {
    const std::vector<BYTE> bytes = SaveToMemory(persist ? persist : persist_.get(), FALSE);
    Fields fields((GetParam().recordBytes - 20) / 4);
    EXPECT_EQ(bytes.size(), GetParam().recordBytes);
    if (bytes.size() == GetParam().recordBytes) std::memcpy(fields.data(), bytes.data() + 20, bytes.size() - 20);
    return fields;
  }
  // The processor after preset `index`: what the filter must hold.
  std::unique_ptr<orlofx::EffectProcessor> Processor(int index) {
    std::unique_ptr<orlofx::EffectProcessor> fx = GetParam().makeProcessor();
    EXPECT_EQ(fx->ApplyPreset(index), orlofx::kOk);
    return fx;
  }
  Fields ProcessorPreset(int index) {
    Fields fields((GetParam().recordBytes - 20) / 4);
    EXPECT_EQ(Processor(index)->GetFields(fields.data()), orlofx::kOk);
    return fields;
  }
  void* Raw() const { return prop_.get(); }
  ComInit com_;
  ModuleUnderTest module_;
  ComRef<IUnknown> prop_;
  ComRef<IPersistStream> persist_;
  ComRef<IStaticFilterPreset> presets_;
};

TEST_P(FilterContract, AnswersItsInterfacesWithOneIdentityAndNamesItsPages) {
  const IID prop = Guid(GetParam().prop);
  const IID* iids[] = {&prop,           &IID_ISpecifyPropertyPages, &IID_IPersistStream, &IID_IStaticFilterPreset,
                       &IID_IAkTranslationInfo, &IID_IBaseFilter,  &IID_IMediaFilter,   &IID_IPersist,
                       &IID_IAMovieSetup};
  ComRef<IUnknown> identity = QueryAs<IUnknown>(prop_.get(), IID_IUnknown);
  for (const IID* iid : iids) {
    ComRef<IUnknown> p = QueryAs<IUnknown>(prop_.get(), *iid);
    ASSERT_TRUE(p);
    EXPECT_EQ(QueryAs<IUnknown>(p.get(), IID_IUnknown).get(), identity.get());
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(prop_->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  CAUUID list = {};
  ASSERT_EQ(QueryAs<ISpecifyPropertyPages>(prop_.get(), IID_ISpecifyPropertyPages)->GetPages(&list), S_OK);
  ASSERT_EQ(list.cElems, GetParam().pages.size());
  for (ULONG i = 0; i < list.cElems; ++i) EXPECT_TRUE(list.pElems[i] == Guid(GetParam().pages[i])) << i;
  CoTaskMemFree(list.pElems);
  CLSID id = {};
  EXPECT_EQ(persist_->GetClassID(&id), S_OK);
  EXPECT_TRUE(id == Guid(GetParam().classId));
  ULARGE_INTEGER size = {};
  ASSERT_EQ(persist_->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, GetParam().recordBytes);
  // Before a connection there is no format to report (slot 5).
  WAVEFORMATEX wf = {};
  EXPECT_EQ((CallSlot<WAVEFORMATEX*, int>(Raw(), 5, &wf, 0)), VFW_E_NOT_CONNECTED);
}

TEST_P(FilterContract, EachSlotReachesTheFieldItNames) {
  for (const SlotCase& c : GetParam().slots) {
    SCOPED_TRACE(::testing::Message() << "set slot " << c.set);
    Fields before = Saved();
    EXPECT_EQ(SetAndGetThroughSlots(Raw(), c.set, c.get, c.value), c.stored);
    if (c.field < 0) continue;
    const Fields after = Saved();
    EXPECT_EQ(after[c.field], c.stored);
    before[c.field] = c.stored;
    EXPECT_TRUE(!c.alone || after == before) << "another field changed too";
  }
  // Slot 3 reads the whole record, slot 4 writes it.
  Fields whole(Saved().size(), 0x55555555);
  ASSERT_EQ(CallSlot<void*>(Raw(), 3, whole.data()), S_OK);
  EXPECT_TRUE(whole == Saved());
  Fields preset = ProcessorPreset(GetParam().namedPreset);
  ASSERT_EQ(CallSlot<void*>(Raw(), 4, preset.data()), S_OK);
  EXPECT_TRUE(Saved() == preset);
  EXPECT_EQ(CallSlot<long*>(Raw(), GetParam().slots.front().get, nullptr), E_POINTER);
}

// The record is the processor's (its size and tag are checked natively); a
// fresh filter loads it, and one ending halfway through the fields changes
// nothing; either way the page is asked to refresh.
TEST_P(FilterContract, SavesTheProcessorsRecordAndAFreshFilterLoadsIt) {
  const FilterRow& row = GetParam();
  const std::vector<BYTE> fresh = SaveToMemory(persist_.get());
  ASSERT_EQ(presets_->ApplyPreset(row.namedPreset), S_OK);
  const std::vector<BYTE> bytes = SaveToMemory(persist_.get());
  orlofx::MemoryRecordStream native;
  ASSERT_EQ(Processor(row.namedPreset)->SaveRecord(native, true), orlofx::kOk);
  ASSERT_TRUE(bytes == native.Bytes()) << "the record differs from the native one";
  ComRef<IUnknown> other = Fresh();
  auto otherPersist = QueryAs<IPersistStream>(other.get(), IID_IPersistStream);
  NotificationWindow window;
  ASSERT_EQ(Notify(other.get(), window.Handle(), kPageCommand), S_OK);
  std::vector<BYTE> half(bytes.begin(), bytes.begin() + 20 + (bytes.size() - 20) / 2);
  for (size_t at = 20; at < half.size(); at += 4) ++half[at];  // every field it holds changed
  EXPECT_TRUE(FAILED(LoadFromMemory(otherPersist.get(), half)));
  EXPECT_TRUE(SaveToMemory(otherPersist.get()) == fresh) << "nothing of the half-read record is taken";
  EXPECT_EQ(window.Take(), kRecordChanged);
  ASSERT_EQ(LoadFromMemory(otherPersist.get(), bytes), S_OK);
  EXPECT_TRUE(SaveToMemory(otherPersist.get()) == bytes);
  EXPECT_EQ(window.Take(), kRecordChanged);
}

TEST_P(FilterContract, PresetsAreNamedAndAppliedAsTheProcessorAppliesThem) {
  const FilterRow& row = GetParam();
  long count = 0;
  ASSERT_EQ(presets_->GetPresetCount(&count), S_OK);
  EXPECT_EQ(count, row.presets);
  ASSERT_EQ(QueryAs<IAkTranslationInfo>(prop_.get(), IID_IAkTranslationInfo)->SetLanguage(0), S_OK);  // US English
  WCHAR name[260], cut[7];
  ASSERT_EQ(presets_->GetPresetName(row.namedPreset, name, 260), S_OK);
  EXPECT_STREQ(name, row.presetName);
  ASSERT_EQ(presets_->GetPresetName(row.namedPreset, cut, 7), S_OK);
  EXPECT_EQ(std::wstring(cut), std::wstring(row.presetName).substr(0, 6)) << "what fits, terminated";
  EXPECT_EQ(presets_->GetPresetName(count, name, 260), E_INVALIDARG);
  EXPECT_EQ(presets_->GetPresetName(-1, name, 260), E_INVALIDARG);
  ASSERT_EQ(presets_->ApplyPreset(count - 1), S_OK);
  EXPECT_TRUE(Saved() == ProcessorPreset(count - 1));
  EXPECT_EQ(presets_->ApplyPreset(count), E_INVALIDARG);
  EXPECT_EQ(presets_->ApplyPreset(-1), E_INVALIDARG);
}

// --- in a graph -------------------------------------------------------------------------

// Every sample stamped, each starting where the last ended, `duration` in all.
void ExpectContinuousStamps(const std::vector<ReceivedSample>& samples, REFERENCE_TIME duration) {
  ASSERT_FALSE(samples.empty());
  for (size_t i = 0; i < samples.size(); ++i) {
    EXPECT_TRUE(samples[i].hasTime) << i;
    EXPECT_EQ(samples[i].start, i == 0 ? samples[0].start : samples[i - 1].stop) << "gap before sample " << i;
  }
  EXPECT_NEAR(double(samples.back().stop - samples.front().start), double(duration), double(samples.size()));
}

struct Wav {
  WAVEFORMATEX format = {};
  std::vector<BYTE> data;
};

// The fmt and data chunks of a RIFF WAVE file in the build's test data (the
// native tool's inputs and outputs).
bool ReadWav(const std::string& name, Wav* wav) {
  std::ifstream file("..\\testdata\\" + name, std::ios::binary);
  const std::vector<BYTE> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) || std::memcmp(&bytes[8], "WAVE", 4)) return false;
  bool format = false, data = false;
  for (size_t pos = 12; pos + 8 <= bytes.size();) {
    DWORD size = 0;
    std::memcpy(&size, &bytes[pos + 4], 4);
    size = std::min<DWORD>(size, DWORD(bytes.size() - pos - 8));
    if (!std::memcmp(&bytes[pos], "fmt ", 4) && size >= 16) format = true, std::memcpy(&wav->format, &bytes[pos + 8], 16);
    if (!std::memcmp(&bytes[pos], "data", 4)) data = true, wav->data.assign(&bytes[pos + 8], &bytes[pos + 8] + size);
    pos += 8 + size + (size & 1);
  }
  return format && data;
}

class FilterStreaming : public ::testing::TestWithParam<FilterRow> {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()); }
  // source -> effect (at its stream preset, a page window registered) -> sink,
  // running without a clock.
  void Build(const WAVEFORMATEX& wf) {
    graph_ = std::make_unique<FilterGraph>();
    source_ = ComRef<TestPushSource>(TestPushSource::Create(wf));
    sink_ = ComRef<TestSink>(TestSink::Create());
    ASSERT_EQ(module_.Create(Guid(GetParam().classId), IID_IBaseFilter, effect_.put()), S_OK);
    ASSERT_EQ(QueryAs<IStaticFilterPreset>(effect_.get(), IID_IStaticFilterPreset)->ApplyPreset(GetParam().streamPreset),
              S_OK);
    prop_ = QueryAs<IUnknown>(effect_.get(), Guid(GetParam().prop));
    window_ = std::make_unique<NotificationWindow>();
    ASSERT_EQ(Notify(prop_.get(), window_->Handle(), kPageCommand), S_OK);
    ASSERT_EQ(graph_->Chain(source_.get(), effect_.get(), sink_.get()), S_OK);
    ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  }
  void Push(const WAVEFORMATEX& wf, const std::vector<BYTE>& bytes, size_t piece, REFERENCE_TIME* time,
            const AM_MEDIA_TYPE* type = nullptr) {
    ASSERT_EQ(source_->PushStamped(wf, bytes, piece, time, type), S_OK);
  }
  // What the effect's processor makes of `in`, fed in the same pieces and drained.
  std::vector<BYTE> Expected(const WAVEFORMATEX& wf, const std::vector<BYTE>& in, size_t piece) {
    std::unique_ptr<orlofx::EffectProcessor> reference = GetParam().makeProcessor();
    EXPECT_EQ(reference->ApplyPreset(GetParam().streamPreset), orlofx::kOk);
    return ProcessorOutput(*reference, wf, in, piece);
  }
  ComInit com_;
  ModuleUnderTest module_;
  std::unique_ptr<NotificationWindow> window_;
  std::unique_ptr<FilterGraph> graph_;
  ComRef<TestPushSource> source_;
  ComRef<TestSink> sink_;
  ComRef<IBaseFilter> effect_;
  ComRef<IUnknown> prop_;
};

TEST_P(FilterStreaming, EveryFormatComesOutWholeWithContinuousStampsAndEqualToTheProcessor) {
  const WAVEFORMATEX formats[] = {
      MakeWaveFormat(WAVE_FORMAT_PCM, 1, 22050, 8), MakeWaveFormat(WAVE_FORMAT_PCM, 2, 44100, 16),
      MakeWaveFormat(WAVE_FORMAT_PCM, 2, 48000, 32), MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 32),
      MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 32000, 64)};
  for (const WAVEFORMATEX& wf : formats) {
    SCOPED_TRACE(::testing::Message() << wf.wFormatTag << "/" << wf.wBitsPerSample << "/" << wf.nChannels);
    Build(wf);
    const std::vector<BYTE> in = TestSignal(wf, wf.nSamplesPerSec / 2 + 77);
    const size_t piece = 441 * wf.nBlockAlign;
    REFERENCE_TIME time = 0;
    Push(wf, in, piece, &time);
    ASSERT_EQ(source_->PushEndOfStream(), S_OK);
    EXPECT_EQ(sink_->EndOfStreamCount(), 1);
    const std::vector<BYTE> got = sink_->AllBytes();
    ASSERT_EQ(got.size(), in.size()) << "hold-back and drain keep the length";
    EXPECT_TRUE(got == Expected(wf, in, piece)) << "the filter's output differs from the processor's";
    EXPECT_EQ(sink_->Samples().front().start, 0);
    ExpectContinuousStamps(sink_->Samples(), DurationOf(wf, in.size()));
    graph_->Stop();
    // The connection's format as the property interface reports it (slot 5).
    WAVEFORMATEX reported = {};
    ASSERT_EQ((CallSlot<WAVEFORMATEX*, int>(prop_.get(), 5, &reported, 0)), S_OK);
    EXPECT_TRUE(SameAudioFormat(reported, wf));
    const std::basic_string<DWORD> posted = window_->Take();
    for (WORD code : GetParam().streamCodes)
      EXPECT_NE(posted.find(MAKELONG(kPageCommand, code)), std::basic_string<DWORD>::npos) << code;
    prop_.reset();
    effect_.reset();
    graph_.reset();
  }
}

TEST_P(FilterStreaming, AStrayTailAfterTheLastWholeFrameIsDroppedAndTheStreamEnds) {
  const WAVEFORMATEX wf = Pcm16Stereo44k();
  Build(wf);
  const std::vector<BYTE> whole = TestSignal(wf, 3001);
  std::vector<BYTE> damaged = whole;
  damaged.insert(damaged.end(), {0x5A, 0xA5});  // half a frame more
  HRESULT pushed = E_FAIL, ended = E_FAIL, stopped = E_FAIL;
  RunOnWorker(
      [&] {
        pushed = source_->Push(PushSample::Bytes(damaged).At(0, DurationOf(wf, whole.size())));
        ended = source_->PushEndOfStream();
        stopped = graph_->Stop();
      },
      "a sample ending in half a frame, its end of stream and the graph's Stop");
  EXPECT_EQ(pushed, S_OK);
  EXPECT_EQ(ended, S_OK);
  EXPECT_EQ(stopped, S_OK);
  EXPECT_EQ(sink_->EndOfStreamCount(), 1);
  EXPECT_TRUE(sink_->AllBytes() == Expected(wf, whole, whole.size())) << "every whole frame, nothing else";
  // The time line covers the whole frames, as if the tail had never been.
  const std::vector<ReceivedSample> samples = sink_->Samples();
  ASSERT_FALSE(samples.empty());
  EXPECT_NEAR(double(samples.back().stop), double(DurationOf(wf, whole.size())), double(samples.size()));
}

// Mid-stream: a sample of another stream passes untouched; a format
// announced on a sample holds from that sample on; a format the effect does
// not take refuses its sample and ends the stream.
TEST_P(FilterStreaming, OtherStreamsPassAndFormatsChangeOnTheirSample) {
  const WAVEFORMATEX before = Pcm16Stereo44k(), after = MakeWaveFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 48000, 32);
  CMediaType afterType, refused;
  MakeAudioType(after, &afterType);
  MakeAudioType(MakeWaveFormat(WAVE_FORMAT_PCM, 2, 44100, 24), &refused);
  Build(before);
  const std::vector<BYTE> first = TestSignal(before, 9000), second = TestSignal(after, 12000);
  const size_t firstPiece = 3000 * before.nBlockAlign, secondPiece = 1000 * after.nBlockAlign;
  REFERENCE_TIME time = 0;
  Push(before, {first.begin(), first.begin() + firstPiece}, firstPiece, &time);
  const PushSample control = PushSample::Pattern(999, 7).At(0, 1).Stream(AM_STREAM_CONTROL);
  ASSERT_EQ(source_->Push(control), S_OK);
  const void* controlSample = source_->LastPushedSample();
  Push(before, {first.begin() + firstPiece, first.end()}, firstPiece, &time);
  Push(after, second, secondPiece, &time, &afterType);
  EXPECT_TRUE(FAILED(source_->Push(PushSample::Pattern(6000).At(time, time + 100000).WithType(&refused))));
  EXPECT_EQ(sink_->EndOfStreamCount(), 1) << "the refused sample ends the stream";
  // What the processor holds of the old format comes out in it; the rest is
  // what the processor makes of the new format from a fresh start.
  std::vector<BYTE> expected = Expected(before, first, firstPiece);
  const size_t old = expected.size();
  const std::vector<BYTE> rest = Expected(after, second, secondPiece);
  expected.insert(expected.end(), rest.begin(), rest.end());
  std::vector<BYTE> audio;
  size_t marked = 0, passed = 0;
  for (const ReceivedSample& s : sink_->Samples()) {
    if (s.streamId != AM_STREAM_MEDIA) {
      ++passed;
      EXPECT_EQ(s.identity, controlSample) << "the same sample object goes on";
      EXPECT_TRUE(s.data == control.data && s.stop == 1);
      continue;
    }
    if (s.typeChanged) {
      ++marked;
      EXPECT_EQ(audio.size(), old) << "the mark sits on the first sample of the new format";
      ASSERT_GE(s.changedFormat.size(), sizeof(WAVEFORMATEX) - sizeof(WORD));
      EXPECT_TRUE(SameAudioFormat(*reinterpret_cast<const WAVEFORMATEX*>(s.changedFormat.data()), after));
    }
    audio.insert(audio.end(), s.data.begin(), s.data.end());
  }
  EXPECT_EQ(passed, 1u);
  EXPECT_EQ(marked, 1u);
  EXPECT_TRUE(audio == expected) << "nothing of the refused sample comes out";
  EXPECT_TRUE(SameAudioFormat(*WaveFormatOf(ConnectionTypeOf(sink_->InputPin())), before)) << "the connection stays";
}

// In a host's graph under Wine: Wine's file source and the parser its graph
// finds feed the effect at its default settings; every frame comes out,
// equal to the native tool's output for the same file, with continuous
// stamps; a host's seeking through the effect's output pin reaches the
// parser. PCM 16 (single-precision pipeline) and PCM 32 (double) only: Wine's
// parser alters 8-bit files and offers float as WAVE_FORMAT_EXTENSIBLE.
TEST_P(FilterStreaming, InWinesFileGraphTheOutputIsTheNativeToolsAndSeekingReachesTheParser) {
  for (const std::string name : {"pcm16_stereo_44100", "pcm32_stereo_48000"}) {
    SCOPED_TRACE(name);
    Wav input, expected;
    ASSERT_TRUE(ReadWav(name + ".wav", &input));
    ASSERT_TRUE(ReadWav(name + "." + GetParam().cliName + ".wav", &expected));
    ASSERT_EQ(input.data.size(), expected.data.size()) << "the native tool keeps the length";
    ComRef<IBaseFilter> effect, reader;
    ASSERT_EQ(module_.Create(Guid(GetParam().classId), IID_IBaseFilter, effect.put()), S_OK);
    FilterGraph graph;
    ComRef<TestSink> sink(TestSink::Create());
    wchar_t path[MAX_PATH];
    GetFullPathNameW((L"..\\testdata\\" + std::wstring(name.begin(), name.end()) + L".wav").c_str(), MAX_PATH, path,
                     nullptr);
    ASSERT_EQ(graph.builder()->AddSourceFilter(path, L"reader", reader.put()), S_OK);
    ASSERT_EQ(graph.Add(effect.get(), L"effect"), S_OK);
    ASSERT_EQ(graph.Add(sink.get(), L"sink"), S_OK);
    // The graph puts the parser between the file and the effect.
    ASSERT_EQ(graph.builder()->Connect(FindPinByDirection(reader.get(), PINDIR_OUTPUT).get(),
                                       FindPinByDirection(effect.get(), PINDIR_INPUT).get()), S_OK);
    const ComRef<IPin> out = FindPinByDirection(effect.get(), PINDIR_OUTPUT);
    ASSERT_EQ(graph.Connect(out.get(), sink->InputPin()), S_OK);
    LONGLONG duration = -1;
    ASSERT_EQ(QueryAs<IMediaSeeking>(out.get(), IID_IMediaSeeking)->GetDuration(&duration), S_OK);
    EXPECT_NEAR(double(duration), double(DurationOf(input.format, input.data.size())), 1.0);
    ASSERT_EQ(graph.RunWithoutClock(), S_OK);
    long code = 0;
    ASSERT_EQ(QueryAs<IMediaEvent>(graph.builder(), IID_IMediaEvent)->WaitForCompletion(60000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_EQ(graph.Stop(), S_OK);
    EXPECT_TRUE(sink->AllBytes() == expected.data) << "the output differs from the native tool's";
    ExpectContinuousStamps(sink->Samples(), DurationOf(expected.format, expected.data.size()));
  }
}

std::string RowName(const ::testing::TestParamInfo<FilterRow>& row) { return row.param.name; }

INSTANTIATE_TEST_SUITE_P(SixFilters, FilterContract, ::testing::ValuesIn(kFilters), RowName);
INSTANTIATE_TEST_SUITE_P(SixFilters, FilterStreaming, ::testing::ValuesIn(kFilters), RowName);

}  // namespace
