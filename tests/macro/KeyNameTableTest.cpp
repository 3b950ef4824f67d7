#include "macro/KeyNameTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace {

TEST(KeyNameTableTest, Lookups) {
  struct Case {
    uint16_t page;
    uint16_t usage;
    const wchar_t* name;
  };
  const Case cases[] = {
      {7, 0x04, L"A"},
      {7, 0x1d, L"Z"},
      {7, 0x1e, L"1"},
      {7, 0x26, L"9"},
      {7, 0x27, L"0"},
      {7, 0x00, L"No Event"},
      {7, 0x28, L"Return"},
      {7, 0x9e, L"Return"},
      {7, 0x31, L"\\"},
      {7, 0x34, L"'"},
      {7, 0x35, L"`"},
      {7, 0x39, L"Caps Lock"},
      {7, 0x80, L"Volume Up"},
      {7, 0x81, L"Volume Dn"},
      {7, 0x85, L"Keypad , "},
      {7, 0x87, L"Int'l 1"},
      {7, 0x88, L"Intl'2"},
      {7, 0xa4, L"ExSel"},
      {7, 0xa5, L""},
      {7, 0xdf, L""},
      {7, 0xe0, L"Left Control"},
      {7, 0xe7, L"Right GUI"},
      {7, 0xe8, L""},
      {7, 0x78, L"Stop"},
      {12, 0xb7, L"Stop"},
      {12, 0xe9, L"Volume Up"},
      {12, 0xea, L"Volume Down"},
      {12, 0xcd, L"Play Pause"},
      {12, 0x22a, L"WWW Favorites"},
      {12, 0x04, L""},
      {1, 0x81, L"System Power"},
      {1, 0x83, L"System Wake"},
      {1, 0x01, L"Mouse Left"},
      {1, 0x05, L"Mouse Right Side"},
      {1, 0x06, L""},
      {0, 0x00, L""},
      {5, 0x01, L""},
      {0x107, 0x04, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.page) + ":" + std::to_string(c.usage));
    EXPECT_EQ(std::wstring(KeyNameTable::NameOf(MakeKeyCode(c.page, c.usage)).name), c.name);
    EXPECT_EQ(std::wstring(KeyNameTable::NameOf(c.usage, c.page).name), c.name);
  }
}

TEST(KeyNameTableTest, RowsInTheirOrder) {
  auto rows = KeyNameTable::Rows();
  ASSERT_EQ(rows.size(), 205u);
  // System controls, keyboard keys by ascending usage, consumer controls, mouse buttons.
  size_t i = 0;
  for (uint16_t usage : {0x81, 0x82, 0x83}) {
    EXPECT_EQ(rows[i].page, 1);
    EXPECT_EQ(rows[i++].usage, usage);
  }
  size_t keyboardRows = 0;
  for (; i < rows.size() && rows[i].page == 7; ++i, ++keyboardRows) {
    if (keyboardRows > 0) {
      EXPECT_LT(rows[i - 1].usage, rows[i].usage);
    }
  }
  EXPECT_EQ(keyboardRows, 173u);
  size_t consumerRows = 0;
  for (; i < rows.size() && rows[i].page == 12; ++i) ++consumerRows;
  EXPECT_EQ(consumerRows, 24u);
  for (uint16_t usage = 1; usage <= 5; ++usage) {
    ASSERT_LT(i, rows.size());
    EXPECT_EQ(rows[i].page, 1);
    EXPECT_EQ(rows[i++].usage, usage);
  }
  EXPECT_EQ(i, rows.size());
  // The letters and digits.
  for (uint16_t usage = 0x04; usage <= 0x1d; ++usage) {
    EXPECT_EQ(std::wstring(KeyNameTable::NameOf(usage, 7).name), std::wstring(1, static_cast<wchar_t>(L'A' + usage - 4)));
  }
  for (uint16_t usage = 0x1e; usage <= 0x26; ++usage) {
    EXPECT_EQ(std::wstring(KeyNameTable::NameOf(usage, 7).name), std::to_wstring(usage - 0x1d));
  }
}

TEST(KeyNameTableTest, EveryRowIsFoundByBothFormsAndIsUnique) {
  std::set<std::pair<uint16_t, uint16_t>> seen;
  for (const KeyNameRow& row : KeyNameTable::Rows()) {
    EXPECT_TRUE(seen.insert({row.page, row.usage}).second) << row.page << ":" << row.usage;
    EXPECT_NE(std::wstring(row.name), L"") << row.page << ":" << row.usage;
    EXPECT_EQ(&KeyNameTable::NameOf(MakeKeyCode(row.page, row.usage)), &row);
    EXPECT_EQ(&KeyNameTable::NameOf(row.usage, row.page), &row);
  }
}

TEST(KeyNameTableTest, NotFoundRow) {
  const KeyNameRow& row = KeyNameTable::NameOf(0xdeadbeef);
  EXPECT_EQ(&row, &KeyNameTable::NotFound());
  EXPECT_EQ(row.usage, 0);
  EXPECT_EQ(row.page, 0);
  EXPECT_EQ(std::wstring(row.name), L"");
}

}  // namespace
