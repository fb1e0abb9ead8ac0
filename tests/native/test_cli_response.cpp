// The tool's response command and the point-list setting: the designed
// response follows the settings, an effect without a response of its own is
// measured through its impulse response, text follows the locale while CSV
// does not, and a malformed point list is refused with a message that names
// the faulty point.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "effects/geq/geq_params.h"
#include "effects/geq/geq_transform.h"
#include "effects/pmeq/pmeq_transform.h"
#include "framework/parameters.h"
#include "tests/native/test_cli_support.h"

namespace orlofx {
namespace {

namespace fs = std::filesystem;

// --- the point list itself ------------------------------------------------------

class PointList : public ::testing::Test {
 protected:
  void SetUp() override {
    const PointListDescriptor* found = GeqParameters().FindPointList("points");
    ASSERT_NE(found, nullptr);
    list = *found;
    // A record full of markers, so that a change anywhere shows.
    for (std::size_t i = 0; i < FieldCountOf<GeqParams>(); ++i)
      fields[i] = static_cast<std::int32_t>(1000 + i);
    std::copy(std::begin(fields), std::end(fields), std::begin(before));
  }
  bool Untouched() const { return std::equal(std::begin(fields), std::end(fields), before); }

  PointListDescriptor list{};
  std::int32_t fields[FieldCountOf<GeqParams>()];
  std::int32_t before[FieldCountOf<GeqParams>()];
};

TEST_F(PointList, AGoodListFillsThePointsTheCountAndClearsTheRest) {
  const PointListParse p = ParsePointList(list, " 0:-500, 2673 :0,10000:+400", fields);
  ASSERT_EQ(p.error, PointListError::kNone);
  EXPECT_FALSE(p.clamped);
  EXPECT_EQ(p.pointCount, 3u);
  const std::int32_t expected[] = {0, -500, 2673, 0, 10000, 400};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(fields[kGeqFirstPoint + i], expected[i]) << i;
  for (int i = 6; i < 2 * kGeqMaxPoints; ++i) EXPECT_EQ(fields[kGeqFirstPoint + i], 0) << i;
  EXPECT_EQ(fields[kGeqPointCount], 3);
  // Fields outside the list keep their values.
  EXPECT_EQ(fields[kGeqAccuracy], before[kGeqAccuracy]);
  EXPECT_EQ(fields[kGeqOutputGain], before[kGeqOutputGain]);
  EXPECT_EQ(FormatPointList(list, fields), "0:-500,2673:0,10000:400");
}

TEST_F(PointList, OutOfRangeCoordinatesAreClampedAndSaidSo) {
  const PointListParse p = ParsePointList(list, "-5:-9999,20000:999", fields);
  ASSERT_EQ(p.error, PointListError::kNone);
  EXPECT_TRUE(p.clamped);
  EXPECT_EQ(FormatPointList(list, fields), "0:-500,10000:400");
}

TEST_F(PointList, MalformedListsAreRefusedNamingTheItemAndChangeNothing) {
  struct Case {
    const char* text;
    PointListError error;
    std::size_t item;
  } cases[] = {
      {"", PointListError::kSyntax, 0},
      {"0:0", PointListError::kCount, 1},
      {"0:0,", PointListError::kSyntax, 1},
      {"0:0,abc", PointListError::kSyntax, 1},
      {"0:0,5:5:5", PointListError::kSyntax, 1},
      {"0:0;10:0", PointListError::kSyntax, 0},
      {"0:0,1.5:0", PointListError::kSyntax, 1},
      {"0:0,100:0,50:0", PointListError::kDescending, 2},
      {"0 0,10:0", PointListError::kSyntax, 0},
  };
  for (const Case& c : cases) {
    const PointListParse p = ParsePointList(list, c.text, fields);
    EXPECT_EQ(p.error, c.error) << c.text;
    EXPECT_EQ(p.errorItem, c.item) << c.text;
    EXPECT_TRUE(Untouched()) << c.text;
  }
}

TEST_F(PointList, AtMostTheRecordsPointsAreTaken) {
  std::string text;
  for (int i = 0; i < kGeqMaxPoints; ++i) text += (i ? "," : "") + std::to_string(i * 100) + ":0";
  PointListParse p = ParsePointList(list, text.c_str(), fields);
  ASSERT_EQ(p.error, PointListError::kNone);
  EXPECT_EQ(fields[kGeqPointCount], kGeqMaxPoints);

  std::copy(std::begin(before), std::end(before), std::begin(fields));
  p = ParsePointList(list, (text + ",9999:0").c_str(), fields);
  EXPECT_EQ(p.error, PointListError::kCount);
  EXPECT_EQ(p.errorItem, static_cast<std::size_t>(kGeqMaxPoints));
  EXPECT_TRUE(Untouched());
}

// --- the tool ---------------------------------------------------------------------

using cli_test::CliTest;
using cli_test::ReadText;
using ToolRun = cli_test::CliResult;

struct Curve {
  std::string head;
  std::vector<double> x, y;
};

// Reads "head\nx,y\n..." as the CSV output writes it.
Curve ParseCsv(const std::string& text) {
  Curve c;
  std::istringstream in(text);
  std::getline(in, c.head);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t comma = line.find(',');
    if (comma == std::string::npos) break;
    c.x.push_back(std::stod(line.substr(0, comma)));
    c.y.push_back(std::stod(line.substr(comma + 1)));
  }
  return c;
}

class ResponseCli : public CliTest {
 protected:
  ToolRun Tool(const std::vector<std::string>& args, const std::string& locale = "C.UTF-8") const {
    return Run(args, "", "", "LC_ALL=" + cli_test::Quote(locale));
  }

