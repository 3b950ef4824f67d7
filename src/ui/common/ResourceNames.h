#pragma once
// The names under which the program asks its resource package for things,
// and the named-id table that gives every control name of the layouts a
// fixed numeric id shared by code and layouts.
//
// The ids are part of the contract with the package: "_name_start" is 65535
// and the control names follow with consecutive ids in a fixed order, so an
// id never changes when a name is added at the end.
#include <cstddef>
#include <span>

namespace kb::ui {
class SApplication;
}

namespace kb {

// One entry of the named-id table.
struct NamedIdEntry {
  const wchar_t* name;
  int id;
};

// Resource names, as the program asks for them (type and name compare
// without letter case in the package's index).
namespace res {
inline constexpr wchar_t kUiDefInit[] = L"uidef:xml_init";
inline constexpr wchar_t kLayoutMainWnd[] = L"LAYOUT:XML_MAINWND";
inline constexpr wchar_t kLayoutMacro[] = L"LAYOUT:macro";
inline constexpr wchar_t kLayoutMsgBox[] = L"LAYOUT:SYS_XML_MSGBOX";
inline constexpr wchar_t kMenuMore[] = L"smenuex:menu_more";
inline constexpr wchar_t kMenuTray[] = L"SMENU:menu_tray";
inline constexpr wchar_t kIconLogo[] = L"ICON:ICON_LOGO";
inline constexpr wchar_t kTranslatorType[] = L"translator";
inline constexpr wchar_t kLangCn[] = L"lang_cn";
inline constexpr wchar_t kLangEn[] = L"lang_en";
inline constexpr wchar_t kResourceFolder[] = L"uires";
inline constexpr wchar_t kImageDecoder[] = L"imgdecoder-gdip";
inline constexpr wchar_t kHostClassName[] = L"SOUIHOST";
// Translator contexts of the layouts.
inline constexpr wchar_t kContextMain[] = L"main";
inline constexpr wchar_t kContextMacro[] = L"macro";
inline constexpr wchar_t kContextMsgBox[] = L"msgbox";
}  // namespace res

// Named control ids, in table order.
namespace id {
inline constexpr int kNameStart = 65535;
// main window
inline constexpr int kTitle = 65536;
inline constexpr int kBtnMore = 65537;
inline constexpr int kBtnMin = 65538;
inline constexpr int kImgKeyboard = 65539;
inline constexpr int kCbxColorEffect = 65540;
inline constexpr int kTabColorEffect = 65541;
inline constexpr int kBarGeneralSpeed0 = 65542;
inline constexpr int kBarConstBrightness0 = 65543;
inline constexpr int kRadioDirectionLeft0 = 65544;
inline constexpr int kRadioDirectionRight0 = 65545;
inline constexpr int kBarGeneralSpeed1 = 65546;
inline constexpr int kBarConstBrightness1 = 65547;
inline constexpr int kBarConstBrightness2 = 65548;
inline constexpr int kBarGeneralSpeed3 = 65549;
inline constexpr int kBarConstBrightness3 = 65550;
inline constexpr int kRadioLoaderLeft3 = 65551;
inline constexpr int kRadioLoaderCenter3 = 65552;
inline constexpr int kRadioLoaderRight3 = 65553;
inline constexpr int kBtnRestoreFactory = 65554;
inline constexpr int kCbxInLv = 65555;
inline constexpr int kVersion = 65556;
inline constexpr int kCbxSideColorEffect = 65557;
inline constexpr int kTextSideBrightness = 65558;
inline constexpr int kBarSideBrightness = 65559;
// macro editor
inline constexpr int kMacroBtnMin = 65560;
inline constexpr int kMacroBtnRestore = 65561;
inline constexpr int kMacroBtnCancel = 65562;
inline constexpr int kTextRecordingKeys = 65563;
inline constexpr int kTabMacroModeSelection = 65564;
inline constexpr int kItemUp = 65565;
inline constexpr int kItemDown = 65566;
inline constexpr int kItemDelete = 65567;
inline constexpr int kItemClear = 65568;
inline constexpr int kGroupDel = 65569;
inline constexpr int kGroupAdd = 65570;
inline constexpr int kGroupImport = 65571;
inline constexpr int kGroupExport = 65572;
inline constexpr int kMacroGroup = 65573;
inline constexpr int kGroupName = 65574;
inline constexpr int kKeyInfo = 65575;
inline constexpr int kCol1 = 65576;
inline constexpr int kKeyCode = 65577;
inline constexpr int kCol2 = 65578;
inline constexpr int kKeyName = 65579;
inline constexpr int kCol3 = 65580;
inline constexpr int kKeyState = 65581;
inline constexpr int kCol4 = 65582;
inline constexpr int kKeyDelay = 65583;
inline constexpr int kEditMacroRepeatTimes = 65584;
inline constexpr int kEditMacroDelayTime = 65585;
inline constexpr int kChkMacroRealyDelay = 65586;
inline constexpr int kChkMacroFixedDelay = 65587;
inline constexpr int kChkMacroNoDelay = 65588;
inline constexpr int kChkMacroRecord = 65589;
inline constexpr int kMacroPlayMode = 65590;
inline constexpr int kChkSingleRecord = 65591;
inline constexpr int kEditSingleKey = 65592;
inline constexpr int kCmbMediaKeys = 65593;
inline constexpr int kCmbFunctionKeys = 65594;
inline constexpr int kBtnOk = 65595;
inline constexpr int kBtnDelete = 65596;
// message box
inline constexpr int kMsgTitle = 65597;
inline constexpr int kMsgIcon = 65598;
inline constexpr int kMsgText = 65599;
inline constexpr int kBtnSwitch = 65600;
inline constexpr int kButton1st = 65601;
inline constexpr int kButton2nd = 65602;
inline constexpr int kButton3rd = 65603;
inline constexpr int kNameEnd = kButton3rd;
}  // namespace id

inline constexpr size_t kNamedIdCount = 69;

// The table in its fixed (id) order.
std::span<const NamedIdEntry> NamedIdsInIdOrder();
// The same entries sorted by name (ordinal comparison of the wide names),
// as the application's table expects them.
std::span<const NamedIdEntry> NamedIdsSortedByName();
// Registers the sorted table with the application (before any layout loads).
void RegisterNamedIds(ui::SApplication& app);

}  // namespace kb
