// Moving the keyboard focus over the shipped key map with the arrow keys:
// rows found from the rectangles, the tall keys of the number pad reached
// from both their rows, nothing beyond the edges.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/common/CoordMapParser.h"
#include "ui/common/KeyNavigation.h"

namespace {

using keynav::Move;

// HID usage ids of the shipped key map.
constexpr int kEsc = 41, kF1 = 58, kF4 = 61, kF5 = 62, kPause = 72, kTwo = 31;
constexpr int kPad6 = 94, kPad9 = 97, kPadPlus = 87, kPadEnter = 88, kPad3 = 91;

std::vector<CoordButton> ShippedKeys() {
  const char* source = std::getenv("KB_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : "..") + "/uires/keyboard/keymap.xml", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto keys = coordmap::ParseCoordButtons(bytes, kb::ui::Color::Rgb(0xFF, 0xFF, 0xFF));
  return keys ? *keys : std::vector<CoordButton>{};
}

int IndexOf(const std::vector<CoordButton>& keys, int id) {
  for (size_t i = 0; i < keys.size(); ++i)
    if (keys[i].id == id) return static_cast<int>(i);
  return -1;
}

TEST(KeyNavigationTest, ArrowsOnTheShippedKeyboard) {
  const std::vector<CoordButton> keys = ShippedKeys();
  ASSERT_EQ(keys.size(), 104u);
  struct Case {
    int from;
    std::vector<Move> moves;
    int to;
    const char* what;
  };
  const Case cases[] = {
      {kEsc, {Move::kRight}, kF1, "over the gap after Esc"},
      {kF4, {Move::kRight}, kF5, "over the gap between the groups"},
      {kF5, {Move::kLeft}, kF4, "back"},
      {kEsc, {Move::kRight, Move::kRight, Move::kRight, Move::kRight, Move::kRight}, kF5, "Esc to F5"},
      {kEsc, {Move::kLeft}, kEsc, "nothing left of Esc"},
      {kEsc, {Move::kUp}, kEsc, "nothing above the top row"},
      {kPause, {Move::kRight}, kPause, "nothing right of Pause"},
      {kF1, {Move::kDown}, kTwo, "the key below"},
      {kTwo, {Move::kUp}, kF1, "and back up"},
      {kPad6, {Move::kRight}, kPadPlus, "a tall key beside its lower row"},
      {kPad9, {Move::kRight}, kPadPlus, "and beside its upper row"},
      {kPadPlus, {Move::kDown}, kPadEnter, "below the tall key"},
      {kPadEnter, {Move::kUp}, kPadPlus, "above the tall Enter"},
      {kPad6, {Move::kUp}, kPad9, "the row above, not the tall key reaching into this one"},
      {kPadEnter, {Move::kLeft}, kPad3, "left of the tall Enter"},
      {kF5, {Move::kRowStart}, kEsc, "Home"},
      {kF5, {Move::kRowEnd}, kPause, "End"},
  };
  for (const Case& c : cases) {
    int at = IndexOf(keys, c.from);
    ASSERT_GE(at, 0) << c.what;
    for (Move move : c.moves) at = keynav::Neighbour(keys, at, move);
    ASSERT_GE(at, 0) << c.what;
    EXPECT_EQ(keys[static_cast<size_t>(at)].id, c.to) << c.what;
  }
}

// Every key can be reached from Esc and left again: no key is an island the
// arrows can enter but not leave, or never enter.
TEST(KeyNavigationTest, EveryKeyIsReachable) {
  const std::vector<CoordButton> keys = ShippedKeys();
  ASSERT_FALSE(keys.empty());
  std::vector<bool> seen(keys.size(), false);
  std::vector<int> todo{IndexOf(keys, kEsc)};
  seen[static_cast<size_t>(todo.front())] = true;
  while (!todo.empty()) {
    int at = todo.back();
    todo.pop_back();
    for (Move move : {Move::kLeft, Move::kRight, Move::kUp, Move::kDown}) {
      int next = keynav::Neighbour(keys, at, move);
      if (!seen[static_cast<size_t>(next)]) {
        seen[static_cast<size_t>(next)] = true;
        todo.push_back(next);
      }
    }
  }
  for (size_t i = 0; i < keys.size(); ++i) EXPECT_TRUE(seen[i]) << "unreachable: " << i << " id " << keys[i].id;
}

TEST(KeyNavigationTest, EmptyMapsAndBadStarts) {
  EXPECT_EQ(keynav::Neighbour({}, 0, Move::kRight), -1);
  std::vector<CoordButton> one(1);
  one[0].rect = kb::ui::Rect{0, 0, 10, 10};
  EXPECT_EQ(keynav::Neighbour(one, -1, Move::kRight), 0) << "no focus yet: the first key";
  EXPECT_EQ(keynav::Neighbour(one, 5, Move::kUp), 0);
  for (Move move : {Move::kLeft, Move::kRight, Move::kUp, Move::kDown, Move::kRowStart, Move::kRowEnd})
    EXPECT_EQ(keynav::Neighbour(one, 0, move), 0);
}

}  // namespace
