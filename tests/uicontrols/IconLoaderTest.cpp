// Icons from resources: .ico files with bitmap or PNG images (the entry
// nearest the asked size), plain images, and data that is not an icon.
#include <cstring>

#include "UiControlsTestSupport.h"
#include "ui/common/IconLoader.h"

namespace kbtest {
namespace {

void U16(std::vector<uint8_t>& d, uint16_t v) {
  d.push_back(static_cast<uint8_t>(v));
  d.push_back(static_cast<uint8_t>(v >> 8));
}
void U32(std::vector<uint8_t>& d, uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// An .ico file holding these images (each a PNG or a bitmap image) with
// the widths given for the directory.
std::vector<uint8_t> Ico(const std::vector<std::pair<int, std::vector<uint8_t>>>& images) {
  std::vector<uint8_t> d;
  U16(d, 0);
  U16(d, 1);
  U16(d, static_cast<uint16_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const auto& [width, bytes] : images) {
    d.push_back(static_cast<uint8_t>(width));
    d.push_back(static_cast<uint8_t>(width));
    d.push_back(0);
    d.push_back(0);
    U16(d, 1);
    U16(d, 32);
    U32(d, static_cast<uint32_t>(bytes.size()));
    U32(d, offset);
    offset += static_cast<uint32_t>(bytes.size());
  }
  for (const auto& image : images) d.insert(d.end(), image.second.begin(), image.second.end());
  return d;
}

// A 24-bit bitmap image of 8 x 8: red, with the left half masked out.
std::vector<uint8_t> MaskedDib24() {
  std::vector<uint8_t> d;
  U32(d, 40);
  U32(d, 8);
  U32(d, 16);
  U16(d, 1);
  U16(d, 24);
  for (int i = 0; i < 6; ++i) U32(d, 0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      d.push_back(0);
      d.push_back(0);
      d.push_back(255);
    }
  }
  for (int y = 0; y < 8; ++y) {
    d.push_back(0xF0);  // left four pixels transparent
    d.push_back(0);
    d.push_back(0);
    d.push_back(0);
  }
  return d;
}

TEST(IconLoaderTest, DecodesIconsAndImages) {
  const Color green = Color::Rgb(20, 200, 40);
  const Color blue = Color::Rgb(10, 20, 230);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int cx;
    bool ok;
    int width;
    Color sample;
  };
  const Case cases[] = {
      {"ico, 32-bit bitmap", SolidIco(16, 16, green), 16, true, 16, green},
      {"plain png", SolidPng(20, 10, blue), 16, true, 20, blue},
      {"ico, png entries, nearest to 16", Ico({{32, SolidPng(32, 32, blue)}, {16, SolidPng(16, 16, green)}}), 16, true, 16,
       green},
      {"ico, png entries, nearest to 30", Ico({{32, SolidPng(32, 32, blue)}, {16, SolidPng(16, 16, green)}}), 30, true, 32,
       blue},
      {"ico, no size asked: the largest", Ico({{16, SolidPng(16, 16, green)}, {48, SolidPng(48, 48, blue)}}), 0, true, 48,
       blue},
      {"ico, 24-bit with mask", Ico({{8, MaskedDib24()}}), 16, true, 8, Color::Rgb(255, 0, 0)},
      {"garbage", {1, 2, 3, 4, 5, 6, 7, 8}, 16, false, 0, {}},
      {"empty", {}, 16, false, 0, {}},
  };
  for (const Case& c : cases) {
    kb::render::Bitmap out;
    ASSERT_EQ(IconLoader::Decode(c.bytes, c.cx, out), c.ok) << c.what;
    if (!c.ok) continue;
    EXPECT_EQ(out.Width(), c.width) << c.what;
    EXPECT_EQ(out.ColorAt(out.Width() - 1, out.Height() / 2), c.sample) << c.what;
  }
  kb::render::Bitmap masked;
  ASSERT_TRUE(IconLoader::Decode(Ico({{8, MaskedDib24()}}), 8, masked));
  EXPECT_EQ(masked.ColorAt(1, 1).a, 0) << "the mask's set bits are transparent";
  EXPECT_EQ(masked.ColorAt(6, 1).a, 255);
}

TEST(IconLoaderTest, RefusesBrokenIconFiles) {
  std::vector<uint8_t> good = SolidIco(16, 16, Color::Rgb(1, 2, 3));
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  {
    std::vector<uint8_t> d = good;
    d.resize(40);
    cases.push_back({"cut in the image", d});
  }
  {
    std::vector<uint8_t> d = good;
    d[18] = 0xFF;  // image offset far past the end
    d[19] = 0xFF;
    d[20] = 0xFF;
    cases.push_back({"offset past the end", d});
  }
  {
    std::vector<uint8_t> d = good;
    d[14] = 0xFF;  // image size past the end
    d[15] = 0xFF;
    d[16] = 0xFF;
    d[17] = 0x7F;
    cases.push_back({"size past the end", d});
  }
  {
    std::vector<uint8_t> d = good;
    d[22 + 4] = 0x00;  // width 65536
    d[22 + 6] = 0x01;
    cases.push_back({"huge width", d});
  }
  {
    std::vector<uint8_t> d = good;
    d[22] = 0xFF;  // header size bigger than the image
    d[23] = 0xFF;
    cases.push_back({"header size", d});
  }
  {
    std::vector<uint8_t> d = good;
    d[22 + 14] = 8;  // 8 bits per pixel: not read
    cases.push_back({"palette image", d});
  }
  {
    std::vector<uint8_t> d = good;
    d[4] = 200;  // 200 entries announced
    cases.push_back({"directory past the end", d});
  }
  for (const Case& c : cases) {
    kb::render::Bitmap out;
    EXPECT_FALSE(IconLoader::Decode(c.bytes, 16, out)) << c.what;
  }
}

class IconLoadTest : public UiControlsTest {};

TEST_F(IconLoadTest, LoadsByResourceNameAtTheAskedSize) {
  memory_->Add(L"ICON", L"logo", SolidIco(32, 32, Color::Rgb(200, 10, 10)));
  memory_->Add(L"img", L"plain", SolidPng(24, 24, Color::Rgb(10, 10, 200)));
  for (const wchar_t* name : {L"ICON:logo", L"logo", L"icon:LOGO", L"img:plain"}) {
    HICON icon = IconLoader::Load(name, 16, 16);
    EXPECT_NE(icon, nullptr) << kb::WideToUtf8(name);
    ICONINFO info{};
    if (icon && GetIconInfo(icon, &info)) {
      BITMAP bm{};
      GetObjectW(info.hbmColor, sizeof bm, &bm);
      EXPECT_EQ(bm.bmWidth, 16);
      EXPECT_EQ(bm.bmHeight, 16);
      if (info.hbmColor) DeleteObject(info.hbmColor);
      if (info.hbmMask) DeleteObject(info.hbmMask);
    }
    if (icon) {
      EXPECT_TRUE(DestroyIcon(icon));
    }
  }
  EXPECT_EQ(IconLoader::Load(L"ICON:missing", 16, 16), nullptr);
  memory_->Add(L"ICON", L"broken", {0, 0, 1, 0, 1, 0});
  EXPECT_EQ(IconLoader::Load(L"ICON:broken", 16, 16), nullptr);
}

}  // namespace
}  // namespace kbtest
