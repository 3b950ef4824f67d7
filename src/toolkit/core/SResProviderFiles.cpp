#include "toolkit/core/SResProviderFiles.h"

#include <fstream>
#include <pugixml.hpp>

#include "platform/diag.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/win32.h"
#include "toolkit/core/AttrParse.h"
#include "toolkit/core/FileRead.h"

namespace kb::ui {

SResProviderFiles::Key SResProviderFiles::MakeKey(std::wstring_view type, std::wstring_view name) {
  return Key{ToLowerAscii(type), ToLowerAscii(name)};
}

bool SResProviderFiles::IsSafeRelativePath(std::wstring_view path) {
  if (path.empty()) return false;
  if (path.front() == L'/' || path.front() == L'\\') return false;
  if (path.find(L':') != std::wstring_view::npos) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(L"/\\", start);
    std::wstring_view part = path.substr(start, end == path.npos ? path.npos : end - start);
    if (part == L"..") return false;
    if (end == path.npos) break;
    start = end + 1;
  }
  return true;
}

bool SResProviderFiles::Init(const std::wstring& folder) {
  folder_ = folder;
  files_.clear();
  std::vector<uint8_t> bytes;
  std::wstring indexPath = PathJoin(folder, kIndexFile);
  if (!ReadWholeFile(indexPath, kMaxResourceBytes, bytes)) {
    DiagPrintfW(L"uires: no index %ls\n", indexPath.c_str());
    return false;
  }
  pugi::xml_document doc;
  if (!doc.load_buffer(bytes.data(), bytes.size())) {
    DiagPrintfW(L"uires: index %ls cannot be parsed\n", indexPath.c_str());
    return false;
  }
  pugi::xml_node root = doc.child("resource");
  for (pugi::xml_node type : root.children()) {
    if (type.type() != pugi::node_element) continue;
    std::wstring typeName = Utf8ToWide(type.name());
    for (pugi::xml_node file : type.children("file")) {
      std::wstring name = Utf8ToWide(file.attribute("name").as_string());
      std::wstring path = Utf8ToWide(file.attribute("path").as_string());
      if (name.empty() || !IsSafeRelativePath(path)) {
        DiagPrintfW(L"uires: entry %ls:%ls refused (path \"%ls\")\n", typeName.c_str(), name.c_str(),
                    path.c_str());
        continue;
      }
      files_.emplace(MakeKey(typeName, name), path);
    }
  }
  return true;
}

bool SResProviderFiles::HasResource(std::wstring_view type, std::wstring_view name) const {
  return files_.count(MakeKey(type, name)) > 0;
}

std::wstring SResProviderFiles::GetFilePath(std::wstring_view type, std::wstring_view name) const {
  auto it = files_.find(MakeKey(type, name));
  if (it == files_.end()) return std::wstring();
  std::wstring relative = it->second;
  for (wchar_t& c : relative)
    if (c == L'/' || c == L'\\') c = kPathSeparator;
  return PathJoin(folder_, relative);
}

bool SResProviderFiles::GetRawBuffer(std::wstring_view type, std::wstring_view name,
                                     std::vector<uint8_t>& out) const {
  out.clear();
  std::wstring path = GetFilePath(type, name);
  if (path.empty()) return false;
  if (!ReadWholeFile(path, kMaxResourceBytes, out)) {
    DiagPrintfW(L"uires: %ls cannot be read\n", path.c_str());
    return false;
  }
  return true;
}

std::wstring SResProviderFiles::VariantPath(std::wstring_view path, std::wstring_view suffix) {
  size_t nameStart = path.find_last_of(L"/\\");
  nameStart = nameStart == path.npos ? 0 : nameStart + 1;
  size_t dot = path.rfind(L'.');
  if (dot == path.npos || dot <= nameStart) dot = path.size();
  std::wstring out(path.substr(0, dot));
  out += suffix;
  out += path.substr(dot);
  return out;
}

bool SResProviderFiles::GetScaledVariant(std::wstring_view type, std::wstring_view name, std::wstring_view suffix,
                                         std::vector<uint8_t>& out) const {
  out.clear();
  std::wstring path = GetFilePath(type, name);
  if (path.empty() || suffix.empty()) return false;
  std::wstring variant = VariantPath(path, suffix);
  // Most images have no variant for every scale: a missing file is normal.
  if (::GetFileAttributesW(variant.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (!ReadWholeFile(variant, kMaxResourceBytes, out)) {
    DiagPrintfW(L"uires: %ls cannot be read\n", variant.c_str());
    return false;
  }
  return true;
}

}  // namespace kb::ui
