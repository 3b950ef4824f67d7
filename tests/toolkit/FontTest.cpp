#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "RenderTestSupport.h"
#include "platform/text.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/render/FontRegistry.h"

namespace {

using namespace kb::render;

const std::wstring kLatinFace = L"DejaVu Sans";
const std::wstring kCjkFace = L"Noto Sans CJK SC";

// Answers every query with the system's regular DejaVu Sans, the way a system
// substitutes a font it does not have, and counts what was asked for.
class SubstitutingLocator {
 public:
  std::optional<FontFileData> operator()(const FontQuery& query) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++queries_[std::wstring(query.face)];
    }
    return LocateSystemFont(FontQuery{kLatinFace, false, false, true});
  }
  int QueriesFor(const std::wstring& face) {
    std::lock_guard<std::mutex> lock(mutex_);
    return queries_[face];
  }

 private:
  std::mutex mutex_;
  std::map<std::wstring, int> queries_;
};

FontRegistry::Locator Wrap(SubstitutingLocator& locator) {
  return [&locator](const FontQuery& q) { return locator(q); };
}

// The horizontal centre of the ink in rows [top, bottom).
double InkCentreX(const Bitmap& bitmap, int top, int bottom) {
  double sum = 0;
  double weight = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      double a = PixelAlpha(bitmap.At(x, y));
      sum += a * x;
      weight += a;
    }
  }
  return weight > 0 ? sum / weight : -1;
}

Bitmap DrawCharacter(const Font& font, wchar_t c) {
  Bitmap bitmap(64, 64);
  Canvas canvas(bitmap);
  canvas.DrawString(font, std::wstring(1, c), Rect{8, 8, 64, 64}, Color::Rgb(0, 0, 0), kTextSingleLine);
  return bitmap;
}

TEST(FontTest, InstalledFacesAreFoundByTheirExactName) {
  FontRegistry registry(LocateSystemFont);
  struct Case {
    std::wstring face;
    bool found;
  };
  const Case cases[] = {
      {kLatinFace, true},
      {L"dejavu sans", true},
      {kCjkFace, true},
      {L"Noto Sans CJK JP", true},  // another member of the same collection
      {L"No Such Face Anywhere", false},
      {L"", false},
  };
  for (const Case& c : cases) {
    auto face = registry.FindFace(c.face, false, false);
    EXPECT_EQ(face != nullptr, c.found) << kb::WideToUtf8(c.face);
    if (face) {
      EXPECT_TRUE(face->HasName(c.face)) << kb::WideToUtf8(c.face);
      EXPECT_FALSE(face->IsBold());
    }
  }
}

TEST(FontTest, CollectionMembersAreTheOnesAskedFor) {
  FontRegistry registry(LocateSystemFont);
  auto sc = registry.FindFace(L"Noto Sans CJK SC", false, false);
  auto jp = registry.FindFace(L"Noto Sans CJK JP", false, false);
  ASSERT_TRUE(sc && jp);
  EXPECT_FALSE(sc->HasName(L"Noto Sans CJK JP"));
  EXPECT_FALSE(jp->HasName(L"Noto Sans CJK SC"));
}

TEST(FontTest, BoldRequestGetsTheBoldFile) {
  FontRegistry registry(LocateSystemFont);
  auto bold = registry.FindFace(kLatinFace, true, false);
  ASSERT_TRUE(bold);
  EXPECT_TRUE(bold->IsBold());
  EXPECT_TRUE(bold->HasName(kLatinFace));
}

TEST(FontTest, SubstitutedFaceIsNotTakenForTheNamedOne) {
  SubstitutingLocator locator;
  FontRegistry registry(Wrap(locator));
  EXPECT_EQ(registry.FindFace(L"Microsoft YaHei", false, false), nullptr);
  // The spec's face is missing, so the first default face that is really
  // installed is used.
  registry.SetDefaultFaces({L"Tahoma", kLatinFace});
  auto font = registry.GetFont(FontSpec{L"Microsoft YaHei", 14});
  ASSERT_NE(font->PrimaryFace(), nullptr);
  EXPECT_TRUE(font->PrimaryFace()->HasName(kLatinFace));
  EXPECT_EQ(locator.QueriesFor(L"Tahoma"), 1);
}

TEST(FontTest, WithoutAnyFontTextHasMetricsAndDrawsNothing) {
  FontRegistry registry([](const FontQuery&) { return std::optional<FontFileData>(); });
  auto font = registry.GetFont(FontSpec{kLatinFace, 20});
  EXPECT_EQ(font->PrimaryFace(), nullptr);
  EXPECT_GT(font->LineHeight(), 0);
  EXPECT_EQ(font->Ascent() + font->Descent(), font->LineHeight());
  Bitmap bitmap(50, 30);
  Canvas canvas(bitmap);
  canvas.DrawString(*font, L"abc 中文", bitmap.Bounds(), Color::Rgb(0, 0, 0));
  EXPECT_EQ(kbtest::InkCount(bitmap, 0), 0);
}

TEST(FontTest, FallbackFacesAreLoadedOnlyWhenACharacterNeedsThem) {
  SubstitutingLocator locator;
  FontRegistry registry(Wrap(locator));
  registry.SetFallbackFaces({L"First Fallback", L"Second Fallback"});
  auto font = registry.GetFont(FontSpec{kLatinFace, 14});
  EXPECT_GT(font->MeasureWidth(U"Hello"), 0);
  EXPECT_EQ(locator.QueriesFor(L"First Fallback"), 0);
  font->GetGlyph(U'中');  // in no face: every fallback is tried, once
  font->GetGlyph(U'文');
  EXPECT_EQ(locator.QueriesFor(L"First Fallback"), 1);
  EXPECT_EQ(locator.QueriesFor(L"Second Fallback"), 1);
}

