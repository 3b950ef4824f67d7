// Draws the resource package's images (uires/img) and its preview sheet.
//
//   uires-art <uires folder>                 writes every image (at 100 %, 150 %
//                                            and 200 %) and the icon
//   uires-art --preview <built uires folder> <out.png>
//                                            one picture of every skin
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Images.h"
#include "Preview.h"
#include "toolkit/render/PngEncoder.h"

namespace {

namespace fs = std::filesystem;

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int WriteImages(const fs::path& uires) {
  int failures = 0;
  for (float scale : kb::art::kImageScales) {
    for (const kb::art::GeneratedImage& image : kb::art::DrawAllImages(scale)) {
      if (!WriteFile(uires / image.path, kb::render::EncodePng(image.bitmap))) {
        std::fprintf(stderr, "cannot write %s\n", image.path.c_str());
        ++failures;
      }
    }
  }
  if (!WriteFile(uires / "img" / "icon_logo.ico", kb::art::DrawLogoIcon())) {
    std::fprintf(stderr, "cannot write img/icon_logo.ico\n");
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}

int WritePreview(const std::string& uires, const std::string& output) {
  std::vector<std::string> problems;
  kb::render::Bitmap sheet = kb::art::RenderPreview(uires, problems);
  for (const std::string& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
  if (sheet.IsEmpty()) return 1;
  if (!WriteFile(output, kb::render::EncodePng(sheet))) {
    std::fprintf(stderr, "cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "--preview") return WritePreview(args[1], args[2]);
  if (args.size() == 1) return WriteImages(args[0]);
  std::fprintf(stderr, "usage: uires-art <uires folder>\n"
                       "       uires-art --preview <built uires folder> <out.png>\n");
  return 2;
}
