#include "macro/RecordStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "golden/GoldenFiles.h"
#include "macro/ModelPrinters.h"

namespace {

constexpr char kRecordFile[] = "record.xml";

KeyRecord Record(KeyCode code, int32_t play, int32_t type, int32_t repeat, const std::wstring& name,
                 const std::wstring& group, std::vector<KeyStep> steps = {}) {
  return KeyRecord{code, type, play, repeat, name, group, std::move(steps)};
}

KeyCode Key(uint16_t usage) { return MakeKeyCode(kUsagePageKeyboard, usage); }

std::vector<KeyRecord> GoldenRecords() {
  const KeyCode volumeUp = MakeKeyCode(kUsagePageConsumer, 0xe9);
  return {
      Record(Key(0x39), 2, 0, 3, L"Caps Lock", L"Group 0",
             {{Key(0xe0), 1, 35, L"Left Control"}, {Key(0x06), 1, 40, L"C"}, {Key(0x06), 0, 28, L"C"},
              {Key(0xe0), 0, 120, L"Left Control"}}),
      Record(Key(0x3a), 1, 1, 1, L"F1", L"Escape", {{Key(0x29), 1, 0, L"Escape"}, {Key(0x29), 0, 0, L"Escape"}}),
      Record(Key(0xe6), 3, 2, 0, L"Right Alt", L"Volume Up",
             {{volumeUp, 1, 0, L"Volume Up"}, {volumeUp, 0, 0, L"Volume Up"}}),
      Record(Key(0x45), -1, 3, 0, L"F12", L"\u8ba1\u7b97\u5668 & <\"\U0001F3B9\">"),
  };
}

class RecordStoreTest : public ::testing::Test {
 protected:
  std::wstring Path() const { return folder_.WideFile(kRecordFile); }
  std::string FileBytes() const { return kbtest::ReadBytes(folder_.File(kRecordFile)); }
  void Write(const std::string& text) { kbtest::WriteBytes(folder_.File(kRecordFile), text); }
  std::vector<KeyRecord> LoadText(const std::string& text) {
    Write(text);
    RecordStore store;
    EXPECT_TRUE(store.Load(Path())) << text;
    return store.Records();
  }

  kbtest::TempFolder folder_;
};

TEST_F(RecordStoreTest, GoldenFileRoundTrip) {
  const std::string golden = kbtest::GoldenBytes(kRecordFile);
  Write(golden);
  RecordStore store;
  ASSERT_TRUE(store.Load(Path()));
  EXPECT_EQ(store.Records(), GoldenRecords());
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(FileBytes(), golden);

  kbtest::TempFolder other;
  RecordStore built;
  EXPECT_FALSE(built.Load(other.WideFile(kRecordFile)));
  for (const KeyRecord& record : GoldenRecords()) built.Upsert(record);
  ASSERT_TRUE(built.Save());
  EXPECT_EQ(kbtest::ReadBytes(other.File(kRecordFile)), golden);
  EXPECT_EQ(other.Names(), std::vector<std::string>{kRecordFile});
}

TEST_F(RecordStoreTest, NoRecordsIsTheDeclarationAlone) {
  RecordStore store;
  EXPECT_FALSE(store.Load(Path()));
  ASSERT_TRUE(store.Save());
  EXPECT_EQ(FileBytes(), kbtest::GoldenBytes("record-empty.xml"));
  RecordStore reread;
  ASSERT_TRUE(reread.Load(Path()));
  EXPECT_EQ(reread.Count(), 0u);
}

TEST_F(RecordStoreTest, FilesWithoutRecords) {
  for (const char* text : {"<?xml version=\"1.0\"?>\n", "<?xml version=\"1.0\"?>", " \n", "<!-- none -->",
                           "\xef\xbb\xbf<?xml version=\"1.0\"?>\n"}) {
    SCOPED_TRACE(text);
    Write(kbtest::GoldenBytes(kRecordFile));
    RecordStore store;
    ASSERT_TRUE(store.Load(Path()));
    Write(text);
    EXPECT_TRUE(store.Load(Path()));
    EXPECT_EQ(store.Count(), 0u);
  }
  // An empty file is a broken one: the records stay.
  Write(kbtest::GoldenBytes(kRecordFile));
  RecordStore store;
  ASSERT_TRUE(store.Load(Path()));
  Write("");
  EXPECT_FALSE(store.Load(Path()));
  EXPECT_EQ(store.Count(), 4u);
}

TEST_F(RecordStoreTest, CodesAreHexadecimal) {
  struct Case {
    const char* text;  // null: attribute missing
    KeyCode code;
  };
  const Case cases[] = {
      {"70039", 0x70039},     {"0x70039", 0x70039},   {"0X1F", 0x1f},         {"FFFFFFFF", 0xffffffffu},
      {"100000000", 0xffffffffu}, {"xyz", 0},          {"", 0},                {nullptr, 0},
      {" 7003a", 0x7003a},    {"-1", 0xffffffffu},    {"70039 junk", 0x70039}, {"0x", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text == nullptr ? "missing" : c.text);
    std::string attribute = c.text == nullptr ? "" : std::string(" code=\"") + c.text + "\"";
    std::vector<KeyRecord> records =
        LoadText("<?xml version=\"1.0\"?>\n<record" + attribute + "><item" + attribute + " /></record>");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].code, c.code);
    ASSERT_EQ(records[0].steps.size(), 1u);
    EXPECT_EQ(records[0].steps[0].code, c.code);
  }
}

