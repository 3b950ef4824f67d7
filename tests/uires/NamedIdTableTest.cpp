// The named-id table: layouts and code must agree on every control's id, and
// the application needs the table sorted by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "toolkit/core/SApplication.h"
#include "ui/common/ResourceNames.h"

namespace {

struct NameAndId {
  const wchar_t* name;
  int id;
};

// Ids fixed by the package contract, written out as numbers.
const NameAndId kFixedIds[] = {
    {L"_name_start", 65535},         {L"title", 65536},           {L"img_keyboard", 65539},
    {L"cbx_color_effect", 65540},    {L"bar_side_brightness", 65559}, {L"cbx_side_color_effect", 65557},
    {L"btnMin", 65560},              {L"btnCancel", 65562},       {L"tab_macro_mode_selection", 65564},
    {L"macro_group", 65573},         {L"key_info", 65575},        {L"chk_macro_record", 65589},
    {L"btnOK", 65595},               {L"btnDelete", 65596},       {L"msgtitle", 65597},
    {L"button3rd", 65603},
};

// Every constant code uses names the entry the layouts name.
const NameAndId kConstants[] = {
    {L"_name_start", kb::id::kNameStart},
    {L"title", kb::id::kTitle},
    {L"btn_more", kb::id::kBtnMore},
    {L"btn_min", kb::id::kBtnMin},
    {L"img_keyboard", kb::id::kImgKeyboard},
    {L"cbx_color_effect", kb::id::kCbxColorEffect},
    {L"tab_color_effect", kb::id::kTabColorEffect},
    {L"bar_general_speed_0", kb::id::kBarGeneralSpeed0},
    {L"bar_const_brightness_0", kb::id::kBarConstBrightness0},
    {L"radio_direction_left_0", kb::id::kRadioDirectionLeft0},
    {L"radio_direction_right_0", kb::id::kRadioDirectionRight0},
    {L"bar_general_speed_1", kb::id::kBarGeneralSpeed1},
    {L"bar_const_brightness_1", kb::id::kBarConstBrightness1},
    {L"bar_const_brightness_2", kb::id::kBarConstBrightness2},
    {L"bar_general_speed_3", kb::id::kBarGeneralSpeed3},
    {L"bar_const_brightness_3", kb::id::kBarConstBrightness3},
    {L"radio_loader_left_3", kb::id::kRadioLoaderLeft3},
    {L"radio_loader_center_3", kb::id::kRadioLoaderCenter3},
    {L"radio_loader_right_3", kb::id::kRadioLoaderRight3},
    {L"btn_restore_factory", kb::id::kBtnRestoreFactory},
    {L"cbx_in_lv", kb::id::kCbxInLv},
    {L"version", kb::id::kVersion},
    {L"cbx_side_color_effect", kb::id::kCbxSideColorEffect},
    {L"text_side_brightness", kb::id::kTextSideBrightness},
    {L"bar_side_brightness", kb::id::kBarSideBrightness},
    {L"btnMin", kb::id::kMacroBtnMin},
    {L"btnRestore", kb::id::kMacroBtnRestore},
    {L"btnCancel", kb::id::kMacroBtnCancel},
    {L"text_recording_keys", kb::id::kTextRecordingKeys},
    {L"tab_macro_mode_selection", kb::id::kTabMacroModeSelection},
    {L"item_up", kb::id::kItemUp},
    {L"item_down", kb::id::kItemDown},
    {L"item_delete", kb::id::kItemDelete},
    {L"item_clear", kb::id::kItemClear},
    {L"groupDel", kb::id::kGroupDel},
    {L"groupAdd", kb::id::kGroupAdd},
    {L"groupImport", kb::id::kGroupImport},
    {L"groupExport", kb::id::kGroupExport},
    {L"macro_group", kb::id::kMacroGroup},
    {L"group_name", kb::id::kGroupName},
    {L"key_info", kb::id::kKeyInfo},
    {L"col1", kb::id::kCol1},
    {L"key_code", kb::id::kKeyCode},
    {L"col2", kb::id::kCol2},
    {L"key_name", kb::id::kKeyName},
    {L"col3", kb::id::kCol3},
    {L"key_state", kb::id::kKeyState},
    {L"col4", kb::id::kCol4},
    {L"key_delay", kb::id::kKeyDelay},
    {L"edit_macro_repeat_times", kb::id::kEditMacroRepeatTimes},
    {L"edit_macro_delay_time", kb::id::kEditMacroDelayTime},
    {L"chk_macro_realy_delay", kb::id::kChkMacroRealyDelay},
    {L"chk_macro_fixed_delay", kb::id::kChkMacroFixedDelay},
    {L"chk_macro_no_delay", kb::id::kChkMacroNoDelay},
    {L"chk_macro_record", kb::id::kChkMacroRecord},
    {L"macro_play_mode", kb::id::kMacroPlayMode},
    {L"chk_single_record", kb::id::kChkSingleRecord},
    {L"edit_single_key", kb::id::kEditSingleKey},
    {L"cmb_media_keys", kb::id::kCmbMediaKeys},
    {L"cmb_function_keys", kb::id::kCmbFunctionKeys},
    {L"btnOK", kb::id::kBtnOk},
    {L"btnDelete", kb::id::kBtnDelete},
    {L"msgtitle", kb::id::kMsgTitle},
    {L"msgicon", kb::id::kMsgIcon},
    {L"msgtext", kb::id::kMsgText},
    {L"btnSwitch", kb::id::kBtnSwitch},
    {L"button1st", kb::id::kButton1st},
    {L"button2nd", kb::id::kButton2nd},
    {L"button3rd", kb::id::kButton3rd},
};

int IdInTable(std::wstring_view name) {
  for (const kb::NamedIdEntry& e : kb::NamedIdsInIdOrder())
    if (name == e.name) return e.id;
  return 0;
}

class FixedIdTest : public ::testing::TestWithParam<NameAndId> {};

TEST_P(FixedIdTest, NameHasItsContractId) {
  EXPECT_EQ(IdInTable(GetParam().name), GetParam().id) << kb::WideToUtf8(GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Contract, FixedIdTest, ::testing::ValuesIn(kFixedIds));

class ConstantTest : public ::testing::TestWithParam<NameAndId> {};

TEST_P(ConstantTest, ConstantMatchesTable) {
  EXPECT_EQ(IdInTable(GetParam().name), GetParam().id) << kb::WideToUtf8(GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Code, ConstantTest, ::testing::ValuesIn(kConstants));

TEST(NamedIdTable, SixtyNineConsecutiveIdsFromNameStart) {
  auto table = kb::NamedIdsInIdOrder();
  ASSERT_EQ(table.size(), 69u);
  ASSERT_EQ(table.size(), kb::kNamedIdCount);
  for (size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].id, 65535 + static_cast<int>(i)) << i;
  EXPECT_EQ(table.back().id, kb::id::kNameEnd);
  EXPECT_EQ(std::size(kConstants), table.size());
}

TEST(NamedIdTable, NoNameTwiceAndNoneEmpty) {
  std::set<std::wstring> seen;
  for (const kb::NamedIdEntry& e : kb::NamedIdsInIdOrder()) {
    ASSERT_NE(e.name, nullptr);
    EXPECT_FALSE(std::wstring_view(e.name).empty());
    EXPECT_TRUE(seen.insert(e.name).second) << kb::WideToUtf8(e.name);
  }
}

TEST(NamedIdTable, SortedCopyIsStrictlyOrderedAndHoldsTheSamePairs) {
  auto sorted = kb::NamedIdsSortedByName();
  ASSERT_EQ(sorted.size(), kb::kNamedIdCount);
  for (size_t i = 1; i < sorted.size(); ++i)
    EXPECT_LT(std::wstring_view(sorted[i - 1].name), std::wstring_view(sorted[i].name)) << i;
  for (const kb::NamedIdEntry& e : sorted) EXPECT_EQ(IdInTable(e.name), e.id) << kb::WideToUtf8(e.name);
  // Names differ only in case ("btn_min" of the main window, "btnMin" of the
  // macro editor) and must stay apart.
  EXPECT_NE(IdInTable(L"btn_min"), IdInTable(L"btnMin"));
}

TEST(NamedIdTable, RegisteredWithTheApplicationResolvesEveryName) {
  auto render = std::make_shared<kb::ui::SRenderFactory>();
  kb::ui::SApplication app(render, nullptr, kb::res::kHostClassName);
  kb::RegisterNamedIds(app);
  const kb::ui::SNamedID& ids = app.NamedIds();
  ASSERT_EQ(ids.Count(), kb::kNamedIdCount);
  for (const kb::NamedIdEntry& e : kb::NamedIdsInIdOrder()) {
    EXPECT_EQ(ids.IdOf(e.name), e.id) << kb::WideToUtf8(e.name);
    EXPECT_EQ(ids.NameOf(e.id), e.name);
  }
  EXPECT_EQ(ids.IdOf(L"no_such_control"), 0);
  EXPECT_EQ(ids.IdOf(L"IMG_KEYBOARD"), 0);
}

}  // namespace
