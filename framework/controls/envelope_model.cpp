#include "framework/controls/envelope_model.h"

#include <algorithm>
#include <cmath>

namespace orlofx {

namespace {

int32_t Clamp(int64_t v, int32_t lo, int32_t hi) {
  if (hi < lo) return lo;
  return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(v, lo), hi));
}

double Span(int32_t lo, int32_t hi) { return std::max(1.0, static_cast<double>(hi) - lo); }

int RoundToInt(double v) { return static_cast<int>(std::floor(v + 0.5)); }

}  // namespace

// --- geometry -------------------------------------------------------------------

int EnvelopeGeometry::PixelX(int32_t x) const {
  const int width = std::max(1, right - left - 1);
  return left + RoundToInt((static_cast<double>(x) - xMin) * width / Span(xMin, xMax));
}

int EnvelopeGeometry::PixelY(int32_t y) const {
  const int height = std::max(1, bottom - top - 1);
  return bottom - 1 - RoundToInt((static_cast<double>(y) - yMin) * height / Span(yMin, yMax));
}

int32_t EnvelopeGeometry::ValueX(int px) const {
  const int width = std::max(1, right - left - 1);
  const double v = xMin + static_cast<double>(px - left) * Span(xMin, xMax) / width;
  return Clamp(static_cast<int64_t>(std::floor(v + 0.5)), xMin, xMax);
}

int32_t EnvelopeGeometry::ValueY(int py) const {
  const int height = std::max(1, bottom - top - 1);
  const double v = yMin + static_cast<double>(bottom - 1 - py) * Span(yMin, yMax) / height;
  return Clamp(static_cast<int64_t>(std::floor(v + 0.5)), yMin, yMax);
}

int32_t EnvelopeGeometry::DeltaX(int pixels) const {
  const int width = std::max(1, right - left - 1);
  return static_cast<int32_t>(std::lround(static_cast<double>(pixels) * Span(xMin, xMax) / width));
}

int32_t EnvelopeGeometry::DeltaY(int pixels) const {
  const int height = std::max(1, bottom - top - 1);
  return static_cast<int32_t>(std::lround(-static_cast<double>(pixels) * Span(yMin, yMax) / height));
}

int32_t EnvelopeGeometry::StepX() const {
  const int width = std::max(1, right - left - 1);
  return std::max<int32_t>(1, static_cast<int32_t>(std::ceil(Span(xMin, xMax) / width)));
}

int32_t EnvelopeGeometry::StepY() const {
  const int height = std::max(1, bottom - top - 1);
  return std::max<int32_t>(1, static_cast<int32_t>(std::ceil(Span(yMin, yMax) / height)));
}

// --- model ------------------------------------------------------------------------

EnvelopeModel::EnvelopeModel() {
  geometry_.xMin = xMin_;
  geometry_.xMax = xMax_;
  geometry_.yMin = yMin_;
  geometry_.yMax = yMax_;
  points_.reserve(capacity_);
  Reset();
}

void EnvelopeModel::Reset() {
  points_.clear();
  points_.push_back({xMin_, yMax_});
  points_.push_back({freeEnd_ ? endX_ : xMax_, yMax_});
  locked_.clear();
  markers_.clear();
  ClearSelection();
}

bool EnvelopeModel::SetCapacity(uint32_t capacity) {
  if (capacity < kMinCapacity || capacity > kMaxCapacity) return false;
  capacity_ = capacity;
  points_.clear();
  points_.shrink_to_fit();
  points_.reserve(capacity);
  minimumCount_ = std::min(minimumCount_, capacity);
  Reset();
  return true;
}

uint32_t EnvelopeModel::SetPoints(const EnvelopePoint* points, uint32_t count) {
  if (!points || count < 2 || count > capacity_) return 0;
  std::vector<EnvelopePoint> given(points, points + count);
  for (EnvelopePoint& p : given) {
    p.x = Clamp(p.x, xMin_, xMax_);
    p.y = Clamp(p.y, yMin_, yMax_);
  }
  given.front().x = xMin_;
  if (!freeEnd_) given.back().x = xMax_;
  if (given.back().x <= given.front().x) given.back().x = given.front().x + 1;

  points_.clear();
  points_.push_back(given.front());
  for (uint32_t i = 1; i + 1 < count; ++i) {
    if (given[i].x > points_.back().x && given[i].x < given.back().x) points_.push_back(given[i]);
  }
  points_.push_back(given.back());

  locked_.erase(std::remove_if(locked_.begin(), locked_.end(),
                               [&](uint32_t i) { return i >= Count(); }),
                locked_.end());
  markers_.erase(std::remove_if(markers_.begin(), markers_.end(),
                                [&](const Marker& m) { return m.point >= Count(); }),
                 markers_.end());
  ClearSelection();
  if (freeEnd_) CutAt(endX_);
  return Count();
}

