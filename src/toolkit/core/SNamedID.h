#pragma once
// The named-id table: layouts name their controls, code looks them up by
// fixed numeric ids, and this table joins the two. Kept sorted by name.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kb::ui {

class SNamedID {
 public:
  // Replaces the table. Names are taken as given (case-sensitive); input
  // that is not sorted is sorted here, and of two equal names the first
  // wins.
  void Init(const wchar_t* const* names, const int* ids, size_t count);
  void Init(std::vector<std::pair<std::wstring, int>> entries);

  // 0 when the name is not in the table (0 is never a named id).
  int IdOf(std::wstring_view name) const;
  // "" when no name has that id.
  std::wstring NameOf(int id) const;
  size_t Count() const { return entries_.size(); }
  const std::vector<std::pair<std::wstring, int>>& Entries() const { return entries_; }

 private:
  std::vector<std::pair<std::wstring, int>> entries_;
};

}  // namespace kb::ui
