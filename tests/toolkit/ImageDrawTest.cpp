#include <gtest/gtest.h>

#include <set>

#include "RenderTestSupport.h"
#include "toolkit/render/Canvas.h"

namespace {

using namespace kb::render;
using kbtest::AllPixelsAre;
using kbtest::InkBox;
using kbtest::InkCount;

Pixel Solid(uint8_t r, uint8_t g, uint8_t b) { return Premultiply(Color::Rgb(r, g, b)); }

// Each pixel a distinct opaque colour, so a copy can be checked pixel by pixel.
Bitmap NumberedImage(int width, int height) {
  Bitmap image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.Set(x, y, Solid(static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 10), 200));
    }
  }
  return image;
}

TEST(ImageDrawTest, UnscaledCopiesLandPixelForPixel) {
  struct Case {
    const char* name;
    Rect source;
    Point at;
  };
  const Case cases[] = {
      {"whole image", Rect{0, 0, 4, 3}, {2, 2}},
      {"part of it", Rect{1, 1, 3, 3}, {0, 5}},
      {"hanging off the top-left", Rect{0, 0, 4, 3}, {-2, -1}},
      {"hanging off the bottom-right", Rect{0, 0, 4, 3}, {8, 9}},
      {"source larger than the image", Rect{-1, -1, 9, 9}, {3, 3}},
  };
  const Bitmap image = NumberedImage(4, 3);
  for (const Case& c : cases) {
    Bitmap target(10, 10);
    Canvas canvas(target);
    canvas.DrawBitmap(image, c.source, c.at);
    Rect valid = c.source.Intersect(image.Bounds());
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 10; ++x) {
        int sx = x - c.at.x + c.source.left;
        int sy = y - c.at.y + c.source.top;
        Pixel expected = valid.Contains(Point{sx, sy}) ? image.At(sx, sy) : 0;
        ASSERT_EQ(target.At(x, y), expected) << c.name << " at " << x << "," << y;
      }
    }
  }
}

TEST(ImageDrawTest, CopyWithAlphaBlendsOverTheTarget) {
  Bitmap image(1, 1);
  image.Set(0, 0, Solid(255, 0, 0));
  Bitmap target(2, 1);
  Canvas canvas(target);
  canvas.Clear(Color::Rgb(0, 0, 255));
  canvas.DrawBitmap(image, Point{0, 0}, 128);
  canvas.DrawBitmap(image, image.Bounds(), Point{1, 0}, 0);
  EXPECT_EQ(target.At(0, 0), 0xFF80007Fu);
  EXPECT_EQ(target.At(1, 0), Solid(0, 0, 255));
}

TEST(ImageDrawTest, StretchAtTheSameSizeIsAnExactCopy) {
  const Bitmap image = NumberedImage(5, 4);
  for (StretchFilter filter : {StretchFilter::kNearest, StretchFilter::kBilinear}) {
    Bitmap target(5, 4);
    Canvas(target).StretchBitmap(image, image.Bounds(), target.Bounds(), 255, filter);
    EXPECT_TRUE(std::equal(image.Pixels(), image.Pixels() + 20, target.Pixels()));
  }
}

TEST(ImageDrawTest, StretchingKeepsCornersAndInterpolatesBetween) {
  Bitmap image(2, 1);
  image.Set(0, 0, Solid(0, 0, 0));
  image.Set(1, 0, Solid(200, 200, 200));
  Bitmap target(8, 2);
  Canvas(target).StretchBitmap(image, image.Bounds(), target.Bounds());
  EXPECT_EQ(target.At(0, 0), Solid(0, 0, 0));
  EXPECT_EQ(target.At(7, 1), Solid(200, 200, 200));
  for (int x = 1; x < 8; ++x) {
    EXPECT_GE(target.ColorAt(x, 0).r, target.ColorAt(x - 1, 0).r) << "not monotonic at " << x;
  }
  uint8_t middle = target.ColorAt(3, 0).r;
  EXPECT_GT(middle, 50);
  EXPECT_LT(middle, 150);
}

