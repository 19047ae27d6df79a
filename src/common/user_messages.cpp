#include "common/user_messages.h"

namespace k9 {

void TellUser(Dialogs& dialogs, const std::string& text, std::intptr_t owner) {
  dialogs.ShowMessage(text, kComponentTitle, kMbOk | kMbIconInformation, owner);
}

std::string FileProblemMessage(const std::string& what, const FileResult& result,
                               const std::string& then) {
  std::string text = what + " " + DescribeFileProblem(result);
  if (!then.empty()) text += " " + then;
  return text;
}

bool ToldOnce::First(const std::string& action, const FileResult& result) {
  if (result.ok()) return false;
  return told_.emplace(action, result.path(), result.fault(), result.line()).second;
}

void ToldOnce::Forget(const std::string& action) {
  for (auto it = told_.begin(); it != told_.end();) {
    it = std::get<0>(*it) == action ? told_.erase(it) : std::next(it);
  }
}

}  // namespace k9
