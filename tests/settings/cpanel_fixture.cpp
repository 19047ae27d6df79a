#include "settings/cpanel_fixture.h"

#include "common/cls_ini.h"
#include "common/text.h"

namespace k9::testing {

std::string CpanelRegistry::Key(RegRoot root, const std::string& key) {
  return std::to_string(static_cast<std::uint32_t>(root)) + "\\" + ToUpper(key);
}

void CpanelRegistry::SetString(RegRoot root, const std::string& key, const std::string& name,
                               const std::string& text) {
  SetValue(root, key, name, RegValue{kRegSz, text + std::string(1, '\0')});
}

bool CpanelRegistry::KeyExists(RegRoot root, const std::string& key) {
  return keys_.count(Key(root, key)) != 0;
}

bool CpanelRegistry::CreateKey(RegRoot root, const std::string& key) {
  keys_[Key(root, key)];
  return true;
}

bool CpanelRegistry::DeleteKey(RegRoot root, const std::string& key) {
  return keys_.erase(Key(root, key)) != 0;
}

std::optional<RegValue> CpanelRegistry::QueryValue(RegRoot root, const std::string& key,
                                                   const std::string& name) {
  const auto found = keys_.find(Key(root, key));
  if (found == keys_.end()) return std::nullopt;
  const auto value = found->second.find(ToUpper(name));
  if (value == found->second.end()) return std::nullopt;
  return value->second;
}

bool CpanelRegistry::SetValue(RegRoot root, const std::string& key, const std::string& name,
                              const RegValue& value) {
  keys_[Key(root, key)][ToUpper(name)] = value;
  return true;
}

bool CpanelRegistry::DeleteValue(RegRoot root, const std::string& key, const std::string& name) {
  const auto found = keys_.find(Key(root, key));
  return found != keys_.end() && found->second.erase(ToUpper(name)) != 0;
}

std::optional<std::vector<std::string>> CpanelRegistry::EnumerateValues(RegRoot root,
                                                                        const std::string& key) {
  const auto found = keys_.find(Key(root, key));
  if (found == keys_.end()) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& entry : found->second) names.push_back(entry.first);
  return names;
}

std::optional<std::vector<std::string>> CpanelRegistry::EnumerateSubkeys(RegRoot,
                                                                         const std::string&) {
  return std::vector<std::string>{};
}

CpanelTest::CpanelTest() {
  fs_.AddDirectory("C:\\Srv");
  dialogs_.SetMessageSink([this](const HeadlessDialogs::Message& m) { messages_.push_back(m); });
  dialogs_.SetHelpSink([this](const HeadlessDialogs::HelpRequest& h) { help_.push_back(h); });
  view_.SetReportSink([this](const std::string& text) { view_reports_.push_back(text); });
}

CpanelContext CpanelTest::context() {
  CpanelContext result;
  result.ports = ports();
  result.view = &view_;
  result.overlay_chooser = &chooser_;
  return result;
}

std::optional<std::string> CpanelTest::Ini(const std::string& section, const std::string& key) {
  const std::string marker =
      "\x01"
      "absent";
  std::string value = clsIni(ports()).GetIniString(section, key, marker).value_or(marker);
  if (value == marker) return std::nullopt;
  return value;
}

std::string CpanelTest::RawIni() { return fs_.Contents(kIni).value_or(""); }

void CpanelTest::AddMapIni(const std::string& folder, const std::string& body) {
  fs_.AddFile(folder + "\\MAP.INI", "[Application Interface]\r\n" + body);
}

void CpanelTest::SetProgramFiles(const std::string& folder) {
  registry_.SetString(RegRoot::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                      "ProgramFilesDir", folder);
}

std::vector<std::string> CpanelTest::Messages() const {
  std::vector<std::string> texts;
  for (const auto& message : messages_) {
    EXPECT_EQ(message.caption, kTitle);
    texts.push_back(message.text);
  }
  return texts;
}

void CpanelTest::ShowPanel(const std::vector<std::string>& steps) {
  for (const std::string& step : steps) view_.Queue(step);
  clsCpanel panel(context(), &events_);
  panel.Parent(&parent_);
  panel.ShowControlPanel();
}

}  // namespace k9::testing
