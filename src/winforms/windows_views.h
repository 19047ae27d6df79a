// The views the Windows DLL gives its server objects: real windows for the
// control panel, the About box, the overlay chooser and the search dialog. In
// automation mode (KESTREL9_AUTOMATION) every view is left empty, so the forms
// run headless and no test can wait on a window.
#pragma once

#include "module/wiring.h"

namespace k9::winforms {

// The process's views; they live until the process ends.
module::WiringViews WindowsViews();

}  // namespace k9::winforms
