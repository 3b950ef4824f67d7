#pragma once
// The program's own control classes, made known to the application before
// any layout is loaded.
#include <memory>
#include <vector>

#include "toolkit/core/SApplication.h"
#include "toolkit/core/SObjectFactory.h"

namespace kb::ui {

// One factory per class, in the order they are registered: the tray icon,
// the keyboard picture, the tab page and control, the animation, the edit,
// the radio box and the check box.
std::vector<std::unique_ptr<ISObjectFactory>> ProgramControlFactories();

// Registers every factory of ProgramControlFactories() in that order. A class
// that already has a factory keeps it (a skin or a test may have installed
// its own).
void RegisterProgramControls(SApplication& app);

}  // namespace kb::ui
