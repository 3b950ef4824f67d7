#pragma once
// Icons (HICON) made from the program's resources: ".ico" files (images
// stored as PNG or as 32/24-bit bitmaps with their mask) and plain images
// the toolkit decodes (PNG). The entry nearest the asked size is taken and
// scaled to it.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/win32.h"
#include "toolkit/render/Bitmap.h"

namespace kb::ui {

class IconLoader {
 public:
  // Null when the resource is missing or holds no readable image.
  static HICON Load(std::wstring_view resName, int cx, int cy);
  // The image of an icon file or image file held in memory, at its own size
  // (the ".ico" entry nearest `cx` wide); false when nothing can be read.
  static bool Decode(const std::vector<uint8_t>& bytes, int cx, render::Bitmap& out);
  // A 32-bit icon of cx x cy from a premultiplied bitmap (scaled to fit).
  static HICON FromBitmap(const render::Bitmap& image, int cx, int cy);
};

}  // namespace kb::ui
