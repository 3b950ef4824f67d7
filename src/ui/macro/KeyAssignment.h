#pragma once
// Assigning a software function to a key clicked on the keyboard picture.
//
// The main dialog, as the picture's ICoordButtonClickListener, forwards each
// OnCoordButtonClick to KeyAssignment::OnKeyClicked together with a
// KeyAssignmentContext. The flow opens MacroRecordDlg modally over the main
// window for the clicked key (on the mouse release only) and, when the
// dialog ends, turns the remembered dialog choices into a KeyRecord, marks
// the key on the picture (checked state and tooltip), saves record.xml and
// macro.xml and reloads the filter driver's intercept table. The dialog's
// Delete button removes the key's assignment instead.
//
// What the main dialog passes:
// - owner: its window; the dialog is modal over it.
// - monitor: its KeyMonitor. The dialog puts its recording listener in front
//   of the main dialog's key handler while it is open, and the intercept
//   table is sent through it afterwards (SendInterceptTable with the trigger
//   codes of RecordStore, in file order).
// - picture: the "img_keyboard" CoordButtonImage, to look the key up
//   (GetButton: id = usage id, va = usage page) and to set its tooltip and
//   checked state.
// - selectedKeys: its selected-keys map (emptied when the dialog closes).
// - openDialog: where the main dialog remembers the open dialog (set while
//   the dialog runs, null afterwards), e.g. to end it when the keyboard is
//   unplugged. May be null.
// - keyboardConnected: whether either of its keyboard HID handles is open;
//   nothing opens without the keyboard.
// macros, records and config default to the process-wide instances.
#include <functional>
#include <optional>
#include <string>

#include "macro/KeyRecord.h"
#include "platform/win32.h"
#include "ui/macro/SelectedKeys.h"

class AppConfig;
class CoordButtonImage;
class MacroRecordDlg;
class MacroStore;
class RecordStore;
struct MacroSettings;

namespace HidUsbFilter {
class KeyMonitor;
}

struct KeyAssignmentContext {
  HWND owner = nullptr;
  HidUsbFilter::KeyMonitor* monitor = nullptr;
  CoordButtonImage* picture = nullptr;
  SelectedKeys* selectedKeys = nullptr;
  MacroRecordDlg** openDialog = nullptr;
  bool keyboardConnected = false;
  MacroStore* macros = nullptr;    // null: MacroStore::Instance()
  RecordStore* records = nullptr;  // null: RecordStore::Instance()
  const AppConfig* config = nullptr;  // null: AppConfig::Instance()
  // Stops the key actions of the trigger given (0: every one, and every key
  // the virtual keyboard holds goes up). Called with 0 once the dialog's
  // listener stands first, before the dialog shows: playback would type
  // into it, and an endless macro could not be stopped from the keyboard.
  // Called with the trigger when its assignment is deleted or replaced, so
  // no copy of the old one goes on playing. May be null.
  std::function<void(KeyCode trigger)> stopKeyActions;
  // Runs the dialog and returns its end code. Null: DoModal over `owner`.
  // Tests replace it to answer the dialog.
  std::function<INT_PTR(MacroRecordDlg&)> runDialog;
};

class KeyAssignment {
 public:
  static constexpr int kActionPress = 0;
  static constexpr int kActionRelease = 1;
  static constexpr INT_PTR kResultOk = 1;
  static constexpr INT_PTR kResultDelete = 65596;  // the id of "btnDelete"
  static constexpr wchar_t kTipSeparator[] = L" : ";

  // The ICoordButtonClickListener callback of the main dialog. Always false:
  // the picture keeps its own press handling.
  static bool OnKeyClicked(KeyAssignmentContext& context, int keyId, const std::wstring& keyName, int action);

  // What the dialog's end code does to the stores, the picture and the
  // filter driver (after the dialog has closed).
  static void ApplyResult(KeyAssignmentContext& context, INT_PTR result, int keyId, KeyCode trigger,
                          const std::wstring& keyName);

  // The record the settings describe for the key, or none when the chosen
  // group, media entry or function entry does not exist (or the function
  // entry has no keys).
  static std::optional<KeyRecord> BuildRecord(const MacroSettings& settings, MacroStore& macros,
                                              const AppConfig& config, KeyCode trigger,
                                              const std::wstring& keyName);

  // The key's tooltip: its name, then " : " and the translated assigned item
  // when there is one.
  static std::wstring TipText(const KeyRecord& record);
};
