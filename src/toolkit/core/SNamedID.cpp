#include "toolkit/core/SNamedID.h"

#include <algorithm>

namespace kb::ui {

void SNamedID::Init(const wchar_t* const* names, const int* ids, size_t count) {
  std::vector<std::pair<std::wstring, int>> entries;
  entries.reserve(count);
  for (size_t i = 0; i < count; ++i)
    if (names[i]) entries.emplace_back(names[i], ids[i]);
  Init(std::move(entries));
}

void SNamedID::Init(std::vector<std::pair<std::wstring, int>> entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  entries.erase(std::unique(entries.begin(), entries.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; }),
                entries.end());
  entries_ = std::move(entries);
}

int SNamedID::IdOf(std::wstring_view name) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), name,
                             [](const auto& entry, std::wstring_view key) { return entry.first < key; });
  if (it == entries_.end() || it->first != name) return 0;
  return it->second;
}

std::wstring SNamedID::NameOf(int id) const {
  for (const auto& entry : entries_)
    if (entry.second == id) return entry.first;
  return std::wstring();
}

}  // namespace kb::ui