void EnvelopeModel::SetRangeX(int32_t minimum, int32_t maximum) {
  xMin_ = minimum;
  xMax_ = maximum;
  geometry_.xMin = minimum;
  geometry_.xMax = maximum;
  if (xMin_ < xMax_) endX_ = Clamp(endX_, xMin_ + 1, xMax_);
  ClampAll();
}

void EnvelopeModel::SetRangeY(int32_t minimum, int32_t maximum) {
  yMin_ = minimum;
  yMax_ = maximum;
  geometry_.yMin = minimum;
  geometry_.yMax = maximum;
  ClampAll();
}

// Ranges are set one end at a time, so a half-set range (maximum not above the
// minimum) leaves the points alone until the other end arrives.
void EnvelopeModel::ClampAll() {
  if (xMin_ >= xMax_ || yMin_ > yMax_) return;
  std::vector<EnvelopePoint> current = points_;
  for (EnvelopePoint& p : current) {
    p.x = Clamp(p.x, xMin_, xMax_);
    p.y = Clamp(p.y, yMin_, yMax_);
  }
  current.front().x = xMin_;
  current.back().x = freeEnd_ ? endX_ : xMax_;
  // Keep the indices of locks and markers right: drop out-of-order points one
  // by one through RemoveIndex.
  points_ = current;
  for (uint32_t i = Count() - 2; i >= 1; --i) {
    if (points_[i].x <= points_[0].x || points_[i].x >= points_.back().x ||
        points_[i].x >= points_[i + 1].x) {
      RemoveIndex(i);
    }
  }
}

bool EnvelopeModel::SetMinimumCount(uint32_t minimum) {
  if (minimum < 2 || minimum > capacity_) return false;
  minimumCount_ = minimum;
  return true;
}

bool EnvelopeModel::Lock(uint32_t index, bool locked) {
  if (index >= Count()) return false;
  auto it = std::find(locked_.begin(), locked_.end(), index);
  if (locked && it == locked_.end()) locked_.push_back(index);
  if (!locked && it != locked_.end()) locked_.erase(it);
  return true;
}

bool EnvelopeModel::IsLocked(uint32_t index) const {
  return std::find(locked_.begin(), locked_.end(), index) != locked_.end();
}

void EnvelopeModel::SetFreeEnd(bool on) {
  freeEnd_ = on;
  endX_ = xMax_;
  CutAt(endX_);
}

int32_t EnvelopeModel::SetEndX(int32_t endX) {
  endX_ = xMin_ < xMax_ ? Clamp(endX, xMin_ + 1, xMax_) : endX;
  if (freeEnd_) CutAt(endX_);
  return endX_;
}

void EnvelopeModel::CutAt(int32_t endX) {
  if (endX <= points_.front().x) endX = points_.front().x + 1;
  // The level of the curve at the new end, so that its shape stays put.
  int32_t y = points_.back().y;
  for (uint32_t i = 1; i < Count(); ++i) {
    const EnvelopePoint& a = points_[i - 1];
    const EnvelopePoint& b = points_[i];
    if (endX <= b.x) {
      const double t = b.x == a.x ? 0.0 : (static_cast<double>(endX) - a.x) / (static_cast<double>(b.x) - a.x);
      y = static_cast<int32_t>(std::lround(a.y + t * (static_cast<double>(b.y) - a.y)));
      break;
    }
  }
  for (uint32_t i = Count() - 2; i >= 1; --i) {
    if (points_[i].x >= endX) RemoveIndex(i);
  }
  points_.back() = {endX, y};
}

// --- hit tests ------------------------------------------------------------------

void EnvelopeModel::SetArea(int left, int top, int right, int bottom) {
  geometry_.left = left;
  geometry_.top = top;
  geometry_.right = std::max(left + 2, right);
  geometry_.bottom = std::max(top + 2, bottom);
}

void EnvelopeModel::SetHitReach(int radius, int endReach) {
  hitRadius_ = std::max(1, radius);
  endReach_ = std::max(1, endReach);
}

