// The shipped key map and the pictures drawn from it at build time: a
// full-size ANSI keyboard whose ids are HID usages, pictures whose keycaps
// sit exactly on the keys' rectangles, drawn the same way every time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "KeyMapFile.h"
#include "KeyboardPainter.h"
#include "platform/text.h"
#include "toolkit/render/PngEncoder.h"
#include "toolkit/render/StbImageDecoder.h"

namespace {

using kb::render::Bitmap;
using kb::render::Color;
using kb::render::Rect;
using kbpicture::PictureState;

constexpr int kKeyboardPage = 7;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string SourcePath(const std::string& relative) {
  const char* source = std::getenv("KB_SOURCE_DIR");
  return std::string(source ? source : "..") + "/" + relative;
}

// Beside the test executable, as the program finds them.
std::string PicturePath(PictureState state, int dpi = 96) {
  return "uires/keyboard/" + kbpicture::PictureFileName(state, dpi);
}

const kbpicture::KeyMap& ShippedMap() {
  static const kbpicture::KeyMap map = [] {
    auto read = kbpicture::ReadKeyMap(ReadAll(SourcePath("uires/keyboard/keymap.xml")));
    return read ? *read : kbpicture::KeyMap{};
  }();
  return map;
}

Bitmap Decode(const std::string& bytes) {
  Bitmap out;
  kb::render::StbImageDecoder decoder;
  decoder.Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
  return out;
}

// Inside a key's rectangle as the program's canvas scales it.
bool InsideAnyKey(const kbpicture::KeyMap& map, int x, int y, int dpi = 96) {
  const kb::render::DeviceScale scale(dpi);
  for (const auto& key : map.keys)
    if (scale.ToDevice(key.button.rect).Contains({x, y})) return true;
  return false;
}

TEST(KeyMap, IsAFullSizeAnsiKeyboardOfHidUsages) {
  const auto& map = ShippedMap();
  ASSERT_EQ(map.keys.size(), 104u);
  EXPECT_EQ(map.width, 1000);
  EXPECT_EQ(map.height, 330);
  std::set<int> ids;
  for (const auto& key : map.keys) {
    SCOPED_TRACE(kb::WideToUtf8(key.button.name));
    EXPECT_EQ(key.button.va, kKeyboardPage);
    EXPECT_FALSE(key.button.name.empty());
    ids.insert(key.button.id);
  }
  EXPECT_EQ(ids.size(), 104u) << "every key has its own usage id";
  // Letters, digits, Enter..Space, punctuation, F1-F12, the navigation keys,
  // the arrows, the keypad, the Application key and the eight modifiers.
  std::set<int> expected;
  for (int usage = 0x04; usage <= 0x31; ++usage) expected.insert(usage);
  for (int usage = 0x33; usage <= 0x63; ++usage) expected.insert(usage);
  expected.insert(0x65);
  for (int usage = 0xE0; usage <= 0xE7; ++usage) expected.insert(usage);
  EXPECT_EQ(ids, expected);
}

TEST(KeyMap, KeysLieOnThePictureWithoutOverlapping) {
  const auto& map = ShippedMap();
  const Rect picture{0, 0, map.width, map.height};
  for (size_t i = 0; i < map.keys.size(); ++i) {
    const Rect& r = map.keys[i].button.rect;
    SCOPED_TRACE(kb::WideToUtf8(map.keys[i].button.name));
    EXPECT_GE(r.Width(), 30);
    EXPECT_GE(r.Height(), 30);
    EXPECT_EQ(r.Intersect(picture), r);
    for (size_t j = i + 1; j < map.keys.size(); ++j) EXPECT_TRUE(r.Intersect(map.keys[j].button.rect).IsEmpty());
  }
}

TEST(KeyMap, NamedKeysHaveTheirUsages) {
  struct Case {
    const wchar_t* name;
    int id;
  };
  const Case cases[] = {{L"Esc", 0x29}, {L"A", 0x04}, {L"Z", 0x1D}, {L"1", 0x1E}, {L"F12", 0x45},
                        {L"Backspace", 0x2A}, {L"Space", 0x2C}, {L"Caps Lock", 0x39}, {L"Menu", 0x65},
                        {L"PgDn", 0x4E}, {L"NumLk", 0x53}};
  const auto& map = ShippedMap();
  for (const Case& c : cases) {
    SCOPED_TRACE(kb::WideToUtf8(c.name));
    auto it = std::find_if(map.keys.begin(), map.keys.end(), [&](const auto& k) { return k.button.name == c.name; });
    ASSERT_NE(it, map.keys.end());
    EXPECT_EQ(it->button.id, c.id);
  }
}

class GeneratedPictureTest : public ::testing::TestWithParam<PictureState> {};

TEST_P(GeneratedPictureTest, HasTheKeyMapsSize) {
  Bitmap picture = Decode(ReadAll(PicturePath(GetParam())));
  ASSERT_FALSE(picture.IsEmpty()) << PicturePath(GetParam()) << " was not generated";
  EXPECT_EQ(picture.Width(), ShippedMap().width);
  EXPECT_EQ(picture.Height(), ShippedMap().height);
}

// A key's centre shows its keycap's face; the gaps between keys do not.
TEST_P(GeneratedPictureTest, KeycapsLineUpWithTheKeyMap) {
  Bitmap picture = Decode(ReadAll(PicturePath(GetParam())));
  ASSERT_FALSE(picture.IsEmpty());
  const auto& map = ShippedMap();
  for (const auto& key : map.keys) {
    const Rect& r = key.button.rect;
    SCOPED_TRACE(kb::WideToUtf8(key.button.name));
    Color face = kbpicture::KeyFaceColor(key.button, GetParam());
    EXPECT_EQ(picture.ColorAt((r.left + r.right) / 2, (r.top + r.bottom) / 2), face);
    // Just outside the key on the left and above: the gap or the case.
    for (auto [x, y] : {std::pair{r.left - 1, (r.top + r.bottom) / 2}, std::pair{(r.left + r.right) / 2, r.top - 1}}) {
      if (InsideAnyKey(map, x, y)) continue;
      EXPECT_NE(picture.ColorAt(x, y), face) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(States, GeneratedPictureTest, ::testing::ValuesIn(kbpicture::kAllStates));

// The control copies checked, pressed and hovered keys out of those
// pictures onto the normal one: outside the keys they must be identical.
// At 150 % and 200 % too: the pictures are the map's size at that scale, and
// the keys' scaled rectangles (the program's rounding) hold every change.
TEST(GeneratedPictures, StatesDifferOnlyInsideTheKeys) {
  const auto& map = ShippedMap();
  for (int dpi : kbpicture::kPictureDpis) {
    SCOPED_TRACE(dpi);
    const kb::render::DeviceScale scale(dpi);
    Bitmap normal = Decode(ReadAll(PicturePath(PictureState::kNormal, dpi)));
    ASSERT_FALSE(normal.IsEmpty());
    EXPECT_EQ(normal.GetSize(), scale.ToDevice(kb::render::Size{map.width, map.height}));
    const long area = static_cast<long>(dpi) * dpi / (96 * 96);
    for (PictureState state : {PictureState::kChecked, PictureState::kPressed, PictureState::kFloating}) {
      SCOPED_TRACE(kbpicture::PictureFileName(state, dpi));
      Bitmap other = Decode(ReadAll(PicturePath(state, dpi)));
      ASSERT_EQ(other.GetSize(), normal.GetSize());
      int outside = 0;
      long differentInside = 0;
      for (int y = 0; y < normal.Height(); ++y) {
        for (int x = 0; x < normal.Width(); ++x) {
          bool same = normal.At(x, y) == other.At(x, y);
          if (!InsideAnyKey(map, x, y, dpi)) {
            outside += same ? 0 : 1;
            continue;
          }
          differentInside += same ? 0 : 1;
        }
      }
      EXPECT_EQ(outside, 0);
      EXPECT_GT(differentInside, 104 * 500 * std::max(1L, area)) << "every key changes visibly";
    }
  }
}

TEST(GeneratedPictures, AreDrawnTheSameEveryTime) {
  for (int dpi : kbpicture::kPictureDpis) {
    kbpicture::KeyboardPainter painter(ShippedMap(), kb::render::DeviceScale(dpi));
    for (PictureState state : kbpicture::kAllStates) {
      SCOPED_TRACE(kbpicture::PictureFileName(state, dpi));
      std::vector<uint8_t> first = kb::render::EncodePng(painter.Paint(state));
      std::vector<uint8_t> second = kb::render::EncodePng(painter.Paint(state));
      ASSERT_FALSE(first.empty());
      EXPECT_EQ(first, second);
      std::string built = ReadAll(PicturePath(state, dpi));
      EXPECT_EQ(built, std::string(first.begin(), first.end())) << "the build wrote what the painter draws";
    }
  }
}

TEST(GeneratedPictures, KeyMapsThatAreNotPicturesAreRefused) {
  struct Case {
    const char* name;
    std::string xml;
    bool readable;
  };
  const Case cases[] = {
      {"sized", "<positions width=\"50\" height=\"40\"><k rect=\"1,1,10,10\"/></positions>", true},
      {"sized by its keys", "<positions><k rect=\"1,1,10,10\"/></positions>", true},
      {"too large", "<positions width=\"100000\" height=\"100000\"><k/></positions>", false},
      {"not xml", "<positions", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto map = kbpicture::ReadKeyMap(c.xml);
    ASSERT_EQ(map.has_value(), c.readable);
    if (!map) continue;
    Bitmap picture = kbpicture::KeyboardPainter(*map).Paint(PictureState::kChecked);
    EXPECT_EQ(picture.Width(), map->width);
    EXPECT_GT(picture.Width(), 10);
  }
}

}  // namespace
