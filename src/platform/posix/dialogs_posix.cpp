// Dialogs on POSIX are always headless: there is no desktop to show them on.
#include "platform/dialogs.h"

namespace k9 {

Dialogs& Dialogs::Default() { return DefaultHeadlessDialogs(); }

}  // namespace k9
