#include "ui/macro/KeyAssignment.h"

#include "app/AppConfig.h"
#include "keyfunc/KeyMonitor.h"
#include "macro/KeyNameTable.h"
#include "macro/MacroStore.h"
#include "macro/RecordStore.h"
#include "platform/diag.h"
#include "toolkit/core/SApplication.h"
#include "ui/common/CoordButtonImage.h"
#include "ui/macro/MacroRecordDlg.h"

namespace {

MacroStore& Macros(const KeyAssignmentContext& c) { return c.macros ? *c.macros : MacroStore::Instance(); }
RecordStore& Records(const KeyAssignmentContext& c) { return c.records ? *c.records : RecordStore::Instance(); }
const AppConfig& Config(const KeyAssignmentContext& c) { return c.config ? *c.config : AppConfig::Instance(); }

KeyStep SingleStep(KeyCode code) { return KeyStep{code, KeyStep::kUp, 0, L""}; }

std::optional<KeyRecord> MacroRecord(const MacroSettings& settings, MacroStore& macros, KeyRecord record) {
  if (settings.group < 0 || settings.group >= macros.GroupCount()) return std::nullopt;
  const MacroGroup* group = macros.GroupAt(settings.group);
  if (!group) return std::nullopt;
  record.type = kTypeMacro;
  record.play = settings.playData;
  record.repeat = settings.repeat;
  record.group = group->name;
  record.steps = group->steps;
  return record;
}

std::optional<KeyRecord> FunctionRecord(const MacroSettings& settings, const AppConfig& config, KeyRecord record) {
  if (settings.function < 0 || settings.function >= static_cast<int32_t>(config.combKeys.size())) return std::nullopt;
  const CombKeyEntry& entry = config.combKeys[static_cast<size_t>(settings.function)];
  if (entry.codes.empty()) return std::nullopt;
  record.type = kTypeFunctionKey;
  record.play = kPlayCount;
  record.repeat = 1;
  record.group = entry.name;
  // Every key goes down (each held one millisecond longer than its pause, so
  // the next one lands while it is still down), then every key comes up.
  for (const auto& [code, delay] : entry.codes)
    record.steps.push_back(KeyStep{static_cast<KeyCode>(code), KeyStep::kDown, delay + 1, L""});
  for (const auto& [code, delay] : entry.codes)
    record.steps.push_back(KeyStep{static_cast<KeyCode>(code), KeyStep::kUp, delay, L""});
  return record;
}

void SendInterceptTable(KeyAssignmentContext& context) {
  if (context.monitor) context.monitor->SendInterceptTable(Records(context).Codes());
}

void SaveRecords(KeyAssignmentContext& context) {
  if (!Records(context).Save()) kb::DiagPrintfW(L"record.xml could not be saved\n");
}

}  // namespace

std::optional<KeyRecord> KeyAssignment::BuildRecord(const MacroSettings& settings, MacroStore& macros,
                                                    const AppConfig& config, KeyCode trigger,
                                                    const std::wstring& keyName) {
  KeyRecord record;
  record.code = trigger;
  record.name = keyName;
  switch (settings.type) {
    case kTypeMacro:
      return MacroRecord(settings, macros, std::move(record));
    case kTypeSingleKey: {
      KeyCode code = static_cast<KeyCode>(settings.skcode);
      record.type = kTypeSingleKey;
      record.play = kPlayDirectKey;
      record.repeat = 1;
      record.group = KeyNameTable::NameOf(code).name;
      record.steps.push_back(SingleStep(code));
      return record;
    }
    case kTypeMediaKey: {
      if (settings.media < 0 || settings.media >= static_cast<int32_t>(config.funKeys.size())) return std::nullopt;
      const FunKeyEntry& entry = config.funKeys[static_cast<size_t>(settings.media)];
      record.type = kTypeMediaKey;
      record.play = kPlayDirectKey;
      record.repeat = 1;
      record.group = entry.name;
      record.steps.push_back(SingleStep(entry.code));
      return record;
    }
    case kTypeFunctionKey:
      return FunctionRecord(settings, config, std::move(record));
    default:
      return std::nullopt;
  }
}

std::wstring KeyAssignment::TipText(const KeyRecord& record) {
  if (record.group.empty()) return record.name;
  kb::ui::SApplication* app = kb::ui::SApplication::Instance();
  return record.name + kTipSeparator + (app ? app->Translate(record.group, L"") : record.group);
}

bool KeyAssignment::OnKeyClicked(KeyAssignmentContext& context, int keyId, const std::wstring& keyName, int action) {
  if (action != kActionRelease || !context.keyboardConnected || !context.picture) return false;
  CoordButton button;
  if (!context.picture->GetButton(keyId, &button)) return false;
  KeyCode trigger = MakeKeyCode(static_cast<uint16_t>(button.va & 0xffff), static_cast<uint16_t>(button.id & 0xffff));

  SelectedKeys emptyKeys;
  SelectedKeys& selected = context.selectedKeys ? *context.selectedKeys : emptyKeys;
  selected[keyId] = keyName;
  INT_PTR result = IDCANCEL;
  {
    MacroRecordDlg dialog(context.monitor, Macros(context), context.picture, selected, Config(context),
                          &Records(context));
    // An assigned key opens on its assignment, so OK keeps it as it is.
    if (std::optional<KeyRecord> current = Records(context).Find(trigger)) dialog.SetAssignment(*current);
    if (context.stopKeyActions) context.stopKeyActions(0);
    if (context.openDialog) *context.openDialog = &dialog;
    result = context.runDialog ? context.runDialog(dialog) : dialog.DoModal(context.owner);
    if (context.openDialog) *context.openDialog = nullptr;
  }
  // The dialog is gone, so its listener no longer swallows the key events.
  if (context.monitor) context.monitor->NotifyRecordingStart();
  ApplyResult(context, result, keyId, trigger, keyName);
  selected.clear();
  return false;
}

void KeyAssignment::ApplyResult(KeyAssignmentContext& context, INT_PTR result, int keyId, KeyCode trigger,
                                const std::wstring& keyName) {
  CoordButtonImage* picture = context.picture;
  if (result == kResultDelete) {
    if (context.stopKeyActions) context.stopKeyActions(trigger);
    Records(context).Remove(trigger);
    int id = UsageOf(trigger);
    if (picture) {
      picture->SetButtonTip(id, L"");
      picture->SetButtonChecked(id, false);
    }
    SaveRecords(context);
    SendInterceptTable(context);
    return;
  }
  if (result != kResultOk) return;
  MacroStore& macros = Macros(context);
  if (keyId != 0) {
    std::optional<KeyRecord> record = BuildRecord(macros.Settings(), macros, Config(context), trigger, keyName);
    if (record) {
      if (context.stopKeyActions) context.stopKeyActions(trigger);
      if (picture) picture->SetButtonTip(keyId, TipText(*record));
      Records(context).Upsert(*record);
      SaveRecords(context);
      SendInterceptTable(context);
    }
    // Checked means "has an assignment": a choice that made no record (no
    // group, an empty key combination) leaves the key as it was.
    if (picture) picture->SetButtonChecked(keyId, Records(context).Contains(trigger));
  }
  if (!macros.Save()) kb::DiagPrintfW(L"macro.xml could not be saved\n");
  SendInterceptTable(context);
}
