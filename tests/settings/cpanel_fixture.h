// A control-panel test bench: an in-memory file system, registry and screen, a
// headless dialogs object that records message boxes, folder requests and help
// calls, a headless form view, and a server stand-in that records every member
// the panel sets.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ports.h"
#include "settings/cls_cpanel.h"
#include "support/fake_file_system.h"
#include "support/fake_registry.h"
#include "support/fake_system.h"

namespace k9::testing {

// The server members the panel uses, with a log of every put in order
// ("blnMono=True", "strData1=C:\MAPS").
class RecordingParent : public CpanelParent {
 public:
  bool control_ok = true;
  std::map<std::string, bool> flags;
  std::map<std::string, std::string> texts;
  std::vector<std::string> puts;

  bool blnControlOk() override { return control_ok; }
#define K9_FLAG(name)                                                    \
  bool name() override { return flags[#name]; }                          \
  void name(bool value) override {                                       \
    flags[#name] = value;                                                \
    puts.push_back(std::string(#name "=") + (value ? "True" : "False")); \
  }
#define K9_TEXT(name)                                  \
  std::string name() override { return texts[#name]; } \
  void name(const std::string& value) override {       \
    texts[#name] = value;                              \
    puts.push_back(std::string(#name "=") + value);    \
  }
  K9_FLAG(blnMono)
  K9_FLAG(blnShadeMcd)
  K9_FLAG(blnShadeCounties)
  K9_FLAG(blnShadePlaces)
  K9_FLAG(blnShadeStates)
  K9_FLAG(blnWhiteBackground)
  K9_FLAG(blnOnewayShow)
  K9_FLAG(blnHighContrastRds)
  K9_FLAG(blnZipCodes)
  K9_TEXT(strOvlFile)
  K9_TEXT(strUnderFile)
  K9_TEXT(strData1)
  K9_TEXT(strData2)
  K9_TEXT(strData3)
  K9_TEXT(strData4)
  K9_TEXT(strStates0)
  void strStates1(const std::string& value) override {
    texts["strStates1"] = value;
    puts.push_back("strStates1=" + value);
  }
#undef K9_FLAG
#undef K9_TEXT
};

class RecordingEvents : public clsCpanel::Events {
 public:
  void AboutCartex() override { raised.push_back("AboutCartex"); }
  void ImpMgrDialog() override { raised.push_back("ImpMgrDialog"); }
  std::vector<std::string> raised;
};

class ScriptedChooser : public OverlayChooser {
 public:
  std::optional<std::string> Choose(const std::string& current_file, bool overlay,
                                    const ContextHelp& help) override {
    calls.push_back({current_file, overlay});
    // A user who presses F1 in the chooser before answering.
    if (press_f1 && help) help(70);
    if (answers.empty()) return std::nullopt;  // cancelled
    std::optional<std::string> answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  struct Call {
    std::string current;
    bool overlay;
  };
  std::vector<Call> calls;
  std::vector<std::optional<std::string>> answers;  // nullopt: cancelled
  bool press_f1 = false;
};

class CpanelTest : public ::testing::Test {
 protected:
  static constexpr char kIni[] = "C:\\Srv\\Kestrel9.INI";
  static constexpr char kTitle[] = "Strato9 server for Harrier32";

  CpanelTest();

  Ports ports() { return Ports{&fs_, &registry_, &dialogs_, &system_}; }
  CpanelContext context();

  // The settings file's value, or nullopt when the key is absent.
  std::optional<std::string> Ini(const std::string& section, const std::string& key);
  // The settings file's bytes ("" when there is none).
  std::string RawIni();
  void WriteIni(const std::string& contents) { fs_.AddFile(kIni, contents); }

  // A product folder with MAP.INI holding `body` under [Application Interface].
  void AddMapIni(const std::string& folder, const std::string& body);
  void SetProgramFiles(const std::string& folder);

  // Message texts shown so far.
  std::vector<std::string> Messages() const;

  // Queues the steps, shows the panel through a fresh controller and releases it.
  void ShowPanel(const std::vector<std::string>& steps);

  FakeFileSystem fs_;
  FakeRegistry registry_;
  HeadlessDialogs dialogs_;
  FakeSystem system_{"C:\\Srv\\Kestrel9.dll"};
  HeadlessFormView view_;
  RecordingParent parent_;
  RecordingEvents events_;
  ScriptedChooser chooser_;
  std::vector<HeadlessDialogs::Message> messages_;
  std::vector<HeadlessDialogs::HelpRequest> help_;
  std::vector<std::string> view_reports_;
};

}  // namespace k9::testing
