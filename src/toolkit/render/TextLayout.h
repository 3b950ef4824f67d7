#pragma once
// Breaking a string into the lines a box shows: line breaks, word wrap,
// end ellipsis and alignment.
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/render/Font.h"
#include "toolkit/render/Geometry.h"

namespace kb::render {

// The values are those of the Windows DT_ flags, so a value built from DT_
// constants means the same here.
enum TextFormat : unsigned {
  kTextLeft = 0x0,
  kTextCenter = 0x1,
  kTextRight = 0x2,
  kTextTop = 0x0,
  kTextVCenter = 0x4,
  kTextBottom = 0x8,
  kTextWordBreak = 0x10,
  kTextSingleLine = 0x20,
  kTextNoClip = 0x100,
  kTextEndEllipsis = 0x8000,
};

struct TextLine {
  std::u32string text;
  int width = 0;  // pixels
};

class TextLayout {
 public:
  // `box` limits the width for wrapping and ellipsis (a width of 0 or less
  // means unlimited) and the height for the ellipsis of wrapped text.
  TextLayout(const Font& font, std::wstring_view text, Size box, unsigned format);

  const std::vector<TextLine>& Lines() const { return lines_; }
  int LineHeight() const { return lineHeight_; }
  // Widest line by the height of all lines.
  Size Extent() const;
  // Whether an ellipsis replaced part of the text.
  bool Truncated() const { return truncated_; }
  // Top-left corner of a line placed in `box` by the alignment flags.
  Point LineOrigin(size_t index, const Rect& box) const;

 private:
  void AddParagraph(std::u32string paragraph);
  void Wrap(std::u32string paragraph);
  void ApplyEllipsis();
  void Ellipsize(TextLine& line, bool always);
  int Width(std::u32string_view text) const { return font_.MeasureWidth(text); }
  size_t LongestFittingPrefix(std::u32string_view text, int maxWidth, std::u32string_view suffix) const;

  const Font& font_;
  unsigned format_;
  Size box_;
  int lineHeight_;
  bool truncated_ = false;
  std::vector<TextLine> lines_;
};

// Size of the text as DrawString would lay it out in a box of that width.
Size MeasureText(const Font& font, std::wstring_view text, unsigned format = kTextSingleLine, int maxWidth = 0);

}  // namespace kb::render