TEST(ImageDrawTest, ShrinkingAveragesWhatItDropsInsteadOfSkippingIt) {
  // Every fourth column white: sampling between columns would miss them all.
  Bitmap image(16, 2);
  Canvas imageCanvas(image);
  imageCanvas.Clear(Color::Rgb(0, 0, 0));
  for (int x = 0; x < 16; x += 4) imageCanvas.FillRect(Rect{x, 0, x + 1, 2}, Color::Rgb(255, 255, 255));
  Bitmap target(4, 1);
  Canvas(target).StretchBitmap(image, image.Bounds(), target.Bounds());
  for (int x = 0; x < 4; ++x) {
    Color c = target.ColorAt(x, 0);
    EXPECT_EQ(c.a, 255);
    EXPECT_NEAR(c.r, 64, 1) << x;
  }
  // Translucent sources stay premultiplied when averaged.
  Bitmap faint(6, 6);
  Canvas(faint).Clear(Color::Rgba(255, 255, 255, 30));
  Bitmap small(2, 2);
  Canvas(small).StretchBitmap(faint, faint.Bounds(), small.Bounds());
  EXPECT_EQ(small.At(1, 1), faint.At(0, 0));
}

TEST(ImageDrawTest, NearestStretchUsesOnlySourceColours) {
  const Bitmap image = NumberedImage(3, 3);
  std::set<Pixel> colours(image.Pixels(), image.Pixels() + 9);
  Bitmap target(11, 7);
  Canvas(target).StretchBitmap(image, image.Bounds(), target.Bounds(), 255, StretchFilter::kNearest);
  for (int i = 0; i < 11 * 7; ++i) ASSERT_EQ(colours.count(target.Pixels()[i]), 1u);
  EXPECT_EQ(target.At(0, 0), image.At(0, 0));
  EXPECT_EQ(target.At(10, 6), image.At(2, 2));
}

TEST(ImageDrawTest, StretchedFrameNeverSamplesItsNeighbours) {
  // An image list of a red and a green frame: stretching the green one with
  // the bilinear filter must not pull red in at its edge.
  Bitmap list(8, 4);
  Canvas listCanvas(list);
  listCanvas.FillRect(Rect{0, 0, 4, 4}, Color::Rgb(255, 0, 0));
  listCanvas.FillRect(Rect{4, 0, 8, 4}, Color::Rgb(0, 255, 0));
  const Size sizes[] = {{37, 23}, {3, 3}, {1, 9}, {100, 2}};
  for (Size size : sizes) {
    Bitmap target(size.cx, size.cy);
    Canvas canvas(target);
    canvas.DrawImageListState(list, 2, 1, false, target.Bounds());
    EXPECT_TRUE(AllPixelsAre(target, target.Bounds(), Solid(0, 255, 0))) << size.cx << "x" << size.cy;
  }
}

TEST(ImageDrawTest, StretchRespectsTheClip) {
  const Bitmap image = NumberedImage(2, 2);
  Bitmap target(10, 10);
  Canvas canvas(target);
  canvas.PushClip(Rect{3, 3, 6, 6});
  canvas.StretchBitmap(image, image.Bounds(), Rect{-5, -5, 20, 20});
  EXPECT_EQ(InkBox(target, 0), (Rect{3, 3, 6, 6}));
}

TEST(ImageDrawTest, ImageListFrames) {
  struct Case {
    Size image;
    int states;
    int index;
    bool vertical;
    Rect expected;
  };
  const Case cases[] = {
      {{40, 10}, 4, 2, false, Rect{20, 0, 30, 10}},
      {{40, 10}, 4, 0, false, Rect{0, 0, 10, 10}},
      {{10, 30}, 3, 2, true, Rect{0, 20, 10, 30}},
      {{40, 10}, 4, 4, false, Rect{0, 0, 10, 10}},   // past the last: frame 0
      {{40, 10}, 4, -1, false, Rect{0, 0, 10, 10}},  // negative: frame 0
      {{41, 10}, 4, 3, false, Rect{30, 0, 40, 10}},  // the odd column is unused
      {{40, 10}, 0, 0, false, Rect{}},
      {{0, 0}, 2, 0, false, Rect{}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Canvas::ImageListFrame(c.image, c.states, c.index, c.vertical), c.expected)
        << c.image.cx << "x" << c.image.cy << " states " << c.states << " index " << c.index;
  }
}

