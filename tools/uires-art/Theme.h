#pragma once
// The theme's palette, the same colours as uires/values/color.xml.
#include "ArtCanvas.h"

namespace kb::art::theme {

inline const Rgba kWindowTop = Hex(0x191c23);
inline const Rgba kWindowBottom = Hex(0x111318);
inline const Rgba kTitleBar = Hex(0x101216);
inline const Rgba kPanel = Hex(0x1c1f26);
inline const Rgba kPanelAlt = Hex(0x232731);
inline const Rgba kPanelHover = Hex(0x2b303c);
inline const Rgba kPanelDisabled = Hex(0x1a1d24);
inline const Rgba kField = Hex(0x12141a);
inline const Rgba kBorder = Hex(0x2e3340);
inline const Rgba kBorderDim = Hex(0x2a2e38);
inline const Rgba kBorderLight = Hex(0x3c4252);
inline const Rgba kBorderStrong = Hex(0x5a6172);
inline const Rgba kInk = Hex(0xc5cad6);
inline const Rgba kInkMuted = Hex(0x8b92a4);
inline const Rgba kInkDisabled = Hex(0x4a505d);
inline const Rgba kText = Hex(0xe6e8ee);
inline const Rgba kOnAccent = Hex(0x0b1a1e);
inline const Rgba kAccent = Hex(0x1ec8e6);
inline const Rgba kAccentHover = Hex(0x4fd8ef);
inline const Rgba kAccentPressed = Hex(0x1497ad);
inline const Rgba kAccentDeep = Hex(0x2f6bff);
inline const Rgba kAccentTint = Hex(0x173a44);
inline const Rgba kDanger = Hex(0xe5484d);
inline const Rgba kDangerHover = Hex(0xff6b70);
inline const Rgba kDangerTint = Hex(0x3a1d22);
inline const Rgba kDisabledFill = Hex(0x555b69);

}  // namespace kb::art::theme
