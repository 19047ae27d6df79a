#include "winforms/windows_views.h"

#include "platform/win32/win32_util.h"

namespace k9::winforms {

module::WiringViews WindowsViews() {
  module::WiringViews views;
  if (AutomationMode()) return views;
  return views;
}

}  // namespace k9::winforms