// A 12x12 nine-patch source with 3-pixel borders: each of the nine parts has
// its own colour.
Bitmap NinePatchSource() {
  Bitmap image(12, 12);
  Canvas canvas(image);
  const int edges[4] = {0, 3, 9, 12};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      canvas.FillRect(Rect{edges[column], edges[row], edges[column + 1], edges[row + 1]},
                      Color::Rgb(static_cast<uint8_t>(40 + column * 80), static_cast<uint8_t>(40 + row * 80), 90));
    }
  }
  return image;
}

Pixel PartColour(int column, int row) {
  return Solid(static_cast<uint8_t>(40 + column * 80), static_cast<uint8_t>(40 + row * 80), 90);
}

TEST(ImageDrawTest, NinePatchKeepsCornersAndFillsEdgesAndCentre) {
  const Bitmap image = NinePatchSource();
  const Margins margins{3, 3, 3, 3};
  for (NinePatchMode mode : {NinePatchMode::kStretch, NinePatchMode::kTile}) {
    Bitmap target(40, 30);
    Canvas canvas(target);
    Rect dest{2, 2, 38, 28};
    canvas.DrawNinePatch(image, image.Bounds(), margins, dest, 255, mode);
    EXPECT_EQ(InkBox(target, 0), dest);
    const int xs[4] = {2, 5, 35, 38};
    const int ys[4] = {2, 5, 25, 28};
    for (int row = 0; row < 3; ++row) {
      for (int column = 0; column < 3; ++column) {
        Rect part{xs[column], ys[row], xs[column + 1], ys[row + 1]};
        EXPECT_TRUE(AllPixelsAre(target, part, PartColour(column, row))) << "part " << column << "," << row;
      }
    }
  }
}

TEST(ImageDrawTest, NinePatchSmallerThanItsMarginsShrinksThem) {
  const Bitmap image = NinePatchSource();
  Bitmap target(10, 10);
  Canvas canvas(target);
  Rect dest{2, 2, 6, 8};  // 4 wide: less than the 3 + 3 margins
  canvas.DrawNinePatch(image, image.Bounds(), Margins{3, 3, 3, 3}, dest);
  EXPECT_EQ(InkBox(target, 0), dest);
  EXPECT_EQ(target.At(2, 2), PartColour(0, 0));
  EXPECT_EQ(target.At(5, 2), PartColour(2, 0));
  EXPECT_EQ(target.At(2, 7), PartColour(0, 2));
  EXPECT_EQ(target.At(5, 7), PartColour(2, 2));
  // Six rows: the top and bottom margins take three each, no middle row.
  EXPECT_EQ(target.At(3, 4), PartColour(0, 0));
  EXPECT_EQ(target.At(3, 5), PartColour(0, 2));
}

TEST(ImageDrawTest, NinePatchTileRepeatsTheCentreUnscaled) {
  Bitmap image(6, 6);
  Canvas imageCanvas(image);
  imageCanvas.Clear(Color::Rgb(0, 0, 0));
  imageCanvas.FillRect(Rect{2, 2, 3, 4}, Color::Rgb(255, 255, 255));  // centre: white | black
  Bitmap target(12, 8);
  Canvas canvas(target);
  canvas.DrawNinePatch(image, image.Bounds(), Margins{2, 2, 2, 2}, target.Bounds(), 255, NinePatchMode::kTile);
  // The 2x2 centre pattern repeats every two pixels across the 8x4 middle.
  for (int x = 2; x < 10; ++x) {
    Pixel expected = (x % 2 == 0) ? Solid(255, 255, 255) : Solid(0, 0, 0);
    EXPECT_EQ(target.At(x, 4), expected) << x;
  }
}

TEST(ImageDrawTest, ImageListStateWithMarginsDrawsOnlyItsFrame) {
  Bitmap list(24, 12);
  Canvas listCanvas(list);
  listCanvas.FillRect(Rect{0, 0, 12, 12}, Color::Rgb(255, 0, 0));
  listCanvas.FillRect(Rect{12, 0, 24, 12}, Color::Rgb(0, 0, 255));
  Bitmap target(30, 20);
  Canvas canvas(target);
  canvas.DrawImageListState(list, 2, 1, false, target.Bounds(), Margins{4, 4, 4, 4});
  EXPECT_TRUE(AllPixelsAre(target, target.Bounds(), Solid(0, 0, 255)));
}

}  // namespace
