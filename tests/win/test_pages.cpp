// The nine effect pages in a host window: one contract over tables of their
// controls (each reaches its field with the documented ranges, steps,
// defaults and texts), then what only one page does.
#include <windows.h>
#include <objbase.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "effects/gdyn/win/gdyn_prop.h"
#include "effects/geq/win/geq_prop.h"
#include "effects/mbdyn/win/mbdyn_prop.h"
#include "effects/noisgt/win/noisgt_prop.h"
#include "effects/pgeq/win/pgeq_prop.h"
#include "effects/pmeq/win/pmeq_prop.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/guids.h"
#include "framework/win/media_params.h"
#include "support/number_format.h"
#include "support/win/wide_text.h"
#include "tests/win/support/capture.h"
#include "tests/win/support/page_host.h"
#include "tests/win/support/test_filters.h"

// Every property interface begins with the whole-record getter and setter
// (slots 3 and 4). Outside the unnamed namespace, so its calls stay reachable.
struct RecordAccess : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Get(void* record) = 0;
  virtual HRESULT STDMETHODCALLTYPE Set(const void* record) = 0;
};

namespace {

using namespace orlofx::test;
using orlofx::AkGdynProps;
using orlofx::GeqParams;
using orlofx::MbdynParams;
using Points = std::vector<std::pair<int, int>>;

enum PageId { kNoisgt, kGdyn, kMbdyn1, kMbdyn2, kPmeq, kPgeq, kGeq10, kGeq20, kGeqEnv };
// menuPreset: one whose record differs from preset 0's
struct PageCase { const char* name; const CLSID *filter, *page; const IID* property; long menuPreset; };
const PageCase kPages[] = {
    {"noisgt", &CLSID_AkNoisgt, &CLSID_AkNoisgtPropPage, &IID_IAkNoisgtProp, 6},
    {"gdyn", &CLSID_AkGdyn, &CLSID_AkGdynPropPage, &IID_IAkPlugInProp2, 9},
    {"mbdyn1", &CLSID_AkMbdyn, &CLSID_AkMbdynPropPage, &IID_IAkPlugInProp2, 5},
    {"mbdyn2", &CLSID_AkMbdyn, &CLSID_AkMbdynPropPage2, &IID_IAkPlugInProp2, 5},
    {"pmeq", &CLSID_AkPmeq, &CLSID_AkPmeqPropPage, &IID_IAkPmeqProp, 5},
    {"pgeq", &CLSID_AkPgeq, &CLSID_AkPgeqPropPage, &IID_IAkPgeqProp, 9},
    {"geq10", &CLSID_AkGeq, &CLSID_AkGeqPropPage, &IID_IAkGeqProp, 7},
    {"geq20", &CLSID_AkGeq, &CLSID_AkGeqPropPage2, &IID_IAkGeqProp, 7},
    {"geqenv", &CLSID_AkGeq, &CLSID_AkGeqPropPage3, &IID_IAkGeqProp, 7},
};

#define FIELD(Record, member) static_cast<int>(offsetof(orlofx::Record, member) / 4)
// Slider, envelope-graph and meter messages.
constexpr UINT kGetMin = 1547, kGetMax = 1548, kGetTravel = 1566, kEnvGetPoints = 1539, kEnvXToPixel = 1555;
constexpr UINT kEnvPixelToX = 1556, kEnvYToPixel = 1557, kMeterGetLevel = 1546;
constexpr long kNone = -99999;

std::string Narrow(const std::wstring& text) { return orlofx::WideToUtf8(text); }

// Where an envelope graph draws the point (x, y); a drag with the left button
// from one point to another in `steps` moves.
POINT Pixel(HWND graph, long x, long y) {
  return POINT{static_cast<int>(SendMessageW(graph, kEnvXToPixel, 0, x)),
               static_cast<int>(SendMessageW(graph, kEnvYToPixel, 0, y))};
}
void Drag(HWND graph, POINT from, POINT to, int steps) {
  SendMessageW(graph, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
  for (int i = 1; i <= steps; ++i)
    SendMessageW(graph, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, from.y + (to.y - from.y) * i / steps));
  SendMessageW(graph, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
  PumpMessages();
}

// The pages and the filter they share; on request a running graph around it
// (our push source and collecting sink, 16-bit stereo at 44.1 kHz).
class Pages : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
  void TearDown() override { Reset(), host_.reset(), CoUninitialize(); }
  void Reset() {
    pages_.clear();
    if (graph_) graph_->Stop();
    graph_.reset(), source_.reset(), sink_.reset(), record_.reset(), filter_.reset(), pushed_ = 0;
    PumpMessages();
  }
  // Opens page `id` at (x, 0), creating its effect's filter on first use.
  HostedPage& Open(PageId id, int x = 0, bool connectFirst = true) {
    if (!filter_) {
      EXPECT_EQ(module_.Create(*kPages[id].filter, IID_IUnknown, filter_.put()), S_OK);
      record_ = QueryAs<RecordAccess>(filter_.get(), *kPages[id].property);
    }
    if (!host_) host_ = std::make_unique<HostWindow>(1400, 560);
    pages_.push_back(std::make_unique<HostedPage>());
    EXPECT_EQ(pages_.back()->Open(module_, *kPages[id].page, filter_.get(), host_->Handle(), connectFirst, x, 0), S_OK);
    return *pages_.back();
  }
  std::vector<std::int32_t> Record() {
    std::vector<std::int32_t> words(160);
    EXPECT_EQ(record_->Get(words.data()), S_OK);
    return words;
  }
  template <class R>
  R RecordAs() {
    R r;
    return std::memcpy(&r, Record().data(), sizeof r), r;
  }
  long Field(int index) { return Record()[index]; }
  // Fields changed behind the pages' backs, then the filter's notification.
  void ChangeElsewhere(std::initializer_list<std::pair<int, std::int32_t>> fields) {
    std::vector<std::int32_t> words = Record();
    for (const auto& f : fields) words[f.first] = f.second;
    ASSERT_EQ(record_->Set(words.data()), S_OK);
    for (const auto& page : pages_) PostMessageW(page->Dialog(), WM_COMMAND, MAKEWPARAM(32700, 100), 0);
    PumpMessages();
  }
  void ApplyPreset(long index) {
    ASSERT_EQ(QueryAs<IStaticFilterPreset>(filter_.get(), IID_IStaticFilterPreset)->ApplyPreset(index), S_OK);
    PumpMessages();
  }
  void Stream() {
    graph_ = std::make_unique<FilterGraph>();
    source_ = ComRef<TestPushSource>(TestPushSource::Create(Pcm16Stereo44k()));
    sink_ = ComRef<TestSink>(TestSink::Create());
    auto effect = QueryAs<IBaseFilter>(filter_.get(), IID_IBaseFilter);
    ASSERT_EQ(graph_->Chain(source_.get(), effect.get(), sink_.get()), S_OK);
    ASSERT_EQ(graph_->RunWithoutClock(), S_OK);
  }
  // A sine of `hz` at `level` (0..1), `frames` long, the same in both channels.
  static std::vector<BYTE> Tone(double hz, double level, int frames) {
    std::vector<short> samples(static_cast<size_t>(frames) * 2);
    const double step = 2 * 3.14159265358979 * hz / 44100;
    for (int i = 0; i < 2 * frames; ++i)
      samples[i] = static_cast<short>(std::lround(32767 * level * std::sin(step * (i / 2))));
    const BYTE* bytes = reinterpret_cast<const BYTE*>(samples.data());
    return std::vector<BYTE>(bytes, bytes + 4 * samples.size() / 2);
  }
  void Push(const std::vector<BYTE>& bytes) {
    ASSERT_EQ(source_->PushStamped(Pcm16Stereo44k(), bytes, 441 * 4, &pushed_), S_OK);
  }
  // Streams `audio` (repeated) in 20 ms pieces while the pages' messages are
  // handled, until `done` or about six seconds.
  bool StreamUntil(const std::vector<BYTE>& audio, const std::function<bool()>& done) {
    const size_t piece = 882 * 4;
    for (size_t at = 0, start = GetTickCount(); !done(); at = (at + piece) % audio.size()) {
      if (GetTickCount() - start > 6000) return done();
      Push(std::vector<BYTE>(audio.begin() + at, audio.begin() + at + std::min(piece, audio.size() - at)));
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 15, QS_ALLINPUT);
      PumpMessages();
    }
    return true;
  }
  // Streams (or only waits) while the page's timer runs `ticks` times.
  void Ticks(HWND page, size_t ticks, const std::vector<BYTE>* audio = nullptr) {
    MessageRecorder seen(page, {WM_TIMER});
    auto done = [&] { return seen.entries.size() >= ticks; };
    EXPECT_TRUE(audio ? StreamUntil(*audio, done) : PumpUntil(done)) << "the page timer never ran";
  }

