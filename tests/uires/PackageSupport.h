#pragma once
// The built resource package (the "uires" folder beside the executable) and
// an application that has loaded it the way the program starts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/core/SApplication.h"
#include "toolkit/core/SResProviderFiles.h"
#include "toolkit/core/STranslatorMgr.h"

namespace kbtest {

struct IndexEntry {
  std::string type;
  std::string name;
  std::string path;
};

// The built package folder: $KB_OUTPUT_DIR/uires, else ./uires.
std::wstring PackageFolder();
// The entries of the package's uires.idx, in file order.
std::vector<IndexEntry> ReadIndex();
bool ReadFileBytes(const std::wstring& path, std::vector<uint8_t>& out);
// The keyboard pictures ("img_keboard_*") are generated from the key map at
// build time; false when this tree has no generator for them.
bool KeyboardPicturesBuilt();
bool IsKeyboardPicture(const std::string& name);

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Installs "lang_cn" or "lang_en" as start-up and the language buttons do.
  bool InstallLanguage(const wchar_t* name);

  std::unique_ptr<kb::ui::SApplication> app_;
  std::shared_ptr<kb::ui::SResProviderFiles> files_;
  std::shared_ptr<kb::ui::STranslatorMgr> translator_;
};

}  // namespace kbtest
