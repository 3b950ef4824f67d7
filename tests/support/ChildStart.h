#pragma once
// Tests that need a second process start this same executable again with
// "--child <mode> <arguments>"; the test's main() runs the mode instead of
// the tests.
#include <string>

#include "platform/win32.h"

namespace kbtest {

// Starts this executable with `--child`, then `mode`, then `arguments` as
// they are (quote them when they may hold spaces). Returns the process
// information (both handles to be closed by the caller) or hProcess null on
// failure.
PROCESS_INFORMATION StartChildCommand(const std::wstring& mode, const std::wstring& arguments);

// A name no other test run uses.
std::wstring UniqueName(const wchar_t* stem);

}  // namespace kbtest