int EnvelopeModel::HitPoint(int px, int py) const {
  for (uint32_t i = 0; i < Count(); ++i) {
    const int x = geometry_.PixelX(points_[i].x);
    const int y = geometry_.PixelY(points_[i].y);
    if (px >= x - hitRadius_ && px < x + hitRadius_ && py >= y - hitRadius_ &&
        py < y + hitRadius_) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int EnvelopeModel::HitLine(int px, int py) const {
  for (uint32_t i = 0; i < Count(); ++i) {
    const int x1 = geometry_.PixelX(points_[i].x);
    if (x1 <= px) continue;
    if (i == 0) return -1;
    const int x0 = geometry_.PixelX(points_[i - 1].x);
    const int y0 = geometry_.PixelY(points_[i - 1].y);
    const int y1 = geometry_.PixelY(points_[i].y);
    const double t = x1 == x0 ? 0.0 : static_cast<double>(px - x0) / (x1 - x0);
    const int y = static_cast<int>(y0 + t * (y1 - y0));
    return std::abs(py - y) <= hitRadius_ ? static_cast<int>(i) : -1;
  }
  return -1;
}

bool EnvelopeModel::HitEnd(int px, int py) const {
  if (!freeEnd_) return false;
  const int e = geometry_.PixelX(endX_);
  return px >= e - endReach_ && px < e + endReach_ && py >= geometry_.top && py < geometry_.bottom;
}

// --- editing --------------------------------------------------------------------

int EnvelopeModel::InsertAtPixel(int px, int py) {
  if (Count() >= capacity_) return -1;
  uint32_t at = Count();
  for (uint32_t i = 0; i < Count(); ++i) {
    const int x = geometry_.PixelX(points_[i].x);
    if (x == px) return -1;
    if (x > px) {
      at = i;
      break;
    }
  }
  if (at == 0 || at == Count()) return -1;
  const EnvelopePoint p = {geometry_.ValueX(px), geometry_.ValueY(py)};
  // Several pixels can share one value when the graph is wider than its range.
  if (p.x <= points_[at - 1].x || p.x >= points_[at].x) return -1;
  points_.insert(points_.begin() + at, p);
  ShiftIndicesFrom(at, +1);
  return static_cast<int>(at);
}

void EnvelopeModel::ShiftIndicesFrom(uint32_t index, int delta) {
  for (uint32_t& i : locked_)
    if (i >= index) i += delta;
  for (Marker& m : markers_)
    if (m.point >= index) m.point += delta;
  if (selFirst_ >= static_cast<int>(index)) selFirst_ += delta;
  if (selLast_ >= static_cast<int>(index)) selLast_ += delta;
  if (selAnchor_ >= static_cast<int>(index)) selAnchor_ += delta;
}

void EnvelopeModel::RemoveIndex(uint32_t index) {
  points_.erase(points_.begin() + index);
  locked_.erase(std::remove(locked_.begin(), locked_.end(), index), locked_.end());
  markers_.erase(std::remove_if(markers_.begin(), markers_.end(),
                                [&](const Marker& m) { return m.point == index; }),
                 markers_.end());
  for (uint32_t& i : locked_)
    if (i > index) --i;
  for (Marker& m : markers_)
    if (m.point > index) --m.point;
  if (HasSelection()) {
    const int at = static_cast<int>(index);
    if (selFirst_ > at) --selFirst_;
    if (selLast_ >= at) --selLast_;
    if (selAnchor_ > at) --selAnchor_;
    selAnchor_ = std::min(std::max(selAnchor_, selFirst_), selLast_);
    if (selLast_ < selFirst_) ClearSelection();
  }
}

DeleteResult EnvelopeModel::Delete(uint32_t index) {
  if (index >= Count()) return DeleteResult::kNoSuchPoint;
  if (index == 0 || index + 1 == Count()) return DeleteResult::kEndPoint;
  if (IsLocked(index)) return DeleteResult::kLocked;
  if (Count() <= minimumCount_) return DeleteResult::kAtMinimum;
  RemoveIndex(index);
  return DeleteResult::kDeleted;
}

bool EnvelopeModel::DeleteSelection() {
  if (!HasSelection()) return false;
  if (selFirst_ == 0 || selLast_ + 1 == static_cast<int>(Count())) return false;
  const uint32_t n = static_cast<uint32_t>(selLast_ - selFirst_ + 1);
  if (Count() - n < minimumCount_) return false;
  for (int i = selFirst_; i <= selLast_; ++i)
    if (IsLocked(static_cast<uint32_t>(i))) return false;
  const int first = selFirst_, last = selLast_;
  for (int i = last; i >= first; --i) RemoveIndex(static_cast<uint32_t>(i));
  ClearSelection();
  return true;
}

void EnvelopeModel::AddMarker(uint32_t point, int32_t tag) {
  if (point < Count()) markers_.push_back({point, tag});
}

// --- selection -------------------------------------------------------------------

bool EnvelopeModel::Selected(uint32_t index) const {
  return HasSelection() && static_cast<int>(index) >= selFirst_ &&
         static_cast<int>(index) <= selLast_;
}

void EnvelopeModel::Select(int first, int last) {
  const int top = static_cast<int>(Count()) - 1;
  first = std::min(std::max(first, 0), top);
  last = std::min(std::max(last, 0), top);
  selAnchor_ = first;
  selFirst_ = std::min(first, last);
  selLast_ = std::max(first, last);
}

void EnvelopeModel::ClearSelection() { selFirst_ = selLast_ = selAnchor_ = -1; }

void EnvelopeModel::ExtendSelection(int delta) {
  if (!HasSelection()) return;
  const int active = selAnchor_ == selFirst_ ? selLast_ : selFirst_;
  ExtendSelectionTo(active + delta);
}

void EnvelopeModel::ExtendSelectionTo(int index) {
  if (!HasSelection()) return;
  const int anchor = selAnchor_;
  index = std::min(std::max(index, 0), static_cast<int>(Count()) - 1);
  selFirst_ = std::min(anchor, index);
  selLast_ = std::max(anchor, index);
}

void EnvelopeModel::SelectInRect(int x0, int y0, int x1, int y1) {
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  int first = -1, last = -1;
  for (uint32_t i = 0; i < Count(); ++i) {
    const int x = geometry_.PixelX(points_[i].x);
    const int y = geometry_.PixelY(points_[i].y);
    if (x >= x0 && x <= x1 && y >= y0 && y <= y1) {
      if (first < 0) first = static_cast<int>(i);
      last = static_cast<int>(i);
    }
  }
  if (first < 0) {
    ClearSelection();
    return;
  }
  Select(first, last);
}

// --- moving -----------------------------------------------------------------------

void EnvelopeModel::MovePointToPixel(uint32_t index, int px, int py) {
  if (index >= Count()) return;
  EnvelopePoint& p = points_[index];
  p.y = geometry_.ValueY(py);
  if (index == 0 || index + 1 == Count()) return;
  const int32_t step = geometry_.StepX();
  const int64_t lo = static_cast<int64_t>(points_[index - 1].x) + step;
  const int64_t hi = static_cast<int64_t>(points_[index + 1].x) - step;
  if (lo > hi) return;
  p.x = static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(geometry_.ValueX(px), lo), hi));
}

