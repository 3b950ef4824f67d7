#include "ui/EffectPages.h"

#include <algorithm>

namespace effect_pages {

namespace {
constexpr int kStaticLast = 1;
constexpr int kMovingFirst = 4;
constexpr int kMovingLast = 7;
constexpr int kLoaderEffect = 21;

uint8_t Clamp(int value, uint8_t maximum) { return static_cast<uint8_t>(std::clamp(value, 0, int{maximum})); }
}  // namespace

int PageOfEffect(int effect) {
  if (effect < 0 || effect >= LedEffectTable::kEntryCount) return kNoPage;
  if (effect <= kStaticLast) return kPageStatic;
  if (effect >= kMovingFirst && effect <= kMovingLast) return kPageMoving;
  if (effect == kLoaderEffect) return kPageLoader;
  return kPageDynamic;
}

bool PageHasSpeed(int page) { return page == kPageMoving || page == kPageDynamic; }

uint8_t LoaderSelection(int loaderGroup) {
  if (loaderGroup == 0 || loaderGroup == 1) return static_cast<uint8_t>(loaderGroup + 1);
  return LedEffectTable::kSelectionLeft;
}

int LoaderGroupOfSelection(uint8_t selection) { return selection == LedEffectTable::kSelectionCentre ? 1 : 0; }

void ApplyPageValues(int effect, const PageValues& values, LedEffectEntry& entry) {
  int page = PageOfEffect(effect);
  if (page == kNoPage) return;
  if (PageHasSpeed(page) && values.speed >= 0) entry.speed = Clamp(values.speed, LedEffectTable::kMaxSpeed);
  if (values.brightness >= 0) entry.brightness = Clamp(values.brightness, LedEffectTable::kMaxBrightness);
  // No checked direction radio used to be stored as 255 and sent to the
  // keyboard as a direction it does not have; the entry keeps its direction.
  if (page == kPageMoving && values.directionGroup >= 0)
    entry.deriction = Clamp(values.directionGroup, LedEffectTable::kMaxDeriction);
  if (page == kPageLoader) entry.selection = LoaderSelection(values.loaderGroup);
}

const wchar_t* SideLabelOfMode(int mode) {
  return mode >= 0 && mode < SideModelTable::kSpeedModeCount ? L"Speed" : L"Brightness";
}

uint8_t SideLevelFromSlider(int sliderValue) { return Clamp(sliderValue, SideModelTable::kMaxLevel); }

}  // namespace effect_pages
