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

// The package is loaded once per test suite (decoding every image takes a
// while); tests only read it, and each installs the language it needs.
class PackageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  // Installs "lang_cn" or "lang_en" as start-up and the language buttons do.
  bool InstallLanguage(const wchar_t* name);

  static std::unique_ptr<kb::ui::SApplication> sharedApp_;
  static std::shared_ptr<kb::ui::STranslatorMgr> sharedTranslator_;
  static bool loaded_;
  kb::ui::SApplication* app_ = nullptr;
  kb::ui::STranslatorMgr* translator_ = nullptr;
};

}  // namespace kbtest
