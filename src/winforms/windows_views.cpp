#include "winforms/windows_views.h"

#include "platform/win32/win32_util.h"
#include "winforms/form_view_win32.h"
#include "winforms/overlay_view_win32.h"
#include "winforms/search_view_win32.h"

namespace k9::winforms {

module::WiringViews WindowsViews() {
  module::WiringViews views;
  if (AutomationMode()) return views;
  // Never destroyed: server objects may hold them until the process ends.
  static auto* forms = new Win32FormView;
  static auto* overlay = new Win32OverlayView;
  views.forms = forms;
  views.overlay = overlay;
  views.search = Win32SearchViewFactory(Ports::Default());
  return views;
}

}  // namespace k9::winforms
