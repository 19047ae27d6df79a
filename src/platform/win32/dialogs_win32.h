// The Win32 dialogs, for code and tests that need them whatever the automation
// mode. No <windows.h> here.
#pragma once

#include <memory>

#include "platform/dialogs.h"

namespace k9 {

// Message boxes, the common open-file dialog, the shell folder browser and
// help (HTML Help for ".chm" files, loaded at run time; WinHelp for the rest).
// While AutomationMode() holds, every call is answered by
// DefaultHeadlessDialogs() instead, so a test can never end up waiting for a
// window no one will close.
std::unique_ptr<Dialogs> NewWin32Dialogs();

}  // namespace k9
