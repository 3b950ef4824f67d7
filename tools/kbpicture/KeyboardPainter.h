#pragma once
// Draws the keyboard pictures from the key map: a dark keyboard body with a
// keycap on every key's rectangle. The states the keyboard picture control
// copies key by key (hover, checked, pressed) differ from the normal picture
// only inside the keys' rectangles, so any of them lines up with it.
#include <string>

#include "KeyMapFile.h"
#include "toolkit/render/Bitmap.h"
#include "toolkit/render/DeviceScale.h"

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

// "img_keboard_normal.png" and so on: the names the resource index uses;
// drawn for 150 % or 200 % the scale goes before the extension
// ("img_keboard_normal@1.5x.png"), where the program looks for it.
std::string PictureFileName(PictureState state, int dpi = kb::render::DeviceScale::kBaseDpi);

// The scales the pictures are drawn for.
inline constexpr int kPictureDpis[] = {96, 144, 192};

// The flat top face of a key, which the key's rectangle has at its centre.
kb::render::Color KeyFaceColor(const CoordButton& key, PictureState state);

class KeyboardPainter {
 public:
  // The key map is in logical units; drawn at a higher dpi every rectangle
  // is scaled edge by edge as the program's canvas scales it, so the keys
  // land exactly where the control copies and hit-tests them.
  explicit KeyboardPainter(const KeyMap& map, kb::render::DeviceScale scale = kb::render::DeviceScale())
      : map_(map), scale_(scale) {}

  kb::render::Bitmap Paint(PictureState state) const;

 private:
  kb::render::Rect D(const kb::render::Rect& logical) const { return scale_.ToDevice(logical); }
  int L(int logical) const { return scale_.LengthToDevice(logical); }

  void PaintBody(kb::render::Bitmap& picture, PictureState state) const;
  void PaintIndicators(kb::render::Bitmap& picture, PictureState state) const;
  void PaintBacklight(kb::render::Bitmap& picture) const;
  void PaintKey(kb::render::Bitmap& picture, const PictureKey& key, PictureState state) const;
  void PaintLegends(kb::render::Bitmap& picture, const PictureKey& key, const kb::render::Rect& face,
                    PictureState state) const;

  const KeyMap& map_;
  kb::render::DeviceScale scale_;
};

}  // namespace kbpicture
