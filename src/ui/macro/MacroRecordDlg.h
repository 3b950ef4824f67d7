#pragma once
// The macro and key assignment dialog, opened modally for one clicked key.
//
// It edits the macro groups (steps recorded live from the keyboard through
// the filter driver, or edited in the step list) and collects what the key
// shall do on four tab pages: macro, single key, media key, function key.
// Every choice goes into MacroStore's settings and is saved at once; the
// assignment itself is made by KeyAssignment when the dialog ends with OK.
//
// While the dialog exists its listener stands first in the key monitor's
// list and consumes every key event, so no key action runs; the events are
// posted to the dialog's window and handled on the UI thread.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "keyfunc/KeyCode.h"
#include "macro/KeyRecord.h"
#include "toolkit/window/SHostDialog.h"
#include "ui/macro/IOnMacroGroupClickedListener.h"
#include "ui/macro/KeyAndDelayAdapter.h"
#include "ui/macro/MacroGroupAdapter.h"
#include "ui/macro/SelectedKeys.h"

class AppConfig;
class CoordButtonImage;
class MacroStore;
class RecordStore;
struct MacroGroup;

namespace kb::ui {
class SComboBox;
class SListView;
class SMCListView;
class STabCtrl;
}  // namespace kb::ui

namespace HidUsbFilter {
class KeyMonitor;
}

class MacroRecordDlg : public kb::ui::SHostDialog, public macro::IOnMacroGroupClickedListener {
 public:
  static constexpr wchar_t kLayoutName[] = L"LAYOUT:macro";
  // A key event from the monitor thread: wParam the KeyCode, lParam pressed.
  static constexpr UINT kMsgKeyEvent = WM_USER + 1;
  static constexpr INT_PTR kResultOk = 1;
  static constexpr INT_PTR kResultDelete = 65596;

  enum Page { kPageMacro = 0, kPageSingleKey = 1, kPageMediaKey = 2, kPageFunctionKey = 3 };
  enum DelayMode { kDelayRecorded = 0, kDelayFixed = 1, kDelayNone = 2 };

  // Registers the recording listener with `monitor` (may be null: no
  // recording). `selectedKeys` must outlive the dialog. `records` (null: the
  // process-wide store) are the assignments a deleted group takes along.
  MacroRecordDlg(HidUsbFilter::KeyMonitor* monitor, MacroStore& macros, CoordButtonImage* picture,
                 const SelectedKeys& selectedKeys, const AppConfig& config, RecordStore* records = nullptr);
  ~MacroRecordDlg() override;

  // The monitor's listener, on the monitor thread: hands the event to the
  // dialog's window and consumes it.
  int32_t OnRecordKeyEvent(uint8_t usagePage, uint16_t usage, bool pressed);

  // The key event as the UI thread handles it (also what tests feed), with
  // the monitor's time of the key in microseconds (none: the steady clock
  // now; a recording takes all its times from one of the two).
  void OnKeyEvent(KeyCode code, bool pressed, std::optional<int64_t> timeUs = std::nullopt);

  // Opens the dialog on what the key does now: its page, group, play mode,
  // repeat count, replacement key, media or function entry. Called before
  // the dialog runs; without it the dialog shows the choices last made.
  void SetAssignment(const KeyRecord& record) { assignment_ = record; }

  // --- IOnMacroGroupClickedListener ---
  void OnMacroGroupClicked(int index) override;
  void OnMacroGroupRenamed(int index, const std::wstring& name) override;

  // Selected group index of the group list (-1: none) and its group.
  int SelectedGroupIndex() const;
  MacroGroup* SelectedGroup() const;
  bool IsRecording() const;
  // Whether key events are being recorded or captured now.
  bool TakesKeys() const;
  CoordButtonImage* Picture() const { return picture_; }

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnFireEvent(kb::ui::EventArgs& e) override;

 private:
  void OnInitDialog();
  void FindControls();
  void InitGroups();
  void InitDelayMode();
  void InitCombos();
  void InitPage();

