// Fonts on Linux: fontconfig picks the file, we map it. Collections are
// shared between the faces they hold (the CJK ones are large).
#include <fontconfig/fontconfig.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A read-only private mapping of a whole font file. The file may be replaced
// on disk (a package update renames a new file over it); the mapping keeps
// the old inode, so the bytes never change under a face.
class MappedFontFile final : public FontBytes {
 public:
  static std::shared_ptr<const MappedFontFile> Open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    void* address = MAP_FAILED;
    if (::fstat(fd, &info) == 0 && info.st_size > 0 && static_cast<uint64_t>(info.st_size) <= kMaxFontFileBytes) {
      address = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    }
    ::close(fd);
    if (address == MAP_FAILED) return nullptr;
    return std::shared_ptr<const MappedFontFile>(
        new MappedFontFile(static_cast<const uint8_t*>(address), static_cast<size_t>(info.st_size)));
  }
  ~MappedFontFile() override { ::munmap(const_cast<uint8_t*>(data_), size_); }
  MappedFontFile(const MappedFontFile&) = delete;
  MappedFontFile& operator=(const MappedFontFile&) = delete;

  const uint8_t* data() const override { return data_; }
  size_t size() const override { return size_; }

 private:
  MappedFontFile(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  const uint8_t* data_;
  size_t size_;
};

std::shared_ptr<const FontBytes> MapWholeFile(const std::string& path) {
  static std::mutex mutex;
  static std::map<std::string, std::weak_ptr<const FontBytes>> loaded;
  std::lock_guard<std::mutex> lock(mutex);
  if (auto cached = loaded[path].lock()) return cached;
  std::shared_ptr<const FontBytes> bytes = MappedFontFile::Open(path);
  if (bytes) loaded[path] = bytes;
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
  auto bytes = MapWholeFile(path);
  if (!bytes) {
    DiagPrintf("font: cannot read %s\n", path.c_str());
    return std::nullopt;
  }
  // The upper bits of a fontconfig index name a variable-font instance; stb
  // draws the default instance only.
  return FontFileData{bytes, index & 0xFFFF, path};
}

}  // namespace kb::render
