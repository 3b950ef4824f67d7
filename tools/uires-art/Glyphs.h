#pragma once
// The line icons of the buttons, drawn in a 32 x 32 cell whose top-left
// corner is (x, y), with the given ink.
#include "ArtCanvas.h"

namespace kb::art {

using GlyphFn = void (*)(ArtCanvas&, float x, float y, const Paint& ink);

void GlyphAdd(ArtCanvas& c, float x, float y, const Paint& ink);
void GlyphDelete(ArtCanvas& c, float x, float y, const Paint& ink);
void GlyphCapture(ArtCanvas& c, float x, float y, const Paint& ink);
void GlyphImport(ArtCanvas& c, float x, float y, const Paint& ink);
void GlyphExport(ArtCanvas& c, float x, float y, const Paint& ink);
void GlyphUp(ArtCanvas& c, float x, float y, const Paint& ink);
void GlyphDown(ArtCanvas& c, float x, float y, const Paint& ink);
void GlyphClear(ArtCanvas& c, float x, float y, const Paint& ink);
void GlyphMore(ArtCanvas& c, float x, float y, const Paint& ink);

// The program's logo in a square of `size` pixels.
void DrawLogo(ArtCanvas& c, float x, float y, float size);

}  // namespace kb::art
