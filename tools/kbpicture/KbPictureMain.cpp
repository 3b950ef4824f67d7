// Draws the keyboard pictures from the key map, at build time, so the
// pictures and the clickable keys can never disagree.
//
//   kbpicture <keymap.xml> <output folder>
//
// Writes img_keboard_normal.png, _checked, _pressed, _floating and _demo, and
// each again for 150 % and 200 % ("img_keboard_normal@1.5x.png", "@2x").
// Exits with 1 when the key map cannot be read or a file cannot be written.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "KeyMapFile.h"
#include "KeyboardPainter.h"
#include "toolkit/render/PngEncoder.h"

namespace {

bool ReadWhole(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Through a temporary file and a rename, so an interrupted build never leaves
// a truncated picture that looks up to date.
bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kbpicture <keymap.xml> <output folder>\n");
    return 2;
  }
  std::string bytes;
  if (!ReadWhole(argv[1], bytes)) {
    std::fprintf(stderr, "kbpicture: cannot read %s\n", argv[1]);
    return 1;
  }
  auto map = kbpicture::ReadKeyMap(bytes);
  if (!map || map->keys.empty()) {
    std::fprintf(stderr, "kbpicture: %s is not a key map with keys\n", argv[1]);
    return 1;
  }
  for (int dpi : kbpicture::kPictureDpis) {
    kbpicture::KeyboardPainter painter(*map, kb::render::DeviceScale(dpi));
    for (kbpicture::PictureState state : kbpicture::kAllStates) {
      std::string path = std::string(argv[2]) + "/" + kbpicture::PictureFileName(state, dpi);
      std::vector<uint8_t> png = kb::render::EncodePng(painter.Paint(state));
      if (png.empty() || !WriteWhole(path, png)) {
        std::fprintf(stderr, "kbpicture: cannot write %s\n", path.c_str());
        return 1;
      }
    }
  }
  return 0;
}
