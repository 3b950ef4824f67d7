#pragma once
// Resources in a folder ("uires"), found through the folder's index file
// "uires.idx":
//
//   <resource>
//     <layout>
//       <file name="XML_MAINWND" path="layout/main.xml"/>
//     </layout>
//     <main> ... </main>
//   </resource>
//
// Each element under the root is a resource type; its "file" children map a
// name to a path relative to the folder. An image drawn for a higher scale
// lies beside its file with the scale before the extension
// ("img/bg@1.5x.png", "img/bg@2x.png"); the index names only the first.
#include <map>
#include <string>
#include <utility>

#include "toolkit/core/IResProvider.h"

namespace kb::ui {

class SResProviderFiles final : public IResProvider {
 public:
  static constexpr wchar_t kIndexFile[] = L"uires.idx";
  // A resource file larger than this is refused (no image or layout is near it).
  static constexpr size_t kMaxResourceBytes = size_t{64} << 20;

  // Reads the index of `folder`. False when the index is missing or broken;
  // the provider then has no resources.
  bool Init(const std::wstring& folder);

  bool HasResource(std::wstring_view type, std::wstring_view name) const override;
  bool GetRawBuffer(std::wstring_view type, std::wstring_view name,
                    std::vector<uint8_t>& out) const override;
  bool GetScaledVariant(std::wstring_view type, std::wstring_view name, std::wstring_view suffix,
                        std::vector<uint8_t>& out) const override;
  // "img/bg.png" with "@2x": "img/bg@2x.png" (the suffix goes before the
  // last extension of the file name, or at the end when it has none).
  static std::wstring VariantPath(std::wstring_view path, std::wstring_view suffix);
  // Full path of a resource's file, or "" when there is none.
  std::wstring GetFilePath(std::wstring_view type, std::wstring_view name) const;
  const std::wstring& Folder() const { return folder_; }
  size_t Count() const { return files_.size(); }

  // A path from the index is only accepted inside the folder: relative,
  // without ".." parts or drive letters.
  static bool IsSafeRelativePath(std::wstring_view path);

 private:
  using Key = std::pair<std::wstring, std::wstring>;
  static Key MakeKey(std::wstring_view type, std::wstring_view name);

  std::wstring folder_;
  std::map<Key, std::wstring> files_;
};

}  // namespace kb::ui
