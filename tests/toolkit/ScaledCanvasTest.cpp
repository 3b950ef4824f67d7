// Drawing at 125 %, 150 % and 200 %: logical coordinates in, device pixels
// out, with edges that meet, images copied pixel for pixel when they were
// drawn for the scale, and text rasterised at the scaled size.
#include <gtest/gtest.h>

#include "RenderTestSupport.h"
#include "toolkit/render/Canvas.h"
#include "toolkit/render/DeviceScale.h"
#include "toolkit/render/FontRegistry.h"

namespace {

using namespace kb::render;
using kbtest::AllPixelsAre;
using kbtest::InkBox;
using kbtest::InkCount;

const Color kScaledInk = Color::Rgb(255, 0, 0);
const Pixel kScaledInkPixel = Premultiply(kScaledInk);

TEST(DeviceScaleTest, EdgesRoundHalfUpAndTheMouseMapsBackInsideTheControl) {
  struct Case {
    int dpi;
    int logical;
    int device;
  };
  const Case cases[] = {
      {96, 7, 7},    {96, -3, -3},  {120, 1, 1},  {120, 2, 3},  {144, 1, 2},
      {144, 3, 5},   {144, -1, -1}, {144, 10, 15}, {192, 7, 14}, {168, 4, 7},
  };
  for (const Case& c : cases) {
    DeviceScale scale(c.dpi);
    EXPECT_EQ(scale.ToDevice(c.logical), c.device) << c.dpi << " dpi, " << c.logical;
  }
  // Every device pixel of a control's area maps back into the control: the
  // pixel the user clicks is the control drawn there.
  for (int dpi : {96, 120, 144, 168, 192}) {
    DeviceScale scale(dpi);
    for (int left = 0; left < 12; ++left) {
      for (int width = 1; width < 6; ++width) {
        Rect logical{left, 0, left + width, 1};
        Rect device = scale.ToDevice(logical);
        for (int x = device.left; x < device.right; ++x) {
          int back = scale.ToLogical(Point{x, 0}).x;
          EXPECT_TRUE(back >= logical.left && back < logical.right)
              << dpi << " dpi: pixel " << x << " of [" << logical.left << "," << logical.right << ")";
        }
      }
    }
  }
  EXPECT_EQ(DeviceScale(20).Dpi(), 96) << "a dpi nobody uses is taken for a mistake";
  EXPECT_EQ(DeviceScale(144).Percent(), 150);
  // Pixel 1 at 150 % is the second half of logical unit 0.
  EXPECT_EQ(DeviceScale(144).ToLogicalOutward(Rect{1, 1, 2, 2}), (Rect{0, 0, 1, 1}));
  EXPECT_EQ(DeviceScale(144).ToDeviceOutward(Rect{1, 1, 2, 2}), (Rect{1, 1, 3, 3}));
}

TEST(ScaledCanvasTest, NeighbouringRectanglesNeitherOverlapNorLeaveAGap) {
  // Half-transparent fills show a pixel painted twice as darker, and one
  // painted never as empty.
  for (int dpi : {120, 144, 168, 192}) {
    SCOPED_TRACE(dpi);
    Bitmap bitmap(40, 10);
    Canvas canvas(bitmap, DeviceScale(dpi));
    const Color half = Color::Rgba(255, 0, 0, 128);
    int x = 0;
    for (int width : {1, 3, 2, 5, 1, 4}) {
      canvas.FillRect(Rect{x, 0, x + width, 4}, half);
      x += width;
    }
    const int right = DeviceScale(dpi).ToDevice(x);
    const Pixel once = bitmap.At(0, 0);
    EXPECT_GT(PixelAlpha(once), 0);
    EXPECT_TRUE(AllPixelsAre(bitmap, Rect{0, 0, right, DeviceScale(dpi).ToDevice(4)}, once));
    EXPECT_EQ(InkBox(bitmap, 0), (Rect{0, 0, right, DeviceScale(dpi).ToDevice(4)}));
  }
}

TEST(ScaledCanvasTest, FramesAndClipsScaleWithTheRectangles) {
  Bitmap bitmap(30, 30);
  Canvas canvas(bitmap, DeviceScale(192));
  canvas.FrameRect(Rect{1, 1, 11, 11}, kScaledInk, 1);
  // A two-pixel border of a 20 x 20 square at (2, 2).
  EXPECT_TRUE(AllPixelsAre(bitmap, Rect{2, 2, 22, 4}, kScaledInkPixel));
  EXPECT_TRUE(AllPixelsAre(bitmap, Rect{2, 4, 4, 20}, kScaledInkPixel));
  EXPECT_TRUE(AllPixelsAre(bitmap, Rect{4, 4, 20, 20}, 0));
  EXPECT_EQ(InkCount(bitmap, 0), 20 * 20 - 16 * 16);

  Bitmap clipped(30, 30);
  Canvas clipCanvas(clipped, DeviceScale(144));
  {
    Canvas::ScopedClip clip(clipCanvas, Rect{1, 1, 3, 3});
    EXPECT_EQ(clipCanvas.DeviceClipBox(), (Rect{2, 2, 5, 5}));
    EXPECT_EQ(clipCanvas.ClipBox(), (Rect{1, 1, 3, 3}));
    clipCanvas.FillRect(Rect{0, 0, 20, 20}, kScaledInk);
  }
  EXPECT_EQ(InkBox(clipped, 0), (Rect{2, 2, 5, 5}));
}

// An image list of two 3 x 3 frames at 1x and the same drawn for 2x: the 2x
// frame is copied pixel for pixel into a 2x canvas, the 1x one stretched.
TEST(ScaledCanvasTest, AnImageMadeForTheScaleIsCopiedPixelForPixel) {
  Bitmap twice(12, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 12; ++x) twice.Set(x, y, Premultiply(Color::Rgb(static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 40), 7)));
  Bitmap out(20, 20);
  Canvas canvas(out, DeviceScale(192));
  canvas.DrawImageListState(twice, 2, 1, false, Rect{2, 3, 5, 6}, Margins{}, 255, NinePatchMode::kStretch, 192);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(out.At(4 + x, 6 + y), twice.At(6 + x, y)) << x << "," << y;

