#include "Glyphs.h"

#include <cmath>

#include "Theme.h"

namespace kb::art {

namespace {

constexpr float kStroke = 2.0f;

Vec At(float x, float y, float dx, float dy) { return Vec{x + dx, y + dy}; }

}  // namespace

void GlyphAdd(ArtCanvas& c, float x, float y, const Paint& ink) {
  c.Line(At(x, y, 16, 9), At(x, y, 16, 23), kStroke, ink);
  c.Line(At(x, y, 9, 16), At(x, y, 23, 16), kStroke, ink);
}

void GlyphDelete(ArtCanvas& c, float x, float y, const Paint& ink) {
  c.Line(At(x, y, 9.5f, 11), At(x, y, 22.5f, 11), kStroke, ink);
  c.Polyline({At(x, y, 13.5f, 11), At(x, y, 13.5f, 8.5f), At(x, y, 18.5f, 8.5f), At(x, y, 18.5f, 11)}, 1.6f, ink);
  c.Polyline({At(x, y, 11.5f, 13.5f), At(x, y, 12.5f, 23.5f), At(x, y, 19.5f, 23.5f), At(x, y, 20.5f, 13.5f)}, kStroke,
             ink);
  c.Line(At(x, y, 14.5f, 15.5f), At(x, y, 14.8f, 20.5f), 1.4f, ink);
  c.Line(At(x, y, 17.5f, 15.5f), At(x, y, 17.2f, 20.5f), 1.4f, ink);
}

void GlyphCapture(ArtCanvas& c, float x, float y, const Paint& ink) {
  c.StrokeCircle(At(x, y, 16, 16), 6.0f, kStroke, ink);
  c.FillCircle(At(x, y, 16, 16), 2.2f, ink);
  c.Line(At(x, y, 16, 6.5f), At(x, y, 16, 9.5f), kStroke, ink);
  c.Line(At(x, y, 16, 22.5f), At(x, y, 16, 25.5f), kStroke, ink);
  c.Line(At(x, y, 6.5f, 16), At(x, y, 9.5f, 16), kStroke, ink);
  c.Line(At(x, y, 22.5f, 16), At(x, y, 25.5f, 16), kStroke, ink);
}

void GlyphImport(ArtCanvas& c, float x, float y, const Paint& ink) {
  c.Line(At(x, y, 16, 8), At(x, y, 16, 18.5f), kStroke, ink);
  c.Polyline({At(x, y, 12, 14.5f), At(x, y, 16, 18.5f), At(x, y, 20, 14.5f)}, kStroke, ink);
  c.Polyline({At(x, y, 9, 18.5f), At(x, y, 9, 23.5f), At(x, y, 23, 23.5f), At(x, y, 23, 18.5f)}, kStroke, ink);
}

void GlyphExport(ArtCanvas& c, float x, float y, const Paint& ink) {
  c.Line(At(x, y, 16, 19), At(x, y, 16, 8), kStroke, ink);
  c.Polyline({At(x, y, 12, 12), At(x, y, 16, 8), At(x, y, 20, 12)}, kStroke, ink);
  c.Polyline({At(x, y, 9, 18.5f), At(x, y, 9, 23.5f), At(x, y, 23, 23.5f), At(x, y, 23, 18.5f)}, kStroke, ink);
}

void GlyphUp(ArtCanvas& c, float x, float y, const Paint& ink) {
  c.Polyline({At(x, y, 10, 19), At(x, y, 16, 13), At(x, y, 22, 19)}, 2.4f, ink);
}

void GlyphDown(ArtCanvas& c, float x, float y, const Paint& ink) {
  c.Polyline({At(x, y, 10, 13), At(x, y, 16, 19), At(x, y, 22, 13)}, 2.4f, ink);
}

void GlyphClear(ArtCanvas& c, float x, float y, const Paint& ink) {
  c.Polyline({At(x, y, 12.5f, 10), At(x, y, 23.5f, 10), At(x, y, 23.5f, 22), At(x, y, 12.5f, 22), At(x, y, 7, 16),
              At(x, y, 12.5f, 10)},
             1.8f, ink);
  c.Line(At(x, y, 15, 13.5f), At(x, y, 20, 18.5f), 1.8f, ink);
  c.Line(At(x, y, 20, 13.5f), At(x, y, 15, 18.5f), 1.8f, ink);
}

void GlyphMore(ArtCanvas& c, float x, float y, const Paint& ink) {
  for (float row : {10.5f, 16.0f, 21.5f}) c.Line(At(x, y, 9.5f, row), At(x, y, 22.5f, row), kStroke, ink);
}

void DrawLogo(ArtCanvas& c, float x, float y, float s) {
  float inset = s * 0.04f;
  c.FillRoundRect(x + inset, y + inset, x + s - inset, y + s - inset, s * 0.24f,
                  [=](float px, float py) {
                    float t = ((px - x) + (py - y)) / (2 * s);
                    return Mix(theme::kAccent, theme::kAccentDeep, t);
                  });
  // A keycap seen from above: the skirt's outline and the dished top face,
  // which sits a little towards the top like on a real cap.
  float k0 = s * 0.22f, k1 = s * 0.78f;
  float stroke = std::max(1.2f, s * 0.075f);
  Paint white = Solid(Hex(0xffffff));
  c.StrokeRoundRect(x + k0, y + k0, x + k1, y + k1, s * 0.12f, stroke, white);
  c.FillRoundRect(x + s * 0.35f, y + s * 0.32f, x + s * 0.65f, y + s * 0.60f, s * 0.06f,
                  Solid(WithAlpha(Hex(0xffffff), 0.9f)));
}

}  // namespace kb::art
