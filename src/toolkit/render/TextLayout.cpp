#include "toolkit/render/TextLayout.h"

#include <algorithm>

#include "toolkit/render/TextDecode.h"

namespace kb::render {
namespace {

constexpr char32_t kEllipsis = 0x2026;
constexpr std::u32string_view kDotsEllipsis = U"...";

bool IsSpace(char32_t c) { return c == U' ' || c == 0x3000 || c == 0xA0; }

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// Scripts written without spaces: a line may break between any two of their
// characters.
bool IsBreakAnywhere(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Punctuation that must not start a line, and that must not end one.
bool IsClosingPunctuation(char32_t c) {
  static constexpr std::u32string_view kClosing =
      U",.;:!?)]}\u3001\u3002\uff0c\uff0e\uff1a\uff1b"
      U"\uff01\uff1f\uff09\u300d\u300f\u3011\u300b"
      U"\u3009\u201d\u2019\u2026";
  return kClosing.find(c) != std::u32string_view::npos;
}
bool IsOpeningPunctuation(char32_t c) {
  static constexpr std::u32string_view kOpening = U"([{\uff08\u300c\u300e\u3010\u300a\u3008\u201c\u2018";
  return kOpening.find(c) != std::u32string_view::npos;
}

bool CanBreakBetween(char32_t before, char32_t after) {
  if (IsClosingPunctuation(after) || IsOpeningPunctuation(before)) return false;
  if (IsSpace(before) && !IsSpace(after)) return true;
  return IsBreakAnywhere(before) || IsBreakAnywhere(after);
}

std::u32string_view TrimEnd(std::u32string_view s) {
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}
std::u32string_view TrimStart(std::u32string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  return s;
}

int FloorDiv(int value, int divisor) {
  int q = value / divisor;
  return (value % divisor != 0 && value < 0) ? q - 1 : q;
}

}  // namespace

TextLayout::TextLayout(const Font& font, std::wstring_view text, Size box, unsigned format)
    : font_(font), format_(format), box_(box), lineHeight_(font.LineHeight()) {
  std::u32string decoded = DecodeWide(text);
  const bool singleLine = (format & kTextSingleLine) != 0;
  std::u32string paragraph;
  for (size_t i = 0; i < decoded.size(); ++i) {
    char32_t c = decoded[i];
    bool lineBreak = c == U'\n' || c == U'\r';
    if (lineBreak && !singleLine) {
      if (c == U'\r' && i + 1 < decoded.size() && decoded[i + 1] == U'\n') ++i;
      AddParagraph(std::move(paragraph));
      paragraph.clear();
      continue;
    }
    if (c == U'\t' || lineBreak) {
      paragraph.push_back(U' ');
    } else if (!IsControl(c)) {
      paragraph.push_back(c);
    }
  }
  AddParagraph(std::move(paragraph));
  ApplyEllipsis();
}

void TextLayout::AddParagraph(std::u32string paragraph) {
  const bool wrap = (format_ & kTextWordBreak) != 0 && (format_ & kTextSingleLine) == 0;
  if (wrap && box_.cx > 0) {
    Wrap(std::move(paragraph));
    return;
  }
  int width = Width(paragraph);
  lines_.push_back(TextLine{std::move(paragraph), width});
}

size_t TextLayout::LongestFittingPrefix(std::u32string_view text, int maxWidth, std::u32string_view suffix) const {
  // Prefix widths grow with length (kerning aside), so a binary search finds
  // the cut without measuring every prefix of a long line.
  size_t low = 0;
  size_t high = text.size();
  while (low < high) {
    size_t middle = (low + high + 1) / 2;
    std::u32string candidate(TrimEnd(text.substr(0, middle)));
    candidate += suffix;
    if (Width(candidate) <= maxWidth) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

void TextLayout::Wrap(std::u32string paragraph) {
  const int maxWidth = box_.cx;
  std::vector<std::u32string_view> segments;
  std::u32string_view rest(paragraph);
  size_t start = 0;
  for (size_t i = 1; i <= rest.size(); ++i) {
    if (i == rest.size() || CanBreakBetween(rest[i - 1], rest[i])) {
      segments.push_back(rest.substr(start, i - start));
      start = i;
    }
  }
  std::u32string current;
  auto push = [&](std::u32string_view text) {
    std::u32string line(TrimEnd(text));
    int width = Width(line);
    lines_.push_back(TextLine{std::move(line), width});
  };
  // A word wider than the box is broken between characters.
  auto breakOverlong = [&]() {
    while (current.size() > 1 && Width(TrimEnd(current)) > maxWidth) {
      size_t cut = std::max<size_t>(1, LongestFittingPrefix(current, maxWidth, U""));
      push(std::u32string_view(current).substr(0, cut));
      current = std::u32string(TrimStart(std::u32string_view(current).substr(cut)));
    }
  };
  for (std::u32string_view segment : segments) {
    std::u32string candidate = current + std::u32string(segment);
    if (TrimEnd(current).empty() || Width(TrimEnd(candidate)) <= maxWidth) {
      current = std::move(candidate);
    } else {
      push(current);
      current = std::u32string(TrimStart(segment));
    }
    breakOverlong();
  }
  push(current);
}

void TextLayout::Ellipsize(TextLine& line, bool always) {
  const int maxWidth = box_.cx;
  if (!always && line.width <= maxWidth) return;
  std::u32string ellipsis = font_.HasGlyph(kEllipsis) ? std::u32string(1, kEllipsis) : std::u32string(kDotsEllipsis);
  size_t keep = LongestFittingPrefix(line.text, maxWidth, ellipsis);
  std::u32string shortened(TrimEnd(std::u32string_view(line.text).substr(0, keep)));
  shortened += ellipsis;
  line.width = Width(shortened);
  line.text = std::move(shortened);
  truncated_ = true;
}

void TextLayout::ApplyEllipsis() {
  if ((format_ & kTextEndEllipsis) == 0 || box_.cx <= 0) return;
  for (TextLine& line : lines_) Ellipsize(line, false);
  const bool wrapped = (format_ & kTextWordBreak) != 0 && (format_ & kTextSingleLine) == 0;
  if (!wrapped || box_.cy <= 0) return;
  size_t visible = static_cast<size_t>(std::max(1, box_.cy / lineHeight_));
  if (lines_.size() <= visible) return;
  lines_.resize(visible);
  Ellipsize(lines_.back(), true);
}

Size TextLayout::Extent() const {
  int width = 0;
  for (const TextLine& line : lines_) width = std::max(width, line.width);
  return Size{width, static_cast<int>(lines_.size()) * lineHeight_};
}

Point TextLayout::LineOrigin(size_t index, const Rect& box) const {
  const int blockHeight = static_cast<int>(lines_.size()) * lineHeight_;
  int top = box.top;
  if (format_ & kTextBottom) {
    top = box.bottom - blockHeight;
  } else if (format_ & kTextVCenter) {
    top = box.top + FloorDiv(box.Height() - blockHeight, 2);
  }
  const int width = index < lines_.size() ? lines_[index].width : 0;
  int left = box.left;
  if (format_ & kTextRight) {
    left = box.right - width;
  } else if (format_ & kTextCenter) {
    left = box.left + FloorDiv(box.Width() - width, 2);
  }
  return Point{left, top + static_cast<int>(index) * lineHeight_};
}

Size MeasureText(const Font& font, std::wstring_view text, unsigned format, int maxWidth) {
  return TextLayout(font, text, Size{maxWidth, 0}, format).Extent();
}

}  // namespace kb::render
