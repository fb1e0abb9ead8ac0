#include "framework/automation_points.h"

#include <charconv>
#include <cmath>
#include <cctype>
#include <limits>

#include "support/strings.h"

namespace orlofx {

namespace {

struct NamedCurve {
  const char* name;
  std::uint32_t curve;
};
constexpr NamedCurve kCurveNames[] = {{"jump", kCurveJump},
                                      {"linear", kCurveLinear},
                                      {"square", kCurveSquare},
                                      {"inversesquare", kCurveInvSquare},
                                      {"sine", kCurveSine}};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// A finite decimal number filling all of `s`.
bool ParseNumber(std::string_view s, double* value) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '-' ||
                     s.front() == '.'))
    return false;
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

std::vector<std::string_view> Split(std::string_view s, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = s.find(separator);
    parts.push_back(s.substr(0, at));
    if (at == std::string_view::npos) return parts;
    s.remove_prefix(at + 1);
  }
}

std::int64_t ToTime(double seconds) {
  return static_cast<std::int64_t>(std::llround(seconds * kTimeUnitsPerSecond));
}

float ToValue(double v) {
  const double limit = std::numeric_limits<float>::max();
  return static_cast<float>(v < -limit ? -limit : (v > limit ? limit : v));
}

}  // namespace

std::uint32_t CurveFromName(std::string_view name) {
  name = Trim(name);
  for (const NamedCurve& c : kCurveNames) {
    const std::string_view candidate(c.name);
    if (candidate.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(name[i])) == candidate[i];
    if (same) return c.curve;
  }
  return 0;
}

const char* CurveName(std::uint32_t curve) {
  for (const NamedCurve& c : kCurveNames)
    if (c.curve == curve) return c.name;
  return "";
}

AutomationPointsParse ParseAutomationPoints(std::string_view text) {
  AutomationPointsParse result;
  if (Trim(text).empty()) {
    result.error = AutomationPointsError::kEmpty;
    return result;
  }
  const std::vector<std::string_view> items = Split(text, ',');
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto fail = [&](AutomationPointsError e) {
      result.error = e;
      result.errorItem = i;
      result.points.clear();
      return result;
    };
    const std::vector<std::string_view> parts = Split(items[i], ':');
    AutomationPoint p = {0, 0, 0};
    if (parts.size() < 2 || parts.size() > 3 || !ParseNumber(parts[0], &p.seconds) ||
        !ParseNumber(parts[1], &p.value))
      return fail(AutomationPointsError::kSyntax);
    if (parts.size() == 3 && (p.curve = CurveFromName(parts[2])) == 0)
      return fail(AutomationPointsError::kCurve);
    if (p.seconds < 0 || p.seconds > kMaxAutomationSeconds)
      return fail(AutomationPointsError::kTime);
    if (!result.points.empty() && p.seconds < result.points.back().seconds)
      return fail(AutomationPointsError::kDescending);
    result.points.push_back(p);
  }
  return result;
}

std::vector<EnvelopeSegment> SegmentsFromPoints(const std::vector<AutomationPoint>& points,
                                                std::uint32_t defaultCurve) {
  std::vector<EnvelopeSegment> segments;
  if (points.empty()) return segments;
  for (std::size_t i = 1; i < points.size(); ++i) {
    const AutomationPoint& a = points[i - 1];
    const AutomationPoint& b = points[i];
    const std::int64_t start = ToTime(a.seconds), end = ToTime(b.seconds);
    if (end <= start) continue;  // same instant: the later point takes over
    segments.push_back(EnvelopeSegment{start, end, ToValue(a.value), ToValue(b.value),
                                       b.curve ? b.curve : defaultCurve, 0});
  }
  // A last point at the same instant as the one before still has the last word.
  const std::int64_t last = ToTime(points.back().seconds);
  if (points.size() == 1 || ToTime(points[points.size() - 2].seconds) == last) {
    const float v = ToValue(points.back().value);
    segments.push_back(EnvelopeSegment{last, last + 1, v, v, kCurveJump, 0});
  }
  return segments;
}

std::string AutomationParameterName(const ParameterTable& fields,
                                    const AutomationParams& automation, std::uint32_t index) {
  const AutomationParamDesc* d = automation.Desc(index);
  if (!d) return std::string();
  const std::size_t field = d->recordOffset / 4;
  if (field < fields.count) return fields.items[field].name;
  std::string name = d->labelId >= 0 ? LoadStringOr(d->labelId, "") : std::string();
  for (char& c : name)
    c = c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name.empty() ? "p" + std::to_string(index) : name;
}

AutomateOutcome ApplyAutomationText(AutomationParams& automation,
                                    const std::vector<std::string>& names, std::string_view text) {
  AutomateOutcome out;
  if (automation.ParamCount() == 0) {
    out.error = AutomateError::kNoParameters;
    return out;
  }
  const std::size_t eq = text.find('=');
  if (eq == std::string_view::npos || eq == 0) {
    out.error = AutomateError::kSyntax;
    return out;
  }
  out.name = std::string(text.substr(0, eq));
  out.index = automation.ParamCount();
  for (std::uint32_t i = 0; i < automation.ParamCount() && i < names.size(); ++i)
    if (names[i] == out.name) out.index = i;
  if (out.index == automation.ParamCount()) {
    out.error = AutomateError::kUnknownName;
    return out;
  }
  AutomationPointsParse parsed = ParseAutomationPoints(text.substr(eq + 1));
  if (parsed.error != AutomationPointsError::kNone) {
    out.error = AutomateError::kPoints;
    out.pointsError = parsed.error;
    out.errorItem = parsed.errorItem;
    return out;
  }
  const AutomationParamDesc& d = *automation.Desc(out.index);
  const bool isSwitch = d.type == AutomationType::kBool || d.caps == kCapsSwitch;
  for (std::size_t i = 0; i < parsed.points.size(); ++i) {
    AutomationPoint& p = parsed.points[i];
    if (isSwitch && p.curve != 0 && p.curve != kCurveJump) {
      out.error = AutomateError::kSwitchCurve;
      out.errorItem = i;
      return out;
    }
    if (p.value < d.minimum || p.value > d.maximum) {
      p.value = p.value < d.minimum ? d.minimum : d.maximum;
      out.clamped = true;
    }
  }
  const std::vector<EnvelopeSegment> segments =
      SegmentsFromPoints(parsed.points, isSwitch ? kCurveJump : kCurveLinear);
  out.result = automation.AddEnvelope(out.index, static_cast<std::uint32_t>(segments.size()),
                                      segments.data());
  if (Failed(out.result)) out.error = AutomateError::kRefused;
  return out;
}

}  // namespace orlofx