bool EnvelopeModel::MoveSelection(const std::vector<EnvelopePoint>& from, int32_t dx, int32_t dy) {
  if (!HasSelection() || from.size() != points_.size()) return false;
  const uint32_t first = static_cast<uint32_t>(selFirst_), last = static_cast<uint32_t>(selLast_);
  int64_t yLo = INT64_MIN, yHi = INT64_MAX;
  for (uint32_t i = first; i <= last; ++i) {
    yLo = std::max<int64_t>(yLo, static_cast<int64_t>(yMin_) - from[i].y);
    yHi = std::min<int64_t>(yHi, static_cast<int64_t>(yMax_) - from[i].y);
  }
  int64_t y = std::min<int64_t>(std::max<int64_t>(dy, yLo), yHi);
  int64_t x = 0;
  if (first > 0 && last + 1 < Count()) {
    const int32_t step = geometry_.StepX();
    const int64_t xLo = static_cast<int64_t>(from[first - 1].x) + step - from[first].x;
    const int64_t xHi = static_cast<int64_t>(from[last + 1].x) - step - from[last].x;
    if (xLo <= xHi) x = std::min<int64_t>(std::max<int64_t>(dx, xLo), xHi);
    // Points that already stand closer than a pixel to a neighbour are not
    // pushed away from it by the limits: only the asked direction counts.
    if ((dx <= 0 && x > 0) || (dx >= 0 && x < 0)) x = 0;
  }
  for (uint32_t i = first; i <= last; ++i) {
    points_[i].x = static_cast<int32_t>(from[i].x + x);
    points_[i].y = static_cast<int32_t>(from[i].y + y);
  }
  return x != 0 || y != 0;
}

void EnvelopeModel::Restore(const std::vector<EnvelopePoint>& saved) {
  if (saved.size() == points_.size()) points_ = saved;
}

}  // namespace orlofx