TEST_F(RecordStoreTest, WrittenCodesAreLowerCaseHexWithoutPrefix) {
  struct Case {
    KeyCode code;
    const char* text;
  };
  const Case cases[] = {{Key(0x39), "70039"}, {Key(0xe0), "700e0"}, {0, "0"},
                        {0xffffffffu, "ffffffff"}, {MakeKeyCode(kUsagePageConsumer, 0x22a), "c022a"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    RecordStore store;
    store.Load(Path());
    store.Clear();
    store.Upsert(Record(c.code, 1, 1, 0, L"n", L"g", {{c.code, 1, 0, L"s"}}));
    ASSERT_TRUE(store.Save());
    std::string expected = std::string("<record code=\"") + c.text + "\" play=\"1\" type=\"1\" repeat=\"0\" name=\"n\" "
                           "group=\"g\">\n\t<item code=\"" + c.text + "\" state=\"1\" delay=\"0\" name=\"s\" />";
    EXPECT_NE(FileBytes().find(expected), std::string::npos) << FileBytes();
    RecordStore reread;
    ASSERT_TRUE(reread.Load(Path()));
    EXPECT_EQ(reread.Records(), store.Records());
  }
}

TEST_F(RecordStoreTest, NumberFields) {
  struct Case {
    const char* attributes;
    int32_t play, type, repeat, state, delay;
  };
  const Case cases[] = {
      {"play=\"2\" type=\"1\" repeat=\"5\" state=\"1\" delay=\"30\"", 2, 1, 5, 1, 30},
      {"", 0, 0, 0, 0, 0},
      {"play=\"-1\" type=\"-1\" repeat=\"-2\" state=\"-1\" delay=\"-5\"", -1, -1, -2, -1, -5},
      {"play=\"4294967295\" type=\"4294967295\" repeat=\"4294967295\" state=\"4294967295\" delay=\"4294967295\"",
       INT32_MAX, -1, -1, -1, -1},
      {"play=\"0x5\" type=\"0x5\" repeat=\"0x5\" state=\"0x5\" delay=\"0x5\"", 0, 0, 0, 0, 0},
      {"play=\"x\" type=\" 3\" repeat=\"+4\" state=\"1.9\" delay=\"99999999999\"", 0, 3, 4, 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    std::vector<KeyRecord> records = LoadText(std::string("<?xml version=\"1.0\"?>\n<record code=\"1\" ") +
                                              c.attributes + "><item " + c.attributes + " /></record>");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].play, c.play);
    EXPECT_EQ(records[0].type, c.type);
    EXPECT_EQ(records[0].repeat, c.repeat);
    ASSERT_EQ(records[0].steps.size(), 1u);
    EXPECT_EQ(records[0].steps[0].state, c.state);
    EXPECT_EQ(records[0].steps[0].delay, c.delay);
  }
}

