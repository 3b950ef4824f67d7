#include "ui/common/KeyNavigation.h"

#include <climits>
#include <cstdlib>

namespace keynav {

namespace {

// Twice the centre, so that odd sizes stay exact.
int CentreX2(const kb::ui::Rect& r) { return r.left + r.right; }
int CentreY2(const kb::ui::Rect& r) { return r.top + r.bottom; }

bool Overlaps(const kb::ui::Rect& candidate, const kb::ui::Rect& current) {
  return candidate.top < current.bottom && current.top < candidate.bottom;
}

int Beside(const std::vector<CoordButton>& keys, int from, Move move) {
  const kb::ui::Rect& cur = keys[static_cast<size_t>(from)].rect;
  const bool toLeft = move == Move::kLeft || move == Move::kRowStart;
  const bool farthest = move == Move::kRowStart || move == Move::kRowEnd;
  int best = from;
  int bestDx = farthest ? -1 : INT_MAX;
  int bestDy = INT_MAX;
  for (size_t i = 0; i < keys.size(); ++i) {
    const kb::ui::Rect& r = keys[i].rect;
    if (static_cast<int>(i) == from || r.IsEmpty() || !Overlaps(r, cur)) continue;
    const int dx = CentreX2(r) - CentreX2(cur);
    if (toLeft ? dx >= 0 : dx <= 0) continue;
    const int distance = std::abs(dx);
    // Beside a tall key lie keys of two rows: at equal distance the one
    // nearer in height wins.
    const int dy = std::abs(CentreY2(r) - CentreY2(cur));
    const bool better = distance != bestDx ? (farthest ? distance > bestDx : distance < bestDx) : dy < bestDy;
    if (better) {
      best = static_cast<int>(i);
      bestDx = distance;
      bestDy = dy;
    }
  }
  return best;
}

// The gap between the current key and a candidate in the vertical
// direction, or -1 when the candidate does not lie that way.
int VerticalGap(const kb::ui::Rect& cur, const kb::ui::Rect& r, bool up) {
  if (up) return CentreY2(r) < cur.top * 2 ? std::max(0, cur.top - r.bottom) : -1;
  return CentreY2(r) >= cur.bottom * 2 ? std::max(0, r.top - cur.bottom) : -1;
}

int Across(const std::vector<CoordButton>& keys, int from, bool up) {
  const kb::ui::Rect& cur = keys[static_cast<size_t>(from)].rect;
  int nearestGap = INT_MAX;
  for (const CoordButton& key : keys) {
    if (key.rect.IsEmpty()) continue;
    const int gap = VerticalGap(cur, key.rect, up);
    if (gap >= 0 && gap < nearestGap) nearestGap = gap;
  }
  if (nearestGap == INT_MAX) return from;
  // Keys of one row do not all start at the same height to the pixel, and a
  // tall key reaching into the current row has gap 0: the row is every key
  // within half a key's height of the nearest one.
  const int rowSlack = std::max(1, cur.Height() / 2);
  int best = from;
  int bestDx = INT_MAX;
  for (size_t i = 0; i < keys.size(); ++i) {
    const kb::ui::Rect& r = keys[i].rect;
    if (r.IsEmpty()) continue;
    const int gap = VerticalGap(cur, r, up);
    if (gap < 0 || gap > nearestGap + rowSlack) continue;
    const int dx = std::abs(CentreX2(r) - CentreX2(cur));
    if (dx < bestDx) {
      best = static_cast<int>(i);
      bestDx = dx;
    }
  }
  return best;
}

}  // namespace

int Neighbour(const std::vector<CoordButton>& keys, int from, Move move) {
  if (keys.empty()) return -1;
  if (from < 0 || static_cast<size_t>(from) >= keys.size()) return 0;
  switch (move) {
    case Move::kUp:
      return Across(keys, from, true);
    case Move::kDown:
      return Across(keys, from, false);
    default:
      return Beside(keys, from, move);
  }
}

}  // namespace keynav
