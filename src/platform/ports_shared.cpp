// The parts of the ports that every platform shares: the out-of-line destructors
// (so each interface's vtable lives in one object file) and the headless dialogs.
#include <cstdio>

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace k9 {

FileSystem::~FileSystem() = default;
Registry::~Registry() = default;
Dialogs::~Dialogs() = default;
System::~System() = default;

bool WriteClassesEntries(Registry& registry, const std::vector<RegistryEntry>& entries) {
  bool ok = true;
  for (const RegistryEntry& entry : entries) {
    ok = registry.SetValue(RegRoot::kClassesRoot, entry.key, entry.name,
                           RegValue{kRegSz, entry.value + '\0'}) &&
         ok;
  }
  return ok;
}

int HeadlessDialogs::ShowMessage(const std::string& text, const std::string& caption,
                                 std::uint32_t /*style*/, std::intptr_t /*owner*/) {
  if (message_sink_) message_sink_(Message{caption, text});
  return kIdOk;
}

std::optional<std::string> HeadlessDialogs::OpenFile(const OpenFileRequest& request) {
  file_requests_.push_back(request);
  if (file_answers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(file_answers_.front());
  file_answers_.pop_front();
  return answer;
}

std::optional<std::string> HeadlessDialogs::BrowseForFolder(const FolderRequest& request) {
  folder_requests_.push_back(request);
  if (folder_answers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(folder_answers_.front());
  folder_answers_.pop_front();
  return answer;
}

bool HeadlessDialogs::ShowHelp(const std::string& file, std::uint32_t command, std::uintptr_t data,
                               std::intptr_t /*owner*/) {
  if (help_sink_) {
    help_sink_(HelpRequest{file, command, data});
    return true;
  }
  // Nobody to show the help to: the request was not accepted.
  return false;
}

HeadlessDialogs& DefaultHeadlessDialogs() {
  static HeadlessDialogs* dialogs = [] {
    auto* made = new HeadlessDialogs;  // never destroyed: used until exit
    // Until a host says where messages go, they go to standard output, so a
    // message never vanishes unseen.
    made->SetMessageSink([](const HeadlessDialogs::Message& message) {
      std::fprintf(stdout, "%s: %s\n", message.caption.c_str(), message.text.c_str());
      std::fflush(stdout);
    });
    return made;
  }();
  return *dialogs;
}

}  // namespace k9
