#include "ui/CommandRequest.h"

#include <cwctype>

#include "platform/text.h"
#include "ui/EffectPages.h"

namespace command_line {

namespace {

// One option at a time: what it needs and where its value goes.
enum class Option { kHelp, kList, kEffect, kBrightness, kSpeed, kDirection, kSide, kLevel, kFirmware, kExport, kImport,
                    kVerbose };
struct OptionName {
  const wchar_t* name;
  Option option;
  bool takesValue;
};
constexpr OptionName kOptions[] = {
    {L"--help", Option::kHelp, false},        {L"-h", Option::kHelp, false},
    {L"/?", Option::kHelp, false},            {L"--list-effects", Option::kList, false},
    {L"--effect", Option::kEffect, true},     {L"--brightness", Option::kBrightness, true},
    {L"--speed", Option::kSpeed, true},       {L"--direction", Option::kDirection, true},
    {L"--side", Option::kSide, true},         {L"--level", Option::kLevel, true},
    {L"--firmware", Option::kFirmware, false}, {L"--export-settings", Option::kExport, true},
    {L"--import-settings", Option::kImport, true}, {L"--verbose", Option::kVerbose, false},
};

std::string Narrow(std::wstring_view text) { return kb::WideToUtf8(text); }

// Names compare without case, blanks, '-' and '_': "shooting-star" is "Shooting star".
std::wstring Folded(std::wstring_view text) {
  std::wstring folded;
  for (wchar_t c : text)
    if (c != L' ' && c != L'-' && c != L'_') folded.push_back(static_cast<wchar_t>(std::towlower(c)));
  return folded;
}

std::optional<int> WholeNumber(std::wstring_view text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  int value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  return value;
}

std::optional<int> NumberOrName(std::wstring_view text, const std::vector<std::wstring>& names) {
  if (std::optional<int> n = WholeNumber(text)) {
    if (*n < static_cast<int>(names.size())) return n;
    return std::nullopt;
  }
  std::wstring folded = Folded(text);
  for (size_t i = 0; i < names.size(); ++i)
    if (!folded.empty() && Folded(names[i]) == folded) return static_cast<int>(i);
  return std::nullopt;
}

class Parser {
 public:
  ParseResult Run(const std::vector<std::wstring>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
      std::wstring name = arguments[i];
      std::optional<std::wstring> value;
      if (size_t eq = name.find(L'='); name.starts_with(L"--") && eq != std::wstring::npos) {
        value = name.substr(eq + 1);
        name.resize(eq);
      }
      const OptionName* option = Find(name);
      if (!option) return Fail("unknown option " + Narrow(arguments[i]) + " (see --help)");
      if (option->takesValue && !value) {
        if (i + 1 >= arguments.size()) return Fail(Narrow(name) + " needs a value (see --help)");
        value = arguments[++i];
      }
      if (!option->takesValue && value) return Fail(Narrow(name) + " takes no value");
      if (!Take(option->option, Narrow(name), value.value_or(L""))) return Finish();
    }
    return Finish();
  }

 private:
  static const OptionName* Find(const std::wstring& name) {
    for (const OptionName& o : kOptions)
      if (name == o.name) return &o;
    return nullptr;
  }

  ParseResult Fail(std::string error) {
    if (error_.empty()) error_ = std::move(error);
    return Finish();
  }

  bool Error(std::string error) {
    if (error_.empty()) error_ = std::move(error);
    return false;
  }

  bool Action(Request::Action action, const std::string& name) {
    if (action_ && *action_ != action) return Error(name + " cannot be combined with " + actionName_);
    if (!action_) actionName_ = name;
    action_ = action;
    return true;
  }

  bool Range(const std::string& name, const std::wstring& text, int high, std::optional<int>& out) {
    std::optional<int> n = WholeNumber(text);
    if (!n || *n > high)
      return Error(name + " " + Narrow(text) + " is out of range (0 to " + std::to_string(high) + ")");
    if (out) return Error(name + " is given twice");
    out = n;
    return true;
  }

