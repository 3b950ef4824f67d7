#pragma once
// The package's images: what each one is, its frame size and state count,
// and how it is drawn.
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/render/Bitmap.h"

namespace kb::art {

struct GeneratedImage {
  std::string path;  // relative to the package folder
  int frameWidth = 0;
  int frameHeight = 0;
  int states = 1;
  render::Bitmap bitmap;
};

// Every PNG image of the package except the keyboard pictures (drawn from the
// key map by another tool), drawn for a scale: 1 gives "img/bg.png", 1.5
// "img/bg@1.5x.png", 2 "img/bg@2x.png", each as many times larger.
std::vector<GeneratedImage> DrawAllImages(float scale = 1.0f);
// The scales the package has images for.
inline constexpr float kImageScales[] = {1.0f, 1.5f, 2.0f};
// "img/bg.png" for a scale: "img/bg@1.5x.png".
std::string ScaledPath(const std::string& path, float scale);

// The application icon as .ico file bytes: 32-bit images with alpha at the
// usual sizes, in the bitmap form every loader reads.
std::vector<uint8_t> DrawLogoIcon();

}  // namespace kb::art