  bool OnCommand(const std::wstring& name);
  void OnDelayModeChosen(int mode);
  void OnRecordClicked();
  void OnGroupAdd();
  void OnGroupDelete();
  // Export writes the selected group, or every group when the user says
  // so, to a macro file; import appends a macro file's groups.
  void OnGroupExport();
  void OnGroupImport();
  // The path chosen in the save or open dialog; none when cancelled (a
  // dialog that failed says so first).
  std::optional<std::wstring> ChooseMacroFile(bool save, const std::wstring& suggested);
  void OnStepMove(int offset);
  void OnStepDelete();
  void OnStepClear();
  void OnEditChanged(const std::wstring& name, kb::ui::SWindow* sender);
  void OnComboChanged(const std::wstring& name, int index);
  void OnPageChanged(int page);
  void OnStepDelayEdited(kb::ui::SWindow* cell);
  void OnNumberEditLeft(kb::ui::SWindow* edit);
  void OnSingleCaptureClicked();
  void EndSingleCapture();
  void OnOk();
  // The settings of the assignment the dialog opens on; false when the
  // assigned macro group is not among the groups any more.
  bool ApplyAssignment(const KeyRecord& record);
  void SelectPlayData(int32_t playData);
  // Macro groups: the keys assigned the group at `index`, the question
  // whether to delete it with their assignments, and their removal.
  std::vector<KeyRecord> AssignmentsOfGroup(int index) const;
  bool ConfirmDeleteAssignedGroup(const std::vector<KeyRecord>& users);
  void RemoveAssignments(const std::vector<KeyRecord>& users);
  void SelectGroup(int index);
  void StartRename(int index);
  void StopRecording();
  void ShowRepeatEdit();
  std::wstring Translated(const wchar_t* text) const;
  // The warning for an OK that would assign nothing, or null.
  const wchar_t* MissingChoice() const;
  void Warn(const wchar_t* text);

  void RecordStep(KeyCode code, bool pressed, const std::wstring& name, int64_t timeUs);
  void ShowGroup(int index);
  void ShowDelayEdit();
  // Restarts the monitor's loop and tells the filter a recording starts;
  // false when the loop could not be started.
  bool StartMonitor();
  void StopMonitor();
  void SaveSettings();
  // Writes macro.xml if recorded steps are not in it yet.
  void SaveRecordedSteps();
  int CurrentPage() const;
  // The value of a field of digits, when it lies in [low, high].
  static std::optional<int32_t> ParseInRange(const std::wstring& text, int32_t low, int32_t high);
  bool TextShowsValue(const kb::ui::SWindow* edit, int32_t value) const;

  HidUsbFilter::KeyMonitor* monitor_;
  MacroStore& macros_;
  CoordButtonImage* picture_;
  const SelectedKeys& selectedKeys_;
  const AppConfig& config_;
  RecordStore& records_;
  std::optional<KeyRecord> assignment_;

  macro::MacroGroupAdapter groupAdapter_;
  macro::KeyAndDelayAdapter stepAdapter_;

  kb::ui::STabCtrl* tab_ = nullptr;
  kb::ui::SListView* groupList_ = nullptr;
  kb::ui::SMCListView* stepList_ = nullptr;
  kb::ui::SWindow* recordingKeys_ = nullptr;
  kb::ui::SWindow* repeatEdit_ = nullptr;
  kb::ui::SWindow* delayEdit_ = nullptr;
  kb::ui::SWindow* modeRadios_[3] = {};
  kb::ui::SWindow* recordCheck_ = nullptr;
  kb::ui::SComboBox* playModes_ = nullptr;
  kb::ui::SWindow* singleCheck_ = nullptr;
  kb::ui::SWindow* singleKey_ = nullptr;
  kb::ui::SComboBox* mediaKeys_ = nullptr;
  kb::ui::SComboBox* functionKeys_ = nullptr;

  // The time (microseconds) of the previous recorded key event; none before
  // the first one.
  std::optional<int64_t> lastEventTime_;
  // Key events on their way from the monitor thread to the UI thread, each
  // with the time the monitor read it. The posted message only wakes the
  // window: a message's two parameters cannot carry the time on 32-bit
  // Windows.
  struct PendingKey {
    KeyCode code;
    bool pressed;
    int64_t timeUs;
  };
  std::mutex pendingLock_;
  std::deque<PendingKey> pending_;
  // Steps recorded since macro.xml was last written. A recording is written
  // when it stops, when another group or page is chosen and when the dialog
  // goes, however it goes: a write (with its flush) per key event would
  // hold up the next event and stretch the recorded delays.
  bool recordedUnsaved_ = false;
  // The window the monitor thread posts key events to; null before the
  // dialog is initialised and once its window is being destroyed.
  std::atomic<HWND> keyTarget_{nullptr};
  bool recordingStarted_ = false;
  // The key the single-key capture took; its release ends the capture.
  KeyCode capturedKey_ = 0;
  bool initialising_ = false;
};
