#include "toolkit/window/SLayoutParam.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "toolkit/core/AttrParse.h"

namespace kb::ui {

namespace {

std::optional<float> ParseNumber(std::wstring_view text) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  std::wstring copy(text);
  wchar_t* end = nullptr;
  float value = std::wcstof(copy.c_str(), &end);
  if (!end || *end != L'\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<SLayoutParam::PosItem> SLayoutParam::ParseItem(std::wstring_view text, bool allowSize) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  PosItem item;
  wchar_t lead = text.front();
  switch (lead) {
    case L'%':
      item.anchor = Anchor::kPercent;
      break;
    case L'|':
      item.anchor = Anchor::kCenter;
      break;
    case L'[':
      item.anchor = Anchor::kPrevEnd;
      break;
    case L'@':
      if (!allowSize) return std::nullopt;
      item.anchor = Anchor::kSize;
      break;
    case L'-':
      item.anchor = Anchor::kEnd;
      break;
    default:
      item.anchor = Anchor::kStart;
      break;
  }
  std::wstring_view number = item.anchor == Anchor::kStart ? text : text.substr(1);
  std::optional<float> value = ParseNumber(number);
  if (!value) return std::nullopt;
  if ((item.anchor == Anchor::kEnd || item.anchor == Anchor::kSize) && *value < 0) return std::nullopt;
  item.value = *value;
  return item;
}

void SLayoutParam::SetPos(const PosItem* items, int count) {
  count_ = count;
  for (int i = 0; i < count && i < 4; ++i) items_[i] = items[i];
}

int SLayoutParam::Clamp(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::clamp(value, -double{kMaxCoordinate}, double{kMaxCoordinate}));
}

int SLayoutParam::Resolve(const PosItem& item, int start, int end, int previousEnd) {
  // Whole pixels as before: the number is cut towards zero, a percentage
  // rounded.
  double value = std::trunc(item.value);
  switch (item.anchor) {
    case Anchor::kEnd:
      return Clamp(end - value);
    case Anchor::kPercent:
      return Clamp(start + std::round(double{(end - start) * item.value / 100.0f}));
    case Anchor::kCenter:
      return Clamp((start + end) / 2 + value);
    case Anchor::kPrevEnd:
      return Clamp(previousEnd + value);
    default:
      return Clamp(start + value);
  }
}

bool SLayoutParam::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"pos") {
    std::vector<std::wstring> parts = SplitList(value, L',');
    if (parts.size() != 2 && parts.size() != 4) return false;
    PosItem items[4];
    for (size_t i = 0; i < parts.size(); ++i) {
      auto item = ParseItem(parts[i], i >= 2);
      if (!item) return false;
      items[i] = *item;
    }
    SetPos(items, static_cast<int>(parts.size()));
    return true;
  }
  if (name == L"size") {
    auto s = ParseSize(value);
    if (!s || s->cx < kSizeFill || s->cy < kSizeFill) return false;
    width_ = s->cx;
    height_ = s->cy;
    return true;
  }
  if (name == L"width" || name == L"height") {
    auto v = ParseInt(value);
    if (!v || *v < kSizeFill) return false;
    (name == L"width" ? width_ : height_) = *v;
    return true;
  }
  if (name == L"offset") {
    std::vector<std::wstring> parts = SplitList(value, L',');
    if (parts.size() != 2) return false;
    auto fx = ParseNumber(parts[0]);
    auto fy = ParseNumber(parts[1]);
    if (!fx || !fy) return false;
    offsetX_ = *fx;
    offsetY_ = *fy;
    return true;
  }
  if (name == L"weight") {
    auto w = ParseNumber(value);
    if (!w || *w < 0) return false;
    weight_ = *w;
    return true;
  }
  if (name == L"layout_gravity") {
    if (value == L"start") gravity_ = 0;
    else if (value == L"center") gravity_ = 1;
    else if (value == L"end") gravity_ = 2;
    else return false;
    return true;
  }
  return false;
}

}  // namespace kb::ui
