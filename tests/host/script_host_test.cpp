#include "host/script_host.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/fake_file_system.h"

namespace k9::host {
namespace {

// A server object that records the calls it gets and answers them from a script
// of its own, so the host's side of every command can be checked.
class FakeServer : public MapServerObject, public ServerAutomation {
 public:
  struct Call {
    std::string member;
    CallKind kind;
    std::vector<CallValue> args;
  };
  std::vector<Call> calls;
  std::vector<std::string> events;  // automation calls, in order
  std::function<CallOutcome(const std::string&, std::vector<CallValue>&, CallValue*)> answer;
  std::function<void(const std::string&, const std::string&)> sink;
  bool dialog_open = false;
  std::vector<SearchMatch> matches;
  bool released = false;

  void Release() override { released = true; }
  CallOutcome Invoke(const std::string& member, CallKind kind, std::vector<CallValue>& args,
                     CallValue* result) override {
    calls.push_back({member, kind, args});
    if (answer) return answer(member, args, result);
    return CallOutcome::Success();
  }
  ServerAutomation& Automation() override { return *this; }

  void SetMessageSink(std::function<void(const std::string&, const std::string&)> s) override {
    sink = std::move(s);
  }
  void SetHelpSink(std::function<void(const HelpReport&)> s) override { help_sink = std::move(s); }
  std::function<void(const HelpReport&)> help_sink;
  void QueueFolderAnswer(std::optional<std::string> path) override {
    events.push_back("folder " + path.value_or("<cancel>"));
  }
  void QueueFileAnswer(std::optional<std::string> path) override {
    events.push_back("file " + path.value_or("<cancel>"));
  }
  void QueueChooserAnswer(std::optional<std::string> name) override {
    events.push_back("chooser " + name.value_or("<cancel>"));
  }
  CallOutcome QueueControlPanelItems(const std::vector<std::string>& items) override {
    std::string line = "panel";
    for (const auto& item : items) line += " " + item;
    events.push_back(line);
    return CallOutcome::Success();
  }
  std::vector<std::string> TakeControlPanelReports() override { return std::exchange(reports, {}); }
  std::vector<std::string> reports;
  bool SearchDialogOpen() override { return dialog_open; }
  CallOutcome SearchFind(std::int16_t type, const std::string& query) override {
    events.push_back("find " + std::to_string(type) + " " + query);
    return CallOutcome::Success();
  }
  std::vector<SearchMatch> SearchMatches() override { return matches; }
  std::string SearchResultLabel() override { return std::to_string(matches.size()) + " found"; }
  CallOutcome SearchGoTo(std::int32_t index) override {
    events.push_back("goto " + std::to_string(index));
    return CallOutcome::Success();
  }
};

class ScriptHostTest : public ::testing::Test {
 protected:
  std::string Run(const std::string& text) {
    std::string error;
    const std::optional<Script> script = ParseScript(text, &error);
    EXPECT_TRUE(script) << error;
    if (script) host_.Run(*script);
    std::string printed = out_.str();
    out_.str("");
    return printed;
  }

