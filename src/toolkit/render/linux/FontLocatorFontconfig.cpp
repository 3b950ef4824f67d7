// Fonts on Linux: fontconfig picks the file, we read it. Collections are
// shared between the faces they hold (the CJK ones are large).
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/diag.h"
#include "platform/text.h"
#include "toolkit/render/FontLocator.h"
#include "toolkit/render/FontNames.h"

namespace kb::render {
namespace {

using Bytes = std::vector<uint8_t>;

std::shared_ptr<const Bytes> ReadWholeFile(const std::string& path) {
  static std::mutex mutex;
  static std::map<std::string, std::weak_ptr<const Bytes>> loaded;
  std::lock_guard<std::mutex> lock(mutex);
  if (auto cached = loaded[path].lock()) return cached;

  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return nullptr;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return nullptr;
  long size = std::ftell(file.get());
  if (size <= 0 || static_cast<size_t>(size) > kMaxFontFileBytes) return nullptr;
  std::rewind(file.get());
  auto bytes = std::make_shared<Bytes>(static_cast<size_t>(size));
  if (std::fread(bytes->data(), 1, bytes->size(), file.get()) != bytes->size()) return nullptr;
  loaded[path] = bytes;
  return bytes;
}

bool FamilyMatches(FcPattern* match, std::wstring_view wanted) {
  FcChar8* family = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
    if (FontNameEquals(Utf8ToWide(reinterpret_cast<const char*>(family)), wanted)) return true;
  }
  return false;
}

// Fontconfig's matching is not reentrant in older releases.
std::mutex& FontconfigMutex() {
  static std::mutex mutex;
  return mutex;
}

FcConfig*& CurrentConfig() {
  static FcConfig* config = nullptr;
  return config;
}

// Caller holds FontconfigMutex(). Loaded once; released at exit, since
// fontconfig keeps some of its state where leak checkers cannot see it.
FcConfig* Config() {
  static bool initialised = false;
  if (!initialised) {
    initialised = true;
    if (FcInit()) {
      CurrentConfig() = FcConfigGetCurrent();
      std::atexit([] {
        std::lock_guard<std::mutex> lock(FontconfigMutex());
        CurrentConfig() = nullptr;
        FcFini();
      });
    }
  }
  return CurrentConfig();
}

}  // namespace

std::optional<FontFileData> LocateSystemFont(const FontQuery& query) {
  std::string family = WideToUtf8(query.face);
  std::string path;
  int index = 0;
  {
    std::lock_guard<std::mutex> lock(FontconfigMutex());
    if (Config() == nullptr) return std::nullopt;
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty()) {
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    FcPatternAddInteger(pattern, FC_WEIGHT, query.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, query.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(Config(), pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(Config(), pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return std::nullopt;
    FcChar8* file = nullptr;
    bool usable = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                  (!query.exactFamily || FamilyMatches(match, query.face));
    if (usable) {
      path = reinterpret_cast<const char*>(file);
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
    }
    FcPatternDestroy(match);
    if (!usable) return std::nullopt;
  }
  auto bytes = ReadWholeFile(path);
  if (!bytes) {
    DiagPrintf("font: cannot read %s\n", path.c_str());
    return std::nullopt;
  }
  // The upper bits of a fontconfig index name a variable-font instance; stb
  // draws the default instance only.
  return FontFileData{bytes, index & 0xFFFF, path};
}

}  // namespace kb::render
