#include <gtest/gtest.h>

#include "RenderTestSupport.h"
#include "toolkit/render/Canvas.h"

namespace {

using namespace kb::render;
using kbtest::AllPixelsAre;
using kbtest::InkBox;
using kbtest::InkCount;

const Color kRed = Color::Rgb(255, 0, 0);
const Color kBlue = Color::Rgb(0, 0, 255);
const Pixel kRedPixel = Premultiply(kRed);
const Pixel kBluePixel = Premultiply(kBlue);

TEST(CanvasTest, NewBitmapIsTransparentAndSizeLimitsHold) {
  struct Case {
    int width;
    int height;
    bool accepted;
  };
  const Case cases[] = {
      {4, 3, true},
      {0, 0, true},
      {-1, 5, false},
      {Bitmap::kMaxDimension + 1, 1, false},
      {Bitmap::kMaxDimension, Bitmap::kMaxDimension, false},  // over the pixel budget
  };
  for (const Case& c : cases) {
    Bitmap bitmap;
    EXPECT_EQ(bitmap.Reset(c.width, c.height), c.accepted) << c.width << "x" << c.height;
    if (c.accepted) {
      EXPECT_EQ(bitmap.Width() * bitmap.Height(), c.width * c.height);
      EXPECT_TRUE(AllPixelsAre(bitmap, bitmap.Bounds(), 0));
      EXPECT_EQ(bitmap.StrideBytes(), bitmap.Width() * 4);
    } else {
      EXPECT_TRUE(bitmap.IsEmpty());
    }
  }
}

TEST(CanvasTest, PixelsAreStoredAsBgraBytes) {
  // The window layer hands the memory to SetDIBitsToDevice as it is.
  Bitmap bitmap(1, 1);
  Canvas(bitmap).Clear(Color::Rgba(0x10, 0x20, 0x30, 0xFF));
  const auto* bytes = reinterpret_cast<const uint8_t*>(bitmap.Pixels());
  EXPECT_EQ(bytes[0], 0x30);
  EXPECT_EQ(bytes[1], 0x20);
  EXPECT_EQ(bytes[2], 0x10);
  EXPECT_EQ(bytes[3], 0xFF);
}

TEST(CanvasTest, FillsCoverExactlyTheirRectangleInsideTheBitmap) {
  struct Case {
    const char* name;
    Rect fill;
    Rect expected;
  };
  const Case cases[] = {
      {"inside", Rect{2, 3, 5, 7}, Rect{2, 3, 5, 7}},
      {"over the top-left corner", Rect{-4, -4, 2, 1}, Rect{0, 0, 2, 1}},
      {"over the bottom-right corner", Rect{8, 8, 40, 40}, Rect{8, 8, 10, 10}},
      {"entirely outside", Rect{20, 20, 30, 30}, Rect{}},
      {"inverted", Rect{5, 5, 2, 2}, Rect{}},
  };
  for (const Case& c : cases) {
    Bitmap bitmap(10, 10);
    Canvas canvas(bitmap);
    canvas.FillRect(c.fill, kRed);
    EXPECT_EQ(InkBox(bitmap, 0), c.expected) << c.name;
    EXPECT_EQ(InkCount(bitmap, 0), c.expected.Width() * c.expected.Height()) << c.name;
    if (!c.expected.IsEmpty()) {
      EXPECT_TRUE(AllPixelsAre(bitmap, c.expected, kRedPixel)) << c.name;
    }
  }
}

TEST(CanvasTest, TranslucentFillBlendsAndCopyModeReplaces) {
  Bitmap bitmap(4, 1);
  Canvas canvas(bitmap);
  canvas.Clear(kBlue);
  canvas.FillRect(Rect{0, 0, 2, 1}, Color::Rgba(255, 0, 0, 128));
  canvas.FillRect(Rect{2, 0, 4, 1}, Color::Rgba(255, 0, 0, 128), BlendMode::kCopy);
  EXPECT_EQ(bitmap.At(0, 0), 0xFF80007Fu);
  EXPECT_EQ(bitmap.At(3, 0), 0x80800000u);
  // Blending a transparent colour changes nothing; copying it clears.
  canvas.FillRect(Rect{0, 0, 1, 1}, kTransparentColor);
  canvas.FillRect(Rect{1, 0, 2, 1}, kTransparentColor, BlendMode::kCopy);
  EXPECT_EQ(bitmap.At(0, 0), 0xFF80007Fu);
  EXPECT_EQ(bitmap.At(1, 0), 0u);
}

// Only a decoded image whose every pixel is opaque is known to be, and any
// change forgets it; a picture known to be opaque is copied over what is
// there, with the same pixels as blending it would give.
TEST(CanvasTest, OpaquePicturesAreKnownAndReplaceWhatIsUnder) {
  const uint8_t opaque[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 9, 9, 9, 255};
  const uint8_t oneTranslucent[] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 255, 9, 9, 9, 255};
  struct Case {
    const char* what;
    const uint8_t* rgba;
    void (*change)(Bitmap&);
    bool known;
  } cases[] = {
      {"decoded opaque", opaque, [](Bitmap&) {}, true},
      {"one translucent pixel", oneTranslucent, [](Bitmap&) {}, false},
      {"a pixel set", opaque, [](Bitmap& b) { b.Set(0, 0, 0xFF000000u); }, false},
      {"a row written", opaque, [](Bitmap& b) { b.Row(1)[0] = 0; }, false},
      {"filled", opaque, [](Bitmap& b) { b.Fill(0xFF000000u); }, false},
      {"reset", opaque, [](Bitmap& b) { b.Reset(2, 2); }, false},
  };
  for (const Case& c : cases) {
    Bitmap picture;
    ASSERT_TRUE(picture.FromStraightRgba(c.rgba, 2, 2));
    c.change(picture);
    EXPECT_EQ(picture.KnownOpaque(), c.known) << c.what;

    Bitmap drawn(4, 4), blended(4, 4);
    for (Bitmap* b : {&drawn, &blended}) Canvas(*b).Clear(Color::Rgba(0, 0, 255, 200));
    Canvas(drawn).DrawBitmap(picture, Point{1, 1});
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) blended.Set(x + 1, y + 1, BlendOver(blended.At(x + 1, y + 1), picture.At(x, y)));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(drawn.At(x, y), blended.At(x, y)) << c.what << " at " << x << "," << y;
  }
}