  ModuleUnderTest module_;
  std::unique_ptr<HostWindow> host_;
  ComRef<IUnknown> filter_;
  ComRef<RecordAccess> record_;
  std::vector<std::unique_ptr<HostedPage>> pages_;
  std::unique_ptr<FilterGraph> graph_;
  ComRef<TestPushSource> source_;
  ComRef<TestSink> sink_;
  REFERENCE_TIME pushed_ = 0;
};

// A slider and the text that shows its value. End takes a fader to its
// minimum and a trackbar to its maximum; Home a trackbar to its minimum and
// a fader to its maximum, or to 0 where the range spans 0. byDefault kNone:
// not documented; positionIsField false: the Graphic EQ's band faders show the envelope.
struct SliderRow {
  PageId page;
  int slider, text, field;
  long minimum, maximum, byDefault, line, pageStep;
  const wchar_t *endText, *homeText, *defaultText;
  bool positionIsField = true;
};
const SliderRow kSliders[] = {
    {kNoisgt, 1008, 1005, FIELD(NoisgtParams, threshold), -800, 0, -100, 1, 10, L"-Inf.", L"0.0 dB", L"-10.0 dB"},
    {kNoisgt, 1002, 1010, FIELD(NoisgtParams, attack), 1, 500, 250, 1, 10, L"500", L"1", L"250"},
    {kNoisgt, 1003, 1009, FIELD(NoisgtParams, release), 1, 5000, 2500, 1, 100, L"5,000", L"1", L"2,500"},
    {kGdyn, 2006, 2013, FIELD(AkGdynProps, outputGain), -250, 250, kNone, 1, 10, L"-25.0 dB", L"0.0 dB", nullptr},
    {kGdyn, 2002, 2019, FIELD(AkGdynProps, attack), 0, 5000, kNone, 1, 100, L"500.0", L"0.0", nullptr},
    {kGdyn, 2003, 2020, FIELD(AkGdynProps, release), 0, 50000, kNone, 10, 1000, L"5,000.0", L"0.0", nullptr},
    {kMbdyn1, 5021, 5022, FIELD(MbdynParams, threshold[0]), -600, 0, 0, 1, 10, L"-60.0 dB", L"0.0 dB", L"0.0 dB"},
    {kMbdyn1, 5025, 5026, FIELD(MbdynParams, amount[0]), 10, 500, 10, 1, 10, L"1.0 :1", L"50.0 :1", L"1.0 :1"},
    {kMbdyn1, 5032, 5006, FIELD(MbdynParams, gain[0]), -250, 250, 0, 1, 10, L"-25.0 dB", L"0.0 dB", L"0.0 dB"},
    {kMbdyn1, 5029, 5027, FIELD(MbdynParams, attack[0]), 0, 5000, 2500, 10, 100, L"500.0", L"0.0", L"250.0"},
    {kMbdyn1, 5030, 5028, FIELD(MbdynParams, release[0]), 0, 50000, 25000, 100, 1000, L"5,000.0", L"0.0", L"2,500.0"},
    {kMbdyn1, 5054, 5033, FIELD(MbdynParams, center[0]), 50, 15000, 1000, 10, 100, L"15,000", L"50", L"1,000"},
    {kMbdyn1, 5045, 5009, FIELD(MbdynParams, width[0]), 3, 30, 10, 1, 5, L"3.0", L"0.3", L"1.0"},
    {kMbdyn1, 5011, 5012, FIELD(MbdynParams, outputGain), -250, 250, 0, 1, 10, L"-25.0 dB", L"0.0 dB", L"0.0 dB"},
    {kMbdyn2, 5064, 5066, FIELD(MbdynParams, threshold[2]), -600, 0, 0, 1, 10, L"-60.0 dB", L"0.0 dB", L"0.0 dB"},
    {kMbdyn2, 5098, 5099, FIELD(MbdynParams, center[3]), 50, 15000, 1000, 10, 100, L"15,000", L"50", L"1,000"},
    {kPmeq, 4008, 4020, FIELD(PmeqParams, amount), -600, 200, 0, 1, 10, L"-60.0 dB", L"0.0 dB", L"0.0 dB"},
    {kPmeq, 4010, 4021, FIELD(PmeqParams, outputGain), -600, 200, 0, 1, 10, L"-60.0 dB", L"0.0 dB", L"0.0 dB"},
    {kPmeq, 4015, 4011, FIELD(PmeqParams, frequency), 20, 22050, 1000, 1, 100, L"22,050", L"20", L"1,000"},
    {kPmeq, 4016, 4012, FIELD(PmeqParams, width), 1, 50, 25, 1, 10, L"5.0", L"0.1", L"2.5"},
    {kPgeq, 3011, 3018, FIELD(PgeqParams, dryOut), -250, 250, -250, 1, 10, L"-Inf.", L"0.0 dB", L"-Inf."},
    {kPgeq, 3012, 3017, FIELD(PgeqParams, wetOut), -250, 250, 0, 1, 10, L"-25.0 dB", L"0.0 dB", L"0.0 dB"},
    {kPgeq, 3015, 3006, FIELD(PgeqParams, gain[3]), -250, 250, 0, 1, 10, L"-25.0 dB", L"0.0 dB", L"0.0 dB"},
    {kPgeq, 3041, 3007, FIELD(PgeqParams, width[0]), 3, 25, 10, 1, 10, L"2.5 oct", L"0.3 oct", L"1.0 oct"},
    {kPgeq, 3048, 3023, FIELD(PgeqParams, center[0]), 20, 15000, 1000, 1, 100, L"15,000", L"20", L"1,000"},
    {kPgeq, 3053, 3032, FIELD(PgeqParams, lowShelfFrequency), 20, 15000, 500, 1, 100, L"15,000", L"20", L"500"},
    {kPgeq, 3055, 3034, FIELD(PgeqParams, highShelfFrequency), 20, 20000, 1000, 1, 100, L"20,000", L"20", L"1,000"},
    {kPgeq, 3037, 3045, FIELD(PgeqParams, lowShelfGain), -250, 250, 0, 1, 10, L"25.0 dB", L"-Inf.", L"0.0 dB"},
    {kPgeq, 3040, 3046, FIELD(PgeqParams, highShelfGain), -250, 250, 0, 1, 10, L"25.0 dB", L"-Inf.", L"0.0 dB"},
    {kGeq10, 6007, 6027, FIELD(GeqParams, bandGain[1]), -480, 240, kNone, 1, 10, L"-Inf.", L"0.0", nullptr, false},
    {kGeq10, 6094, 6098, FIELD(GeqParams, outputGain), -600, 200, kNone, 1, 10, L"-60.0 dB", L"0.0 dB", nullptr},
    {kGeq20, 6006, 6026, FIELD(GeqParams, bandGain[0]), -480, 240, kNone, 1, 10, L"-Inf.", L"0.0", nullptr, false},
    {kGeq20, 6025, 6045, FIELD(GeqParams, bandGain[19]), -480, 240, kNone, 1, 10, L"-Inf.", L"0.0", nullptr, false},
    {kGeq20, 6094, 6100, FIELD(GeqParams, outputGain), -600, 200, kNone, 1, 10, L"-60.0 dB", L"0.0 dB", nullptr},
};

