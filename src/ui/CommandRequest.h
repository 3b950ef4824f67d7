#pragma once
// The program's command line beyond "-hid": what is asked (a backlight
// effect, a side-light mode, the firmware version, a settings backup
// written or read, the lists of effects), checked completely before
// anything is done, and the same request as the text the command line
// hands to a running instance (WM_COPYDATA). No windows: the command line
// runs it without a display, the main dialog for another process.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keyboard/LedEffectTable.h"
#include "keyboard/SideModelTable.h"

namespace command_line {

// What the process ends with, and (negated) what a running instance answers.
enum Exit : int {
  kExitOk = 0,
  kExitUsage = 1,       // unknown option, missing or out-of-range value
  kExitNoKeyboard = 2,  // the keyboard is not connected
  kExitBadFile = 3,     // the settings file cannot be read, is not one, or cannot be written
  kExitFailed = 4,      // the settings could not be saved, the keyboard did not answer, the
                        // running program could not be reached or is busy
};

// The tag of the WM_COPYDATA a request travels in (dwData).
inline constexpr unsigned long kCopyDataTag = 0x4B424331;  // "KBC1"

struct Request {
  enum class Action { kHelp, kListEffects, kLighting, kFirmware, kExportSettings, kImportSettings };
  Action action = Action::kHelp;
  std::optional<int> effect, brightness, speed, direction;
  std::optional<int> side, level;
  std::wstring file;
  bool verbose = false;  // diagnostic lines on standard error

  bool operator==(const Request&) const = default;
};

struct ParseResult {
  std::optional<Request> request;
  std::string error;  // one line, English, when there is no request
};

// The arguments of a command line after the program name, split as the
// Windows C runtime splits them (blanks separate, double quotes group,
// backslashes escape only before a quote).
std::vector<std::wstring> SplitArguments(std::wstring_view commandLine);

// Whether the command line asks the command line at all: its first
// argument is an option ("--effect", "--help", "-h", "/?"). Anything else,
// "-hid" first of all, starts the window.
bool IsRequest(std::wstring_view commandLine);

ParseResult Parse(const std::vector<std::wstring>& arguments);

// The request as text and back (its canonical arguments, one per line).
std::wstring Encode(const Request& request);
ParseResult Decode(std::wstring_view text);

// The English names of the effects and side-light modes, in the order of
// the keyboard's numbers (and of the main window's lists).
const std::vector<std::wstring>& EffectNames();
const std::vector<std::wstring>& SideModeNames();
// The number a name or a number stands for; none when it is neither.
std::optional<int> EffectNumber(std::wstring_view text);
std::optional<int> SideModeNumber(std::wstring_view text);

std::string HelpText();
std::string EffectListText();

// Puts the lighting a request asks for into the tables (entries and the
// current effect or mode), without saving. The request was checked by
// Parse, so every value fits.
void ApplyLighting(const Request& request, LedEffectTable& effects, SideModelTable& sides);

}  // namespace command_line