TEST(FontTest, ChineseComesFromTheFallbackOfALatinFace) {
  FontRegistry registry(LocateSystemFont);
  auto font = registry.GetFont(FontSpec{kLatinFace, 16});
  ASSERT_TRUE(font->PrimaryFace() && font->PrimaryFace()->HasName(kLatinFace));
  EXPECT_FALSE(font->PrimaryFace()->GlyphIndex(U'中'));
  EXPECT_TRUE(font->HasGlyph(U'中'));
  auto zhong = font->GetGlyph(U'中');
  auto wen = font->GetGlyph(U'文');
  EXPECT_GT(zhong->faceSlot, 0);
  EXPECT_NE(zhong->glyphIndex, 0);
  EXPECT_GT(zhong->image.width, 8);
  EXPECT_NE(zhong->image.coverage, wen->image.coverage);
  // CJK characters are a full em wide.
  EXPECT_NEAR(zhong->advance64, 16 * 64, 64);
}

TEST(FontTest, CharacterNoFaceHasIsTheMissingGlyphBox) {
  FontRegistry registry(LocateSystemFont);
  auto font = registry.GetFont(FontSpec{kLatinFace, 16});
  const char32_t unassigned = 0x10FFFD;
  EXPECT_FALSE(font->HasGlyph(unassigned));
  auto glyph = font->GetGlyph(unassigned);
  EXPECT_EQ(glyph->faceSlot, 0);
  EXPECT_EQ(glyph->glyphIndex, 0);
  EXPECT_GT(glyph->advance64, 0);
}

TEST(FontTest, KerningTightensPairsThatHaveIt) {
  FontRegistry registry(LocateSystemFont);
  auto font = registry.GetFont(FontSpec{kLatinFace, 32});
  const int apart = font->MeasureWidth(U"A") + font->MeasureWidth(U"V");
  EXPECT_LT(font->MeasureWidth(U"AV"), apart - 1);
  EXPECT_EQ(font->MeasureWidth(U"HH"), 2 * font->MeasureWidth(U"H"));
}

TEST(FontTest, MetricsGrowWithSize) {
  FontRegistry registry(LocateSystemFont);
  int previous = 0;
  for (int size = 8; size <= 40; size += 4) {
    auto font = registry.GetFont(FontSpec{kLatinFace, size});
    EXPECT_EQ(font->Ascent() + font->Descent(), font->LineHeight()) << size;
    EXPECT_GT(font->Ascent(), font->Descent()) << size;
    EXPECT_GT(font->LineHeight(), previous) << size;
    EXPECT_GE(font->LineHeight(), size) << size;
    previous = font->LineHeight();
  }
}

TEST(FontTest, MissingBoldAndItalicAreSynthesised) {
  // A family without bold and italic files: every request gets the regular.
  SubstitutingLocator locator;
  FontRegistry registry(Wrap(locator));
  auto regular = registry.GetFont(FontSpec{kLatinFace, 24});
  auto bold = registry.GetFont(FontSpec{kLatinFace, 24, true});
  auto italic = registry.GetFont(FontSpec{kLatinFace, 24, false, true});
  auto l = regular->GetGlyph(U'l');
  auto boldL = bold->GetGlyph(U'l');
  EXPECT_FALSE(bold->PrimaryFace()->IsBold());
  EXPECT_EQ(boldL->image.width, l->image.width + 1);
  EXPECT_EQ(boldL->advance64, l->advance64 + 64);

  Bitmap upright = DrawCharacter(*regular, L'l');
  Bitmap slanted = DrawCharacter(*italic, L'l');
  Rect box = kbtest::InkBox(slanted, 0);
  int third = box.Height() / 3;
  double uprightShift =
      InkCentreX(upright, box.top, box.top + third) - InkCentreX(upright, box.bottom - third, box.bottom);
  double slantShift =
      InkCentreX(slanted, box.top, box.top + third) - InkCentreX(slanted, box.bottom - third, box.bottom);
  EXPECT_NEAR(uprightShift, 0, 0.5);
  EXPECT_GT(slantShift, 1.5);
}

TEST(FontTest, ConcurrentUseGivesTheSameGlyphsAsSerialUse) {
  const std::u32string text = U"Keyboard 键盘灯光 Lighting 宏设置 0123456789";
  FontRegistry reference(LocateSystemFont);
  auto referenceFont = reference.GetFont(FontSpec{kLatinFace, 15});
  std::vector<std::vector<uint8_t>> expected;
  for (char32_t c : text) expected.push_back(referenceFont->GetGlyph(c)->image.coverage);
  const int expectedWidth = referenceFont->MeasureWidth(text);

  FontRegistry shared(LocateSystemFont);  // cold caches, filled by the threads
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t]() {
      for (int round = 0; round < 20; ++round) {
        auto font = shared.GetFont(FontSpec{kLatinFace, 15});
        for (size_t i = 0; i < text.size(); ++i) {
          size_t k = (i + static_cast<size_t>(t) * 7) % text.size();
          if (font->GetGlyph(text[k])->image.coverage != expected[k]) ++failures;
        }
        if (font->MeasureWidth(text) != expectedWidth) ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
