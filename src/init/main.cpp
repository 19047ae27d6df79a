// InitKestrel9: run once by the server's installation, from the server's program
// folder. Takes no arguments; its only user interface is one message box, and it
// exits when that box is closed. Where message boxes are headless, the box is
// printed to standard output instead.
#include <cstdio>

#include "init/initialiser.h"
#include "platform/ports.h"

namespace {

void PrintMessage(const k9::HeadlessDialogs::Message& message) {
  std::fputs(message.caption.c_str(), stdout);
  std::fputs("\n", stdout);
  std::fputs(message.text.c_str(), stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
}

}  // namespace

int main() {
  k9::DefaultHeadlessDialogs().SetMessageSink(PrintMessage);
  k9::init::Initialiser initialiser(k9::Ports::Default());
  return static_cast<int>(initialiser.Run());
}
