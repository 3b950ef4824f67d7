#pragma once
// Draws the keyboard pictures from the key map: a dark keyboard body with a
// keycap on every key's rectangle. The states the keyboard picture control
// copies key by key (hover, checked, pressed) differ from the normal picture
// only inside the keys' rectangles, so any of them lines up with it.
#include <string>

#include "KeyMapFile.h"
#include "toolkit/render/Bitmap.h"

namespace kbpicture {

enum class PictureState {
  kNormal,
  kChecked,   // a key with an assignment
  kPressed,   // the mouse button is down on it
  kFloating,  // the mouse is over it
  kDemo,      // the keyboard lit: legends and gaps glow in the backlight
};

inline constexpr PictureState kAllStates[] = {PictureState::kNormal, PictureState::kChecked, PictureState::kPressed,
                                              PictureState::kFloating, PictureState::kDemo};

// "img_keboard_normal.png" and so on: the names the resource index uses.
std::string PictureFileName(PictureState state);

// The flat top face of a key, which the key's rectangle has at its centre.
kb::render::Color KeyFaceColor(const CoordButton& key, PictureState state);

class KeyboardPainter {
 public:
  explicit KeyboardPainter(const KeyMap& map) : map_(map) {}

  kb::render::Bitmap Paint(PictureState state) const;

 private:
  void PaintBody(kb::render::Bitmap& picture, PictureState state) const;
  void PaintIndicators(kb::render::Bitmap& picture, PictureState state) const;
  void PaintBacklight(kb::render::Bitmap& picture) const;
  void PaintKey(kb::render::Bitmap& picture, const PictureKey& key, PictureState state) const;
  void PaintLegends(kb::render::Bitmap& picture, const PictureKey& key, const kb::render::Rect& face,
                    PictureState state) const;

  const KeyMap& map_;
};

}  // namespace kbpicture
