#pragma once
// Tests that need a second process start this same executable again with
// "--child <mode> <argument>"; main() runs the mode instead of the tests.
#include <string>

#include "platform/win32.h"
#include "support/ChildStart.h"

namespace kbtest {

// Starts this executable in child mode; returns the process information
// (both handles to be closed by the caller) or hProcess null on failure.
PROCESS_INFORMATION StartChild(const std::wstring& mode, const std::wstring& argument);

// Waits for the child and returns its exit code (or 0xFFFFFFFF on timeout).
DWORD FinishChild(PROCESS_INFORMATION& pi, DWORD timeoutMs = 20000);


// Exit codes of the child modes.
enum ChildResult : DWORD {
  kChildSawExisting = 1,   // CreateMutexW reported ERROR_ALREADY_EXISTS
  kChildCouldNotTake = 2,  // a zero-timeout wait on it timed out
};

}  // namespace kbtest
