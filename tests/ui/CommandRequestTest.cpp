// The command line's requests: how the text is split, what is accepted and
// refused (with its reason), the text a running instance receives, and the
// names matching the main window's lists.
#include "ui/CommandRequest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <pugixml.hpp>

#include "platform/text.h"

using namespace command_line;

namespace {

using Args = std::vector<std::wstring>;

TEST(CommandRequest, SplitsAsTheWindowsRuntimeDoes) {
  struct Case {
    const wchar_t* line;
    Args expected;
  } cases[] = {
      {L"", {}},
      {L"   ", {}},
      {L"--effect 3", {L"--effect", L"3"}},
      {L"  --effect\t\t3  ", {L"--effect", L"3"}},
      {L"--export-settings \"C:\\My files\\a b.xml\"", {L"--export-settings", L"C:\\My files\\a b.xml"}},
      {L"a\\\\b", {L"a\\\\b"}},               // backslashes not before a quote stay
      {L"a\\\"b", {L"a\"b"}},                 // \" is a quote
      {L"a\\\\\"b c\"", {L"a\\b c"}},         // \\" is a backslash, then the quote groups
      {L"\"a\"\"b\"", {L"a\"b"}},             // "" inside quotes is a quote
      {L"\"\"", {L""}},                       // an empty argument
      {L"\"unclosed name", {L"unclosed name"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitArguments(c.line), c.expected) << kb::WideToUtf8(c.line);
}

TEST(CommandRequest, OnlyOptionsFirstAreRequests) {
  EXPECT_FALSE(IsRequest(L""));
  EXPECT_FALSE(IsRequest(L"-hid"));
  EXPECT_FALSE(IsRequest(L"-hid --effect 3"));
  EXPECT_FALSE(IsRequest(L"file.xml"));
  EXPECT_TRUE(IsRequest(L"--effect 3"));
  EXPECT_TRUE(IsRequest(L"  --help"));
  EXPECT_TRUE(IsRequest(L"-h"));
  EXPECT_TRUE(IsRequest(L"/?"));
}

Request Lighting(std::optional<int> effect, std::optional<int> side = std::nullopt) {
  Request r;
  r.action = Request::Action::kLighting;
  r.effect = effect;
  r.side = side;
  return r;
}

TEST(CommandRequest, AcceptsWhatFits) {
  struct Case {
    Args args;
    Request expected;
  };
  Request wave = Lighting(4);
  wave.speed = 0;
  wave.direction = 1;
  wave.brightness = 5;
  Request loader = Lighting(21);
  loader.brightness = 0;
  Request side = Lighting(std::nullopt, 11);
  side.level = 7;
  Request both = Lighting(0, 3);
  Request exportTo;
  exportTo.action = Request::Action::kExportSettings;
  exportTo.file = L"b\u00e4ckup.xml";
  Request importFrom = exportTo;
  importFrom.action = Request::Action::kImportSettings;
  importFrom.verbose = true;
  Request firmware;
  firmware.action = Request::Action::kFirmware;
  Request list;
  list.action = Request::Action::kListEffects;
  Case cases[] = {
      {{L"--effect", L"Wave", L"--speed", L"0", L"--direction", L"right", L"--brightness", L"5"}, wave},
      {{L"--effect=4", L"--direction=1", L"--speed=0", L"--brightness=5"}, wave},
      {{L"--effect", L"LOADER", L"--brightness", L"0"}, loader},
      {{L"--side", L"off", L"--level", L"7"}, side},
      {{L"--side", L"11", L"--level=7"}, side},
      {{L"--effect", L"always-on", L"--side", L"Always_On"}, both},
      {{L"--export-settings", L"b\u00e4ckup.xml"}, exportTo},
      {{L"--verbose", L"--import-settings=b\u00e4ckup.xml"}, importFrom},
      {{L"--firmware"}, firmware},
      {{L"--list-effects"}, list},
      {{L"--help"}, Request{}},
      {{L"/?"}, Request{}},
  };
  for (const Case& c : cases) {
    ParseResult parsed = Parse(c.args);
    ASSERT_TRUE(parsed.request) << kb::WideToUtf8(c.args[0]) << ": " << parsed.error;
    EXPECT_EQ(*parsed.request, c.expected) << kb::WideToUtf8(c.args[0]);
    // What a running instance receives is the same request.
    if (c.expected.action != Request::Action::kHelp) {
      Request sent = c.expected;
      sent.verbose = false;
      ParseResult decoded = Decode(Encode(sent));
      ASSERT_TRUE(decoded.request) << decoded.error;
      EXPECT_EQ(*decoded.request, sent);
    }
  }
}

TEST(CommandRequest, RefusesWithItsReason) {
  struct Case {
    Args args;
    const char* reason;
  } cases[] = {
      {{}, "nothing to do"},
      {{L"--effect"}, "--effect needs a value"},
      {{L"--effect", L"22"}, "unknown effect \"22\""},
      {{L"--effect", L"-1"}, "unknown effect"},
      {{L"--effect", L"disco"}, "unknown effect \"disco\""},
      {{L"--effect", L"1", L"--effect", L"2"}, "given twice"},
      {{L"--effect", L"5", L"--brightness", L"6"}, "--brightness 6 is out of range (0 to 5)"},
      {{L"--effect", L"5", L"--brightness", L"2x"}, "--brightness 2x is out of range"},
      {{L"--effect", L"5", L"--speed", L"3"}, "--speed 3 is out of range (0 to 2)"},
      {{L"--effect", L"5", L"--direction", L"up"}, "--direction up is out of range"},
      {{L"--effect", L"0", L"--speed", L"1"}, "effect 0 (Always on) has no speed"},
      {{L"--effect", L"21", L"--speed", L"1"}, "has no speed"},
      {{L"--effect", L"8", L"--direction", L"left"}, "effect 8 (Ripple) has no direction"},
      {{L"--side", L"12"}, "unknown side-light mode"},
      {{L"--side", L"1", L"--level", L"8"}, "--level 8 is out of range (0 to 7)"},
      {{L"--level", L"3"}, "--level needs --side"},
      {{L"--brightness", L"3"}, "need --effect"},
      {{L"--side", L"1", L"--brightness", L"3"}, "need --effect"},
      {{L"--firmware", L"--level", L"3"}, "need --effect or --side"},
      {{L"--firmware", L"--effect", L"1"}, "cannot be combined with --firmware"},
      {{L"--export-settings", L"a.xml", L"--import-settings", L"b.xml"}, "cannot be combined"},
      {{L"--export-settings", L""}, "needs a file name"},
      {{L"--firmware=now"}, "takes no value"},
      {{L"--colour", L"red"}, "unknown option --colour"},
      {{L"-hid"}, "unknown option -hid"},
  };
  for (const Case& c : cases) {
    ParseResult parsed = Parse(c.args);
    std::string line = c.args.empty() ? "(none)" : kb::WideToUtf8(c.args[0]);
    EXPECT_FALSE(parsed.request) << line;
    EXPECT_NE(parsed.error.find(c.reason), std::string::npos) << line << ": " << parsed.error;
    EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << "one line: " << parsed.error;
  }
}

// The names are those of the main window's drop-downs, in the same order.
TEST(CommandRequest, NamesAreTheWindowsListItems) {
  const char* source = std::getenv("KB_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  pugi::xml_document layout;
  ASSERT_TRUE(layout.load_file((std::filesystem::path(source) / "uires/layout/main.xml").c_str()));
  auto items = [&](const char* combo) {
    std::vector<std::wstring> names;
    std::string query = std::string("//combobox[@name='") + combo + "']/items/item";
    for (pugi::xpath_node item : layout.select_nodes(query.c_str()))
      names.push_back(kb::Utf8ToWide(item.node().attribute("text").as_string()));
    return names;
  };
  EXPECT_EQ(items("cbx_color_effect"), EffectNames());
  EXPECT_EQ(items("cbx_side_color_effect"), SideModeNames());
  EXPECT_EQ(EffectNames().size(), static_cast<size_t>(LedEffectTable::kEntryCount));
  EXPECT_EQ(SideModeNames().size(), static_cast<size_t>(SideModelTable::kEntryCount));
}

// Only what was asked changes; the current effect and mode follow.
TEST(CommandRequest, LightingGoesIntoTheTables) {
  LedEffectTable effects;
  SideModelTable sides;
  const LedEffectEntry before = *effects.GetEntry(6);
  ParseResult parsed = Parse({L"--effect", L"6", L"--speed", L"1", L"--side", L"2", L"--level", L"0"});
  ASSERT_TRUE(parsed.request) << parsed.error;
  ApplyLighting(*parsed.request, effects, sides);
  EXPECT_EQ(effects.GetCurrent(), 6);
  EXPECT_EQ(sides.GetCurrent(), 2);
  LedEffectEntry expected = before;
  expected.speed = 1;
  EXPECT_EQ(*effects.GetEntry(6), expected);
  EXPECT_EQ(sides.GetEntry(2)->brightness, 0);
  EXPECT_EQ(sides.GetEntry(3)->brightness, SideModelTable::kDefaultBrightnessLevel);
}

}  // namespace
