// Turning the dialog's choices into key records, and what the end of the
// dialog does to record.xml, macro.xml and the keyboard picture.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "macrodlg/MacroDlgTestSupport.h"
#include "platform/text.h"
#include "toolkit/window/DialogCodes.h"
#include "ui/macro/KeyAssignment.h"

namespace macrotest {
namespace {

constexpr KeyCode kTriggerA = MakeKeyCode(7, kKeyA);

KeyStep Step(KeyCode code, int32_t state, int32_t delay, std::wstring name = L"") {
  return KeyStep{code, state, delay, std::move(name)};
}

MacroGroup FiveSteps() {
  return MacroGroup{L"Greeting",
                    {Step(kCodeA, 1, 30, L"A"), Step(kCodeA, 0, 20, L"A"), Step(kCodeB, 1, 10, L"B"),
                     Step(kCodeB, 0, 5, L"B"), Step(MakeKeyCode(7, 0x28), 1, 0, L"Return")}};
}

class KeyAssignmentTest : public MacroDlgTest {};

TEST_F(KeyAssignmentTest, RecordsBuiltFromEachKindOfChoice) {
  struct Case {
    const char* what;
    MacroSettings settings;
    std::optional<KeyRecord> expected;
  };
  MacroGroup group = FiveSteps();
  auto settings = [](int type, int group, int media, int function, int skcode, int playData, int repeat) {
    MacroSettings s;
    s.type = type;
    s.group = group;
    s.media = media;
    s.function = function;
    s.skcode = skcode;
    s.playData = playData;
    s.repeat = repeat;
    return s;
  };
  const std::vector<Case> cases = {
      {"macro of five steps", settings(0, 1, 0, 0, 0, 4, 3),
       KeyRecord{kTriggerA, 0, 4, 3, L"A", L"Greeting", group.steps}},
      {"macro without a group", settings(0, 2, 0, 0, 0, 2, 1), std::nullopt},
      {"macro with a negative group", settings(0, -1, 0, 0, 0, 2, 1), std::nullopt},
      {"single key", settings(1, 0, 0, 0, static_cast<int>(kCodeB), 0, 9),
       KeyRecord{kTriggerA, 1, 1, 1, L"A", L"B", {Step(kCodeB, 0, 0)}}},
      {"single key not in the name table", settings(1, 0, 0, 0, static_cast<int>(MakeKeyCode(7, 0xA5)), 0, 1),
       KeyRecord{kTriggerA, 1, 1, 1, L"A", L"", {Step(MakeKeyCode(7, 0xA5), 0, 0)}}},
      {"media key", settings(2, 0, 1, 0, 0, 0, 5),
       KeyRecord{kTriggerA, 2, 1, 1, L"A", L"Mute", {Step(MakeKeyCode(12, 0xE2), 0, 0)}}},
      {"media index past the list", settings(2, 0, 2, 0, 0, 0, 1), std::nullopt},
      {"media index negative", settings(2, 0, -1, 0, 0, 0, 1), std::nullopt},
      {"function key: all down, then all up", settings(3, 0, 0, 0, 0, 0, 7),
       KeyRecord{kTriggerA, 3, 2, 1, L"A", L"Copy",
                 {Step(0xE0, 1, 11), Step(0x06, 1, 21), Step(0xE0, 0, 10), Step(0x06, 0, 20)}}},
      {"function entry without keys", settings(3, 0, 0, 1, 0, 0, 1), std::nullopt},
      {"function index past the list", settings(3, 0, 0, 3, 0, 0, 1), std::nullopt},
      {"unknown page", settings(4, 0, 0, 0, 0, 0, 1), std::nullopt},
  };
  macros_.AddGroup();
  macros_.AddGroup();
  *macros_.GroupAt(1) = group;
  for (const Case& c : cases) {
    std::optional<KeyRecord> record = KeyAssignment::BuildRecord(c.settings, macros_, config_, kTriggerA, L"A");
    ASSERT_EQ(record.has_value(), c.expected.has_value()) << c.what;
    if (record) EXPECT_EQ(*record, *c.expected) << c.what;
  }
}

TEST_F(KeyAssignmentTest, RecordKeepsItsStepsWhenTheMacroChangesLater) {
  macros_.AddGroup();
  *macros_.GroupAt(0) = FiveSteps();
  MacroSettings settings;
  settings.playData = 2;
  std::optional<KeyRecord> record = KeyAssignment::BuildRecord(settings, macros_, config_, kTriggerA, L"A");
  ASSERT_TRUE(record);
  macros_.GroupAt(0)->steps.clear();
  EXPECT_EQ(record->steps.size(), 5u);
}

TEST_F(KeyAssignmentTest, TipIsTheKeyNameAndTheAssignedItem) {
  struct Case {
    std::wstring name, group, tip;
  };
  const Case cases[] = {{L"A", L"Greeting", L"A : Greeting"}, {L"Caps Lock", L"", L"Caps Lock"}};
  for (const Case& c : cases) {
    KeyRecord record;
    record.name = c.name;
    record.group = c.group;
    EXPECT_EQ(KeyAssignment::TipText(record), c.tip);
  }
}

TEST_F(KeyAssignmentTest, TipTranslatesTheAssignedItem) {
  pugi::xml_document doc;
  doc.load_string(R"(<language name="t"><item src="Mute" tr="Stumm"/></language>)");
  auto pack = app_->GetTranslator()->CreateLangPack();
  ASSERT_TRUE(pack->Load(doc.child("language")));
  app_->GetTranslator()->InstallLanguage(pack);
  KeyRecord record;
  record.name = L"F1";
  record.group = L"Mute";
  EXPECT_EQ(KeyAssignment::TipText(record), L"F1 : Stumm");
}

// The end of the dialog, without the dialog: each result against a picture
// and stores that already hold one assignment (for B).
TEST_F(KeyAssignmentTest, DialogResultsChangeRecordsPictureAndFiles) {
  CreatePicture();
  struct Case {
    const char* what;
    INT_PTR result;
    int type;
    int group;
    std::vector<KeyCode> codesAfter;
    bool checkedA;
    std::wstring tipA;
    bool macroSaved;
  };
  const Case cases[] = {
      {"OK with a macro", KeyAssignment::kResultOk, 0, 0, {kCodeB, kCodeA}, true, L"A : Greeting", true},
      {"OK with a missing group", KeyAssignment::kResultOk, 0, 5, {kCodeB}, false, L"", true},
      {"OK with a single key", KeyAssignment::kResultOk, 1, 0, {kCodeB, kCodeA}, true, L"A : Caps Lock", true},
      {"Delete", KeyAssignment::kResultDelete, 0, 0, {kCodeB}, false, L"", false},
      {"Cancel", IDCANCEL, 0, 0, {kCodeB}, false, L"", false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(records_.Clear());
    std::remove(kb::WideToUtf8(MacroPath()).c_str());
    KeyRecord b{kCodeB, 1, 1, 1, L"B", L"C", {Step(MakeKeyCode(7, 6), 0, 0)}};
    records_.Upsert(b);
    ASSERT_TRUE(records_.Save());
    picture_->SetButtonChecked(CoordButtonImage::kAllButtons, false);
    picture_->SetButtonTip(CoordButtonImage::kAllButtons, L"");
    picture_->SetButtonChecked(kKeyB, true);
    macros_.Reset();
    macros_.AddGroup();
    *macros_.GroupAt(0) = FiveSteps();
    macros_.Settings().type = c.type;
    macros_.Settings().group = c.group;
    macros_.Settings().playData = 2;
    macros_.Settings().skcode = static_cast<int32_t>(MakeKeyCode(7, kKeyCapsLock));
    std::remove(kb::WideToUtf8(MacroPath()).c_str());

    KeyAssignmentContext context;
    context.picture = picture_;
    context.macros = &macros_;
    context.records = &records_;
    context.config = &config_;
    KeyAssignment::ApplyResult(context, c.result, kKeyA, kCodeA, L"A");

    EXPECT_EQ(records_.Codes(), c.codesAfter) << c.what;
    RecordStore reloaded;
    ASSERT_TRUE(reloaded.Load(RecordPath())) << c.what;
    EXPECT_EQ(reloaded.Records(), records_.Records()) << c.what;
    CoordButton a;
    ASSERT_TRUE(picture_->GetButton(kKeyA, &a));
    EXPECT_EQ(a.checked != 0, c.checkedA) << c.what;
    EXPECT_EQ(a.tip, c.tipA) << c.what;
    CoordButton bKey;
    ASSERT_TRUE(picture_->GetButton(kKeyB, &bKey));
    EXPECT_TRUE(bKey.checked) << c.what;
    EXPECT_EQ(!ReadText(kb::WideToUtf8(MacroPath())).empty(), c.macroSaved) << c.what;
  }
}

// Deleting or replacing an assignment left a running copy of it playing.
TEST_F(KeyAssignmentTest, DeletedOrReplacedAssignmentKeepsPlaying) {
  CreatePicture();
  struct Case {
    const char* what;
    INT_PTR result;
    int group;
    std::vector<KeyCode> stopped;
  };
  const Case cases[] = {
      {"delete", KeyAssignment::kResultDelete, 0, {kCodeA}},
      {"replace", KeyAssignment::kResultOk, 0, {kCodeA}},
      {"OK that assigns nothing", KeyAssignment::kResultOk, 5, {}},
      {"cancel", IDCANCEL, 0, {}},
  };
  for (const Case& c : cases) {
    records_.Upsert(KeyRecord{kCodeA, 0, 5, -1, L"A", L"Old", {Step(kCodeB, 1, 5), Step(kCodeB, 0, 5)}});
    macros_.Reset();
    macros_.AddGroup();
    *macros_.GroupAt(0) = FiveSteps();
    macros_.Settings().type = 0;
    macros_.Settings().group = c.group;
    macros_.Settings().playData = 2;
    std::vector<KeyCode> stopped;
    KeyAssignmentContext context;
    context.picture = picture_;
    context.macros = &macros_;
    context.records = &records_;
    context.config = &config_;
    context.stopKeyActions = [&](KeyCode trigger) { stopped.push_back(trigger); };
    KeyAssignment::ApplyResult(context, c.result, kKeyA, kCodeA, L"A");
    EXPECT_EQ(stopped, c.stopped) << c.what;
  }
}

TEST_F(KeyAssignmentTest, AssigningAgainReplacesTheRecordInPlace) {
  CreatePicture();
  KeyAssignmentContext context;
  context.picture = picture_;
  context.macros = &macros_;
  context.records = &records_;
  context.config = &config_;
  records_.Upsert(KeyRecord{kCodeA, 2, 1, 1, L"A", L"Mute", {Step(MakeKeyCode(12, 0xE2), 0, 0)}});
  records_.Upsert(KeyRecord{kCodeB, 2, 1, 1, L"B", L"Mute", {Step(MakeKeyCode(12, 0xE2), 0, 0)}});
  macros_.Settings().type = 3;
  macros_.Settings().function = 2;
  KeyAssignment::ApplyResult(context, KeyAssignment::kResultOk, kKeyA, kCodeA, L"A");
  std::vector<KeyRecord> records = records_.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].code, kCodeA);
  EXPECT_EQ(records[0].group, L"Select all");
  EXPECT_EQ(records[0].steps.size(), 4u);
  std::string file = ReadText(kb::WideToUtf8(RecordPath()));
  EXPECT_LT(file.find("code=\"70004\""), file.find("code=\"70005\"")) << file;
}

TEST_F(KeyAssignmentTest, DeleteOfAKeyWithoutRecordStillClearsItsMarks) {
  CreatePicture();
  picture_->SetButtonChecked(kKeyA, true);
  picture_->SetButtonTip(kKeyA, L"A : old");
  KeyAssignmentContext context;
  context.picture = picture_;
  context.macros = &macros_;
  context.records = &records_;
  context.config = &config_;
  KeyAssignment::ApplyResult(context, KeyAssignment::kResultDelete, kKeyA, kCodeA, L"A");
  CoordButton a;
  ASSERT_TRUE(picture_->GetButton(kKeyA, &a));
  EXPECT_FALSE(a.checked);
  EXPECT_EQ(a.tip, L"");
  EXPECT_NE(ReadText(kb::WideToUtf8(RecordPath())).find("<?xml"), std::string::npos);
}

TEST_F(KeyAssignmentTest, ClicksOpenNothingOnPressOrWithoutKeyboard) {
  CreatePicture();
  struct Case {
    const char* what;
    int action;
    bool connected;
    int key;
  };
  const Case cases[] = {{"press", KeyAssignment::kActionPress, true, kKeyA},
                        {"keyboard unplugged", KeyAssignment::kActionRelease, false, kKeyA},
                        {"key not on the picture", KeyAssignment::kActionRelease, true, 0x77}};
  for (const Case& c : cases) {
    int opened = 0;
    SelectedKeys selected;
    KeyAssignmentContext context;
    context.picture = picture_;
    context.macros = &macros_;
    context.records = &records_;
    context.config = &config_;
    context.selectedKeys = &selected;
    context.keyboardConnected = c.connected;
    context.runDialog = [&](MacroRecordDlg&) -> INT_PTR {
      ++opened;
      return IDCANCEL;
    };
    EXPECT_FALSE(KeyAssignment::OnKeyClicked(context, c.key, L"A", c.action)) << c.what;
    EXPECT_EQ(opened, 0) << c.what;
  }
}

}  // namespace
}  // namespace macrotest