  // The same picture drawn part by part lands where the whole one does.
  Bitmap whole(30, 30), parts(30, 30);
  Canvas wholeCanvas(whole, DeviceScale(144)), partsCanvas(parts, DeviceScale(144));
  Bitmap picture(15, 15);
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 15; ++x) picture.Set(x, y, Premultiply(Color::Rgb(static_cast<uint8_t>(x * 16), 90, static_cast<uint8_t>(y * 16))));
  wholeCanvas.DrawImagePart(picture, 144, Point{3, 1}, Rect{0, 0, 10, 10});
  for (const Rect& part : {Rect{0, 0, 3, 10}, Rect{3, 0, 7, 5}, Rect{3, 5, 7, 10}, Rect{7, 0, 10, 10}})
    partsCanvas.DrawImagePart(picture, 144, Point{3, 1}, part);
  EXPECT_FALSE(AllPixelsAre(parts, parts.Bounds(), 0));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(whole.At(x, y), parts.At(x, y)) << x << "," << y;
}

TEST(ScaledCanvasTest, NinePatchCornersKeepTheirScaledSize) {
  // A 9 x 9 frame with a 3-pixel red border drawn for 1x, into a 150 %
  // canvas: the border becomes 5 pixels (3 x 1.5 rounded up), the centre
  // stays clear however large the destination.
  Bitmap image(9, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x)
      if (x < 3 || y < 3 || x >= 6 || y >= 6) image.Set(x, y, kScaledInkPixel);
  Bitmap out(60, 60);
  Canvas canvas(out, DeviceScale(144));
  canvas.DrawImageListState(image, 1, 0, false, Rect{0, 0, 30, 30}, Margins{3, 3, 3, 3});
  EXPECT_TRUE(AllPixelsAre(out, Rect{0, 0, 45, 4}, kScaledInkPixel));
  EXPECT_TRUE(AllPixelsAre(out, Rect{6, 6, 39, 39}, 0));
  EXPECT_EQ(InkBox(out, 0), (Rect{0, 0, 45, 45}));
}

TEST(ScaledCanvasTest, TextIsRasterisedAtTheScaledSize) {
  auto font = FontRegistry::Instance().GetFont(FontSpec{L"DejaVu Sans", 12});
  const unsigned format = kTextSingleLine | kTextLeft | kTextTop;
  Bitmap single(200, 40), doubled(400, 80);
  Canvas(single).DrawString(*font, L"Keyboard", Rect{0, 0, 200, 40}, kScaledInk, format);
  Canvas(doubled, DeviceScale(192)).DrawString(*font, L"Keyboard", Rect{0, 0, 200, 40}, kScaledInk, format);
  Rect a = InkBox(single, 0), b = InkBox(doubled, 0);
  ASSERT_FALSE(a.IsEmpty());
  // The text is twice as large (hinting-free outlines: within a pixel or
  // two), not the small glyphs in a large window, nor an enlarged bitmap:
  // an enlarged one has every ink pixel in pairs.
  EXPECT_NEAR(b.Width(), 2 * a.Width(), 3);
  EXPECT_NEAR(b.Height(), 2 * a.Height(), 3);
  int lonely = 0;
  for (int y = b.top; y < b.bottom; ++y)
    for (int x = b.left; x + 1 < b.right; x += 2)
      if (doubled.At(x, y) != doubled.At(x + 1, y)) ++lonely;
  EXPECT_GT(lonely, 50) << "the glyphs were not drawn at 24 px";
}

}  // namespace
