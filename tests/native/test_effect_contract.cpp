// What every effect promises about its settings, one table row per effect:
// the persisted record (size, tag, the older record it still reads), the
// presets field by field, clamping by the whole-record and the single
// setters, the dirty rules, and which notifications each path posts. The
// expected values are the documented ones, typed in here, not taken from
// the effects' own tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/effect_registry.h"
#include "framework/guid.h"
#include "framework/notifier.h"
#include "framework/processor.h"
#include "framework/settings_record.h"
#include "support/native/native_windows.h"

namespace orlofx {
namespace {

using Record = std::vector<std::int32_t>;

// --- the presets as documented -------------------------------------------------

std::vector<Record> NoiseGatePresets() {
  return {{3, 100, -200},  {3, 100, -200}, {1, 300, -60},    {10, 1000, -380},
          {10, 500, -600}, {1, 500, -320}, {300, 1000, -400}};
}

std::vector<Record> ParametricEqPresets() {
  return {{2, 650, 10, -40, 0, 1},  {2, 650, 10, -40, 0, 1},  {0, 200, 4, -150, 0, 2},
          {1, 6000, 5, -400, 0, 2}, {2, 800, 20, -250, 0, 1}, {3, 1500, 10, -250, 0, 2}};
}

// Bands as gain/width/center; shelves as (on, Hz, gain).
Record Pgeq(std::int32_t g1, std::int32_t w1, std::int32_t c1, std::int32_t g2, std::int32_t w2,
            std::int32_t c2, std::int32_t g3, std::int32_t w3, std::int32_t c3, std::int32_t g4,
            std::int32_t w4, std::int32_t c4, Record low, Record high) {
  return {-250, 0,  g1, g2,     g3,      g4,     w1,      w2,     w3,      w4, c1,
          c2,   c3, c4, low[0], high[0], low[1], high[1], low[2], high[2], 4};
}
std::vector<Record> ParagraphicEqPresets() {
  const Record off = {0, 300, 0};
  return {
      Pgeq(0, 10, 100, 0, 10, 300, 0, 10, 1000, 0, 10, 5000, off, {0, 500, 0}),
      Pgeq(0, 10, 100, 0, 10, 300, 0, 10, 1000, 0, 10, 5000, off, {0, 500, 0}),
      Pgeq(0, 10, 100, 0, 10, 300, -150, 10, 1000, 0, 10, 5000, off, off),
      Pgeq(-250, 3, 60, -250, 3, 60, -250, 3, 60, -250, 3, 60, off, off),
      Pgeq(0, 10, 100, 0, 10, 300, 0, 10, 1000, 30, 7, 15000, off, off),
      Pgeq(0, 10, 100, 0, 10, 300, 0, 10, 1000, 0, 10, 5000, off, {1, 16000, 60}),
      Pgeq(-250, 3, 1209, -250, 3, 1336, -250, 3, 1447, -250, 3, 1633, off, off),
      Pgeq(0, 10, 100, 0, 10, 300, 0, 10, 1000, 0, 10, 5000, {1, 250, 40}, off),
      Pgeq(0, 10, 100, 0, 10, 300, 0, 10, 1000, 0, 10, 5000, off, {1, 7000, 30}),
      Pgeq(0, 10, 100, 0, 10, 300, -120, 10, 4000, 0, 10, 5000, {1, 200, 60}, {1, 8000, 60}),
      Pgeq(0, 10, 100, 0, 10, 300, 0, 10, 1000, 0, 10, 5000, off, {1, 8000, -60}),
      Pgeq(0, 10, 100, 0, 10, 300, 0, 10, 1000, 0, 10, 5000, {1, 80, -250}, off),
      Pgeq(0, 10, 100, 0, 10, 300, 0, 10, 1000, 0, 10, 5000, {1, 20, -250}, off),
  };
}

// Accuracy Medium, band gains and output gain 0; the points (x, y) in use.
Record Geq(Record xy) {
  Record r(151, 0);
  r[0] = 1;
  std::copy(xy.begin(), xy.end(), r.begin() + 21);
  r[149] = static_cast<std::int32_t>(xy.size() / 2);
  return r;
}
std::vector<Record> GraphicEqPresets() {
  return {Geq({0, 0, 10000, 0}),
          Geq({0, 0, 10000, 0}),
          Geq({0, -500, 2673, 0, 10000, 0}),
          Geq({0, 0, 1000, 0, 1250, 202, 2750, 202, 3000, 0, 10000, 0}),
          Geq({0, 0, 8250, 0, 8375, 202, 10000, 202}),
          Geq({0, 0, 5132, 0, 5382, 202, 5882, 202, 6132, 0, 10000, 0}),
          Geq({0, 0, 7013, 0, 10000, 268}),
          Geq({0, 0, 5000, 0, 10000, 150}),
          Geq({0, 0, 4000, 0, 4250, -500, 4750, -500, 5000, 0, 10000, 0})};
}

// Threshold and ratio as the effect reads them back: worked out from the
// points (the knee, and the rise over the fall above it, to a tenth).
Record Gdyn(std::int32_t attack, std::int32_t release, std::int32_t agc, std::int32_t sync,
            Record xy, std::int32_t threshold, std::int32_t ratio) {
  Record r(41, 0);
  r[1] = attack, r[2] = release, r[3] = agc, r[4] = sync;
  std::copy(xy.begin(), xy.end(), r.begin() + 5);
  r[37] = static_cast<std::int32_t>(xy.size() / 2);
  r[38] = threshold, r[39] = ratio;
  return r;
}
std::vector<Record> GraphicDynamicsPresets() {
  return {
      Gdyn(10, 5000, 0, 1, {-840, -840, -240, -240, 0, 0}, -240, 10),
      Gdyn(10, 5000, 0, 1, {-840, -840, -240, -240, 0, 0}, -240, 10),
      Gdyn(10, 5000, 1, 1, {-840, -840, -614, -840, -150, -150, 0, -119}, -150, 48),
      Gdyn(10, 5000, 0, 1, {-840, -840, -351, -840, -350, -350, 0, 0}, -350, 10),
      Gdyn(10, 5000, 0, 1, {-840, -840, -60, -60, 0, -60}, -60, 500),
      Gdyn(10, 5000, 0, 1, {-840, -840, -122, -124, -57, -78, 0, -68}, -122, 22),
      Gdyn(50, 1000, 1, 0, {-840, -840, -120, -120, 0, -120}, -120, 500),
      Gdyn(10, 5000, 1, 1, {-840, -840, -180, -180, 0, -90}, -180, 20),
      Gdyn(10, 5000, 1, 1, {-840, -840, -150, -150, 0, -100}, -150, 30),
      Gdyn(10, 5000, 1, 1,
           {-840, -840, -456, -840, -419, -562, -334, -361, -240, -238, -110, -150, 0, -119}, -240,
           20),
      Gdyn(10, 10000, 0, 1, {-840, -840, -557, -840, -515, -672, -443, -490, -338, -341, 0, 0},
           -338, 10),
  };
}

// Per band (threshold, type, amount, attack, release, gain, width, center,
// bypass); output gain 0, sync 1, display words, meters on, no capture, no
// solo, no bypass.
using Band = Record;
Record Mbdyn(Band b1, Band b2, Band b3, Band b4) {
  Record r(53, 0);
  const Band bands[4] = {b1, b2, b3, b4};
  for (int b = 0; b < 4; ++b) {
    const int at[9] = {1, 5, 9, 13, 17, 21, 25, 29, 34};
    for (int k = 0; k < 9; ++k) r[at[k] + b] = bands[b][k];
  }
  r[33] = 1;
  for (int w = 0; w < 8; ++w) r[38 + w] = w < 4 ? 128 : 16;
  r[46] = 1;
  return r;
}
std::vector<Record> MultiBandDynamicsPresets() {
  // "All zero, bypass 1", as the whole-record setter clamps it.
  const Band off = {0, 0, 10, 0, 0, 0, 3, 50, 1};
  const Record d =
      Mbdyn({0, 1, 10, 10, 1000, 0, 10, 200, 0}, {0, 1, 10, 10, 1000, 0, 10, 1000, 1},
            {0, 1, 10, 10, 1000, 0, 10, 4000, 1}, {0, 1, 10, 10, 1000, 0, 10, 10000, 1});
  return {d,
          d,
          Mbdyn({-250, 1, 300, 10, 1000, 0, 7, 1209, 0}, {-250, 1, 300, 10, 1000, 0, 7, 1336, 0},
                {-250, 1, 300, 10, 1000, 0, 7, 1477, 0}, {-250, 1, 300, 10, 1000, 0, 7, 1633, 0}),
          Mbdyn({-150, 0, 320, 10, 1000, 0, 10, 500, 0}, off, off, off),
          Mbdyn({-300, 1, 250, 10, 1000, 20, 10, 5000, 0}, off, off, off),
          Mbdyn({-150, 0, 400, 10, 1000, 0, 20, 600, 0}, {-320, 1, 200, 10, 1000, 20, 10, 5000, 0},
                off, off)};
}

// --- the contract table ----------------------------------------------------------

// A value given to a field and what the effect then holds.
struct Clamp {
  std::size_t field;
  std::int32_t given, stored;
};

struct Contract {
  const char* name;
  std::uint32_t recordSize;
  const char* tag;
  std::uint32_t olderSize;  // 0: none
  const char* olderTag;
  int notifySlots;
  bool dynamics;  // posts 101 and 102 at start and end of streaming
  std::vector<Record> (*presets)();
  int firstNameId;                 // of preset 2; 0 and 1 are always 7020 and 7021
  std::vector<Clamp> wholeRecord;  // through SetFields
  std::vector<Clamp> ownSetter;    // through the effect's own setter
};

// clang-format off
const Contract kContracts[] = {
    {"noise-gate", 32, "{A6DF8F43-BAF4-11D0-AEBC-00A0C9053912}", 32, "{B97C0F26-196D-11D1-B99B-00A0C9053912}",
     2, false, NoiseGatePresets, 7059,
     {{0, 0, 1}, {0, 501, 500}, {1, 10000, 5000}, {2, -1000, -800}, {2, 5, 0}},
     {{0, 0, 1}, {1, 10000, 5000}, {2, -1000, -800}}},
    {"parametric-eq", 44, "{A8448723-96FD-11D0-AEBC-00A0C9053912}", 0, nullptr, 2, false, ParametricEqPresets, 7075,
     {{0, 7, 7}, {1, 5, 20}, {1, 30000, 22050}, {2, 0, 1}, {2, 51, 50}, {3, -700, -600}, {3, 201, 200},
      {4, 500, 500}, {4, -900, -900}, {5, 9, 9}},
     {{0, 7, 7}, {1, 22051, 22050}, {3, 300, 200}, {4, 500, 200}, {4, -601, -600}, {5, -1, -1}}},
    {"graphic-eq", 624, "{8B722AEE-4584-11D1-B4CB-00A0C9270A10}", 0, nullptr, 6, false, GraphicEqPresets, 7035,
     {{0, 5, 5}, {1, -500, -480}, {20, 300, 240}, {21, -3, 0}, {22, 500, 400}, {23, 10001, 10000},
      {24, 401, 400}, {29, 20000, 20000}, {149, 65, 64}, {150, 300, 200}, {150, -601, -600}},
     {{0, 9, 9}, {150, 201, 200}, {150, -700, -600}}},
    {"graphic-dynamics", 184, "{5F7133A2-9A34-4E2E-A7BD-B62A4A9DD5F5}", 180,
     "{F3B8E883-B4E0-11D0-AEBC-00A0C9053912}", 2, true, GraphicDynamicsPresets, 0,
     {{0, 999, 250}, {0, -251, -250}, {1, -5, 0}, {1, 5001, 5000}, {2, 60000, 50000}, {3, 2, 1}, {40, 7, 1}},
     {{0, 251, 250}, {1, 9999, 5000}, {2, -1, 0}, {4, 5, 1}, {40, -3, 0}}},
    {"paragraphic-eq", 104, "{D616F3EF-D622-11CE-AAC5-0020AF0B99A3}", 0, nullptr, 2, false, ParagraphicEqPresets, 7064,
     {{0, -300, -250}, {1, 251, 250}, {2, -251, -250}, {6, 2, 3}, {9, 26, 25}, {10, 10, 20}, {13, 15001, 15000},
      {14, 2, 1}, {15, -1, 0}, {16, 19, 20}, {17, 20001, 20000}, {18, -999, -250}, {19, 251, 250},
      {20, -3, -3}, {20, 9, 4}},
     {{0, -251, -250}, {5, 300, 250}, {6, 1, 3}, {12, 16000, 15000}, {17, 25000, 20000}, {20, 7, 4}, {20, -1, 4}}},
    {"multiband-dynamics", 232, "{5F7133A2-9A34-4E2E-A7BD-B62A4A9DD5F5}", 228,
     "{026D0AA3-9BB9-11D0-AEBC-00A0C9053912}", 4, true, MultiBandDynamicsPresets, 0,
     {{0, 300, 250}, {1, -700, -600}, {4, 1, 0}, {9, 5, 10}, {12, 501, 500}, {13, -1, 0}, {17, 60000, 50000},
      {21, -251, -250}, {25, 2, 3}, {28, 40, 30}, {29, 20, 50}, {32, 20000, 15000}, {38, 12345, 12345},
      {45, -7, -7}},
     {{0, -300, -250}, {2, -601, -600}, {10, 501, 500}, {26, 31, 30}, {30, 15001, 15000}}},
};
// clang-format on

void PrintTo(const Contract& c, std::ostream* os) { *os << c.name; }

std::string RowName(const testing::TestParamInfo<Contract>& info) {
  std::string name = info.param.name;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

class EffectContract : public testing::TestWithParam<Contract> {
 protected:
  void SetUp() override {
    native::TakePostedCommands();
    entry_ = cli::FindEffect(GetParam().name);
    ASSERT_NE(entry_, nullptr);
    fx_ = cli::CreateEffect(*entry_);
  }
  void TearDown() override {
    for (WindowHandle w : windows_) native::DestroyWindowStub(w);
    native::TakePostedCommands();
  }
  WindowHandle Listen() {
    windows_.push_back(native::CreateWindowStub());
    EXPECT_EQ(fx_->SetNotifyWindow(windows_.back(), 32700), kOk);
    return windows_.back();
  }
  Record Fields() const {
    Record r(fx_->FieldCount());
    fx_->GetFields(r.data());
    return r;
  }
  std::vector<std::uint16_t> Codes() {
    std::vector<std::uint16_t> codes;
    for (const auto& c : native::TakePostedCommands()) {
      EXPECT_EQ(c.commandId, 32700);
      codes.push_back(c.code);
    }
    return codes;
  }
  // A record of another preset, with its size and tag replaced.
  std::vector<std::uint8_t> Bytes(std::uint32_t size, const char* tag, Record r = {}) {
    if (r.empty()) r = GetParam().presets()[2];
    std::vector<std::uint8_t> bytes = EncodeRecord(fx_->Record(), r.data());
    bytes.resize(size, 0);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(size >> (8 * i));
    GuidToBytes(GuidLiteral(tag), bytes.data() + 4);
    return bytes;
  }

  const cli::EffectEntry* entry_ = nullptr;
  std::unique_ptr<EffectProcessor> fx_;
  std::vector<WindowHandle> windows_;
};

TEST_P(EffectContract, RecordSizeAndTag) {
  const Contract& c = GetParam();
  EXPECT_EQ(fx_->Record().size, c.recordSize);
  EXPECT_EQ(fx_->FieldCount(), (c.recordSize - 20) / 4);
  MemoryRecordStream out;
  ASSERT_EQ(fx_->SaveRecord(out, true), kOk);
  ASSERT_EQ(out.Bytes().size(), c.recordSize);
  EXPECT_EQ(out.Bytes()[0] | out.Bytes()[1] << 8 | out.Bytes()[2] << 16 | out.Bytes()[3] << 24,
            static_cast<int>(c.recordSize));
  EXPECT_EQ(GuidFromBytes(out.Bytes().data() + 4), GuidLiteral(c.tag));
  // Fields follow little-endian in record order.
  const Record f = Fields();
  for (std::size_t i = 0; i < f.size(); ++i) {
    const std::uint8_t* p = out.Bytes().data() + 20 + 4 * i;
    EXPECT_EQ(static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24),
              f[i]);
  }
}

TEST_P(EffectContract, PresetsHoldTheirDocumentedRows) {
  const std::vector<Record> presets = GetParam().presets();
  ASSERT_EQ(fx_->PresetCount(), static_cast<int>(presets.size()));
  EXPECT_EQ(fx_->PresetNameId(0), 7020);
  EXPECT_EQ(fx_->PresetNameId(1), 7021);
  EXPECT_EQ(fx_->PresetNameId(fx_->PresetCount()), 0);
  EXPECT_EQ(fx_->PresetNameId(-1), 0);
  if (GetParam().firstNameId) {
    for (int i = 2; i < fx_->PresetCount(); ++i)
      EXPECT_EQ(fx_->PresetNameId(i), GetParam().firstNameId + i - 2);
  }
  // A new effect holds preset 0.
  EXPECT_EQ(Fields(), presets[0]);
  for (std::size_t i = presets.size(); i-- > 0;) {
    ASSERT_EQ(fx_->ApplyPreset(static_cast<int>(i)), kOk);
    const Record got = Fields();
    for (std::size_t k = 0; k < got.size(); ++k)
      EXPECT_EQ(got[k], presets[i][k]) << "preset " << i << ", field " << k;
  }
}

TEST_P(EffectContract, PresetsAndLoadsPostCode100AndNothingElseDoes) {
  Listen();
  ASSERT_EQ(fx_->ApplyPreset(2), kOk);
  EXPECT_EQ(Codes(), std::vector<std::uint16_t>{kNotifySettingsReplaced});
  EXPECT_EQ(fx_->ApplyPreset(fx_->PresetCount()), kInvalidArg);
  EXPECT_EQ(fx_->ApplyPreset(-1), kInvalidArg);
  // Single setters and the whole-record setter do not notify.
  for (const Clamp& c : GetParam().ownSetter)
    EXPECT_TRUE(Succeeded(cli::SetSetting(*fx_, *entry_, c.field, c.given)));
  const Record r = Fields();
  EXPECT_EQ(fx_->SetFields(r.data()), kOk);
  EXPECT_TRUE(Codes().empty());
  MemoryRecordStream saved;
  ASSERT_EQ(fx_->SaveRecord(saved, true), kOk);
  MemoryRecordStream in(saved.Bytes());
  EXPECT_EQ(fx_->LoadRecord(in), kOk);
  EXPECT_EQ(Codes(), std::vector<std::uint16_t>{kNotifySettingsReplaced});
  if (GetParam().dynamics) {
    const WaveFormat f = MakeWaveFormat(SampleFormat::kFloat32, 2, 44100);
    ASSERT_EQ(fx_->Prepare(f, f), kOk);
    fx_->Release();
    EXPECT_EQ(Codes(), (std::vector<std::uint16_t>{101, 102}));
  }
}

TEST_P(EffectContract, SaveAndLoadRoundTripWithTheDirtyRules) {
  EXPECT_TRUE(fx_->IsDirty());  // preset 0 applied by the constructor
  ASSERT_EQ(fx_->ApplyPreset(fx_->PresetCount() - 1), kOk);
  MemoryRecordStream saved;
  ASSERT_EQ(fx_->SaveRecord(saved, true), kOk);
  EXPECT_FALSE(fx_->IsDirty());
  MemoryRecordStream again;
  ASSERT_EQ(fx_->SaveRecord(again, false), kOk);
  EXPECT_TRUE(fx_->IsDirty());  // also when it was clean before
  EXPECT_EQ(again.Bytes(), saved.Bytes());

  auto fresh = cli::CreateEffect(*entry_);
  ASSERT_EQ(fresh->SaveRecord(again, true), kOk);
  MemoryRecordStream in(saved.Bytes());
  ASSERT_EQ(fresh->LoadRecord(in), kOk);
  EXPECT_TRUE(fresh->IsDirty());
  Record loaded(fresh->FieldCount());
  fresh->GetFields(loaded.data());
  EXPECT_EQ(loaded, Fields());
  EXPECT_EQ(in.Remaining(), 0u);
}

TEST_P(EffectContract, TheOlderRecordLoadsWithItsMissingFieldsZero) {
  const Contract& c = GetParam();
  if (!c.olderTag) GTEST_SKIP() << "no older record";
  Record preset = c.presets()[2];
  if (c.olderSize < c.recordSize) preset.back() = 1;  // missing there: it must read as 0
  MemoryRecordStream in(Bytes(c.olderSize, c.olderTag, preset));
  ASSERT_EQ(fx_->LoadRecord(in), kOk);
  Record want = preset;
  for (std::size_t i = (c.olderSize - 20) / 4; i < want.size(); ++i) want[i] = 0;
  EXPECT_EQ(Fields(), want);
}

TEST_P(EffectContract, MalformedRecordsChangeNothing) {
  const Contract& c = GetParam();
  Listen();
  const Record before = Fields();
  MemoryRecordStream sink;
  ASSERT_EQ(fx_->SaveRecord(sink, true), kOk);
  // Wrong size, wrong tag, a head cut short: refused, nothing posted.
  std::vector<std::uint8_t> shortHead = Bytes(c.recordSize, c.tag);
  shortHead.resize(19);
  for (const std::vector<std::uint8_t>& bytes :
       {Bytes(c.recordSize + 1, c.tag), Bytes(c.recordSize - 4, c.tag),
        Bytes(c.recordSize, "{00000000-0000-0000-0000-000000000001}"), shortHead}) {
    MemoryRecordStream in(bytes);
    EXPECT_EQ(fx_->LoadRecord(in), kFail);
    EXPECT_EQ(Fields(), before);
    EXPECT_FALSE(fx_->IsDirty());
    EXPECT_TRUE(Codes().empty());
  }
  // A good head with fields cut short: unchanged, but the page is told.
  std::vector<std::uint8_t> cut = Bytes(c.recordSize, c.tag);
  cut.resize(c.recordSize - 2);
  MemoryRecordStream in(cut);
  EXPECT_TRUE(Failed(fx_->LoadRecord(in)));
  EXPECT_EQ(Fields(), before);
  EXPECT_EQ(Codes(), std::vector<std::uint16_t>{kNotifySettingsReplaced});
}

TEST_P(EffectContract, WholeRecordSetterClampsAsDocumented) {
  for (const Clamp& c : GetParam().wholeRecord) {
    Record r = Fields();
    r[c.field] = c.given;
    ASSERT_EQ(fx_->SetFields(r.data()), kOk);
    EXPECT_EQ(Fields()[c.field], c.stored) << "field " << c.field << " given " << c.given;
  }
  // The whole-record setter marks the settings dirty even when nothing
  // changes.
  MemoryRecordStream sink;
  ASSERT_EQ(fx_->SaveRecord(sink, true), kOk);
  const Record same = Fields();
  ASSERT_EQ(fx_->SetFields(same.data()), kOk);
  EXPECT_TRUE(fx_->IsDirty());
  // A clamped record also loads clamped.
  const Clamp& c = GetParam().wholeRecord.front();
  Record r = Fields();
  r[c.field] = c.given;
  MemoryRecordStream in(EncodeRecord(fx_->Record(), r.data()));
  ASSERT_EQ(fx_->LoadRecord(in), kOk);
  EXPECT_EQ(Fields()[c.field], c.stored);
}

TEST_P(EffectContract, OwnSettersClampAndOnlyAChangeMarksDirty) {
  for (const Clamp& c : GetParam().ownSetter) {
    ASSERT_TRUE(Succeeded(cli::SetSetting(*fx_, *entry_, c.field, c.given)));
    EXPECT_EQ(Fields()[c.field], c.stored) << "field " << c.field << " given " << c.given;
    MemoryRecordStream sink;
    ASSERT_EQ(fx_->SaveRecord(sink, true), kOk);
    ASSERT_TRUE(Succeeded(cli::SetSetting(*fx_, *entry_, c.field, c.stored)));
    EXPECT_FALSE(fx_->IsDirty()) << "field " << c.field << " set to the value it holds";
  }
}

TEST_P(EffectContract, NotificationWindowsAreLimitedReusedAndDroppedWhenGone) {
  std::vector<WindowHandle> w;
  for (int i = 0; i < GetParam().notifySlots; ++i) w.push_back(Listen());
  const WindowHandle extra = native::CreateWindowStub();
  windows_.push_back(extra);
  EXPECT_EQ(fx_->SetNotifyWindow(extra, 32700), kOutOfMemory);
  EXPECT_EQ(fx_->SetNotifyWindow(extra, 0), kOk);
  EXPECT_EQ(fx_->SetNotifyWindow(w[0], 32700), kOk);  // its own place again
  native::DestroyWindowStub(w[0]);
  windows_.erase(windows_.begin());
  fx_->Notify(kNotifySettingsReplaced);
  EXPECT_EQ(Codes().size(), w.size() - 1);
  EXPECT_EQ(fx_->SetNotifyWindow(extra, 32700), kOk);  // the gone window's place
  ASSERT_EQ(fx_->SetNotifyWindow(w[1], 0), kOk);
  fx_->Notify(kNotifySettingsReplaced);
  EXPECT_EQ(Codes().size(), w.size() - 1);
}

TEST_P(EffectContract, FormatsAreReportedOnlyOnceSet) {
  WaveFormat f{};
  EXPECT_EQ(fx_->GetFormat(&f, 0), kNotConnected);
  const WaveFormat in = MakeWaveFormat(SampleFormat::kPcm16, 2, 48000);
  fx_->SetFormats(&in, nullptr);
  ASSERT_EQ(fx_->GetFormat(&f, 0), kOk);
  EXPECT_EQ(f.samplesPerSec, 48000u);
  EXPECT_EQ(f.blockAlign, 4);
  EXPECT_EQ(fx_->GetFormat(&f, 1), kNotConnected);
  EXPECT_EQ(fx_->GetFormat(&f, 2), kNotConnected);
  EXPECT_EQ(fx_->GetFormat(nullptr, 0), kPointer);
}

INSTANTIATE_TEST_SUITE_P(Effects, EffectContract, testing::ValuesIn(kContracts), RowName);

}  // namespace
}  // namespace orlofx