TEST_F(RecordStoreTest, EveryTopLevelElementIsARecordAndEveryChildAStep) {
  std::vector<KeyRecord> records = LoadText(
      "<?xml version=\"1.0\"?>\n"
      "<record code=\"70004\" name=\"A\"><item code=\"70005\" /><other code=\"70006\" />text</record>\n"
      "<!-- not a record -->\n"
      "<anything code=\"70007\"><![CDATA[x]]></anything>\n");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, L"A");
  ASSERT_EQ(records[0].steps.size(), 2u);
  EXPECT_EQ(records[0].steps[1].code, Key(0x06));
  EXPECT_EQ(records[1].code, Key(0x07));
  EXPECT_TRUE(records[1].steps.empty());
  EXPECT_TRUE(records[1].group.empty());
}

TEST_F(RecordStoreTest, FailedLoadKeepsTheRecords) {
  Write(kbtest::GoldenBytes(kRecordFile));
  RecordStore store;
  ASSERT_TRUE(store.Load(Path()));
  for (const char* bad : {"", "<record>", "<record code=\"1\"></item>", "<record code=\"1\""}) {
    SCOPED_TRACE(bad);
    kbtest::WriteBytes(folder_.File("bad.xml"), bad);
    EXPECT_FALSE(store.Load(folder_.WideFile("bad.xml")));
    EXPECT_EQ(store.Records(), GoldenRecords());
  }
  EXPECT_FALSE(store.Load(L""));
  EXPECT_EQ(store.Path(), folder_.WideFile("bad.xml"));
}

TEST_F(RecordStoreTest, UpsertKeepsThePositionAndReplacesEveryField) {
  Write(kbtest::GoldenBytes(kRecordFile));
  RecordStore store;
  ASSERT_TRUE(store.Load(Path()));
  KeyRecord replacement = Record(Key(0x3a), 5, 0, 9, L"F1 again", L"Group 7", {{Key(0x04), 1, 1, L"A"}});
  store.Upsert(replacement);
  // Replacing does not write; the caller saves.
  EXPECT_EQ(FileBytes(), kbtest::GoldenBytes(kRecordFile));
  std::vector<KeyRecord> expected = GoldenRecords();
  expected[1] = replacement;
  EXPECT_EQ(store.Records(), expected);
  ASSERT_TRUE(store.Save());
  RecordStore reread;
  ASSERT_TRUE(reread.Load(Path()));
  EXPECT_EQ(reread.Records(), expected);

  // A new code is appended and written at once.
  KeyRecord added = Record(Key(0x04), 1, 1, 1, L"A", L"B", {{Key(0x05), 1, 0, L"B"}, {Key(0x05), 0, 0, L"B"}});
  store.Upsert(added);
  expected.push_back(added);
  ASSERT_TRUE(reread.Load(Path()));
  EXPECT_EQ(reread.Records(), expected);
  EXPECT_EQ(store.Codes(), (std::vector<KeyCode>{Key(0x39), Key(0x3a), Key(0xe6), Key(0x45), Key(0x04)}));
}

TEST_F(RecordStoreTest, RemoveAndClear) {
  Write(kbtest::GoldenBytes(kRecordFile));
  RecordStore store;
  ASSERT_TRUE(store.Load(Path()));
  EXPECT_FALSE(store.Remove(Key(0x04)));
  EXPECT_EQ(store.Records(), GoldenRecords());
  EXPECT_TRUE(store.Remove(Key(0x3a)));
  EXPECT_FALSE(store.Contains(Key(0x3a)));
  EXPECT_FALSE(store.Remove(Key(0x3a)));
  EXPECT_EQ(store.Count(), 3u);
  EXPECT_EQ(FileBytes(), kbtest::GoldenBytes(kRecordFile));  // the caller saves

  ASSERT_TRUE(store.Clear());
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_EQ(FileBytes(), kbtest::GoldenBytes("record-empty.xml"));
}

