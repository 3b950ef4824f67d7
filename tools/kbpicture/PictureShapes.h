#pragma once
// Shapes the keyboard pictures are made of that the toolkit's canvas does not
// draw: anti-aliased rounded rectangles and colour arithmetic.
#include "toolkit/render/Bitmap.h"

namespace kbpicture {

// `amount` 0 gives `a`, 255 gives `b`.
kb::render::Color Mix(kb::render::Color a, kb::render::Color b, int amount);
// Each channel scaled by percent/100 (darker below 100), alpha kept.
kb::render::Color Shade(kb::render::Color color, int percent);

// Filled over what is there, corners of `radius` pixels anti-aliased; never
// outside `rect` (nor the bitmap).
void FillRoundRect(kb::render::Bitmap& target, const kb::render::Rect& rect, int radius, kb::render::Color color);
// A ring `thickness` pixels wide along the inside of the rounded rectangle.
void FrameRoundRect(kb::render::Bitmap& target, const kb::render::Rect& rect, int radius, int thickness,
                    kb::render::Color color);
// Rows from `top` colour to `bottom` colour, over what is there.
void FillVerticalGradient(kb::render::Bitmap& target, const kb::render::Rect& rect, kb::render::Color top,
                          kb::render::Color bottom);

}  // namespace kbpicture
