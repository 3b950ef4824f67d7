#pragma once
// The toolkit's own control classes, registered with every application.
#include "toolkit/core/SObjectFactoryMgr.h"

namespace kb::ui {

void RegisterToolkitClasses(SObjectFactoryMgr& factories);

}  // namespace kb::ui