  // Runs "response <args> --csv <file>" and reads the curve back.
  Curve Response(std::vector<std::string> args) const {
    const fs::path csv = dir_ / "curve.csv";
    fs::remove(csv);
    args.insert(args.begin(), "response");
    args.push_back("--csv");
    args.push_back(csv.string());
    const ToolRun r = Tool(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return ParseCsv(ReadText(csv));
  }
};

// Value of the curve at the grid point nearest to f (log distance).
double At(const Curve& c, double f) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < c.x.size(); ++i)
    if (std::fabs(std::log(c.x[i] / f)) < std::fabs(std::log(c.x[best] / f))) best = i;
  return c.y[best];
}

TEST_F(ResponseCli, TheGridRunsFrom20HzToHalfTheRateInEvenLogSteps) {
  const Curve c = Response({"parametric-eq", "--rate", "48000", "--points", "25"});
  EXPECT_EQ(c.head, "frequency_hz,gain_db");
  ASSERT_EQ(c.x.size(), 25u);
  EXPECT_DOUBLE_EQ(c.x.front(), 20.0);
  EXPECT_DOUBLE_EQ(c.x.back(), 24000.0);
  const double ratio = c.x[1] / c.x[0];
  for (std::size_t i = 2; i < c.x.size(); ++i) EXPECT_NEAR(c.x[i] / c.x[i - 1], ratio, 1e-3) << i;
}

TEST_F(ResponseCli, ParametricEqResponseFollowsTheAmountItIsGiven) {
  // A notch/boost of one octave at 1 kHz: flat at the amount inside the band
  // (707..1414 Hz) and at 0 dB well outside it, for cuts and boosts alike.
  for (int amount : {-400, -200, -60, 0, 90, 200}) {
    SCOPED_TRACE(amount);
    const Curve c = Response({"parametric-eq", "--set", "type=3", "--set", "frequency=1000",
                              "--set", "width=10", "--set", "amount=" + std::to_string(amount),
                              "--set", "accuracy=2", "--rate", "44100", "--points", "200"});
    ASSERT_EQ(c.y.size(), 200u);
    EXPECT_NEAR(At(c, 1000.0), amount / 10.0, 1.0);
    EXPECT_NEAR(At(c, 100.0), 0.0, 1.0);
    EXPECT_NEAR(At(c, 10000.0), 0.0, 1.0);
  }
}

TEST_F(ResponseCli, TheOutputGainLiftsTheWholeCurve) {
  const Curve plain = Response({"parametric-eq", "--set", "amount=-120", "--rate", "44100"});
  const Curve lifted = Response(
      {"parametric-eq", "--set", "amount=-120", "--set", "output_gain=60", "--rate", "44100"});
  ASSERT_EQ(plain.y.size(), lifted.y.size());
  for (std::size_t i = 0; i < plain.y.size(); ++i)
    EXPECT_NEAR(lifted.y[i] - plain.y[i], 6.0, 0.01) << plain.x[i];
}

