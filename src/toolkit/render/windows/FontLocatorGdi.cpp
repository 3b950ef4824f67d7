// Fonts on Windows: GDI resolves the face and hands over the font file's bytes
// with GetFontData. Under Wine this reaches the host's fonts too, so the same
// files are rasterised as on Linux.
#include <cstring>

#include "platform/diag.h"
#include "platform/text.h"
#include "platform/win32.h"
#include "toolkit/render/FontLocator.h"
#include "toolkit/render/FontNames.h"

namespace kb::render {
namespace {

using Bytes = std::vector<uint8_t>;

// GetFontData's table tag for the whole collection file. With table 0 GDI
// returns only the selected member, whose table offsets still count from the
// start of the collection, so a member alone cannot be parsed.
constexpr DWORD kCollectionTag = 0x66637474;  // "ttcf", little-endian
constexpr size_t kOffsetTableSize = 12;
constexpr size_t kTableRecordSize = 16;

// Selects a font into a memory DC for as long as it lives.
class SelectedFont {
 public:
  explicit SelectedFont(const LOGFONTW& logFont)
      : dc_(CreateCompatibleDC(nullptr)), font_(CreateFontIndirectW(&logFont)) {
    if (dc_ != nullptr && font_ != nullptr) previous_ = SelectObject(dc_, font_);
  }
  ~SelectedFont() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    if (font_ != nullptr) DeleteObject(font_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  SelectedFont(const SelectedFont&) = delete;
  SelectedFont& operator=(const SelectedFont&) = delete;

  HDC Dc() const { return previous_ != nullptr ? dc_ : nullptr; }

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ previous_ = nullptr;
};

bool ReadTable(HDC dc, DWORD table, DWORD offset, Bytes& out) {
  DWORD size = GetFontData(dc, table, offset, nullptr, 0);
  if (size == GDI_ERROR || size == 0 || size > kMaxFontFileBytes) return false;
  out.resize(size);
  return GetFontData(dc, table, offset, out.data(), size) == size;
}

uint32_t ReadBigEndian32(const Bytes& b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

// Which member of the collection GDI selected: the one whose table directory
// equals the selected font's own.
int FindCollectionMember(HDC dc, const Bytes& collection) {
  Bytes header(kOffsetTableSize);
  if (GetFontData(dc, 0, 0, header.data(), kOffsetTableSize) != kOffsetTableSize) return 0;
  size_t tables = (size_t{header[4]} << 8) | header[5];
  size_t directorySize = kOffsetTableSize + tables * kTableRecordSize;
  Bytes directory(directorySize);
  if (GetFontData(dc, 0, 0, directory.data(), static_cast<DWORD>(directorySize)) != directorySize) {
    return 0;
  }
  if (collection.size() < 12) return 0;
  uint32_t members = ReadBigEndian32(collection, 8);
  for (uint32_t i = 0; i < members && 12 + 4 * (i + 1) <= collection.size(); ++i) {
    size_t at = ReadBigEndian32(collection, 12 + 4 * i);
    if (at + directorySize > collection.size()) continue;
    if (std::memcmp(collection.data() + at, directory.data(), directorySize) == 0) {
      return static_cast<int>(i);
    }
  }
  DiagPrintf("font: selected member not found in its collection; using the first\n");
  return 0;
}

}  // namespace

std::optional<FontFileData> LocateSystemFont(const FontQuery& query) {
  LOGFONTW logFont{};
  if (query.face.size() >= LF_FACESIZE) return std::nullopt;
  std::wmemcpy(logFont.lfFaceName, query.face.data(), query.face.size());
  logFont.lfHeight = -32;
  logFont.lfWeight = query.bold ? FW_BOLD : FW_NORMAL;
  logFont.lfItalic = query.italic ? TRUE : FALSE;
  logFont.lfCharSet = DEFAULT_CHARSET;
  logFont.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  SelectedFont selected(logFont);
  HDC dc = selected.Dc();
  if (dc == nullptr) return std::nullopt;

  wchar_t actual[LF_FACESIZE] = {};
  int length = GetTextFaceW(dc, LF_FACESIZE, actual);
  if (query.exactFamily && (length <= 0 || !FontNameEquals(actual, query.face))) {
    return std::nullopt;
  }
  Bytes bytes;
  int index = 0;
  if (ReadTable(dc, kCollectionTag, 0, bytes)) {
    index = FindCollectionMember(dc, bytes);
  } else if (!ReadTable(dc, 0, 0, bytes)) {
    DiagPrintf("font: GetFontData failed for %s\n", WideToUtf8(actual).c_str());
    return std::nullopt;
  }
  return FontFileData{std::make_shared<FontByteCopy>(std::move(bytes)), index, "gdi:" + WideToUtf8(actual)};
}

}  // namespace kb::render