  bool Take(Option option, const std::string& name, const std::wstring& value) {
    switch (option) {
      case Option::kHelp: return Action(Request::Action::kHelp, name);
      case Option::kList: return Action(Request::Action::kListEffects, name);
      case Option::kFirmware: return Action(Request::Action::kFirmware, name);
      case Option::kVerbose: request_.verbose = true; return true;
      case Option::kExport:
      case Option::kImport:
        if (value.empty()) return Error(name + " needs a file name");
        request_.file = value;
        return Action(option == Option::kExport ? Request::Action::kExportSettings
                                                : Request::Action::kImportSettings,
                      name);
      case Option::kEffect:
        if (request_.effect) return Error(name + " is given twice");
        request_.effect = EffectNumber(value);
        if (!request_.effect) return Error("unknown effect \"" + Narrow(value) + "\" (see --list-effects)");
        return Action(Request::Action::kLighting, "--effect");
      case Option::kSide:
        if (request_.side) return Error(name + " is given twice");
        request_.side = SideModeNumber(value);
        if (!request_.side) return Error("unknown side-light mode \"" + Narrow(value) + "\" (see --list-effects)");
        return Action(Request::Action::kLighting, "--side");
      case Option::kBrightness: return Range(name, value, LedEffectTable::kMaxBrightness, request_.brightness);
      case Option::kSpeed: return Range(name, value, LedEffectTable::kMaxSpeed, request_.speed);
      case Option::kLevel: return Range(name, value, SideModelTable::kMaxLevel, request_.level);
      case Option::kDirection: {
        std::wstring folded = Folded(value);
        std::wstring direction = folded == L"left" ? L"0" : folded == L"right" ? L"1" : value;
        std::optional<int> n = WholeNumber(direction);
        if (!n || *n > LedEffectTable::kMaxDeriction)
          return Error(name + " " + Narrow(value) + " is out of range (left, right, 0 or 1)");
        if (request_.direction) return Error(name + " is given twice");
        request_.direction = n;
        return true;
      }
    }
    return false;
  }

  // The values that belong to an effect or a mode need it, and only the
  // effects whose page has that control take them.
  bool CheckLighting() {
    const Request& r = request_;
    if ((r.brightness || r.speed || r.direction) && !r.effect)
      return Error("--brightness, --speed and --direction need --effect");
    if (r.level && !r.side) return Error("--level needs --side");
    if (!r.effect) return true;
    int page = effect_pages::PageOfEffect(*r.effect);
    std::string effect = "effect " + std::to_string(*r.effect) + " (" + Narrow(EffectNames()[*r.effect]) + ")";
    if (r.speed && !effect_pages::PageHasSpeed(page)) return Error(effect + " has no speed");
    if (r.direction && page != effect_pages::kPageMoving) return Error(effect + " has no direction");
    return true;
  }

  ParseResult Finish() {
    ParseResult result;
    if (error_.empty() && !action_) {
      if (request_.brightness || request_.speed || request_.direction)
        error_ = "--brightness, --speed and --direction need --effect";
      else if (request_.level)
        error_ = "--level needs --side";
      else
        error_ = "nothing to do (see --help)";
    }
    if (error_.empty() && *action_ == Request::Action::kLighting) CheckLighting();
    if (error_.empty() && *action_ != Request::Action::kLighting &&
        (request_.brightness || request_.speed || request_.direction || request_.level))
      error_ = "--brightness, --speed, --direction and --level need --effect or --side";
    if (!error_.empty()) {
      result.error = error_;
      return result;
    }
    request_.action = *action_;
    result.request = request_;
    return result;
  }

  Request request_;
  std::optional<Request::Action> action_;
  std::string actionName_;
  std::string error_;
};

}  // namespace