TEST_F(ResponseCli, GraphicEqPointsShapeTheResponseLikeThePresetWithTheSamePoints) {
  // Preset 8 notches around 450 Hz; the same points given by hand must build
  // the same filter.
  const Curve preset = Response({"graphic-eq", "--preset", "8", "--rate", "44100"});
  const Curve typed = Response({"graphic-eq", "--set",
                                "points=0:0,4000:0,4250:-500,4750:-500,5000:0,10000:0", "--rate",
                                "44100"});
  ASSERT_EQ(preset.y.size(), typed.y.size());
  for (std::size_t i = 0; i < preset.y.size(); ++i) EXPECT_EQ(preset.y[i], typed.y[i]) << i;
  EXPECT_LT(At(typed, 450.0), -40.0);
  EXPECT_NEAR(At(typed, 5000.0), 0.0, 1.0);
  // And a different envelope builds a different filter.
  const Curve boost =
      Response({"graphic-eq", "--set", "points=0:200,10000:200", "--rate", "44100"});
  for (double f : {100.0, 1000.0, 5000.0}) EXPECT_NEAR(At(boost, f), 6.0, 0.5) << f;
}

TEST_F(ResponseCli, AnEffectWithoutAResponseOfItsOwnIsMeasuredThroughItsImpulseResponse) {
  // The noise gate passes an impulse untouched: 0 dB at every frequency.
  const Curve c = Response({"noise-gate", "--rate", "44100", "--points", "40"});
  ASSERT_EQ(c.y.size(), 40u);
  for (std::size_t i = 0; i < c.y.size(); ++i) EXPECT_NEAR(c.y[i], 0.0, 0.01) << c.x[i];

  // A gate that the working point cannot open passes nothing: -Inf.
  const Curve closed =
      Response({"noise-gate", "--set", "threshold=0", "--rate", "44100", "--points", "5"});
  ASSERT_EQ(closed.y.size(), 5u);
  for (double v : closed.y) EXPECT_LE(v, -300.0);

  const ToolRun text = Tool({"response", "noise-gate", "--rate", "44100", "--points", "5"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("measured from the impulse response"), std::string::npos) << text.out;
}

TEST_F(ResponseCli, TextFollowsTheLocaleAndCsvDoesNot) {
  const std::vector<std::string> args = {"response", "parametric-eq", "--rate", "44100",
                                         "--points", "3"};
  const ToolRun english = Tool(args);
  const ToolRun german = Tool(args, "de_DE.UTF-8");
  ASSERT_EQ(english.exitCode, 0) << english.err;
  ASSERT_EQ(german.exitCode, 0) << german.err;
  // The top of the grid: 22050 Hz, grouped and with one decimal.
  EXPECT_NE(english.out.find("22,050.0"), std::string::npos) << english.out;
  EXPECT_NE(german.out.find("22.050,0"), std::string::npos) << german.out;
  EXPECT_NE(english.out.find("response of the filter the settings build"), std::string::npos);

  const fs::path csv = dir_ / "de.csv";
  std::vector<std::string> withCsv = args;
  withCsv.push_back("--csv=" + csv.string());
  const ToolRun r = Tool(withCsv, "de_DE.UTF-8");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string content = ReadText(csv);
  EXPECT_NE(content.find("22050.000,"), std::string::npos) << content;
  EXPECT_EQ(ParseCsv(content).x.size(), 3u);
}

TEST_F(ResponseCli, MalformedPointsAreRefusedWithAClearMessageAndWriteNothing) {
  const fs::path record = dir_ / "out.rec";
  struct Case {
    const char* points;
    const char* says;
  } cases[] = {
      {"0:0,abc,10000:0", "point 2 (\"abc\") is not x:y"},
      {"0:0", "takes 2 to 64 points"},
      {"0:0,5000:0,4000:0", "point 3 has a lower x"},
  };
  for (const Case& c : cases) {
    const ToolRun r = Tool({"record", "graphic-eq", "--set", std::string("points=") + c.points,
                        record.string()});
    EXPECT_EQ(r.exitCode, 2) << c.points;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(record)) << c.points;
  }
  // Clamped coordinates are a warning, and the record holds the clamped list.
  const ToolRun ok = Tool({"record", "graphic-eq", "--set", "points=0:0,20000:900", record.string()});
  ASSERT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_NE(ok.err.find("using 0:0,10000:400"), std::string::npos) << ok.err;
  const std::string bytes = ReadText(record);
  ASSERT_EQ(bytes.size(), kGeqRecordBytes);
  auto field = [&](int i) {
    std::int32_t v;
    std::memcpy(&v, bytes.data() + kRecordHeadBytes + 4 * i, 4);
    return v;
  };
  EXPECT_EQ(field(kGeqPointCount), 2);
  EXPECT_EQ(field(kGeqFirstPoint + 2), 10000);
  EXPECT_EQ(field(kGeqFirstPoint + 3), 400);
}

}  // namespace
}  // namespace orlofx
