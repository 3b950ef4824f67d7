// Layouts (uires/layout, the toolkit's message box): any bytes build a
// control tree that lays out and paints, or are refused, without a crash.
#include <cstdint>
#include <string>

#include "fuzz/FuzzToolkit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One application for the whole run, with the shipped definitions: a
  // layout is read by a program that has them.
  static std::unique_ptr<kb::ui::SApplication> app = kbfuzz::MakeFuzzApplication(L"uidef:xml_init", true);
  kb::ui::SHostWnd host;
  host.SetLayoutXml(std::string(reinterpret_cast<const char*>(data), size));
  kbfuzz::BuildAndPaint(host);
  return 0;
}
