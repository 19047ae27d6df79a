#include "settings/cpanel_fixture.h"

#include "common/cls_ini.h"
#include "common/text.h"

namespace k9::testing {

CpanelTest::CpanelTest() {
  fs_.AddDirectory("C:\\Srv");
  // The data folders the tests' settings and MAP.INI files name.
  for (const char* folder : {"C:\\MAPS\\DATA1", "C:\\MAPS\\DATA2", "C:\\MAPS\\DATA3", "D:\\STATES",
                             "C:\\M\\D1", "C:\\M\\D2", "C:\\M\\D3", "C:\\M\\ST"}) {
    fs_.AddDirectory(folder);
  }
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
  registry_.SetValue(RegRoot::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                     "ProgramFilesDir", RegValue{kRegSz, folder + std::string(1, '\0')});
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
