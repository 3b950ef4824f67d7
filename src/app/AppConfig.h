#pragma once
// The model of config.xml: which keyboard the program serves, the
// language it starts in, and the media-key and function-key lists the key
// assignment dialog offers. The program writes only the language back, the
// one choice the user makes in the window.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct FunKeyEntry {
  std::wstring name;
  uint32_t code = 0;  // KeyCode: usage page in the high 16 bits, usage in the low 16
  std::wstring path;  // kept with the entry; nothing acts on it
  std::wstring argm;  // kept with the entry; nothing acts on it

  bool operator==(const FunKeyEntry&) const = default;
};

struct CombKeyEntry {
  std::wstring name;
  // Each pair is a key code (first) and a delay in milliseconds (second).
  std::vector<std::pair<int32_t, int32_t>> codes;

  bool operator==(const CombKeyEntry&) const = default;
};

class AppConfig {
 public:
  static constexpr wchar_t kFileName[] = L"config.xml";

  // The process-wide configuration, created empty on first use.
  static AppConfig& Instance();

  // Reads config.xml from the executable's folder.
  bool Load();
  // Reads config.xml from `folder`. Every field is set again: to the file's
  // value, or to its default when the file, the element or the attribute is
  // missing. False when the file cannot be read or parsed.
  bool Load(const std::wstring& folder);

  // Remembers the window's language in `folder`'s config.xml: only the
  // value of <local language=...> changes (the element or the attribute is
  // added when missing); every other byte stays as the file had it, and
  // the file is replaced atomically. False, and nothing written, when the
  // file cannot be read or parsed, or is not UTF-8.
  static bool SaveLanguage(const std::wstring& folder, bool chinese);
  // The same on the file's text: the new text, or nothing when it is not
  // a document this can edit.
  static std::optional<std::string> WithLanguage(std::string_view text, bool chinese);

  // The combkey "code" text: blanks removed, then comma-separated tokens of
  // colon-separated decimal numbers.
  static std::vector<std::pair<int32_t, int32_t>> ParseCombKeyCodes(std::string_view text);

  int32_t vid = 0;
  int32_t pid = 0;
  // The USB interface number. Not called "interface": the Windows headers
  // define that word as a macro.
  int32_t usbInterface = 0;
  int32_t subdevice = 0;  // HID collection number within the interface
  bool isChinese = false;
  std::vector<FunKeyEntry> funKeys;
  std::vector<CombKeyEntry> combKeys;
};
