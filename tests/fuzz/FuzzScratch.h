#pragma once
// Support for the loader fuzz targets: each input becomes a real file, since
// the loaders read files, and failed checks abort so libFuzzer keeps the
// input that broke them.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#define FUZZ_CHECK(condition)                                                                   \
  do {                                                                                          \
    if (!(condition)) {                                                                         \
      std::fprintf(stderr, "check failed: %s at %s:%d\n", #condition, __FILE__, __LINE__);     \
      std::abort();                                                                             \
    }                                                                                           \
  } while (0)

namespace kbfuzz {

// A private folder for this process, on tmpfs when there is one: the tables
// save on every failed load, and a disk would make that the slow part.
class Scratch {
 public:
  Scratch() {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                     : std::filesystem::temp_directory_path();
    folder_ = base / ("kbfuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // Replaces `name` in the folder with the input's bytes; returns its path.
  std::wstring Write(const char* name, const uint8_t* data, size_t size) {
    std::filesystem::path file = folder_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    FUZZ_CHECK(out.good());
    return file.wstring();
  }

  std::wstring Folder() const { return folder_.wstring(); }

 private:
  std::filesystem::path folder_;
};

// One per process; destroyed at exit so the folder goes away.
inline Scratch& TheScratch() {
  static Scratch scratch;
  return scratch;
}

}  // namespace kbfuzz
