#include "main/CommandLine.h"

#include <pugixml.hpp>
#include <string>
#include <vector>

#include "app/AppConfig.h"
#include "app/XmlFile.h"
#include "hid/HidDevice.h"
#include "hid/HidInterfaceInfo.h"
#include "keyboard/KeyboardCommands.h"
#include "macro/SettingsBackup.h"
#include "platform/console.h"
#include "platform/diag.h"
#include "platform/path.h"
#include "platform/text.h"
#include "ui/CommandRequest.h"
#include "ui/DeviceNotification.h"
#include "ui/MainDlg.h"
#include "ui/common/ResourceNames.h"

using namespace command_line;

namespace startup {

namespace {

constexpr DWORD kModulePathSize = 32768;
// The running instance may still be starting (or asking for the keyboard):
// its window is waited for this long.
constexpr DWORD kWindowWaitMs = 10000;
constexpr DWORD kWindowPollMs = 100;
// A request the running instance has not answered in this time (a hung
// window) is given up.
constexpr UINT kAnswerWaitMs = 60000;

int Fail(int status, const std::string& reason) {
  kb::WriteError("kbconfig: " + reason + "\n");
  return status;
}

std::wstring ProgramFolder() {
  std::vector<wchar_t> path(kModulePathSize, L'\0');
  GetModuleFileNameW(nullptr, path.data(), kModulePathSize);
  return kb::PathFolder(path.data());
}

// A relative file name is the caller's: it is made whole before the program
// moves to its own folder (or hands it to the running instance, whose
// current folder is another).
std::wstring WholePath(const std::wstring& file) {
  bool absolute = file.starts_with(L"/") || file.starts_with(L"\\") || (file.size() > 1 && file[1] == L':');
  if (absolute) return file;
  std::vector<wchar_t> folder(kModulePathSize, L'\0');
  DWORD length = GetCurrentDirectoryW(kModulePathSize, folder.data());
  if (length == 0 || length >= kModulePathSize) return file;
  return kb::PathJoin(folder.data(), file);
}

// A file of the resource package by its name in the package's index, read
// without the toolkit (the command line runs without a display).
std::wstring PackageFile(const std::wstring& folder, const char* name) {
  std::wstring package = kb::PathJoin(folder, kb::res::kResourceFolder);
  pugi::xml_document index;
  if (!kb::LoadXmlFile(kb::PathJoin(package, L"uires.idx"), index, pugi::encoding_utf8)) return L"";
  for (pugi::xml_node type : index.document_element().children())
    for (pugi::xml_node file : type.children("file"))
      if (std::string_view(file.attribute("name").as_string()) == name)
        return kb::PathJoin(package, kb::Utf8ToWide(file.attribute("path").as_string()));
  return L"";
}

// Entry 0 of the package's string table.
std::wstring ApplicationName(const std::wstring& folder) {
  pugi::xml_document strings;
  std::wstring path = PackageFile(folder, "string");
  if (path.empty() || !kb::LoadXmlFile(path, strings, pugi::encoding_utf8)) return L"";
  pugi::xml_node first = kb::ElementAtOrAfter(strings.document_element().first_child());
  return kb::AttributeText(first.attribute("value"));
}

// The command line's texts in the language of config.xml: the Chinese pack's
// "cmdline" context. Option names, file names and values stay as they are.
class Texts {
 public:
  void Load(const std::wstring& folder, bool chinese) {
    if (!chinese) return;
    pugi::xml_document doc;
    std::wstring path = PackageFile(folder, "lang_cn");
    if (path.empty() || !kb::LoadXmlFile(path, doc, pugi::encoding_utf8)) return;
    for (pugi::xml_node context : doc.document_element().children("context")) {
      if (std::string_view(context.attribute("name").as_string()) != "cmdline") continue;
      for (pugi::xml_node item : context.children("item"))
        texts_.emplace_back(item.attribute("src").as_string(), item.attribute("tr").as_string());
    }
  }
  std::string operator()(const std::string& english) const {
    for (const auto& [src, tr] : texts_)
      if (src == english) return tr;
    return english;
  }
  // Line by line, so a translation file item is one line of the text.
  std::string Lines(const std::string& text) const {
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      out += (*this)(text.substr(start, end - start)) + "\n";
      start = end + 1;
    }
    return out;
  }

