#pragma once
// Helpers for pixel checks on small bitmaps.
#include <cstdint>
#include <string>

#include "toolkit/render/Bitmap.h"

namespace kbtest {

using kb::render::Bitmap;
using kb::render::Color;
using kb::render::Pixel;
using kb::render::Rect;

// Smallest rectangle holding every pixel that differs from `background`;
// empty if none does.
Rect InkBox(const Bitmap& bitmap, Pixel background);
// How many pixels differ from `background`.
int InkCount(const Bitmap& bitmap, Pixel background);
// How many pixels inside `area` differ from `background`.
int InkCountIn(const Bitmap& bitmap, Pixel background, const Rect& area);
// Every pixel of `area` equals `expected`.
bool AllPixelsAre(const Bitmap& bitmap, const Rect& area, Pixel expected);
std::string PixelText(Pixel p);

}  // namespace kbtest
