// The envelope graph's points and the rules for editing them, apart from the
// window: value <-> pixel mapping, hit tests, insertion, deletion, locked
// points, markers, the selection, drags and the free end. The control in
// ui/envelope_control.cpp turns mouse and keyboard input into these calls.
//
// Points are kept strictly increasing in x and, as the user sees them, in
// pixel x: two points on one pixel column could not be told apart or hit.
#pragma once

#include <cstdint>
#include <vector>

namespace orlofx {

struct EnvelopePoint {
  int32_t x;
  int32_t y;
};

// Where the graph area lies in the client area and how values map onto it.
// y grows upward on screen: the y maximum is drawn at the top.
struct EnvelopeGeometry {
  int left = 0, top = 0, right = 1, bottom = 1;  // graph area, right/bottom exclusive
  int32_t xMin = 0, xMax = 1, yMin = 0, yMax = 1;

  int PixelX(int32_t x) const;
  int PixelY(int32_t y) const;
  // Pixel -> value, clamped to the ranges.
  int32_t ValueX(int px) const;
  int32_t ValueY(int py) const;
  // The value distance of a pointer movement (y: downward pixels lower y).
  int32_t DeltaX(int pixels) const;
  int32_t DeltaY(int pixels) const;
  // The smallest value step that always lands on another pixel.
  int32_t StepX() const;
  int32_t StepY() const;
};

enum class DeleteResult { kDeleted, kEndPoint, kAtMinimum, kLocked, kNoSuchPoint };

class EnvelopeModel {
 public:
  static constexpr uint32_t kMinCapacity = 2;
  static constexpr uint32_t kMaxCapacity = 4095;
  // Pixels around a point (either way) and around the line (above and
  // below) that hit it, and either side of the free end's column, at 96 DPI.
  static constexpr int kHitRadius = 5;
  static constexpr int kEndReach = 2;

  struct Marker {
    uint32_t point;
    int32_t tag;
  };

  EnvelopeModel();

  // --- whole-envelope settings -------------------------------------------
  // Two points: (x min, y max) and (x max or the end x, y max); clears locks,
  // markers and the selection.
  void Reset();
  // False (and nothing changes) outside 2..4095; else resets.
  bool SetCapacity(uint32_t capacity);
  // Clamps into the ranges, pins the first point to x min and the last to x
  // max (or cuts at the end x in free-end mode) and drops points that do not
  // keep x increasing. Returns the number kept, or 0 (nothing changed) for
  // fewer than 2 or more than the capacity.
  uint32_t SetPoints(const EnvelopePoint* points, uint32_t count);
  void SetRangeX(int32_t minimum, int32_t maximum);
  void SetRangeY(int32_t minimum, int32_t maximum);
  bool SetMinimumCount(uint32_t minimum);
  bool Lock(uint32_t index, bool locked);
  bool IsLocked(uint32_t index) const;
  void SetFreeEnd(bool on);
  // Clamps to the x range (and right of the first point); in free-end mode
  // the points are cut there. Returns the end x in force.
  int32_t SetEndX(int32_t endX);

  // --- reading -------------------------------------------------------------
  const std::vector<EnvelopePoint>& Points() const { return points_; }
  uint32_t Count() const { return static_cast<uint32_t>(points_.size()); }
  uint32_t Capacity() const { return capacity_; }
  uint32_t MinimumCount() const { return minimumCount_; }
  int32_t XMin() const { return xMin_; }
  int32_t XMax() const { return xMax_; }
  int32_t YMin() const { return yMin_; }
  int32_t YMax() const { return yMax_; }
  bool FreeEnd() const { return freeEnd_; }
  int32_t EndX() const { return endX_; }
  const std::vector<Marker>& Markers() const { return markers_; }
  const std::vector<uint32_t>& LockedPoints() const { return locked_; }

  // --- geometry --------------------------------------------------------------
  // The graph area in pixels; the value ranges come from the model.
  void SetArea(int left, int top, int right, int bottom);
  // The hit distances in pixels (kHitRadius and kEndReach scaled to the
  // window's DPI).
  void SetHitReach(int radius, int endReach);
  const EnvelopeGeometry& Geometry() const { return geometry_; }
  // Index of the first point within the hit square around (px, py), or -1.
  int HitPoint(int px, int py) const;
  // Index of the segment's right point when (px, py) lies on the line, or -1.
  int HitLine(int px, int py) const;
  bool HitEnd(int px, int py) const;

  // --- editing -----------------------------------------------------------------
  // Inserts a point at the values of pixel (px, py). Returns its index, or -1
  // when the envelope is full, a point already stands on that pixel column
  // or the column lies right of the last point.
  int InsertAtPixel(int px, int py);
  DeleteResult Delete(uint32_t index);
  // Deletes the selected points; refused (false) when the selection holds an
  // end point or a locked point or fewer than the minimum would remain.
  bool DeleteSelection();
  void AddMarker(uint32_t point, int32_t tag);

  // --- selection -------------------------------------------------------------
  bool HasSelection() const { return selFirst_ >= 0; }
  int SelectionFirst() const { return selFirst_; }
  int SelectionLast() const { return selLast_; }
  bool Selected(uint32_t index) const;
  // Selects first..last (clamped to the points; the anchor stays at `first`).
  void Select(int first, int last);
  void ClearSelection();
  // Moves the selection's free end (the one away from the anchor) by delta.
  void ExtendSelection(int delta);
  void ExtendSelectionTo(int index);
  // Points whose pixels lie inside the rectangle (any corner order).
  void SelectInRect(int x0, int y0, int x1, int y1);

  // --- moving ------------------------------------------------------------------
  // Moves one point to the values of a pixel position. The first and last
  // points keep their x; interior points stay between their neighbours.
  void MovePointToPixel(uint32_t index, int px, int py);
  // Moves the selected points by (dx, dy) values relative to `from` (a copy
  // of the points taken when the move began), limited so that every point
  // stays in range and in order. Returns whether anything moved.
  bool MoveSelection(const std::vector<EnvelopePoint>& from, int32_t dx, int32_t dy);
  // Puts back points saved with Points() (same count).
  void Restore(const std::vector<EnvelopePoint>& saved);

 private:
  void ClampAll();
  void CutAt(int32_t endX);
  void RemoveIndex(uint32_t index);
  void ShiftIndicesFrom(uint32_t index, int delta);

  std::vector<EnvelopePoint> points_;
  uint32_t capacity_ = 16;
  uint32_t minimumCount_ = 2;
  int32_t xMin_ = 0, xMax_ = 100, yMin_ = 0, yMax_ = 100;
  bool freeEnd_ = false;
  int32_t endX_ = 100;
  std::vector<uint32_t> locked_;
  std::vector<Marker> markers_;
  int selFirst_ = -1, selLast_ = -1, selAnchor_ = -1;
  EnvelopeGeometry geometry_;
  int hitRadius_ = kHitRadius;
  int endReach_ = kEndReach;
};

}  // namespace orlofx
