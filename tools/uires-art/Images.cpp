#include "Images.h"

#include <array>
#include <cmath>
#include <functional>

#include "Glyphs.h"
#include "Theme.h"

namespace kb::art {

namespace {

using namespace theme;

constexpr int kNormal = 0, kHover = 1, kPushed = 2, kDisabled = 3;

// The scale the images are being drawn for (DrawAllImages sets it).
float gScale = 1.0f;

// Whole device pixels for a logical length at the current scale.
int DevicePixels(int logical) { return static_cast<int>(std::lround(logical * gScale)); }

// Draws `states` frames side by side; `draw` gets the frame's canvas offset.
// Each frame is a whole number of pixels wide at every scale, so the image
// splits into equal frames.
GeneratedImage Frames(std::string path, int w, int h, int states,
                      const std::function<void(ArtCanvas&, float x, int state)>& draw) {
  const int frameWidth = DevicePixels(w);
  const int frameHeight = DevicePixels(h);
  ArtCanvas canvas(frameWidth * states, frameHeight, gScale);
  for (int s = 0; s < states; ++s) {
    const float left = static_cast<float>(s * frameWidth);
    canvas.SetOrigin(static_cast<float>(s * w), left);
    canvas.SetDeviceClip(left, 0, left + static_cast<float>(frameWidth), static_cast<float>(frameHeight));
    draw(canvas, static_cast<float>(s * w), s);
  }
  return GeneratedImage{std::move(path), frameWidth, frameHeight, states, canvas.ToBitmap()};
}

GeneratedImage Single(std::string path, int w, int h, const std::function<void(ArtCanvas&)>& draw) {
  return Frames(std::move(path), w, h, 1, [&](ArtCanvas& c, float, int) { draw(c); });
}

struct Look {
  Rgba fill, border, ink;
};

// Square icon buttons: normal, hover, pushed, disabled.
const std::array<Look, 4> kIconButton{{
    {kPanelAlt, kBorder, kInk},
    {kPanelHover, kAccent, kAccentHover},
    {kAccentTint, kAccentPressed, kAccent},
    {kPanelDisabled, kBorderDim, kInkDisabled},
}};

GeneratedImage IconButton(std::string path, GlyphFn glyph, bool destructive = false) {
  return Frames(std::move(path), 32, 32, 4, [&](ArtCanvas& c, float x, int s) {
    Look look = kIconButton[static_cast<size_t>(s)];
    if (destructive && s == kHover) look = {kDangerTint, kDanger, kDangerHover};
    if (destructive && s == kPushed) look = {kDangerTint, kDanger, kDanger};
    c.FillRoundRect(x + 1, 1, x + 31, 31, 7, Solid(look.fill));
    c.StrokeRoundRect(x + 1, 1, x + 31, 31, 7, 1, Solid(look.border));
    glyph(c, x, 0, Solid(look.ink));
  });
}

// The title-bar "more" button: no plate until the pointer is over it.
GeneratedImage MoreMenu() {
  const std::array<Look, 4> looks{{
      {Hex(0, 0), Hex(0, 0), kInk},
      {kPanelHover, Hex(0, 0), kText},
      {kAccentTint, Hex(0, 0), kAccent},
      {Hex(0, 0), Hex(0, 0), kInkDisabled},
  }};
  return Frames("img/more_menu.png", 32, 32, 4, [&](ArtCanvas& c, float x, int s) {
    const Look& look = looks[static_cast<size_t>(s)];
    c.FillRoundRect(x + 1, 1, x + 31, 31, 6, Solid(look.fill));
    GlyphMore(c, x, 0, Solid(look.ink));
  });
}

// Record check box: a record dot while off, a stop square while recording.
GeneratedImage RecordButton() {
  return Frames("img/state_record.png", 32, 32, 8, [](ArtCanvas& c, float x, int s) {
    int visual = s % 4;
    bool recording = s >= 4;
    Look look = kIconButton[static_cast<size_t>(visual)];
    Rgba mark = visual == kDisabled ? kInkDisabled : (visual == kHover ? kDangerHover : kDanger);
    if (recording && visual != kDisabled) look = {kDangerTint, visual == kHover ? kDangerHover : kDanger, mark};
    c.FillRoundRect(x + 1, 1, x + 31, 31, 7, Solid(look.fill));
    c.StrokeRoundRect(x + 1, 1, x + 31, 31, 7, 1, Solid(look.border));
    if (recording) {
      c.FillRoundRect(x + 11, 11, x + 21, 21, 2, Solid(mark));
    } else {
      c.StrokeCircle(Vec{x + 16, 16}, 7.5f, 1.6f, Solid(visual == kDisabled ? kInkDisabled : look.ink));
      c.FillCircle(Vec{x + 16, 16}, 4.5f, Solid(mark));
    }
  });
}

// Text buttons: the primary (accent) and the secondary (neutral) look.
GeneratedImage TextButton(std::string path, bool primary) {
  return Frames(std::move(path), 100, 34, 4, [primary](ArtCanvas& c, float x, int s) {
    if (primary) {
      const std::array<std::pair<Rgba, Rgba>, 4> fills{{
          {Hex(0x3ad6f0), Hex(0x17b3cf)},
          {Hex(0x66e2f5), Hex(0x29c4df)},
          {Hex(0x1497ad), Hex(0x12889c)},
          {Hex(0x2a2e38), Hex(0x2a2e38)},
      }};
      auto [top, bottom] = fills[static_cast<size_t>(s)];
      c.FillRoundRect(x + 1, 1, x + 99, 33, 6, VerticalGradient(1, top, 33, bottom));
      if (s != kDisabled) c.Line(Vec{x + 7, 1.5f}, Vec{x + 93, 1.5f}, 1, Solid(WithAlpha(Hex(0xffffff), 0.25f)));
      return;
    }
    const std::array<Look, 4> looks{{
        {kPanelHover, kBorderLight, kText},
        {Hex(0x343a48), kBorderStrong, kText},
        {Hex(0x1f232b), kAccentPressed, kText},
        {Hex(0x1f2229), kBorderDim, kText},
    }};
    const Look& look = looks[static_cast<size_t>(s)];
    c.FillRoundRect(x + 1, 1, x + 99, 33, 6, Solid(look.fill));
    c.StrokeRoundRect(x + 1, 1, x + 99, 33, 6, 1, Solid(look.border));
  });
}

// A tab head of the function bar; the selected one is underlined.
GeneratedImage FunctionTab() {
  return Frames("img/state_func_bg.png", 140, 40, 4, [](ArtCanvas& c, float x, int s) {
    if (s == kHover) c.FillRoundRect(x + 2, 2, x + 138, 38, 6, Solid(kPanelAlt));
    if (s == kPushed) {
      c.FillRoundRect(x + 2, 2, x + 138, 38, 6, VerticalGradient(2, kPanelAlt, 38, kAccentTint));
      c.FillRoundRect(x + 8, 35, x + 132, 38, 1.5f, Solid(kAccent));
    }
  });
}

// A two-state (checkable) function button.
GeneratedImage FunctionToggle() {
  const std::array<Look, 8> looks{{
      {kPanelAlt, kBorder, {}},
      {kPanelHover, kBorderLight, {}},
      {kPanel, kAccentPressed, {}},
      {kPanelDisabled, kBorderDim, {}},
      {kAccentTint, kAccent, {}},
      {Hex(0x1c4550), kAccentHover, {}},
      {Hex(0x12303a), kAccentPressed, {}},
      {Hex(0x1f2a2e), Hex(0x2a3a40), {}},
  }};
  return Frames("img/state_funcc_bg.png", 140, 40, 8, [&](ArtCanvas& c, float x, int s) {
    const Look& look = looks[static_cast<size_t>(s)];
    c.FillRoundRect(x + 1, 1, x + 139, 39, 8, Solid(look.fill));
    c.StrokeRoundRect(x + 1, 1, x + 139, 39, 8, 1, Solid(look.border));
  });
}

GeneratedImage TabIcon(std::string path, const std::function<void(ArtCanvas&, float, const Paint&)>& glyph) {
  return Frames(std::move(path), 24, 24, 2, [&](ArtCanvas& c, float x, int s) {
    glyph(c, x, Solid(s == 0 ? kInkMuted : kAccent));
  });
}

void MacroIcon(ArtCanvas& c, float x, const Paint& ink) {
  c.StrokeRoundRect(x + 3, 4, x + 21, 20, 4, 1.8f, ink);
  c.FillConvex({Vec{x + 10, 8.5f}, Vec{x + 10, 15.5f}, Vec{x + 15.5f, 12}}, ink);
}

void LightIcon(ArtCanvas& c, float x, const Paint& ink) {
  c.FillCircle(Vec{x + 12, 12}, 4.2f, ink);
  for (int i = 0; i < 8; ++i) {
    float a = static_cast<float>(i) * 3.14159265f / 4;
    c.Line(Vec{x + 12 + 7.2f * std::cos(a), 12 + 7.2f * std::sin(a)},
           Vec{x + 12 + 9.8f * std::cos(a), 12 + 9.8f * std::sin(a)}, 1.8f, ink);
  }
}

GeneratedImage EffectsIcon() {
  return Single("img/icon_color_effects.png", 24, 24, [](ArtCanvas& c) {
    Paint sheen = HorizontalGradient(2, kAccent, 22, Hex(0x7c8cff));
    // A four-pointed sparkle: two thin diamonds, and a small one beside it.
    c.FillConvex({Vec{12, 2}, Vec{14.2f, 12}, Vec{12, 22}, Vec{9.8f, 12}}, sheen);
    c.FillConvex({Vec{2, 12}, Vec{12, 9.8f}, Vec{22, 12}, Vec{12, 14.2f}}, sheen);
    c.FillConvex({Vec{19, 1.5f}, Vec{20, 5}, Vec{19, 8.5f}, Vec{18, 5}}, Solid(kText));
    c.FillConvex({Vec{15.5f, 5}, Vec{19, 4}, Vec{22.5f, 5}, Vec{19, 6}},
                 Solid(kText));
  });
}

// The four states of a field's border: normal, hover, pushed, disabled.
const std::array<Rgba, 4> kFieldBorder{{kBorderStrong, kAccent, kAccentPressed, Hex(0x3a3f4c)}};
const std::array<Rgba, 4> kMark{{kAccent, kAccentHover, kAccentPressed, kDisabledFill}};

GeneratedImage RadioBox() {
  return Frames("img/state_color_effects.png", 18, 18, 8, [](ArtCanvas& c, float x, int s) {
    size_t visual = static_cast<size_t>(s % 4);
    bool checked = s >= 4;
    Vec centre{x + 9, 9};
    c.FillCircle(centre, 7.5f, Solid(visual == kDisabled ? kPanelDisabled : kField));
    c.StrokeCircle(centre, 7.0f, 1.5f, Solid(checked && visual == kNormal ? kAccent : kFieldBorder[visual]));
    if (checked) c.FillCircle(centre, 3.8f, Solid(kMark[visual]));
  });
}

GeneratedImage CheckBox() {
  return Frames("img/state_color_select.png", 18, 18, 8, [](ArtCanvas& c, float x, int s) {
    size_t visual = static_cast<size_t>(s % 4);
    if (s < 4) {
      c.FillRoundRect(x + 1.5f, 1.5f, x + 16.5f, 16.5f, 4, Solid(visual == kDisabled ? kPanelDisabled : kField));
      c.StrokeRoundRect(x + 1.5f, 1.5f, x + 16.5f, 16.5f, 4, 1.5f, Solid(kFieldBorder[visual]));
      return;
    }
    c.FillRoundRect(x + 1.5f, 1.5f, x + 16.5f, 16.5f, 4, Solid(visual == kDisabled ? Hex(0x2a2e38) : kMark[visual]));
    c.Polyline({Vec{x + 5, 9.5f}, Vec{x + 8, 12.5f}, Vec{x + 13.5f, 6}}, 2.0f,
               Solid(visual == kDisabled ? kInkMuted : kOnAccent));
  });
}

GeneratedImage SliderThumb() {
  return Frames("img/state_progres_thum.png", 18, 18, 4, [](ArtCanvas& c, float x, int s) {
    Vec centre{x + 9, 9};
    if (s == kHover) c.FillCircle(centre, 8.8f, Solid(WithAlpha(kAccent, 0.28f)));
    if (s == kDisabled) {
      c.FillCircle(centre, 6.5f, Solid(kDisabledFill));
      return;
    }
    c.FillCircle(centre, 7.0f, Solid(s == kPushed ? kAccent : kText));
    c.StrokeCircle(centre, 6.2f, 2.2f, Solid(s == kPushed ? kText : kAccent));
  });
}

GeneratedImage Combo() {
  const std::array<Look, 4> looks{{
      {kPanelAlt, kBorderLight, {}},
      {kPanelHover, kAccent, {}},
      {kPanel, kAccentPressed, {}},
      {kPanelDisabled, kBorderDim, {}},
  }};
  return Frames("img/cbox_profile_normal.png", 160, 32, 4, [&](ArtCanvas& c, float x, int s) {
    const Look& look = looks[static_cast<size_t>(s)];
    c.FillRoundRect(x + 1, 1, x + 159, 31, 6, Solid(look.fill));
    c.StrokeRoundRect(x + 1, 1, x + 159, 31, 6, 1, Solid(look.border));
  });
}

GeneratedImage ComboSelected() {
  return Single("img/cbox_profile_selected.png", 160, 32, [](ArtCanvas& c) {
    c.FillRoundRect(1, 1, 159, 31, 6, Solid(kAccentTint));
    c.StrokeRoundRect(1, 1, 159, 31, 6, 1, Solid(kAccent));
  });
}

GeneratedImage ComboArrow() {
  const std::array<Rgba, 4> inks{{Hex(0xaeb4c2), kAccent, kAccentPressed, kDisabledFill}};
  return Frames("img/cbox_profile_ico.png", 20, 32, 4, [&](ArtCanvas& c, float x, int s) {
    float y0 = s == kPushed ? 17.5f : 13.5f, y1 = s == kPushed ? 13.5f : 17.5f;
    c.Polyline({Vec{x + 6, y0}, Vec{x + 10, y1}, Vec{x + 14, y0}}, 1.8f, Solid(inks[static_cast<size_t>(s)]));
  });
}

GeneratedImage Track(std::string path, bool filled) {
  return Single(std::move(path), 24, 6, [filled](ArtCanvas& c) {
    if (filled) c.FillRoundRect(0, 0, 24, 6, 3, HorizontalGradient(0, kAccentPressed, 24, kAccent));
    else c.FillRoundRect(0, 0, 24, 6, 3, Solid(kBorder));
  });
}

GeneratedImage Panel(std::string path, int size, float radius, Rgba fill, Rgba border) {
  return Single(std::move(path), size, size, [=](ArtCanvas& c) {
    float s = static_cast<float>(size);
    c.FillRoundRect(0.5f, 0.5f, s - 0.5f, s - 0.5f, radius, Solid(fill));
    c.StrokeRoundRect(0.5f, 0.5f, s - 0.5f, s - 0.5f, radius, 1, Solid(border));
  });
}

GeneratedImage MacroCard() {
  return Single("img/kb_macro_bg.png", 64, 64, [](ArtCanvas& c) {
    c.FillRoundRect(0.5f, 0.5f, 63.5f, 63.5f, 10, VerticalGradient(0, Hex(0x20242d), 64, kPanelDisabled));
    c.StrokeRoundRect(0.5f, 0.5f, 63.5f, 63.5f, 10, 1, Solid(kBorder));
    c.FillRoundRect(12, 1, 52, 3, 1, Solid(WithAlpha(kAccent, 0.8f)));
  });
}

// A window background: title bar, body gradient and a one-pixel frame.
void WindowBase(ArtCanvas& c, float w, float h, float titleHeight) {
  c.FillRoundRect(0, 0, w, h, 0, VerticalGradient(titleHeight, kWindowTop, h, kWindowBottom));
  c.FillRoundRect(0, 0, w, titleHeight, 0, Solid(kTitleBar));
  c.FillRoundRect(0, titleHeight, w, titleHeight + 1, 0, Solid(kBorderDim));
  c.StrokeRoundRect(0, 0, w, h, 0, 1, Solid(kBorder));
}

GeneratedImage MainBackground() {
  return Single("img/table_main_bg.png", 1000, 640, [](ArtCanvas& c) {
    WindowBase(c, 1000, 640, 44);
    // A faint glow under the keyboard picture (44..374).
    c.FillRoundRect(1, 45, 999, 374, 0,
                    RadialGradient(Vec{500, 220}, 470, WithAlpha(kAccent, 0.07f), WithAlpha(kAccent, 0)));
    c.FillRoundRect(16, 388, 984, 624, 10, Solid(kPanel));
    c.StrokeRoundRect(16, 388, 984, 624, 10, 1, Solid(kBorder));
  });
}

GeneratedImage MacroBackground() {
  return Single("img/win_macro_bg.png", 760, 560, [](ArtCanvas& c) { WindowBase(c, 760, 560, 40); });
}

GeneratedImage TitleIcon() {
  return Single("img/table_main_icon.png", 24, 24, [](ArtCanvas& c) { DrawLogo(c, 0, 0, 24); });
}

}  // namespace

std::string ScaledPath(const std::string& path, float scale) {
  if (scale == 1.0f) return path;
  std::string suffix = scale == 1.5f ? "@1.5x" : "@" + std::to_string(static_cast<int>(scale)) + "x";
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + suffix;
  return path.substr(0, dot) + suffix + path.substr(dot);
}

std::vector<GeneratedImage> DrawAllImages(float scale) {
  gScale = scale;
  std::vector<GeneratedImage> images;
  images.push_back(MainBackground());
  images.push_back(TitleIcon());
  images.push_back(FunctionTab());
  images.push_back(FunctionToggle());
  images.push_back(TabIcon("img/ioc_func_macro.png", MacroIcon));
  images.push_back(TabIcon("img/ioc_func_rgb.png", LightIcon));
  images.push_back(Combo());
  images.push_back(ComboSelected());
  images.push_back(ComboArrow());
  images.push_back(MacroBackground());
  images.push_back(Panel("img/bg_macr_keys.png", 48, 6, kField, kBorderLight));
  images.push_back(IconButton("img/state_del.png", GlyphDelete, true));
  images.push_back(IconButton("img/state_add.png", GlyphAdd));
  images.push_back(IconButton("img/state_capture.png", GlyphCapture));
  images.push_back(IconButton("img/state_import.png", GlyphImport));
  images.push_back(IconButton("img/state_export.png", GlyphExport));
  images.push_back(IconButton("img/state_up.png", GlyphUp));
  images.push_back(IconButton("img/state_down.png", GlyphDown));
  images.push_back(RecordButton());
  images.push_back(TextButton("img/state_ok.png", true));
  images.push_back(TextButton("img/state_cancel.png", false));
  images.push_back(Panel("img/bg_macro_group.png", 48, 8, kPanel, kBorder));
  images.push_back(Panel("img/image_bg_macro_content.png", 48, 8, Hex(0x171a20), kBorder));
  images.push_back(Track("img/bg_progress_bg.png", false));
  images.push_back(Track("img/bg_progress_pos.png", true));
  images.push_back(SliderThumb());
  images.push_back(EffectsIcon());
  images.push_back(RadioBox());
  images.push_back(CheckBox());
  images.push_back(IconButton("img/state_clear.png", GlyphClear, true));
  images.push_back(MoreMenu());
  images.push_back(MacroCard());
  for (GeneratedImage& image : images) image.path = ScaledPath(image.path, scale);
  gScale = 1.0f;
  return images;
}

}  // namespace kb::art
