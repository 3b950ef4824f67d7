// The driver-free tests of the Linux build must not reach a simulated machine
// someone started on this computer.
#include "sim/KbsimProcess.h"

namespace {
const bool isolated = (kb::test::KbsimProcess::UseNoDaemon(), true);
}  // namespace
