// The UTF-8 <-> wide conversions and path joining used for every file.
#include <gtest/gtest.h>

#include "platform/path.h"
#include "platform/text.h"

namespace {

TEST(Text, RoundTripsAcrossPlanes) {
  const std::wstring samples[] = {
      L"",
      L"plain ascii",
      L"\u00e9\u00e8 \u4e2d\u6587 \u952e\u76d8",  // Latin-1 and CJK
      std::wstring(L"emoji ") + kb::Utf8ToWide("\xF0\x9F\x8E\xB9"),
  };
  for (const std::wstring& s : samples) EXPECT_EQ(kb::Utf8ToWide(kb::WideToUtf8(s)), s);
  EXPECT_EQ(kb::WideToUtf8(L"\u4e2d"), "\xE4\xB8\xAD");
  EXPECT_EQ(kb::Utf8ToWide("\xF0\x9F\x8E\xB9").size(), sizeof(wchar_t) == 2 ? 2u : 1u);
}

TEST(Text, InvalidUtf8BecomesReplacementCharacters) {
  struct Case {
    const char* name;
    std::string bytes;
    std::wstring wide;
  };
  const Case cases[] = {
      {"lone continuation",
       "a\x80"
       "b",
       L"a\uFFFDb"},
      {"truncated sequence", "a\xE4\xB8", L"a\uFFFD"},
      {"overlong slash", "\xC0\xAF", L"\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", L"\uFFFD"},
      {"invalid lead",
       "\xFF"
       "x",
       L"\uFFFDx"},
  };
  for (const Case& c : cases) EXPECT_EQ(kb::Utf8ToWide(c.bytes), c.wide) << c.name;
}

TEST(Path, JoinUsesOneSeparator) {
  const std::wstring sep(1, kb::kPathSeparator);
  struct Case {
    std::wstring folder, name, joined;
  };
  const Case cases[] = {
      {L"dir", L"macro.xml", L"dir" + sep + L"macro.xml"},
      {L"dir", L"\\macro.xml", L"dir" + sep + L"macro.xml"},
      {L"dir/", L"/macro.xml", L"dir" + sep + L"macro.xml"},
      {L"dir\\", L"uires\\index.xml", L"dir" + sep + L"uires" + sep + L"index.xml"},
  };
  for (const Case& c : cases) EXPECT_EQ(kb::PathJoin(c.folder, c.name), c.joined);
  EXPECT_EQ(kb::PathFolder(L"a\\b\\c.exe"), L"a\\b");
  EXPECT_EQ(kb::PathFolder(L"c.exe"), L"");
  EXPECT_FALSE(kb::ExecutableFolder().empty());
}

}  // namespace