  FakeServer server_;
  bool fail_create_ = false;
  std::ostringstream out_;
  k9::testing::FakeFileSystem fs_;
  ScriptHost host_{[this](std::string* error) -> MapServerObject* {
                     if (fail_create_) {
                       *error = "not registered";
                       return nullptr;
                     }
                     return &server_;
                   },
                   out_, fs_, 64, 48};
};

TEST(ScriptHostFormat, NumbersAndTextAreWrittenTheSameWayEverywhere) {
  EXPECT_EQ(SixDecimals(-106.6456), "-106.645600");
  EXPECT_EQ(SixDecimals(0), "0.000000");
  EXPECT_EQ(QuoteText("a\r\nb \"c\""), "\"a\\r\\nb \"c\"\"");
  EXPECT_EQ(FormatValue(CallValue{true}), "True");
  EXPECT_EQ(FormatValue(CallValue{std::monostate{}}), "Empty");
  EXPECT_EQ(FormatValue(CallValue{std::int32_t{14727830}}), "14727830");
  EXPECT_EQ(FormatValue(CallValue{std::string("x")}), "\"x\"");
}

TEST_F(ScriptHostTest, CallsBeforeCreateFailWithALineAndTheScriptGoesOn) {
  fail_create_ = true;
  EXPECT_EQ(Run("get blnMono\ncreate\nzoomin\n"),
            "Error blnMono: the server has not been created\n"
            "Error create: not registered\n"
            "Error ZoomIn: the server has not been created\n");
}

TEST_F(ScriptHostTest, DrawingCommandsPassThePictureBoxAndPrintTheResult) {
  server_.answer = [](const std::string&, std::vector<CallValue>&, CallValue* result) {
    if (result) *result = true;
    return CallOutcome::Success();
  };
  EXPECT_EQ(Run("create\ndraw -107 37 -93 25.5\npan -3\noption 2\n"),
            "Result DrawMapFromCorners True\nResult ZoomPan True\nResult SpecialMenuOption True\n");
  ASSERT_EQ(server_.calls.size(), 3u);
  const auto& draw = server_.calls[0];
  EXPECT_EQ(draw.member, "DrawMapFromCorners");
  ASSERT_EQ(draw.args.size(), 5u);
  EXPECT_EQ(std::get<PictureBox*>(draw.args[0]), &host_.picture_box());
  EXPECT_EQ(std::get<double>(draw.args[1]), -107);
  EXPECT_EQ(std::get<double>(draw.args[4]), 25.5);
  EXPECT_EQ(std::get<std::int16_t>(server_.calls[1].args[1]), -3);
  EXPECT_EQ(std::get<std::int16_t>(server_.calls[2].args[1]), 2);
}

TEST_F(ScriptHostTest, FailedCallsPrintTheMemberAndDescription) {
  server_.answer = [](const std::string&, std::vector<CallValue>&, CallValue*) {
    return CallOutcome::Failure(13, "Kestrel9", "Type mismatch: 'x'");
  };
  EXPECT_EQ(Run("create\nset blnMono x\ncentre 1 2\n"),
            "Error blnMono: Type mismatch: 'x'\nError DrawMapFromCentre: Type mismatch: 'x'\n");
  EXPECT_EQ(server_.calls[0].kind, CallKind::kPropertyPut);
  EXPECT_EQ(std::get<std::string>(server_.calls[0].args[0]), "x");
}

TEST_F(ScriptHostTest, FeaturesPrintsAllNineOutputs) {
  server_.answer = [](const std::string& member, std::vector<CallValue>& args, CallValue*) {
    EXPECT_EQ(member, "GetSupportedFeatures");
    for (int i = 0; i < 5; ++i) args[i] = true;
    args[5] = std::string("/srv/Kestrel6.HLP");
    args[6] = std::int32_t{30};
    args[7] = std::string("Kestrel9");
    args[8] =
        TextArray{true, 0, {"Search", "Hide Mile Marker Line", "Zoom Underlay", "Zoom Overlay"}};
    return CallOutcome::Success();
  };
  EXPECT_EQ(Run("create\nfeatures\n"),
            "features True True True True True \"/srv/Kestrel6.HLP\" 30 \"Kestrel9\" \"Search\" "
            "\"Hide Mile Marker Line\" \"Zoom Underlay\" \"Zoom Overlay\"\n");
}

TEST_F(ScriptHostTest, GetPrintsTheNameAsWrittenAndFavouritesKeepTheirBounds) {
  server_.answer = [](const std::string& member, std::vector<CallValue>& args, CallValue* result) {
    if (member == "strData1") *result = std::string("/maps/us");
    if (member == "LoadFavouriteViews") args[0] = TextArray{true, 1, {"Texas", "a, b"}};
    return CallOutcome::Success();
  };
  EXPECT_EQ(Run("create\nget strData1\nfavourite load\nfavourite save \"one view\" two\n"),
            "strData1 = \"/maps/us\"\nFavourite 1 \"Texas\"\nFavourite 2 \"a, b\"\n");
  const TextArray& saved = std::get<TextArray>(server_.calls.back().args[0]);
  EXPECT_TRUE(saved.allocated);
  EXPECT_EQ(saved.lower, 0);
  EXPECT_EQ(saved.items, (std::vector<std::string>{"one view", "two"}));
  // With no texts the host has deleted them all: an array never dimensioned.
  Run("favourite save\n");
  EXPECT_FALSE(std::get<TextArray>(server_.calls.back().args[0]).allocated);
}

TEST_F(ScriptHostTest, TheServerGetsAndShowsWindows1252WhileTheUserWritesAndReadsUtf8) {
  server_.dialog_open = true;
  server_.matches = {{"A\xD1"
                      "asco, PR"},
                     {"\x80 \x9F \x81"}};
  EXPECT_EQ(Run("create\nsearch 4 \"a\xC3\xB1"
                "asco \xE2\x82\xAC \xE6\x97\xA5\"\n"
                "search 4 \"A\xD1"
                "ASCO\"\n"),
            "Match 1 \"A\xC3\x91"
            "asco, PR\"\n"
            "Match 2 \"\xE2\x82\xAC \xC5\xB8 \xC2\x81\"\n"
            "ResultLbl \"2 found\"\n"
            "Match 1 \"A\xC3\x91"
            "asco, PR\"\n"
            "Match 2 \"\xE2\x82\xAC \xC5\xB8 \xC2\x81\"\n"
            "ResultLbl \"2 found\"\n");
  // UTF-8 is typed as Windows-1252 ("?" where it has no such character); text
  // that is no UTF-8 is taken as Windows-1252 already.
  EXPECT_EQ(server_.events, (std::vector<std::string>{"find 4 a\xF1"
                                                      "asco \x80 ?",
                                                      "find 4 A\xD1"
                                                      "ASCO"}));
  // So are a favourite's name and a property's text.
  Run("favourite add \"Pe\xC3\xB1"
      "a\"\nset strData1 \"/mapas/espa\xC3\xB1"
      "a\"\n");
  EXPECT_EQ(std::get<std::string>(server_.calls[server_.calls.size() - 2].args[0]),
            "Pe\xF1"
            "a");
  EXPECT_EQ(std::get<std::string>(server_.calls.back().args[0]),
            "/mapas/espa\xF1"
            "a");
}

TEST_F(ScriptHostTest, AnswersQueuedBeforeCreateReachTheServerInOrder) {
  Run("answer folder /opt/maps\nanswer chooser cancel\ncreate\nanswer file CANCEL\n");
  EXPECT_EQ(server_.events,
            (std::vector<std::string>{"folder /opt/maps", "chooser <cancel>", "file <cancel>"}));
}

TEST_F(ScriptHostTest, CallbacksMessageBoxesAndHelpArePrintedAsTheyHappen) {
  server_.answer = [this](const std::string&, std::vector<CallValue>& args, CallValue*) {
    auto* events = std::get<HostEvents*>(args[1]);
    auto* form = std::get<HostForm*>(args[2]);
    double w = -106.5, e = -93.25, n = 36.5, s = 25.837;
    events->SignalInformation(w, e, n, s, "Stratomap V9 Server");
    events->SignalSuspend(true);
    events->SignalSpecialRedraw("TX I-20 mile 100");
    form->SetSpecialOptionVisible(1, false);
    form->SetSpecialOptionEnabled(2, true);
    server_.sink("Strato9 server for Harrier32", "Line one\r\nLine two");
    server_.help_sink({"/k9/Kestrel9.chm", 30, "control_panel.htm"});
    std::string call = "W1AW";
    std::string data;
    events->SignalCallsignData(call, data);
    EXPECT_EQ(data, "41.7,-72.7");
    return CallOutcome::Success();
  };
  EXPECT_EQ(Run("callsign w1aw 41.7,-72.7\ncreate\ninitialize K1ABC\n"),
            "SignalInformation -106.500000 -93.250000 36.500000 25.837000 \"Stratomap V9 Server\"\n"
            "SignalSuspend True\n"
            "SignalSpecialRedraw \"TX I-20 mile 100\"\n"
            "Menu 1 Visible False\n"
            "Menu 2 Enabled True\n"
            "MessageBox \"Strato9 server for Harrier32\" \"Line one\\r\\nLine two\"\n"
            "Help \"/k9/Kestrel9.chm\" 30 \"control_panel.htm\"\n"
            "SignalCallsignData \"W1AW\"\n");
}

TEST_F(ScriptHostTest, SearchOpensTheDialogWhenNeededAndGotoChecksTheNumber) {
  server_.answer = [this](const std::string& member, std::vector<CallValue>& args, CallValue* r) {
    if (member == "SpecialMenuOption" && std::get<std::int16_t>(args[1]) == 0) {
      server_.dialog_open = true;
      *r = true;
    }
    return CallOutcome::Success();
  };
  server_.matches = {{"TX I-20 mile 100"}, {"TX I-20 mile 100 (east)"}};
  EXPECT_EQ(Run("create\nsearch 5 TX,20,100\nsearch 5 TX,20,100\ngoto 3\ngoto 2\n"),
            "Result SpecialMenuOption True\n"
            "Match 1 \"TX I-20 mile 100\"\nMatch 2 \"TX I-20 mile 100 (east)\"\n"
            "ResultLbl \"2 found\"\n"
            "Match 1 \"TX I-20 mile 100\"\nMatch 2 \"TX I-20 mile 100 (east)\"\n"
            "ResultLbl \"2 found\"\n"
            "Error goto: there is no match 3 (2 listed)\n");
  EXPECT_EQ(server_.calls.size(), 1u) << "the dialog is opened once";
  EXPECT_EQ(server_.events,
            (std::vector<std::string>{"find 5 TX,20,100", "find 5 TX,20,100", "goto 1"}));
}

TEST_F(ScriptHostTest, PanelQueuesItsItemsThenShowsThePanel) {
  Run("create\npanel mnuShadeStates mnuMono\n");
  EXPECT_EQ(server_.events, (std::vector<std::string>{"panel mnuShadeStates mnuMono"}));
  ASSERT_EQ(server_.calls.size(), 1u);
  EXPECT_EQ(server_.calls[0].member, "ShowControlPanel");
}

TEST_F(ScriptHostTest, ReleaseEndsTheObjectOnceAndPngWritesThePicture) {
  fs_.AddDirectory("/out");
  EXPECT_EQ(Run("create\nsize 32 16\npng /out/map.png\nrelease\nrelease\n"),
            "Error release: the server has not been created\n");
  EXPECT_TRUE(server_.released);
  EXPECT_EQ(host_.picture_box().PixelWidth(), 32);
  std::string bytes;
  ASSERT_TRUE(fs_.ReadFile("/out/map.png", &bytes));
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
}

TEST(Script, MalformedLinesAreRejectedWithTheirNumber) {
  std::string error;
  EXPECT_FALSE(ParseScript("create\n\ndraw 1 2 3\n", &error));
  EXPECT_EQ(error, "line 3: draw takes 4 arguments, not 3");
  EXPECT_FALSE(ParseScript("search 5 \"TX,20\n", &error));
  EXPECT_EQ(error, "line 1: a quote is not closed");
  EXPECT_FALSE(ParseScript("size 0 10", &error));
  EXPECT_FALSE(ParseScript("pan 40000", &error));
  EXPECT_FALSE(ParseScript("answer dialog x", &error));
  EXPECT_FALSE(ParseScript("favourite add", &error));
  EXPECT_FALSE(ParseScript("fly away", &error));
  EXPECT_EQ(error, "line 1: unknown command 'fly'");
  EXPECT_FALSE(ParseScript("wait -1", &error));
  EXPECT_EQ(error, "line 1: wait takes 0 to 3600000 milliseconds");
  EXPECT_FALSE(ParseScript("wait 3600001", &error));
}

TEST_F(ScriptHostTest, WaitIsAcceptedAndDoesNothingWithoutAWindow) {
  EXPECT_EQ(Run("wait 3600000\ncreate\nwait 0\n"), "");
  EXPECT_TRUE(server_.calls.empty());
}

TEST_F(ScriptHostTest, CallsignQueriesAreAnsweredFromTheStationsAfterTheScriptsAnswers) {
  std::string error;
  const auto stations = ParseStations(
      "# callsign\tlongitude\tlatitude\r\nN0CALL-9\t-95.37\t29.76\r\n\nn0call\t-97.74\t30.27\n"
      "W1AW\t-72.73\t41.71\n",
      &error);
  ASSERT_TRUE(stations) << error;
  // Without an SSID the query finds the station with any; with one, only that one.
  EXPECT_EQ(StationAnswer(*stations, " n0call "), "N0CALL-9,-95.37,29.76\tN0CALL,-97.74,30.27");
  EXPECT_EQ(StationAnswer(*stations, "N0CALL-9"), "N0CALL-9,-95.37,29.76");
  EXPECT_EQ(StationAnswer(*stations, "N0CAL"), "");
  host_.SetStations(*stations);
  server_.answer = [](const std::string&, std::vector<CallValue>& args, CallValue*) {
    auto* events = std::get<HostEvents*>(args[1]);
    for (std::string call : {"W1AW", "K5XYZ", "N9NOPE"}) {
      std::string data;
      events->SignalCallsignData(call, data);
      events->SignalSpecialRedraw(data.empty() ? "not found" : data);
    }
    return CallOutcome::Success();
  };
  EXPECT_EQ(Run("callsign K5XYZ -97.1,32.7\ncreate\ninitialize K1ABC\n"),
            "SignalCallsignData \"W1AW\"\nSignalSpecialRedraw \"W1AW,-72.73,41.71\"\n"
            "SignalCallsignData \"K5XYZ\"\nSignalSpecialRedraw \"-97.1,32.7\"\n"
            "SignalCallsignData \"N9NOPE\"\nSignalSpecialRedraw \"not found\"\n");

  for (const char* bad : {"W1AW\t-72.73\n", "W1AW\t-272.7\t41.7\n", "W1,AW\t-72.7\t41.7\n",
                          "\t-72.7\t41.7\n", "W1AW\tnorth\t41.7\n"}) {
    EXPECT_FALSE(ParseStations(std::string("# ok\n") + bad, &error)) << bad;
    EXPECT_EQ(error,
              "line 2: a station is a callsign, a longitude (-180 to 180) and a latitude (-90 to "
              "90) separated by tabs");
  }
}

TEST(Script, QuotesCommentsAndLineEndsAreRead) {
  std::string error;
  const auto script = ParseScript(
      "# a comment\r\nCREATE  # trailing\r\nset strOvlFile \"My \"\"best\"\" #1\"\r\ncentre -97.7 "
      "+30.25",
      &error);
  ASSERT_TRUE(script) << error;
  ASSERT_EQ(script->commands.size(), 3u);
  EXPECT_EQ(script->commands[0].words, (std::vector<std::string>{"create"}));
  EXPECT_EQ(script->commands[0].line, 2);
  EXPECT_EQ(script->commands[1].words[2], "My \"best\" #1");
  EXPECT_EQ(script->commands[2].words[2], "+30.25");
}

}  // namespace
}  // namespace k9::host