TEST(CanvasTest, ClipStackNarrowsAndRestores) {
  Bitmap bitmap(20, 20);
  Canvas canvas(bitmap);
  EXPECT_EQ(canvas.ClipBox(), bitmap.Bounds());
  canvas.PushClip(Rect{2, 2, 15, 15});
  canvas.PushClip(Rect{10, -5, 30, 12});
  EXPECT_EQ(canvas.ClipBox(), (Rect{10, 2, 15, 12}));
  EXPECT_EQ(canvas.ClipDepth(), 2u);
  canvas.FillRect(bitmap.Bounds(), kRed);
  EXPECT_EQ(InkBox(bitmap, 0), (Rect{10, 2, 15, 12}));
  canvas.PopClip();
  EXPECT_EQ(canvas.ClipBox(), (Rect{2, 2, 15, 15}));
  canvas.PushClip(Rect{40, 40, 50, 50});  // disjoint: nothing may be drawn
  EXPECT_TRUE(canvas.ClipBox().IsEmpty());
  canvas.FillRect(bitmap.Bounds(), kBlue);
  canvas.Clear(kBlue);
  EXPECT_EQ(InkCount(bitmap, 0), 5 * 10);
  canvas.PopClip();
  canvas.PopClip();
  canvas.PopClip();  // one too many: harmless, the whole bitmap stays the clip
  EXPECT_EQ(canvas.ClipBox(), bitmap.Bounds());
  {
    Canvas::ScopedClip scoped(canvas, Rect{0, 0, 1, 1});
    EXPECT_EQ(canvas.ClipDepth(), 1u);
  }
  EXPECT_EQ(canvas.ClipDepth(), 0u);
}

TEST(CanvasTest, TranslucentFrameIsEvenAtTheCorners) {
  struct Case {
    Rect rect;
    int thickness;
    int expectedPixels;
  };
  const Case cases[] = {
      {Rect{1, 1, 9, 7}, 1, 8 * 6 - 6 * 4},
      {Rect{1, 1, 9, 7}, 2, 8 * 6 - 4 * 2},
      {Rect{0, 0, 3, 3}, 2, 9},  // thicker than half the size: filled
  };
  for (const Case& c : cases) {
    Bitmap bitmap(10, 8);
    Canvas canvas(bitmap);
    canvas.FrameRect(c.rect, Color::Rgba(0, 255, 0, 100), c.thickness);
    EXPECT_EQ(InkCount(bitmap, 0), c.expectedPixels);
    EXPECT_EQ(InkBox(bitmap, 0), c.rect);
    // A corner blended twice would be darker than the middle of an edge.
    EXPECT_EQ(bitmap.At(c.rect.left, c.rect.top), bitmap.At(c.rect.left + 1, c.rect.top));
    EXPECT_EQ(bitmap.At(c.rect.right - 1, c.rect.bottom - 1), bitmap.At(c.rect.left, c.rect.top));
  }
}

TEST(CanvasTest, FocusRectDotsEveryOtherPixelOfTheBorder) {
  Bitmap bitmap(12, 12);
  Canvas canvas(bitmap);
  Rect rect{2, 2, 10, 10};
  canvas.DrawFocusRect(rect, kRed);
  EXPECT_EQ(InkBox(bitmap, 0), rect);
  EXPECT_EQ(InkCount(bitmap, 0), 14);  // 28 border pixels, every other one
  EXPECT_EQ(InkCount(bitmap, 0) - kbtest::InkCountIn(bitmap, 0, rect.Deflate(1, 1, 1, 1)), 14);
  EXPECT_NE(bitmap.At(2, 2), bitmap.At(3, 2));
}

TEST(CanvasTest, LinesStopBeforeTheirEndPoint) {
  struct Case {
    const char* name;
    Point from;
    Point to;
    int pixels;
    Rect box;
  };
  const Case cases[] = {
      {"horizontal", {1, 2}, {7, 2}, 6, Rect{1, 2, 7, 3}},
      {"vertical upwards", {3, 8}, {3, 1}, 7, Rect{3, 2, 4, 9}},
      {"diagonal", {0, 0}, {5, 5}, 5, Rect{0, 0, 5, 5}},
      {"shallow", {0, 0}, {8, 3}, 8, Rect{0, 0, 8, 4}},  // (7,3) is the last one
      {"clipped at the edge", {-5, 4}, {15, 4}, 10, Rect{0, 4, 10, 5}},
      {"a point", {4, 4}, {4, 4}, 0, Rect{}},
  };
  for (const Case& c : cases) {
    Bitmap bitmap(10, 10);
    Canvas canvas(bitmap);
    canvas.DrawLine(c.from, c.to, kRed);
    EXPECT_EQ(InkCount(bitmap, 0), c.pixels) << c.name;
    EXPECT_EQ(InkBox(bitmap, 0), c.box) << c.name;
  }
}

}  // namespace
