#pragma once
// Test support for the data files: the expected files kept under
// tests/golden (found through KB_SOURCE_DIR, which ctest sets), byte-level
// file access, and throw-away folders for the files the tests write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace kbtest {

inline std::filesystem::path SourceDir() {
  const char* dir = std::getenv("KB_SOURCE_DIR");
  EXPECT_NE(dir, nullptr) << "KB_SOURCE_DIR is not set (run the tests through ctest)";
  return std::filesystem::path(dir != nullptr ? dir : ".");
}

inline std::filesystem::path GoldenPath(const std::string& name) { return SourceDir() / "tests" / "golden" / name; }

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool FileExists(const std::filesystem::path& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

// The golden file's bytes; fails the test when it is missing or empty.
inline std::string GoldenBytes(const std::string& name) {
  std::string bytes = ReadBytes(GoldenPath(name));
  EXPECT_FALSE(bytes.empty()) << "missing golden file " << GoldenPath(name);
  return bytes;
}

// A fresh folder under `base` (the system's temporary folder by default),
// removed with its content at the end of the test.
class TempFolder {
 public:
  explicit TempFolder(std::filesystem::path base = std::filesystem::temp_directory_path()) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (;;) {
      path_ = base / ("kbtest-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(path_, error)) break;
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path File(const std::string& name) const { return path_ / name; }
  std::wstring WideFile(const std::string& name) const { return File(name).wstring(); }
  std::wstring WidePath() const { return path_.wstring(); }

  // The names of the files in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      std::u8string name = entry.path().filename().u8string();
      names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace kbtest
