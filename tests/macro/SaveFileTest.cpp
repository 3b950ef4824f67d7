#include "platform/save_file.h"

#include <gtest/gtest.h>

#include <thread>

#include "golden/GoldenFiles.h"
#include "platform/text.h"

namespace {

TEST(SaveFileTest, WritesAndReplacesWholeFiles) {
  kbtest::TempFolder folder;
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
  const std::string contents[] = {"first", "", std::string("nul\0inside", 10), big, "short again"};
  for (const std::string& content : contents) {
    SCOPED_TRACE(content.size());
    ASSERT_TRUE(kb::SaveFileAtomically(folder.WideFile("a.xml"), content));
    EXPECT_EQ(kbtest::ReadBytes(folder.File("a.xml")), content);
    std::string read;
    ASSERT_TRUE(kb::ReadFileBytes(folder.WideFile("a.xml"), read));
    EXPECT_EQ(read, content);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"a.xml"});
  }
}

// The start-up's test of the program folder: a file it can make is made and
// gone again; an existing name, a missing folder or a file in the way fail.
TEST(SaveFileTest, CanCreateFileLeavesNothingBehind) {
  kbtest::TempFolder folder;
  ASSERT_TRUE(kb::SaveFileAtomically(folder.WideFile("there.xml"), "keep"));
  const struct {
    std::wstring path;
    bool creatable;
  } cases[] = {
      {folder.WideFile("probe.tmp"), true},
      {folder.WideFile("there.xml"), false},
      {folder.WidePath() + L"/missing/probe.tmp", false},
      {folder.WidePath() + L"/there.xml/probe.tmp", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kb::WideToUtf8(c.path));
    EXPECT_EQ(kb::CanCreateFile(c.path), c.creatable);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"there.xml"});
  }
  EXPECT_EQ(kbtest::ReadBytes(folder.File("there.xml")), "keep");
}

TEST(SaveFileTest, PathForms) {
  kbtest::TempFolder folder;
  struct Case {
    std::wstring name;  // joined to the folder as given
    std::filesystem::path expected;
  };
  const Case cases[] = {
      {L"\\back.xml", folder.File("back.xml")},
      {L"/fore.xml", folder.File("fore.xml")},
      {L"/\u8bbe\u7f6e \U0001F3B9.xml", folder.Path() / std::filesystem::path(u8"\u8bbe\u7f6e \U0001F3B9.xml")},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(kb::SaveFileAtomically(folder.WidePath() + c.name, "x"));
    EXPECT_EQ(kbtest::ReadBytes(c.expected), "x");
    std::string read;
    ASSERT_TRUE(kb::ReadFileBytes(folder.WidePath() + c.name, read));
    EXPECT_EQ(read, "x");
  }
  EXPECT_EQ(folder.Names().size(), 3u);
}

TEST(SaveFileTest, FailuresLeaveNothingBehind) {
  kbtest::TempFolder folder;
  std::filesystem::create_directory(folder.File("dir"));
  kbtest::WriteBytes(folder.File("dir") / "inner", "kept");

  EXPECT_FALSE(kb::SaveFileAtomically(L"", "x"));
  EXPECT_FALSE(kb::SaveFileAtomically((folder.Path() / "missing" / "a.xml").wstring(), "x"));
  // A folder in the way is not replaced.
  EXPECT_FALSE(kb::SaveFileAtomically(folder.WideFile("dir"), "x"));
  EXPECT_EQ(kbtest::ReadBytes(folder.File("dir") / "inner"), "kept");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"dir"});

  std::string read = "stale";
  EXPECT_FALSE(kb::ReadFileBytes(folder.WideFile("nothing.xml"), read));
  EXPECT_TRUE(read.empty());
  EXPECT_FALSE(kb::ReadFileBytes(folder.WideFile("dir"), read));
}

// Several writers of one file: it always holds one writer's whole content.
TEST(SaveFileTest, ConcurrentWritersNeverMix) {
  kbtest::TempFolder folder;
  const std::wstring path = folder.WideFile("shared.xml");
  std::vector<std::string> contents;
  for (int i = 0; i < 4; ++i) contents.push_back(std::string(20000 + i * 1000, static_cast<char>('a' + i)));
  std::vector<std::thread> writers;
  std::atomic<int> failures{0};
  for (int i = 0; i < 4; ++i) {
    writers.emplace_back([&, i] {
      for (int n = 0; n < 10; ++n) {
        if (!kb::SaveFileAtomically(path, contents[static_cast<size_t>(i)])) ++failures;
      }
    });
  }
  for (int n = 0; n < 40; ++n) {
    std::string read;
    if (kb::ReadFileBytes(path, read)) {
      EXPECT_TRUE(read == contents[0] || read == contents[1] || read == contents[2] || read == contents[3])
          << "mixed content of " << read.size() << " bytes";
    }
  }
  for (std::thread& t : writers) t.join();
  EXPECT_EQ(failures.load(), 0);
  std::string last = kbtest::ReadBytes(folder.File("shared.xml"));
  EXPECT_TRUE(last == contents[0] || last == contents[1] || last == contents[2] || last == contents[3]);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"shared.xml"});
}

// A kill between writing a temporary and renaming it leaves the temporary;
// the next start removes exactly those, never a file of the user's.
TEST(SaveFileTest, LeftoverTemporariesAreTheOnlyFilesRemoved) {
  struct NameCase {
    const wchar_t* name;
    bool temporary;
  };
  const NameCase names[] = {
      {L"macro.xml.saving-412-7", true},   {L"macro.xml.saving-1-0", true},
      {L"macro.xml.saving-412-", false},   {L"macro.xml.saving--7", false},
      {L"macro.xml.saving-41a-7", false},  {L"macro.xml.saving-4-1-2", false},
      {L"macro.xml.saving-notes", false},  {L"macro.xml", false},
      {L"record.xml.saving-1-2", false},   {L"xmacro.xml.saving-1-2", false},
  };
  for (const NameCase& c : names)
    EXPECT_EQ(kb::IsSaveTempName(c.name, L"macro.xml"), c.temporary) << kb::WideToUtf8(c.name);

  kbtest::TempFolder folder;
  for (const char* name : {"macro.xml", "macro.xml.saving-9-1", "macro.xml.saving-9-2", "macro.xml.saving-notes",
                           "record.xml.saving-9-3"})
    ASSERT_TRUE(kb::SaveFileAtomically(folder.WideFile(name), "x"));
  EXPECT_EQ(kb::RemoveLeftoverSaveTemps(folder.WideFile("macro.xml")), 2);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"macro.xml", "macro.xml.saving-notes", "record.xml.saving-9-3"}));
  EXPECT_EQ(kb::RemoveLeftoverSaveTemps(folder.WideFile("macro.xml")), 0);
}

}  // namespace