// A value typed into an edit box and left: what the filter keeps and what
// the box and its slider show then (plain digits only in the Noise Gate's
// attack box; widths cut to tenths, not rounded).
struct Typed { const wchar_t* typed; long value; const wchar_t* shown; };
struct EditRow { PageId page; int edit, slider, field; std::vector<Typed> cases; };
const EditRow kEdits[] = {
    {kNoisgt, 1009, 1003, FIELD(NoisgtParams, release), {{L"5,000", 5000, L"5,000"}, {L"0", 1, L"1"},
      {L"  1,234.9 ms", 1234, L"1,234"}}},
    {kNoisgt, 1010, 1002, FIELD(NoisgtParams, attack), {{L"9999", 500, L"500"}, {L"1,2", 1, L"1"}}},
    {kGdyn, 2019, 2002, FIELD(AkGdynProps, attack), {{L"12.5", 125, L"12.5"}, {L"9999", 5000, L"500.0"}}},
    {kGdyn, 2020, 2003, FIELD(AkGdynProps, release), {{L"1,234.56 ms", 12345, L"1,234.5"}, {L"x", 0, L"0.0"}}},
    {kMbdyn1, 5043, 5056, FIELD(MbdynParams, attack[1]), {{L"12.5", 125, L"12.5"}, {L"9999", 5000, L"500.0"}}},
    {kMbdyn1, 5047, 5057, FIELD(MbdynParams, release[1]), {{L"4,321.06", 43211, L"4,321.1"}, {L"ms", 0, L"0.0"}}},
    {kMbdyn1, 5052, 5058, FIELD(MbdynParams, center[1]), {{L"2,500", 2500, L"2,500"}, {L"20", 50, L"50"}}},
    {kMbdyn2, 5094, 5093, FIELD(MbdynParams, attack[3]), {{L"0.3", 3, L"0.3"}}},
    {kPmeq, 4012, 4016, FIELD(PmeqParams, width), {{L"0.05", 1, L"0.1"}, {L"2.59", 25, L"2.5"}, {L".7", 7, L"0.7"},
      {L"12", 50, L"5.0"}, {L"abc", 1, L"0.1"}, {L"1.5 oct", 15, L"1.5"}, {L"0,5", 50, L"5.0"}}},
    {kPmeq, 4011, 4015, FIELD(PmeqParams, frequency), {{L"12,345", 12345, L"12,345"}, {L"100000", 22050, L"22,050"},
      {L"5", 20, L"20"}}},
    {kPgeq, 3023, 3048, FIELD(PgeqParams, center[0]), {{L"2,000", 2000, L"2,000"}, {L"5", 20, L"20"}}},
    {kPgeq, 3034, 3055, FIELD(PgeqParams, highShelfFrequency), {{L"12,345", 12345, L"12,345"}}},
};


// Check boxes that mirror a switch of the record.
struct SwitchRow { PageId page; int button, field; };
const SwitchRow kSwitches[] = {
    {kGdyn, 2007, FIELD(AkGdynProps, autoGain)},          {kGdyn, 2008, FIELD(AkGdynProps, syncStereo)},
    {kMbdyn1, 5023, FIELD(MbdynParams, syncStereo)},      {kMbdyn1, 5104, FIELD(MbdynParams, bandBypass[0])},
    {kMbdyn1, 5147, FIELD(MbdynParams, enableMeters)},    {kMbdyn2, 5148, FIELD(MbdynParams, enableMeters)},
    {kMbdyn2, 5107, FIELD(MbdynParams, bandBypass[3])},   {kPgeq, 3028, FIELD(PgeqParams, lowShelfEnable)},
    {kPgeq, 3030, FIELD(PgeqParams, highShelfEnable)},
};

// Drop lists whose selection is the field's value (itemData: the item data too).
struct ListRow { PageId page; int list, field, count; bool itemData; };
const ListRow kLists[] = {
    {kMbdyn1, 5024, FIELD(MbdynParams, type[0]), 3, false}, {kMbdyn2, 5097, FIELD(MbdynParams, type[3]), 3, false},
    {kPmeq, 4009, FIELD(PmeqParams, filterType), 4, true}, {kPmeq, 4019, FIELD(PmeqParams, accuracy), 3, true},
    {kGeq10, 6101, FIELD(GeqParams, accuracy), 3, true},   {kGeq20, 6101, FIELD(GeqParams, accuracy), 3, true},
    {kGeqEnv, 6101, FIELD(GeqParams, accuracy), 3, true},
};

// What a page shows when it opens on a new filter (preset 0): its record's
// values, and labels whose ranges are numbers in the user's format.
struct TextRow { PageId page; int id; const wchar_t* text; };
const TextRow kTexts[] = {
    {kNoisgt, 2, L"Noise Gate"}, {kNoisgt, 1013, L"R&elease time (1 to 5,000 ms):"}, {kNoisgt, 1005, L"-20.0 dB"},
    {kNoisgt, 1010, L"3"}, {kGdyn, 2017, L"Rat&io (1.0:1 to Inf.:1):"}, {kGdyn, 2020, L"500.0"},
    {kGdyn, 2011, L"-24.0 dB"}, {kGdyn, 2012, L"1.0 :1"}, {kMbdyn1, 5040, L"Center (50 to 15,000 Hz):"},
    {kMbdyn1, 5033, L"200"}, {kMbdyn1, 5047, L"100.0"}, {kMbdyn2, 5107, L"Band &4 bypass"}, {kMbdyn2, 5099, L"10,000"},
    {kPmeq, 4011, L"650"}, {kPmeq, 4020, L"-4.0 dB"}, {kPmeq, 4019, L"Medium (great for mid and high frequencies)"},
    {kPmeq, 4029, L"Center &frequency (20 to 22,050 Hz):"}, {kPgeq, 3018, L"-Inf."}, {kPgeq, 3000, L"1.0 oct"},
    {kPgeq, 3025, L"1,000"}, {kPgeq, 3034, L"500"}, {kPgeq, 3057, L"&Dry out\n(-Inf. to 25 dB)"},
    {kGeq10, 6027, L"0.0"}, {kGeq20, 6100, L"0.0 dB"}, {kGeq20, 6095, L"Center (Hz):"}, {kGeqEnv, 6098, L"0.0 dB"},
};

