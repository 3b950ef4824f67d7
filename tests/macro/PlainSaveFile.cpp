// The writer every settings file must never be saved with: it truncates the
// file and writes the new content in place. test_save_kill_plain links it in
// place of the real one (the linker's --wrap sends the stores' calls here), so
// the kill test shows that it catches the torn files such a writer leaves.
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/text.h"

// The Itanium-ABI name of kb::SaveFileAtomically(const std::wstring&, std::string_view).
bool PlainSaveFile(const std::wstring& path, std::string_view bytes) asm(
    "__wrap__ZN2kb18SaveFileAtomicallyERKNSt7__cxx1112basic_stringIwSt11char_traitsIwESaIwEEESt17basic_string_viewIcS2_IcEE");

bool PlainSaveFile(const std::wstring& path, std::string_view bytes) {
  std::FILE* file = std::fopen(kb::WideToUtf8(path).c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}