 private:
  std::vector<std::pair<std::string, std::string>> texts_;
};

Texts tr;

// The running instance's main window: it carries the property of the
// application's name once it is initialised.
HWND FindInstanceWindow(const std::wstring& appName) {
  for (DWORD waited = 0;; waited += kWindowPollMs) {
    for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); IsWindow(h); h = GetWindow(h, GW_HWNDNEXT))
      if (GetPropW(h, appName.c_str())) return h;
    if (waited >= kWindowWaitMs) return nullptr;
    Sleep(kWindowPollMs);
  }
}

std::string FirmwareLine(int32_t version) {
  if (version == 0) return "early version\n";
  return "v" + std::to_string((version >> 8) & 0xFF) + "." + std::to_string(version & 0xFF) + "\n";
}

std::string Narrow(const std::wstring& text) { return kb::WideToUtf8(text); }

// --- the running instance does it ---------------------------------------

int AskInstance(const std::wstring& appName, const Request& request) {
  HWND window = FindInstanceWindow(appName);
  if (!window)
    return Fail(kExitFailed, tr("kbconfig is running, but its window cannot be reached (is it waiting for the keyboard?)"));
  std::string text = Narrow(Encode(request));
  COPYDATASTRUCT data{};
  data.dwData = kCopyDataTag;
  data.cbData = static_cast<DWORD>(text.size());
  data.lpData = text.data();
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kAnswerWaitMs,
                           &answer))
    return Fail(kExitFailed, tr("the running kbconfig did not answer"));
  auto result = static_cast<LRESULT>(static_cast<INT_PTR>(answer));
  if (result >= 0) {
    if (request.action == Request::Action::kFirmware) kb::WriteOut(FirmwareLine(static_cast<int32_t>(result)));
    return kExitOk;
  }
  switch (-result) {
    case kExitNoKeyboard: return Fail(kExitNoKeyboard, tr("the keyboard is not connected"));
    case kExitBadFile: return Fail(kExitBadFile, Narrow(request.file) + ": " + tr("cannot be written"));
    case kExitUsage: return Fail(kExitUsage, tr("the running kbconfig does not know this request"));
    default:
      return Fail(kExitFailed, request.action == Request::Action::kFirmware
                                   ? tr("the keyboard did not answer")
                                   : tr("the running kbconfig could not do it (a dialog of it is open, or the "
                                        "settings could not be saved)"));
  }
}

// --- this process does it -----------------------------------------------

class Keyboard {
 public:
  bool Open() {
    KeyboardIdentity identity = KeyboardIdentity::FromConfig(AppConfig::Instance());
    int32_t product = identity.pid;
    HidInterfaceInfo* found = FindHidInterfaces(identity.vid, identity.pid != 0 ? 1 : 0, &product,
                                                identity.usbInterface, identity.subdevice);
    bool opened = found && device_.Open(found->devicePath.c_str(), CMainDlg::kKeyboardAccess);
    FreeHidInterfaceList(found);
    return opened;
  }
  KeyboardCommands& Commands() { return commands_; }
  int32_t FirmwareVersion() const { return firmwareVersion_; }

 private:
  HidDevice device_;
  int64_t lastSendTime_ = 0;
  int32_t firmwareVersion_ = -1;
  KeyboardCommands commands_{device_, lastSendTime_, firmwareVersion_};
};

void LoadStores(const std::wstring& folder) {
  MacroStore::Instance().Load(kb::PathJoin(folder, MacroStore::kFileName));
  RecordStore::Instance().Load(kb::PathJoin(folder, RecordStore::kFileName));
  SideModelTable::Instance().Load(kb::PathJoin(folder, SideModelTable::kFileName));
  LedEffectTable::Instance().Load(kb::PathJoin(folder, LedEffectTable::kFileName));
}

int RunLighting(const std::wstring& folder, const Request& request) {
  Keyboard keyboard;
  if (!keyboard.Open()) return Fail(kExitNoKeyboard, tr("the keyboard is not connected"));
  LedEffectTable& effects = LedEffectTable::Instance();
  SideModelTable& sides = SideModelTable::Instance();
  effects.Load(kb::PathJoin(folder, LedEffectTable::kFileName));
  sides.Load(kb::PathJoin(folder, SideModelTable::kFileName));
  ApplyLighting(request, effects, sides);
  KeyboardCommands& commands = keyboard.Commands();
  // Sent before the tables are saved: a choice the keyboard did not take
  // is not remembered either.
  if (request.side) commands.SetSideLight(*request.side);
  if (request.effect) commands.SetBacklightEffect(*request.effect);
  if (commands.SideLightFailed() || commands.BacklightFailed())
    return Fail(kExitFailed, tr("the keyboard did not take the lighting"));
  if (!effects.Save() || !sides.Save()) return Fail(kExitFailed, tr("the lighting could not be saved"));
  return kExitOk;
}