std::vector<std::wstring> SplitArguments(std::wstring_view line) {
  std::vector<std::wstring> arguments;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    if (i >= line.size()) break;
    std::wstring argument;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
      size_t slashes = 0;
      while (i < line.size() && line[i] == L'\\') ++slashes, ++i;
      if (i < line.size() && line[i] == L'"') {
        // 2n backslashes and a quote: n backslashes, the quote toggles;
        // 2n+1: n backslashes and a literal quote.
        argument.append(slashes / 2, L'\\');
        if (slashes % 2) {
          argument.push_back(L'"');
        } else if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
          argument.push_back(L'"');  // "" inside quotes: a literal quote
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        argument.append(slashes, L'\\');
        if (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) argument.push_back(line[i++]);
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

bool IsRequest(std::wstring_view commandLine) {
  std::vector<std::wstring> arguments = SplitArguments(commandLine);
  if (arguments.empty()) return false;
  const std::wstring& first = arguments.front();
  return first.starts_with(L"--") || first == L"-h" || first == L"/?";
}

ParseResult Parse(const std::vector<std::wstring>& arguments) { return Parser().Run(arguments); }

std::wstring Encode(const Request& r) {
  std::wstring text;
  auto add = [&text](const wchar_t* name, const std::wstring& value) {
    text += name;
    text += L'\n';
    if (!value.empty()) {
      text += value;
      text += L'\n';
    }
  };
  switch (r.action) {
    case Request::Action::kHelp: add(L"--help", L""); break;
    case Request::Action::kListEffects: add(L"--list-effects", L""); break;
    case Request::Action::kFirmware: add(L"--firmware", L""); break;
    case Request::Action::kExportSettings: add(L"--export-settings", r.file); break;
    case Request::Action::kImportSettings: add(L"--import-settings", r.file); break;
    case Request::Action::kLighting:
      if (r.effect) add(L"--effect", std::to_wstring(*r.effect));
      if (r.brightness) add(L"--brightness", std::to_wstring(*r.brightness));
      if (r.speed) add(L"--speed", std::to_wstring(*r.speed));
      if (r.direction) add(L"--direction", std::to_wstring(*r.direction));
      if (r.side) add(L"--side", std::to_wstring(*r.side));
      if (r.level) add(L"--level", std::to_wstring(*r.level));
      break;
  }
  return text;
}

ParseResult Decode(std::wstring_view text) {
  std::vector<std::wstring> arguments;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring_view::npos) end = text.size();
    arguments.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return Parse(arguments);
}

const std::vector<std::wstring>& EffectNames() {
  static const std::vector<std::wstring> names = {
      L"Always on", L"Reactive", L"Breathing", L"Spectrum",   L"Wave",          L"Sweep",
      L"Scanner",   L"Curtain",  L"Ripple",    L"Raindrops",  L"Snake",         L"Blossom",
      L"Shooting star", L"Fireworks", L"Heartbeat", L"Cross", L"Pulse",         L"Aurora",
      L"Twinkle",   L"Trace",    L"Neon stream", L"Loader"};
  return names;
}

const std::vector<std::wstring>& SideModeNames() {
  static const std::vector<std::wstring> names = {L"Breathing",   L"Flowing",   L"Flashing",  L"Always on",
                                                  L"Reactive",    L"Music",     L"Caps Lock", L"Num Lock",
                                                  L"Scroll Lock", L"Heartbeat", L"Half on",   L"Off"};
  return names;
}

std::optional<int> EffectNumber(std::wstring_view text) { return NumberOrName(text, EffectNames()); }
std::optional<int> SideModeNumber(std::wstring_view text) { return NumberOrName(text, SideModeNames()); }

std::string HelpText() {
  return "Usage: kbconfig [OPTION]...\n"
         "Without options the window opens (\"-hid\" alone: hidden in the tray).\n"
         "When kbconfig is running, the request goes to its window.\n"
         "\n"
         "  --effect N|NAME     backlight effect (see --list-effects), with\n"
         "    --brightness B    0 to 5\n"
         "    --speed S         0 to 2 (moving effects)\n"
         "    --direction D     left or right (effects 4 to 7)\n"
         "  --side N|NAME       side-light mode, with\n"
         "    --level L         0 to 7 (speed of modes 0 to 2, brightness of the others)\n"
         "  --firmware          print the keyboard's firmware version\n"
         "  --export-settings FILE  write the lighting, macro groups and key assignments to FILE\n"
         "  --import-settings FILE  replace them with those of FILE\n"
         "  --list-effects      print the effects and side-light modes\n"
         "  --verbose           diagnostic lines on standard error\n"
         "  --help              this text\n"
         "\n"
         "Exit status: 0 done, 1 bad option or value, 2 no keyboard, 3 bad settings file,\n"
         "4 failed (settings not saved, keyboard not answering, running kbconfig busy).\n";
}

std::string EffectListText() {
  std::string text = "Backlight effects (--effect):\n";
  for (size_t i = 0; i < EffectNames().size(); ++i)
    text += std::to_string(i) + "\t" + Narrow(EffectNames()[i]) + "\n";
  text += "Side-light modes (--side):\n";
  for (size_t i = 0; i < SideModeNames().size(); ++i)
    text += std::to_string(i) + "\t" + Narrow(SideModeNames()[i]) + "\n";
  return text;
}

void ApplyLighting(const Request& r, LedEffectTable& effects, SideModelTable& sides) {
  if (r.effect) {
    if (LedEffectEntry* entry = effects.GetEntry(*r.effect)) {
      if (r.brightness) entry->brightness = static_cast<uint8_t>(*r.brightness);
      if (r.speed) entry->speed = static_cast<uint8_t>(*r.speed);
      if (r.direction) entry->deriction = static_cast<uint8_t>(*r.direction);
      effects.Replace(effects.Entries(), *r.effect);
    }
  }
  if (r.side) {
    if (SideModelEntry* entry = sides.GetEntry(*r.side)) {
      if (r.level) entry->brightness = static_cast<uint8_t>(*r.level);
      sides.Replace(sides.Entries(), *r.side);
    }
  }
}

}  // namespace command_line
