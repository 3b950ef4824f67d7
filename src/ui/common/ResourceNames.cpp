#include "ui/common/ResourceNames.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "toolkit/core/SApplication.h"

namespace kb {

namespace {

// Layouts name controls by these; the order fixes the ids.
constexpr std::array<NamedIdEntry, kNamedIdCount> kIdOrder{{
    {L"_name_start", id::kNameStart},
    {L"title", 65536},
    {L"btn_more", 65537},
    {L"btn_min", 65538},
    {L"img_keyboard", 65539},
    {L"cbx_color_effect", 65540},
    {L"tab_color_effect", 65541},
    {L"bar_general_speed_0", 65542},
    {L"bar_const_brightness_0", 65543},
    {L"radio_direction_left_0", 65544},
    {L"radio_direction_right_0", 65545},
    {L"bar_general_speed_1", 65546},
    {L"bar_const_brightness_1", 65547},
    {L"bar_const_brightness_2", 65548},
    {L"bar_general_speed_3", 65549},
    {L"bar_const_brightness_3", 65550},
    {L"radio_loader_left_3", 65551},
    {L"radio_loader_center_3", 65552},
    {L"radio_loader_right_3", 65553},
    {L"btn_restore_factory", 65554},
    {L"cbx_in_lv", 65555},
    {L"version", 65556},
    {L"cbx_side_color_effect", 65557},
    {L"text_side_brightness", 65558},
    {L"bar_side_brightness", 65559},
    {L"btnMin", 65560},
    {L"btnRestore", 65561},
    {L"btnCancel", 65562},
    {L"text_recording_keys", 65563},
    {L"tab_macro_mode_selection", 65564},
    {L"item_up", 65565},
    {L"item_down", 65566},
    {L"item_delete", 65567},
    {L"item_clear", 65568},
    {L"groupDel", 65569},
    {L"groupAdd", 65570},
    {L"groupImport", 65571},
    {L"groupExport", 65572},
    {L"macro_group", 65573},
    {L"group_name", 65574},
    {L"key_info", 65575},
    {L"col1", 65576},
    {L"key_code", 65577},
    {L"col2", 65578},
    {L"key_name", 65579},
    {L"col3", 65580},
    {L"key_state", 65581},
    {L"col4", 65582},
    {L"key_delay", 65583},
    {L"edit_macro_repeat_times", 65584},
    {L"edit_macro_delay_time", 65585},
    {L"chk_macro_realy_delay", 65586},
    {L"chk_macro_fixed_delay", 65587},
    {L"chk_macro_no_delay", 65588},
    {L"chk_macro_record", 65589},
    {L"macro_play_mode", 65590},
    {L"chk_single_record", 65591},
    {L"edit_single_key", 65592},
    {L"cmb_media_keys", 65593},
    {L"cmb_function_keys", 65594},
    {L"btnOK", 65595},
    {L"btnDelete", 65596},
    {L"msgtitle", 65597},
    {L"msgicon", 65598},
    {L"msgtext", 65599},
    {L"btnSwitch", 65600},
    {L"button1st", 65601},
    {L"button2nd", 65602},
    {L"button3rd", 65603},
}};

std::array<NamedIdEntry, kNamedIdCount> SortByName() {
  auto sorted = kIdOrder;
  std::sort(sorted.begin(), sorted.end(), [](const NamedIdEntry& a, const NamedIdEntry& b) {
    return std::wstring_view(a.name) < std::wstring_view(b.name);
  });
  return sorted;
}

}  // namespace

std::span<const NamedIdEntry> NamedIdsInIdOrder() { return kIdOrder; }

std::span<const NamedIdEntry> NamedIdsSortedByName() {
  static const std::array<NamedIdEntry, kNamedIdCount> sorted = SortByName();
  return sorted;
}

void RegisterNamedIds(ui::SApplication& app) {
  std::array<const wchar_t*, kNamedIdCount> names{};
  std::array<int, kNamedIdCount> ids{};
  auto sorted = NamedIdsSortedByName();
  for (size_t i = 0; i < sorted.size(); ++i) {
    names[i] = sorted[i].name;
    ids[i] = sorted[i].id;
  }
  app.InitXmlNamedID(names.data(), ids.data(), names.size());
}

}  // namespace kb