int RunFirmware() {
  Keyboard keyboard;
  if (!keyboard.Open()) return Fail(kExitNoKeyboard, tr("the keyboard is not connected"));
  if (!keyboard.Commands().ReadFirmwareVersion()) return Fail(kExitFailed, tr("the keyboard did not answer"));
  kb::WriteOut(FirmwareLine(keyboard.FirmwareVersion()));
  return kExitOk;
}

int RunExport(const std::wstring& folder, const Request& request) {
  LoadStores(folder);
  if (!SettingsBackup::Write(request.file, SettingsBackup::Capture(SettingsStores::Process())))
    return Fail(kExitBadFile, Narrow(request.file) + ": " + tr("cannot be written"));
  return kExitOk;
}

int RunImport(const std::wstring& folder, const SettingsSnapshot& settings) {
  LoadStores(folder);
  SettingsStores stores = SettingsStores::Process();
  if (!SettingsBackup::Apply(settings, stores)) return Fail(kExitFailed, tr("the settings could not be saved"));
  // The keyboard shows the imported lighting now; without it, the program's
  // next start sends it.
  Keyboard keyboard;
  if (!keyboard.Open()) {
    kb::WriteError("kbconfig: " + tr("settings imported; the keyboard is not connected and gets the lighting when it is") + "\n");
    return kExitOk;
  }
  keyboard.Commands().SetSideLight(SideModelTable::Instance().GetCurrent());
  keyboard.Commands().SetBacklightEffect(LedEffectTable::Instance().GetCurrent());
  if (keyboard.Commands().SideLightFailed() || keyboard.Commands().BacklightFailed())
    return Fail(kExitFailed, tr("settings imported, but the keyboard did not take the lighting"));
  return kExitOk;
}

}  // namespace

bool IsCommandLineRequest(const wchar_t* commandLine) { return commandLine && IsRequest(commandLine); }

int RunCommandLine(const wchar_t* commandLine) {
  kb::AttachParentConsole();
  std::wstring folder = ProgramFolder();
  // Read before anything is said: it names the language.
  bool configured = AppConfig::Instance().Load(folder);
  tr.Load(folder, AppConfig::Instance().isChinese);
  ParseResult parsed = Parse(SplitArguments(commandLine ? commandLine : L""));
  if (!parsed.request) return Fail(kExitUsage, parsed.error);
  Request request = *parsed.request;
  kb::SetDiagnosticsEnabled(request.verbose);
  if (request.action == Request::Action::kHelp) {
    kb::WriteOut(tr.Lines(HelpText()));
    return kExitOk;
  }
  if (request.action == Request::Action::kListEffects) {
    kb::WriteOut(EffectListText());
    return kExitOk;
  }
  if (!request.file.empty()) request.file = WholePath(request.file);
  // A bad backup is told here, with its reason, wherever it would be done.
  std::optional<SettingsSnapshot> imported;
  if (request.action == Request::Action::kImportSettings) {
    SettingsBackup::ReadResult read = SettingsBackup::Read(request.file);
    if (!read.settings) return Fail(kExitBadFile, Narrow(request.file) + ": " + read.reason);
    imported = std::move(read.settings);
  }

  std::wstring appName = ApplicationName(folder);
  if (appName.empty()) return Fail(kExitFailed, tr("the program's resource folder is missing or damaged"));
  if (HANDLE running = OpenMutexW(SYNCHRONIZE, FALSE, appName.c_str())) {
    CloseHandle(running);
    return AskInstance(appName, request);
  }
  if (!configured) return Fail(kExitFailed, tr("config.xml is missing or cannot be read"));
  switch (request.action) {
    case Request::Action::kLighting: return RunLighting(folder, request);
    case Request::Action::kFirmware: return RunFirmware();
    case Request::Action::kExportSettings: return RunExport(folder, request);
    case Request::Action::kImportSettings: return RunImport(folder, *imported);
    default: return kExitUsage;
  }
}

}  // namespace startup