// What only one page does, step by step: after the preset (if any) and the
// key, click or list choice (action 0: none) on the control, the field (or
// the control's position) and the text show the values given.
constexpr UINT kClick = 0xFFFF, kChoose = 0x10000;
constexpr int kPosition = -2;
struct Step { PageId page; long preset; int control; UINT action; int field, value, text; const wchar_t* shown; };
#define GDYN(member) FIELD(AkGdynProps, member)
const Step kSteps[] = {
    // Reset Graph: a 1:1 line with its threshold at -21 dB; the ratio at the top flattens the curve above the knee.
    {kGdyn, 9, 2015, kClick, GDYN(threshold), -210, 2011, L"-21.0 dB"},
    {kGdyn, -1, 0, 0, GDYN(ratio), 10, 2012, L"1.0 :1"}, {kGdyn, -1, 0, 0, GDYN(pointCount), 3, 0, nullptr},
    {kGdyn, -1, 0, 0, GDYN(points[1].x), -210, 0, nullptr}, {kGdyn, -1, 0, 0, GDYN(points[1].y), -210, 0, nullptr},
    {kGdyn, -1, 0, 0, GDYN(points[2].y), 0, 0, nullptr}, {kGdyn, -1, 2004, 0, kPosition, -210, 0, nullptr},
    {kGdyn, -1, 2005, VK_END, GDYN(points[2].y), -210, 2012, L"Inf.:1"},
    {kGdyn, -1, 2005, VK_HOME, GDYN(points[2].y), 0, 2012, L"1.0 :1"},
    // 2:1 above -18 dB, one dB up: the top keeps the 2:1 slope.
    {kGdyn, 7, 2004, VK_PRIOR, GDYN(points[1].x), -170, 2011, L"-17.0 dB"},
    {kGdyn, -1, 0, 0, GDYN(points[1].y), -170, 0, nullptr}, {kGdyn, -1, 0, 0, GDYN(points[2].y), -85, 0, nullptr},
    // Compressor/gate, knee at -15 dB: at -0.1 dB the knee comes within 0.3 dB of the top and goes; the slider shows
    // the curve's threshold then.
    {kGdyn, 2, 2004, VK_END, GDYN(pointCount), 3, 2011, L"-46.5 dB"},
    {kGdyn, -1, 0, 0, GDYN(points[1].x), -465, 0, nullptr}, {kGdyn, -1, 0, 0, GDYN(points[1].y), -840, 0, nullptr},
    {kGdyn, -1, 2004, 0, kPosition, -465, 0, nullptr},
    // The type list (the keyboard moves a drop list and reports it) sets its band's frequency caption only.
    {kMbdyn1, -1, 5024, VK_HOME, FIELD(MbdynParams, type[0]), 0, 5040, L"Below (50 to 15,000 Hz):"},
    {kMbdyn1, -1, 5024, VK_DOWN, FIELD(MbdynParams, type[0]), 1, 5040, L"Center (50 to 15,000 Hz):"},
    {kMbdyn1, -1, 5024, VK_DOWN, FIELD(MbdynParams, type[0]), 2, 5040, L"Above (50 to 15,000 Hz):"},
    {kMbdyn1, -1, 0, 0, FIELD(MbdynParams, type[1]), 1, 5039, L"Center (50 to 15,000 Hz):"},
    {kMbdyn1, 3, 0, 0, FIELD(MbdynParams, type[0]), 0, 5040, L"Below (50 to 15,000 Hz):"},
    // From a shelf to a band type and back: both labels.
    {kPmeq, -1, 4009, kChoose + 0, -1, 0, 4029, L"Cutoff &frequency (20 to 22,050 Hz):"},
    {kPmeq, -1, 0, 0, -1, 0, 4030, L"Transition &width (0.1 to 5 oct.):"},
    {kPmeq, -1, 4009, kChoose + 3, -1, 0, 4029, L"Center &frequency (20 to 22,050 Hz):"},
    {kPmeq, -1, 0, 0, -1, 0, 4030, L"Band &width (0.1 to 5 oct):"},
    {kPmeq, -1, 4009, kChoose + 1, -1, 0, 4029, L"Cutoff &frequency (20 to 22,050 Hz):"},
    // Which control marks which band in the graph: band controls theirs, shelves none (4), dry and wet leave it.
    {kPgeq, -1, 3016, VK_PRIOR, FIELD(PgeqParams, highlightBand), 1, 3004, L"1.0 dB"},
    {kPgeq, -1, 3028, kClick, FIELD(PgeqParams, highlightBand), 4, 0, nullptr},
    {kPgeq, -1, 3049, VK_RIGHT, FIELD(PgeqParams, highlightBand), 1, 0, nullptr},
    {kPgeq, -1, 3012, VK_PRIOR, FIELD(PgeqParams, highlightBand), 1, 3017, L"1.0 dB"},
    {kPgeq, -1, 3053, VK_RIGHT, FIELD(PgeqParams, highlightBand), 4, 0, nullptr},
    {kPgeq, -1, 3042, VK_HOME, FIELD(PgeqParams, highlightBand), 1, 3008, L"0.3 oct"},
    {kPgeq, -1, 3037, VK_END, FIELD(PgeqParams, highlightBand), 4, 3045, L"25.0 dB"},
};

class PageContract : public Pages, public ::testing::WithParamInterface<PageId> {
 protected:
  // The Paragraphic EQ's band and shelf controls work while these are on.
  void Prepare() {
    if (GetParam() == kPgeq)
      ChangeElsewhere({{FIELD(PgeqParams, gain[0]), 10}, {FIELD(PgeqParams, lowShelfEnable), 1},
                       {FIELD(PgeqParams, highShelfEnable), 1}});
  }
};

// Help popups through the window WinHelp hands its commands to by
// WM_COPYDATA (stood in for here), with a help file beside the module.
// Context 0: no popup.
struct HelpRow { PageId page; int control; DWORD context; };
const HelpRow kHelp[] = {
    {kNoisgt, 1008, 33}, {kNoisgt, 1005, 33}, {kNoisgt, 1010, 34}, {kNoisgt, 1013, 35}, {kNoisgt, 2, 0},
    {kPmeq, 4010, 79},   {kPmeq, 4030, 82},   {kPmeq, 4035, 84},   {kPmeq, 4019, 85},   {kPgeq, 3011, 64},
    {kPgeq, 3056, 66},   {kPgeq, 3045, 70},   {kPgeq, 3046, 71},   {kGeq20, 6025, 73},  {kGeq20, 6094, 74},
    {kGeqEnv, 6091, 76}, {kGeq10, 6101, 77},  {kGeq10, 6088, 121},
};
std::vector<DWORD> g_helpContexts;

// Stands in for the help program's window: records each popup asked for.
LRESULT CALLBACK HelpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
  const BYTE* data = static_cast<const BYTE*>(reinterpret_cast<const COPYDATASTRUCT*>(lParam)->lpData);
  DWORD context = 0;
  std::memcpy(&context, data + 4, 4);
  if (data[2] == HELP_CONTEXTPOPUP && data[3] == 0) g_helpContexts.push_back(context);
  return TRUE;
}

