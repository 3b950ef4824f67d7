#pragma once
// Which tab page of the main window shows which backlight effect, and how
// the page's controls become the effect's remembered values. Pure rules, so
// the dialog code only moves values between controls and tables.
#include <cstdint>

#include "keyboard/LedEffectTable.h"
#include "keyboard/SideModelTable.h"

namespace effect_pages {

// Pages of the tab control "tab_color_effect".
inline constexpr int kPageMoving = 0;    // effects 4 to 7: speed, brightness, direction
inline constexpr int kPageDynamic = 1;   // effects 2, 3, 8 to 20: speed and brightness
inline constexpr int kPageStatic = 2;    // effects 0 and 1: brightness only
inline constexpr int kPageLoader = 3;    // effect 21: brightness and variant
inline constexpr int kPageCount = 4;
inline constexpr int kNoPage = -1;

// The page of an effect, kNoPage for an index without an entry.
int PageOfEffect(int effect);
// Pages 0 and 1 have a speed slider that belongs to the effect.
bool PageHasSpeed(int page);

// What a page's controls hold; -1 for a slider the page does not have or that
// is missing from the layout.
struct PageValues {
  int speed = -1;
  int brightness = -1;
  int directionGroup = -1;  // position of the first checked direction radio, -1 none
  int loaderGroup = -1;     // position of the first checked loader radio, -1 none
};

// Copies the values the effect's page edits into the entry. Slider values
// are kept to the ranges the keyboard accepts.
void ApplyPageValues(int effect, const PageValues& values, LedEffectEntry& entry);

// The loader radios give the variant of effect 21: left 1, centre 2; no
// radio of the group (or the right one, which is not in it) gives 1.
uint8_t LoaderSelection(int loaderGroup);
// The loader radio that shows a stored variant: centre for 2, left for the
// rest (1, and 0 after a reset, which the keyboard runs as left).
int LoaderGroupOfSelection(uint8_t selection);

// The side slider's label: modes 0 to 2 set a speed, the others a brightness.
const wchar_t* SideLabelOfMode(int mode);
// The level the side slider stores, kept to the level range.
uint8_t SideLevelFromSlider(int sliderValue);

}  // namespace effect_pages
