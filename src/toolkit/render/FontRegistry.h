#pragma once
// Resolves font specs to fonts and keeps them: one Font per distinct spec and
// one FontFace per installed face, for the life of the registry.
//
// A face is used only if the font file really carries the name asked for;
// otherwise the default faces are tried in order, so the same layout gets the
// same face on Linux and under Wine instead of whatever each system would
// substitute. Characters the chosen face lacks come from the fallback faces.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "toolkit/render/Font.h"
#include "toolkit/render/FontLocator.h"

namespace kb::render {

class FontRegistry {
 public:
  using Locator = std::function<std::optional<FontFileData>(const FontQuery&)>;

  // The process-wide registry on the system's fonts.
  static FontRegistry& Instance();

  explicit FontRegistry(Locator locator);

  static std::vector<std::wstring> StandardDefaultFaces();
  static std::vector<std::wstring> StandardFallbackFaces();

  // Changing either list affects fonts handed out afterwards.
  void SetDefaultFaces(std::vector<std::wstring> faces);
  void SetFallbackFaces(std::vector<std::wstring> faces);

  // Never null: with no installed font at all, a font that draws nothing
  // but still has line metrics.
  std::shared_ptr<const Font> GetFont(const FontSpec& spec);

  // The installed face of exactly that name, or null.
  std::shared_ptr<const FontFace> FindFace(const std::wstring& face, bool bold, bool italic);

 private:
  using FaceKey = std::tuple<std::wstring, bool, bool>;
  using FontKey = std::tuple<std::wstring, int, bool, bool, bool, bool>;

  std::shared_ptr<const FontFace> FindFaceLocked(const std::wstring& face, bool bold, bool italic);
  std::shared_ptr<const FontFace> ChoosePrimary(const FontSpec& spec);

  Locator locator_;
  std::recursive_mutex mutex_;
  std::vector<std::wstring> defaultFaces_;
  std::vector<std::wstring> fallbackFaces_;
  std::map<FaceKey, std::shared_ptr<const FontFace>> faces_;
  std::map<FontKey, std::shared_ptr<const Font>> fonts_;
};

}  // namespace kb::render
