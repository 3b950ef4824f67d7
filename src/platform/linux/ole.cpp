// OLE start-up. Nothing of OLE is used on Linux; the calls keep Windows'
// per-thread counting and results so start-up and shutdown pair up the same.
#include "platform/linux/win32_user.h"

namespace {

constexpr HRESULT kOleAlreadyInitialized = S_FALSE;
thread_local int initCount = 0;

}  // namespace

HRESULT OleInitialize(LPVOID) {
  return initCount++ == 0 ? S_OK : kOleAlreadyInitialized;
}

void OleUninitialize() {
  if (initCount > 0) --initCount;
}