TEST_F(RecordStoreTest, RemoveTakesTheFirstOfDuplicates) {
  std::vector<KeyRecord> loaded = LoadText(
      "<?xml version=\"1.0\"?>\n<record code=\"5\" name=\"first\" /><record code=\"5\" name=\"second\" />");
  ASSERT_EQ(loaded.size(), 2u);
  RecordStore store;
  ASSERT_TRUE(store.Load(Path()));
  EXPECT_EQ(store.Find(5)->name, L"first");
  EXPECT_TRUE(store.Remove(5));
  EXPECT_EQ(store.Find(5)->name, L"second");
}

TEST_F(RecordStoreTest, FindCopiesTheRecord) {
  Write(kbtest::GoldenBytes(kRecordFile));
  RecordStore store;
  ASSERT_TRUE(store.Load(Path()));
  std::optional<KeyRecord> found = store.Find(Key(0x39));
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(*found, GoldenRecords()[0]);
  store.Clear();
  // The copy outlives the records it came from.
  EXPECT_EQ(found->steps.size(), 4u);
  EXPECT_EQ(found->group, L"Group 0");
  EXPECT_FALSE(store.Find(Key(0x39)).has_value());
}

// The key monitor's thread looks records up while the UI thread changes
// them: a lookup sees a whole record or none, never a half-written one.
TEST_F(RecordStoreTest, LookupsWhileTheListChanges) {
  RecordStore store;  // no path: changes are not written, which keeps this fast
  auto make = [](KeyCode code, int generation) {
    std::vector<KeyStep> steps(static_cast<size_t>(1 + generation % 5), KeyStep{code, 1, generation, L"step"});
    return Record(code, generation, 0, generation, std::to_wstring(code), std::to_wstring(generation), steps);
  };
  std::atomic<bool> done{false};
  std::atomic<long> seen{0};
  std::atomic<long> bad{0};
  std::thread reader([&] {
    while (!done.load()) {
      for (KeyCode code = 1; code <= 8; ++code) {
        std::optional<KeyRecord> r = store.Find(code);
        if (!r) continue;
        ++seen;
        const int32_t generation = r->play;
        bool whole = r->code == code && r->name == std::to_wstring(code) && r->repeat == generation &&
                     r->group == std::to_wstring(generation) &&
                     r->steps.size() == static_cast<size_t>(1 + generation % 5);
        for (const KeyStep& s : r->steps) whole = whole && s.code == code && s.delay == generation;
        if (!whole) ++bad;
      }
      for (const KeyRecord& r : store.Records()) {
        if (r.name != std::to_wstring(r.code)) ++bad;
      }
    }
  });
  // Go on until the reader has had its share of lookups, however the threads
  // are scheduled.
  for (int generation = 0; generation < 3000 || (seen.load() < 2000 && generation < 50000000); ++generation) {
    KeyCode code = 1 + static_cast<KeyCode>(generation % 8);
    store.Upsert(make(code, generation));
    if (generation % 7 == 0) store.Remove(1 + static_cast<KeyCode>((generation / 7) % 8));
    if (generation % 500 == 499) store.Clear();
  }
  done = true;
  reader.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_GT(seen.load(), 0);
}

// Saves from several threads end with the newest list in the file.
TEST_F(RecordStoreTest, ConcurrentSavesLeaveTheNewestList) {
  RecordStore store;
  EXPECT_FALSE(store.Load(Path()));
  auto writer = [&](KeyCode base) {
    for (KeyCode i = 0; i < 15; ++i) {
      store.Upsert(Record(base + i, 1, 1, 1, L"r", L"g"));
      store.Save();
    }
  };
  std::thread a(writer, 0x100);
  std::thread b(writer, 0x200);
  a.join();
  b.join();
  RecordStore reread;
  ASSERT_TRUE(reread.Load(Path()));
  EXPECT_EQ(reread.Records(), store.Records());
  EXPECT_EQ(reread.Count(), 30u);
  EXPECT_EQ(folder_.Names(), std::vector<std::string>{kRecordFile});
}

TEST_F(RecordStoreTest, InstanceIsOneObject) { EXPECT_EQ(&RecordStore::Instance(), &RecordStore::Instance()); }

}  // namespace