// What a page shows on opening, its help popups, a preset from its menu
// (the record the host's call gives a filter of its own, every slider
// following), then its sliders and the values typed into its edit boxes.
TEST_P(PageContract, EachControlReachesItsFieldWithItsRangeStepsDefaultTextsAndHelp) {
  const PageCase& c = kPages[GetParam()];
  WCHAR path[MAX_PATH] = {};
  const std::wstring dll(path, GetModuleFileNameW(module_.Handle(), path, MAX_PATH));
  const std::wstring hlp = dll.substr(0, dll.size() - 3) + L"hlp";
  CloseHandle(CreateFileW(hlp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  WNDCLASSW wc = {};
  wc.lpfnWndProc = HelpWindowProc, wc.lpszClassName = L"MS_WINHELP";
  RegisterClassW(&wc);
  HWND help = CreateWindowExW(0, L"MS_WINHELP", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  HostedPage& page = Open(GetParam());  // resolves the help files
  for (const TextRow& t : kTexts)
    if (t.page == GetParam()) { EXPECT_EQ(page.Text(t.id), t.text) << t.id; }
  for (const HelpRow& h : kHelp) {
    if (h.page != GetParam()) continue;
    g_helpContexts.clear();
    HELPINFO info = {sizeof(HELPINFO), HELPINFO_WINDOW, h.control, page.Control(h.control), 0, {}};
    SendMessageW(page.Dialog(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(g_helpContexts, h.context ? std::vector<DWORD>{h.context} : std::vector<DWORD>{}) << h.control;
  }
  DestroyWindow(help);
  UnregisterClassW(L"MS_WINHELP", nullptr);
  DeleteFileW(hlp.c_str());
  ComRef<IUnknown> other;
  ASSERT_EQ(module_.Create(*c.filter, IID_IUnknown, other.put()), S_OK);
  ASSERT_EQ(QueryAs<IStaticFilterPreset>(other.get(), IID_IStaticFilterPreset)->ApplyPreset(c.menuPreset), S_OK);
  std::vector<std::int32_t> expected(160);
  ASSERT_EQ(QueryAs<RecordAccess>(other.get(), *c.property)->Get(expected.data()), S_OK);
  ASSERT_NE(Record(), expected);
  SendMessageW(page.Dialog(), WM_COMMAND, 40500 + c.menuPreset, 0);
  PumpMessages();
  EXPECT_EQ(Record(), expected);
  for (const SliderRow& r : kSliders)
    if (r.page == GetParam() && r.positionIsField) {
      EXPECT_EQ(page.SliderPosition(r.slider), Field(r.field)) << r.slider;
    }
  ApplyPreset(0);
  Prepare();
  for (const SliderRow& r : kSliders) {
    if (r.page != GetParam()) continue;
    SCOPED_TRACE(r.slider);
    HWND slider = page.Control(r.slider);
    WCHAR cls[64] = {};
    GetClassNameW(slider, cls, 64);
    const bool fader = lstrcmpiW(cls, L"tovra2Bld314FaderClass") == 0;
    EXPECT_TRUE(fader || lstrcmpiW(cls, L"tovra2Bld314TrackbarClass") == 0) << Narrow(cls);
    EXPECT_EQ(static_cast<long>(SendMessageW(slider, kGetMin, 0, 0)), r.minimum);
    EXPECT_EQ(static_cast<long>(SendMessageW(slider, kGetMax, 0, 0)), r.maximum);
    auto expectShows = [&](long value, const wchar_t* text) {
      EXPECT_EQ(Field(r.field), value);
      EXPECT_EQ(page.SliderPosition(r.slider), value);
      if (text) { EXPECT_EQ(page.Text(r.text), text) << value; }
    };
    const long home = !fader ? r.minimum : (r.maximum < 1 || r.minimum >= 0) ? r.maximum : 0;
    const long away = fader ? -1 : 1;  // from Home into the range
    page.Key(r.slider, VK_HOME);
    expectShows(home, r.homeText);
    page.Key(r.slider, fader ? VK_DOWN : VK_RIGHT);
    expectShows(home + away * r.line, nullptr);
    page.Key(r.slider, fader ? VK_NEXT : VK_PRIOR);
    expectShows(home + away * (r.line + r.pageStep), nullptr);
    page.Key(r.slider, VK_END);
    expectShows(fader ? r.minimum : r.maximum, r.endText);
    AccessibleText heard;  // a screen reader hears the value as the page shows it
    ASSERT_TRUE(ReadAccessible(slider, &heard));
    EXPECT_EQ(heard.value, page.Text(r.text));
    if (r.byDefault == kNone) continue;
    // A double-click on the thumb, at the end of the travel now.
    const LRESULT travel = SendMessageW(slider, kGetTravel, 0, 0);
    RECT client = {};
    GetClientRect(slider, &client);
    const int end = HIWORD(travel) + LOWORD(travel) + 1;
    page.DoubleClick(r.slider, fader ? client.right / 2 : end, fader ? end : client.bottom / 2);
    expectShows(r.byDefault, r.defaultText);
  }
  for (const EditRow& e : kEdits) {
    for (const Typed& t : e.cases) {
      if (e.page != GetParam()) break;
      page.Type(e.edit, t.typed);
      EXPECT_EQ(Field(e.field), t.value) << Narrow(t.typed);
      EXPECT_EQ(page.Text(e.edit), t.shown) << Narrow(t.typed);
      EXPECT_EQ(page.SliderPosition(e.slider), t.value) << Narrow(t.typed);
    }
  }
}

// Then what only one page does, in the steps' order.
TEST_P(PageContract, SwitchesListsAndStepsOfItsOwnSetTheirFields) {
  HostedPage& page = Open(GetParam());
  for (const SwitchRow& s : kSwitches) {
    for (int click = 0; click < 2 && s.page == GetParam(); ++click) {
      const long before = Field(s.field);
      page.Click(s.button);
      EXPECT_EQ(Field(s.field), 1 - before) << s.button;
      EXPECT_EQ(IsDlgButtonChecked(page.Dialog(), s.button), static_cast<UINT>(Field(s.field))) << s.button;
    }
  }
  for (const ListRow& l : kLists) {
    if (l.page != GetParam()) continue;
    HWND list = page.Control(l.list);
    ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), l.count) << l.list;
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    for (int i = l.count - 1; i >= 0; --i) {
      if (l.itemData) { EXPECT_EQ(SendMessageW(list, CB_GETITEMDATA, i, 0), i) << l.list; }
      page.Choose(l.list, i);
      EXPECT_EQ(Field(l.field), i) << l.list;
      WCHAR item[128] = {};  // the open list is wide enough for each item
      SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
      SIZE size = {};
      GetTextExtentPoint32W(dc, item, lstrlenW(item), &size);
      EXPECT_GT(SendMessageW(list, CB_GETDROPPEDWIDTH, 0, 0), size.cx) << Narrow(item);
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
  }
  for (const Step& s : kSteps) {
    if (s.page != GetParam()) continue;
    if (s.preset >= 0) ApplyPreset(s.preset);
    if (s.action == kClick) page.Click(s.control);
    else if (s.action >= kChoose) page.Choose(s.control, static_cast<int>(s.action - kChoose));
    else if (s.action) page.Key(s.control, s.action);
    if (s.field >= 0) { EXPECT_EQ(Field(s.field), s.value) << s.control; }
    if (s.field == kPosition) { EXPECT_EQ(page.SliderPosition(s.control), s.value); }
    if (s.text) { EXPECT_EQ(page.Text(s.text), s.shown) << s.control; }
  }
}

INSTANTIATE_TEST_SUITE_P(Every, PageContract,
                         ::testing::Values(kNoisgt, kGdyn, kMbdyn1, kMbdyn2, kPmeq, kPgeq, kGeq10, kGeq20, kGeqEnv),
                         [](const ::testing::TestParamInfo<PageId>& p) { return std::string(kPages[p.param].name); });

// What the effect reports to the UI callback a host sets: 'b' begin, 'c'
// change (a run of changes as one), 'e' end, and the parameters named.
class UiCallback : public IMediaParamsUICallback {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    return (*object = iid == IID_IUnknown || iid == IID_IMediaParamsUICallback ? this : nullptr) ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP ParamsBeginCapture(DWORD* indices, DWORD count) override { return Note('b', indices, count); }
  STDMETHODIMP ParamsChanged(DWORD* indices, DWORD count, MP_DATA*) override { return Note('c', indices, count); }
  STDMETHODIMP ParamsEndCapture(DWORD* indices, DWORD count) override { return Note('e', indices, count); }
  HRESULT Note(char kind, const DWORD* indices, DWORD count) {
    if (kind != 'c' || pattern.empty() || pattern.back() != 'c') pattern += kind;
    params.insert(indices, indices + count);
    return S_OK;
  }
  std::string pattern;
  std::set<DWORD> params;
};

// For the host's automation, on each dynamics page: a press and release in
// the channel beyond the thumb (one page step), or a click on a switch, is
// one capture of the control's parameter (-1: none, the curve's sliders are
// not automated); then a parameter under an automation envelope is greyed
// while audio streams (its edit too; another stays) and shows the
// envelope's value, until streaming stops.
struct AutomatedRow {
  PageId page;
  std::vector<std::pair<int, long>> brackets;
  DWORD param;
  float value;
  int control, edit, free;
  const wchar_t* shown;
};
const AutomatedRow kAutomated[] = {
    {kGdyn, {{2002, 0}, {2006, 4}, {2007, 2}, {2008, 3}, {2004, -1}, {2003, 1}}, 0, 100.0f, 2002, 2019, 2003,
     L"100.0"},                                                           // attack
    {kMbdyn1, {{5029, 3}}, 2, 3.0f, 5032, 0, 5021, nullptr}};  // band 1 gain

TEST_F(Pages, EachEditIsOneCaptureForTheHostAndAnAutomatedParameterIsGreyedWhileItStreams) {
  for (const AutomatedRow& a : kAutomated) {
    HostedPage& page = Open(a.page);
    UiCallback callback;
    auto set = QueryAs<IMediaParamsSetUICallback>(filter_.get(), IID_IMediaParamsSetUICallback);
    ASSERT_EQ(set->SetUICallback(&callback), S_OK);
    for (const auto& [id, param] : a.brackets) {
      callback.pattern.clear(), callback.params.clear();
      const std::vector<std::int32_t> before = Record();
      HWND control = page.Control(id);
      WCHAR cls[64] = {};
      GetClassNameW(control, cls, 64);
      const LRESULT travel = SendMessageW(control, kGetTravel, 0, 0);
      RECT client = {};
      GetClientRect(control, &client);
      const LPARAM at = wcsstr(cls, L"Fader") ? MAKELPARAM(client.right / 2, 2)
                                              : MAKELPARAM(HIWORD(travel) + LOWORD(travel) - 2, client.bottom / 2);
      if (lstrcmpiW(cls, L"Button") == 0) page.Click(id);
      else SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at), SendMessageW(control, WM_LBUTTONUP, 0, at);
      PumpMessages();
      EXPECT_NE(Record(), before) << id;
      EXPECT_EQ(callback.pattern, param < 0 ? "" : "bce") << id;
      if (param >= 0) { EXPECT_EQ(callback.params, std::set<DWORD>{static_cast<DWORD>(param)}) << id; }
    }
    if (a.page == kMbdyn1) { EXPECT_EQ(page.Text(5027), L"11.0"); }  // a page on the attack: 1 ms to 11 ms
    set->SetUICallback(nullptr);
    MP_ENVELOPE_SEGMENT segment = {0, 100000000, a.value, a.value, MP_CURVE_JUMP, 0};
    ASSERT_EQ(QueryAs<IMediaParams>(filter_.get(), IID_IMediaParams)->AddEnvelope(a.param, 1, &segment), S_OK);
    auto enabled = [&](int id) { return IsWindowEnabled(page.Control(id)) != FALSE; };
    EXPECT_TRUE(enabled(a.control)) << "not streaming yet";
    Stream();
    Push(Tone(200.0, 0.25, 4410));
    EXPECT_TRUE(PumpUntil([&] { return !enabled(a.control); })) << a.control;
    EXPECT_TRUE(enabled(a.free));
    if (a.edit) { EXPECT_FALSE(enabled(a.edit)); }
    if (a.shown) { EXPECT_TRUE(PumpUntil([&] { return page.Text(a.edit) == a.shown; })) << Narrow(page.Text(a.edit)); }
    graph_->Stop();
    EXPECT_TRUE(PumpUntil([&] { return enabled(a.control); }));
    Reset();
  }
}

TEST_F(Pages, GdynGraphEditsAndTheReadoutUnderThePointer) {
  HostedPage& page = Open(kGdyn);
  HWND graph = page.Control(2018);
  POINT at = Pixel(graph, -120, 0), screen = at;  // the pointer put there for real, as the system's messages say
  ClientToScreen(graph, &screen);
  SetCursorPos(screen.x, screen.y);
  SendMessageW(graph, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  PumpMessages();
  // The default curve is 1:1 there: no gain, the output level the input's.
  const long x = static_cast<long>(SendMessageW(graph, kEnvPixelToX, 0, at.x));
  const std::wstring level = orlofx::FormatLevelW(x, 1, 0, L" dB");
  EXPECT_EQ(page.Text(2014), L"Gain of 0.0 dB at " + level + L", " + level) << Narrow(page.Text(2014));
  RECT r = {};
  GetWindowRect(page.Dialog(), &r);
  SetCursorPos(r.right - 4, r.bottom - 4);
  EXPECT_TRUE(PumpUntil([&] { return page.Text(2014).empty(); })) << "emptied once the pointer has left";
  Drag(graph, Pixel(graph, 0, 0), Pixel(graph, 0, -240), 5);  // the top point down to -24 dB: a limiter
  const AkGdynProps p = RecordAs<AkGdynProps>();
  ASSERT_EQ(p.pointCount, 3);
  EXPECT_EQ(p.points[2].x, 0);
  EXPECT_NEAR(p.points[2].y, -240, 20);
  EXPECT_EQ(page.Text(2012), L"Inf.:1");
}

TEST_F(Pages, MbdynBothPagesStayInStepAndSoloLeavesOneBand) {
  HostedPage &one = Open(kMbdyn1), &two = Open(kMbdyn2, 700);
  auto prop = QueryAs<mbdyn::IAkPlugInProp2>(filter_.get(), IID_IAkPlugInProp2);
  long visible = -1;
  EXPECT_EQ((prop->GetVisiblePage(&visible), visible), 2);  // the page that came last
  ChangeElsewhere({{FIELD(MbdynParams, bandBypass[2]), 0}});
  two.Click(5152);  // band 3 solo
  Ticks(two.Dialog(), 2);
  const MbdynParams p = RecordAs<MbdynParams>();
  for (int b = 0; b < 4; ++b) EXPECT_EQ(orlofx::MbdynBandActive(p, b), b == 2) << b;
  for (int id : {5011, 5023, 5150}) EXPECT_TRUE(IsWindowEnabled(one.Control(id))) << id << " stays editable";
  for (int id : {5011, 5023, 5153}) EXPECT_TRUE(IsWindowEnabled(two.Control(id))) << id << " stays editable";
  two.Key(5011, VK_PRIOR);  // a change on one page shows on the other at once
  EXPECT_EQ(one.Text(5012), L"1.0 dB");
  EXPECT_EQ(one.SliderPosition(5011), 10);
  one.Click(5023);
  EXPECT_EQ(IsDlgButtonChecked(two.Dialog(), 5023), static_cast<UINT>(BST_UNCHECKED));
  long source[2] = {-1, -1};  // the In/Out button switches its band's meter source only
  one.Click(5061);
  prop->GetMeterSource(1, &source[0]), prop->GetMeterSource(2, &source[1]);
  EXPECT_EQ(std::vector<long>(source, source + 2), (std::vector<long>{0, 1}));
  EXPECT_EQ(one.Text(5061) + one.Text(5044), L"OutputInput");
  one.Click(5061);
  EXPECT_EQ(one.Text(5061), L"Input");
  pages_.front()->Close();  // a page going without the claim leaves it alone
  EXPECT_EQ((prop->GetVisiblePage(&visible), visible), 2);
  pages_.back()->Close();
  EXPECT_EQ((prop->GetVisiblePage(&visible), visible), 0);
  Open(kMbdyn2, 0, false);  // the dialog before the binding
  EXPECT_EQ((prop->GetVisiblePage(&visible), visible), 2);
}

TEST_F(Pages, MbdynMetersMoveWhileAudioStreamsAndRestWhenDisabled) {
  HostedPage& page = Open(kMbdyn1);
  HWND level = page.Control(5035), reduction = page.Control(5037);
  auto meter = [](HWND m) { return static_cast<long>(SendMessageW(m, kMeterGetLevel, 0, 0)); };
  EXPECT_EQ(meter(level), 0);
  ChangeElsewhere({{FIELD(MbdynParams, threshold[0]), -300}, {FIELD(MbdynParams, amount[0]), 40}});  // 4:1 from -30 dB
  Stream();
  const std::vector<BYTE> tone = Tone(200.0, 0.5, 44100 / 2);  // in band 1, a notch at 200 Hz
  EXPECT_TRUE(StreamUntil(tone, [&] { return meter(level) > 0; }));
  EXPECT_TRUE(StreamUntil(tone, [&] { return meter(reduction) < 32767; })) << "over the threshold";
  EXPECT_EQ(meter(page.Control(5062)), 0) << "band 2 is bypassed";
  page.Click(5147);
  Ticks(page.Dialog(), 5, &tone);  // resting proves something only if the timer ran
  EXPECT_EQ(std::make_pair(meter(level), meter(reduction)), std::make_pair(0L, 32767L));
  page.Click(5147);
  EXPECT_TRUE(StreamUntil(tone, [&] { return meter(level) > 0; }));
  graph_->Stop();
  EXPECT_TRUE(PumpUntil([&] { return meter(level) == 0; }));
}

TEST_F(Pages, MbdynCaptureThresholdTakesTheMaximumMeasuredSinceItWasSwitchedOn) {
  HostedPage& page = Open(kMbdyn1);
  Stream();
  // Loud before capture (this maximum must not count); the silence after
  // it pushes the held-back block through before capture starts.
  Push(Tone(200.0, 0.9, 882 * 12));
  Push(Tone(200.0, 0.0, 882 * 3));
  page.Click(5149);
  Push(Tone(200.0, 0.05, 44100 / 2));
  EXPECT_TRUE(PumpUntil([&] { return Field(FIELD(MbdynParams, threshold[0])) > -600; }));
  Ticks(page.Dialog(), 3);
  const long threshold = Field(FIELD(MbdynParams, threshold[0]));
  EXPECT_GT(threshold, -500);  // about -26 dB of peak, less the meters' 6 dB: well under the loud part
  EXPECT_LT(threshold, -200);
  EXPECT_EQ(page.SliderPosition(5021), threshold);
  EXPECT_EQ(Field(FIELD(MbdynParams, threshold[1])), 0) << "a bypassed band keeps its threshold";
}

TEST_F(Pages, PmeqStyleSwitchesThePicture) {
  HostedPage& page = Open(kPmeq);
  auto shape = [&](int type) {  // the shape bitmap as it looks on screen
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageW(module_.Handle(), MAKEINTRESOURCEW(4031 + type), IMAGE_BITMAP, 0, 0, 0));
    const Painted p = PaintInto(128, 64, [&](HDC dc) {
      HDC source = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(source, bitmap);
      BitBlt(dc, 0, 0, 128, 64, source, 0, 0, SRCCOPY);
      DeleteDC((SelectObject(source, old), source));
    });
    return DeleteObject(bitmap), p.pixels;
  };
  for (int type : {0, 3, 1, 2}) {  // from a shelf to a band type and back
    page.Choose(4009, type);
    EXPECT_EQ(PrintClient(page.Control(4035)).pixels, shape(type)) << type;
    EXPECT_NE(shape(type), shape(type ^ 1)) << "each picture names its type";
  }
}

TEST_F(Pages, PgeqBandsAndShelvesEnableTheirControls) {
  HostedPage& page = Open(kPgeq, 0, false);  // the dialog first, then the effect
  auto enabled = [&](std::initializer_list<int> ids) {
    std::string states;
    for (int id : ids) states += IsWindowEnabled(page.Control(id)) ? '1' : '0';
    return states;
  };
  EXPECT_EQ(enabled({3042, 3008, 3049, 3024, 3053, 3032, 3037, 3045}), "00000000");  // band 2 and the low shelf off
  page.Key(3016, VK_PRIOR);  // band 2 on
  page.Click(3028);  // the low shelf on
  EXPECT_EQ(enabled({3042, 3008, 3049, 3024, 3053, 3032, 3037, 3045}), "11111111");
  page.Key(3016, VK_HOME);  // band 2 at 0 dB is off again
  EXPECT_EQ(enabled({3042, 3008, 3049, 3024}), "0000");
}

// The graph as it stands on the screen: a black left edge, the drawing area
// one pixel in from each side, the 0 dB line across its middle, the fill
// below the curve. Positions are hundredths of an octave from 20 Hz.
struct Graph {
  Painted p;
  int Width() const { return p.width - 2; }
  int Middle() const { return 1 + (p.height - 2) / 2; }
  int Bottom() const { return p.height - 2; }
  COLORREF Background() const { return p.At(p.width - 1, 0); }
  int Column(int position) const { return 1 + MulDiv(position, Width() - 1, 1000); }
  static int Position(double hz) { return static_cast<int>(std::log2(hz / 20.0) * 100.0); }
  // The topmost row of column `x` that is neither background nor line; one
  // below the area when the column is empty.
  int Top(int x) const {
    for (int y = 1; y <= Bottom(); ++y)
      if (p.At(x, y) != Background() && p.At(x, y) != RGB(0, 0, 0) && y != Middle()) return y;
    return Bottom() + 1;
  }
};

TEST_F(Pages, PgeqGraphShowsBumpsShelvesAndTheMarker) {
  HostedPage& page = Open(kPgeq);
  auto graph = [&] {
    Graph g;
    std::vector<std::uint8_t> rgb;
    EXPECT_TRUE(capture::CaptureClientRgb(page.Control(3056), &g.p.width, &g.p.height, &rgb));
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) g.p.pixels.push_back(RGB(rgb[i], rgb[i + 1], rgb[i + 2]));
    return g;
  };
  auto band = [&](int b, std::int32_t gain, std::int32_t width, std::int32_t center) {
    ChangeElsewhere({{FIELD(PgeqParams, gain[0]) + b, gain}, {FIELD(PgeqParams, width[0]) + b, width},
                     {FIELD(PgeqParams, center[0]) + b, center}});
  };
  Graph g = graph();
  for (int x = 1; x <= g.Width(); ++x) {  // flat: filled up to the black 0 dB line exactly
    ASSERT_EQ(g.p.At(0, x % g.p.height), RGB(0, 0, 0)) << "left edge";
    ASSERT_EQ(g.p.At(x, g.Middle()), RGB(0, 0, 0)) << x;
    ASSERT_EQ(g.Top(x), g.Middle() + 1) << x;
  }
  // Band 1 at 2 kHz, +20 dB, 2.5 octaves: a bump centred there reaching 1.25
  // octaves to each side, with the marker in a colour of its own on its centre.
  band(0, 200, 25, 2000);
  ChangeElsewhere({{FIELD(PgeqParams, highlightBand), 0}});
  g = graph();
  const int centre = g.Column(Graph::Position(2000));
  EXPECT_LT(g.Top(centre + 1), g.Middle() - 10);
  EXPECT_LT(g.Top(centre + 1), g.Top(g.Column(Graph::Position(2000) + 100)));
  for (int x : {g.Column(Graph::Position(2000) - 130), g.Column(Graph::Position(2000) + 130)})
    EXPECT_EQ(g.Top(x), g.Middle() + 1);
  const COLORREF marker = g.p.At(centre, g.Middle() - 1), fill = g.p.At(centre, g.Bottom());
  EXPECT_TRUE(marker != fill && marker != g.Background() && marker != RGB(0, 0, 0) && fill != g.Background());
  // A full low-shelf cut from 15 kHz stops at four half-heights: four full
  // narrow bands stacked at 100 Hz lift it back to just under 0 dB.
  ChangeElsewhere({{FIELD(PgeqParams, lowShelfEnable), 1}, {FIELD(PgeqParams, lowShelfFrequency), 15000},
                   {FIELD(PgeqParams, lowShelfGain), -250}, {FIELD(PgeqParams, highlightBand), 4}});
  EXPECT_EQ(page.Text(3045), L"-Inf.");
  g = graph();
  EXPECT_EQ(g.Top(g.Column(100)), g.Bottom() + 1) << "the cut leaves the graph";
  EXPECT_LE(g.Top(g.Column(995)), g.Bottom());
  for (int b = 0; b < 4; ++b) band(b, 250, 3, 100);
  g = graph();
  EXPECT_EQ(g.Top(g.Column(Graph::Position(100))), g.Middle() + 1);
  EXPECT_EQ(g.Top(g.Column(Graph::Position(100)) - 3), g.Bottom() + 1);
  // A band at 20 Hz, 2.5 octaves wide: only the right half of its bump.
  ChangeElsewhere({{FIELD(PgeqParams, lowShelfEnable), 0}});
  for (int b = 1; b < 4; ++b) band(b, 0, 3, 100);
  band(0, 200, 25, 20);
  g = graph();
  EXPECT_LT(g.Top(g.Column(1)), g.Middle() - 20);
  for (int x = g.Column(126); x <= g.Width(); ++x) ASSERT_EQ(g.Top(x), g.Middle() + 1) << x;
  // Unbound, the graph paints its frame only.
  ASSERT_EQ(page.Page()->SetObjects(0, nullptr), S_OK);
  record_.reset(), filter_.reset();
  g = graph();
  for (int x = 1; x <= g.Width(); ++x) ASSERT_EQ(g.Top(x), g.Bottom() + 1) << x;
}

Points EnvelopeOf(const GeqParams& p) {
  Points points;
  for (int i = 0; i < p.pointCount; ++i) points.emplace_back(p.points[i].x, p.points[i].y);
  return points;
}

// A band fader moved on the flat envelope of preset 0: the envelope around
// the band, and the band's field.
struct EnvelopeRow { PageId page; int fader; UINT key; int times; long band; Points expected; };
const EnvelopeRow kEnvelopeEdits[] = {
    {kGeq20, 6015, VK_PRIOR, 6, 60, {{0, 0}, {4250, 0}, {4375, 200}, {4625, 200}, {4750, 0}, {10000, 0}}},  // 450 Hz
    {kGeq20, 6015, VK_HOME, 1, 0, {{0, 0}, {10000, 0}}},  // 0 dB leaves it as it is
    {kGeq20, 6015, VK_END, 1, -480, {{0, 0}, {4250, 0}, {4375, -500}, {4625, -500}, {4750, 0}, {10000, 0}}},  // silence
    {kGeq20, 6006, VK_UP, 30, 30, {{0, 100}, {125, 100}, {250, 0}, {10000, 0}}},  // the first band moves the start
    {kGeq10, 6025, VK_PRIOR, 12, 120, {{0, 0}, {9000, 0}, {9250, 300}, {10000, 300}}},  // the top reaches the end
};

TEST_F(Pages, GeqBandFadersRewriteTheEnvelopeAroundTheirBand) {
  for (const EnvelopeRow& e : kEnvelopeEdits) {
    HostedPage& page = Open(e.page);
    ApplyPreset(0);
    page.Key(e.fader, e.key, e.times);
    const GeqParams p = RecordAs<GeqParams>();
    EXPECT_EQ(EnvelopeOf(p), e.expected) << e.fader;
    for (int k = 0; k < 20; ++k) EXPECT_EQ(p.bandGain[k], k == e.fader - 6006 ? e.band : 0) << k;
    pages_.clear();
  }
  HostedPage& page = Open(kGeq20);  // one step up from the bottom is a level, though it would round to silence
  page.Key(6015, VK_END);
  page.Key(6015, VK_UP);
  EXPECT_EQ(page.Text(6035), L"-47.9");
  EXPECT_EQ(EnvelopeOf(RecordAs<GeqParams>())[2].second, -499);
}

TEST_F(Pages, GeqPagesReadTheBandsFromTheEnvelopeLeaveTheRecordAloneAndFollowEachOther) {
  HostedPage& twenty = Open(kGeq20);
  auto persist = QueryAs<IPersistStream>(filter_.get(), IID_IPersistStream);
  ApplyPreset(8);  // a notch around 450 Hz; the preset's band gains are all 0
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  ASSERT_EQ(persist->Save(stream, TRUE), S_OK);
  stream->Release();
  const std::vector<std::int32_t> saved = Record();
  HostedPage& ten = Open(kGeq10, 700);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(ten.Control(6006 + k) != nullptr, k % 2 == 1) << "bands 2, 4, ... 20 only";
  EXPECT_EQ(twenty.SliderPosition(6015), -480);
  EXPECT_EQ(twenty.Text(6035), L"-Inf.");
  EXPECT_EQ(ten.SliderPosition(6015), -480);
  EXPECT_EQ(twenty.SliderPosition(6006), 0);
  EXPECT_EQ(persist->IsDirty(), S_FALSE) << "showing the envelope changes no setting";
  EXPECT_EQ(Record(), saved);
  ApplyPreset(3);  // bass +6 dB around 80 Hz
  EXPECT_EQ(twenty.SliderPosition(6010), 61);
  EXPECT_EQ(twenty.Text(6030), L"6.1");
  ten.Key(6009, VK_NEXT, 5);
  ten.Click(6088);  // Reset flattens the envelope and all twenty bands
  const GeqParams p = RecordAs<GeqParams>();
  EXPECT_EQ(EnvelopeOf(p), (Points{{0, 0}, {10000, 0}}));
  EXPECT_EQ(std::count(p.bandGain, p.bandGain + 20, 0), 20);
  EXPECT_EQ(twenty.Text(6030), L"0.0");
  // The envelope page in the ten bands' place follows the others and reads out the pointer.
  pages_.back()->Close();
  HostedPage& envelope = Open(kGeqEnv, 700);
  HWND graph = envelope.Control(6091);
  auto shown = [&] {
    orlofx::GeqPoint points[64] = {};
    Points out;
    for (int i = 0, n = static_cast<int>(SendMessageW(graph, kEnvGetPoints, 64, reinterpret_cast<LPARAM>(points)));
         i < n; ++i)
      out.emplace_back(points[i].x, points[i].y);
    return out;
  };
  twenty.Key(6015, VK_PRIOR, 6);
  EXPECT_EQ(shown(), EnvelopeOf(RecordAs<GeqParams>()));
  // A corner dragged up on the graph: the band page reads the band back.
  Drag(graph, Pixel(graph, 4375, 200), Pixel(graph, 4375, 300), 2);
  EXPECT_GT(EnvelopeOf(RecordAs<GeqParams>())[2].second, 280);
  EXPECT_GT(twenty.SliderPosition(6015), 60);
  envelope.Click(6088);
  EXPECT_EQ(shown(), (Points{{0, 0}, {10000, 0}}));
  EXPECT_EQ(twenty.SliderPosition(6015), 0);
  // The readout of a level between -1 and 0 dB keeps its minus sign (the
  // graph's own report, posted; one pixel spans several levels).
  PostMessageW(envelope.Dialog(), 1560, 0, MAKELPARAM(0, static_cast<WORD>(-15)));
  PumpMessages();
  EXPECT_EQ(envelope.Text(6089), L"20 Hz, -0.3 dB");
  EXPECT_TRUE(PumpUntil([&] { return envelope.Text(6089).empty(); }));
}

}  // namespace
