#include "server/cls_map_serv.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/text.h"
#include "server/server_fixture.h"

namespace k9::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class MapServTest : public ServerTest {
 protected:
  std::string Cfg() const { return InServer("Cartex71.Cfg"); }
};

TEST_F(MapServTest, CreationOpensTheNamedMutexAndLeavesTheControlNotOk) {
  clsMapServ& server = Server();
  EXPECT_THAT(system_.mutexes, ElementsAre("STRATO7MUTEX"));
  EXPECT_FALSE(server.blnControlOk());
  EXPECT_EQ(engines_created_, 0);
}

TEST_F(MapServTest, InitializeMakesTheEngineCallsInOrder) {
  clsMapServ& server = Server();
  std::string callsign = "W1AW";
  server.Initialize(callsign, &events_, &form_);

  EXPECT_TRUE(server.blnControlOk());
  EXPECT_THAT(engine().calls(),
              ElementsAreArray(std::vector<std::string>{
                  "PutMember(149,6)",  // the map form's load
                  "PutMember(138,false)",
                  "LoadConfig(" + Cfg() + ")",
                  "Path_data1=",
                  "Path_data2=",
                  "Path_data3=",
                  "Path_data4=",
                  "Path_states=",
                  "Path_statesEx=",
                  "Shade_Mcd=true",
                  "Shade_Cnty=true",
                  "Shade_Plc=true",
                  "Shade_State=true",
                  "OneWayShow=false",
                  "EngineCommand(61182,1)",
                  "ZipCodesShown=false",
                  "LandColor?",
                  "SetMapSize(4800,3600)",
                  "PutMember(149,6)",
                  "PutMember(185,true)",
                  "EngineCommand(49156,-1)",
                  "EngineCommand(2,14727830)",
                  "PutMember(167,true)",
                  "PutMember(165,1)",
                  "PutMember(166,16777215)",
                  "LandColor=11534335",
                  "OverlayVisible=true",
                  "UnderlayVisible=false",
                  "Refresh()",
                  "CallMember(698)",
                  "SaveConfig(" + Cfg() + ")",
                  "CallMember(91)",
              }));
  // Initialize tells the host nothing and draws nothing.
  EXPECT_THAT(events_.calls(), IsEmpty());
  EXPECT_THAT(picture_.calls(), IsEmpty());
}

TEST_F(MapServTest, InitializeSetsFoldersAndPlacesTheMapForm) {
  clsMapServ& server = Server();
  std::string callsign = "W1AW";
  server.Initialize(callsign, &events_, &form_);

  EXPECT_EQ(server.folders().host_folder, kHostFolder);
  EXPECT_EQ(server.folders().overlay_folder, InServer("Strato Overlays") + kPathSeparator);
  EXPECT_EQ(server.folders().underlay_folder, InServer("Strato Underlays") + kPathSeparator);
  EXPECT_TRUE(fs_.DirectoryExists("/srv/k9/Strato Overlays"));
  EXPECT_TRUE(fs_.DirectoryExists("/srv/k9/Strato Underlays"));
  EXPECT_EQ(server.FavouritesFile(), InServer("Kestrel9.FAV"));
  ASSERT_NE(server.MapForm(), nullptr);
  EXPECT_FALSE(server.MapForm()->Visible());
  EXPECT_EQ(server.MapForm()->Width(), 200);
  EXPECT_EQ(server.MapForm()->Height(), 200);
  EXPECT_EQ(server.MapForm()->Left(), 1024 * 15 - 200);
  EXPECT_EQ(server.MapForm()->Top(), 768 * 15 - 200);
  // The engine got the form's stored start values when the form loaded.
  EXPECT_EQ(engine().start_values().at("Coords"), EngineValue{std::string("CdLonLat")});
  EXPECT_EQ(engine().start_values().at("Color"), EngineValue{std::int32_t{0xAFFFFF}});
}

TEST_F(MapServTest, InitializeWithoutHostSettingLeavesTheHostFolderEmpty) {
  registry_.DeleteValue(RegRoot::kCurrentUser,
                        "Software\\VB and VBA Program Settings\\Corvid Works\\Harrier32",
                        "Program Folder");
  clsMapServ& server = InitializedServer();
  EXPECT_EQ(server.folders().host_folder, "");
}

TEST_F(MapServTest, InitializeAppliesTheSavedSettingsThroughThePropertyPuts) {
  SetSettingsFile(
      "[PATHS]\r\nDATA1=D:\\D1\r\nDATA2=D:\\D2\r\nDATA3=D:\\D3\r\nSTATES0=D:\\ST\r\n"
      "[SETUP]\r\nMONOCHROME=True\r\nSHADE_MCD=False\r\nSHADE_COUNTY=0\r\nONEWAY_SHOW=TRUE\r\n"
      "HIGH_CONTRAST=false\r\nSHOW_ZIPCODES=1\r\nOVERLAY=/o/a.ovr\r\nUNDERLAY=/u/b.bmp\r\n");
  clsMapServ& server = Server();
  std::string callsign;
  server.Initialize(callsign, &events_, &form_);

  EXPECT_TRUE(server.blnMono());
  EXPECT_EQ(server.strData1(), "D:\\D1");
  EXPECT_EQ(server.strData4(), "");
  // STATES1 absent takes STATES0.
  EXPECT_EQ(server.strStates1(), "D:\\ST");
  EXPECT_FALSE(server.blnShadeMcd());
  EXPECT_FALSE(server.blnShadeCounties());
  EXPECT_TRUE(server.blnShadePlaces());
  EXPECT_TRUE(server.blnOnewayShow());
  EXPECT_FALSE(server.blnHighContrastRds());
  EXPECT_TRUE(server.blnZipCodes());
  EXPECT_EQ(server.strOvlFile(), "/o/a.ovr");
  EXPECT_EQ(server.strUnderFile(), "/u/b.bmp");
  EXPECT_THAT(engine().CallsStartingWith("EngineCommand(61182"),
              ElementsAre("EngineCommand(61182,0)"));
}

TEST_F(MapServTest, AnUnreadableBooleanSettingFallsBackToItsDefault) {
  SetSettingsFile("[SETUP]\r\nSHADE_STATE=maybe\r\nMONOCHROME=\r\n");
  clsMapServ& server = InitializedServer();
  EXPECT_TRUE(server.blnControlOk());
  EXPECT_TRUE(server.blnShadeStates());
  EXPECT_FALSE(server.blnMono());
}

TEST_F(MapServTest, WhiteBackgroundAtStartMakesTheLandWhiteAndKeepsItWhiteWhenSwitchedOff) {
  SetSettingsFile("[SETUP]\r\nWHITE_BACKGROUND=True\r\n");
  clsMapServ& server = Server();
  std::string callsign;
  server.Initialize(callsign, &events_, &form_);
  EXPECT_THAT(engine().CallsStartingWith("LandColor="),
              ElementsAre("LandColor=16777215", "LandColor=16777215"));
  EXPECT_EQ(server.LandColourAtStart(), 0xFFFFFF);

  engine().ClearCalls();
  server.blnWhiteBackground(false);
  EXPECT_FALSE(server.blnWhiteBackground());
  EXPECT_THAT(engine().calls(), ElementsAre("LandColor=16777215", "Refresh()"));
}

TEST_F(MapServTest, WhiteBackgroundPutShowsTheFormOnlyWhenTheValueChanges) {
  clsMapServ& server = InitializedServer();
  server.blnWhiteBackground(false);
  EXPECT_THAT(engine().calls(), IsEmpty());

  server.blnWhiteBackground(true);
  EXPECT_THAT(engine().calls(), ElementsAre("LandColor=16777215", "Refresh()"));
  EXPECT_FALSE(server.MapForm()->Visible());

  engine().ClearCalls();
  server.blnWhiteBackground(false);
  // Back to the land colour read at start, not a fixed one.
  EXPECT_THAT(engine().calls(), ElementsAre("LandColor=11534335", "Refresh()"));
}

TEST_F(MapServTest, DisplayAndFolderPropertiesReachTheEngine) {
  clsMapServ& server = InitializedServer();
  server.blnShadeMcd(false);
  server.blnShadeCounties(false);
  server.blnShadePlaces(false);
  server.blnShadeStates(false);
  server.blnZipCodes(true);
  server.blnOnewayShow(true);
  server.blnHighContrastRds(false);
  server.strData1("/d1");
  server.strData2("/d2");
  server.strData3("/d3");
  server.strData4("/d4");
  server.strStates0("/s0");
  server.strStates1("/s1");
  EXPECT_THAT(
      engine().calls(),
      ElementsAre("Shade_Mcd=false", "Shade_Cnty=false", "Shade_Plc=false", "Shade_State=false",
                  "ZipCodesShown=true", "OneWayShow=true", "EngineCommand(61182,0)",
                  "Path_data1=/d1", "Path_data2=/d2", "Path_data3=/d3", "Path_data4=/d4",
                  "Path_states=/s0", "Path_statesEx=/s1"));
  EXPECT_FALSE(server.blnShadeMcd());
  EXPECT_FALSE(server.blnShadeCounties());
  EXPECT_FALSE(server.blnShadePlaces());
  EXPECT_FALSE(server.blnShadeStates());
  EXPECT_TRUE(server.blnZipCodes());
  EXPECT_TRUE(server.blnOnewayShow());
  EXPECT_FALSE(server.blnHighContrastRds());
  EXPECT_EQ(server.strData1(), "/d1");
  EXPECT_EQ(server.strData2(), "/d2");
  EXPECT_EQ(server.strData3(), "/d3");
  EXPECT_EQ(server.strData4(), "/d4");
  EXPECT_EQ(server.strStates0(), "/s0");
  EXPECT_EQ(server.strStates1(), "/s1");

  // Server-only values make no engine call.
  engine().ClearCalls();
  server.blnMono(true);
  server.strOvlFile("/o.ovr");
  server.strUnderFile("/u.bmp");
  EXPECT_TRUE(server.blnMono());
  EXPECT_EQ(server.strOvlFile(), "/o.ovr");
  EXPECT_EQ(server.strUnderFile(), "/u.bmp");
  EXPECT_THAT(engine().calls(), IsEmpty());

  engine().set_background_colour(0x123456);
  EXPECT_EQ(server.varMapBackColor(), std::optional<std::int32_t>(0x123456));
  EXPECT_EQ(server.varSeaColor(), std::nullopt);
}

TEST_F(MapServTest, HighContrastIsStoredOnlyWhenTheEngineTookIt) {
  clsMapServ& server = InitializedServer();
  engine().FailOn("EngineCommand");
  EXPECT_ANY_THROW(server.blnHighContrastRds(false));
  EXPECT_TRUE(server.blnHighContrastRds());
}

TEST_F(MapServTest, EnginePropertiesFailBeforeInitialize) {
  clsMapServ& server = Server();
  EXPECT_ANY_THROW(server.blnShadeMcd(true));
  EXPECT_ANY_THROW(server.strData1());
  EXPECT_ANY_THROW(server.varMapBackColor());
  EXPECT_ANY_THROW(server.blnWhiteBackground(true));
  EXPECT_FALSE(server.blnWhiteBackground());
  EXPECT_EQ(engines_created_, 0);
}

TEST_F(MapServTest, GetSupportedFeaturesReportsFeaturesAndFourCaptions) {
  for (bool initialise : {false, true}) {
    SCOPED_TRACE(initialise);
    clsMapServ& server = initialise ? InitializedServer() : Server();
    bool diagonal = false, in = false, out = false, all = false, panel = false;
    std::string help, short_name;
    std::int32_t topic = 0;
    TextArray captions{true, 5, {"old"}};
    server.GetSupportedFeatures(diagonal, in, out, all, panel, help, topic, short_name, captions);
    EXPECT_TRUE(diagonal && in && out && all && panel);
    EXPECT_EQ(help, InServer("Kestrel6.HLP"));
    EXPECT_EQ(topic, 30);
    EXPECT_EQ(short_name, "Kestrel9");
    EXPECT_EQ(
        captions,
        (TextArray{true, 0, {"Search", "Hide Mile Marker Line", "Zoom Underlay", "Zoom Overlay"}}));
    Release();
  }
}

TEST_F(MapServTest, FailedEngineCreationFailsInitializeAfterControlOkWasSet) {
  engine_creation_fails_ = true;
  clsMapServ& server = Server();
  std::string callsign;
  EXPECT_ANY_THROW(server.Initialize(callsign, &events_, &form_));
  EXPECT_TRUE(server.blnControlOk());
  // Release does not make an engine just to save its settings.
  Release();
  EXPECT_EQ(engines_created_, 0);
  EXPECT_THAT(log_, ElementsAre("form.Unload mnuMapSpecialOptions(1)",
                                "form.Unload mnuMapSpecialOptions(2)",
                                "form.Unload mnuMapSpecialOptions(3)"));
}

TEST_F(MapServTest, AFailingInitializeStepEndsInitialize) {
  engine_fail_on_ = {"LoadConfig"};
  clsMapServ& server = Server();
  std::string callsign;
  EXPECT_ANY_THROW(server.Initialize(callsign, &events_, &form_));
  EXPECT_EQ(engine().calls().back(), "LoadConfig(" + Cfg() + ")");
}

TEST_F(MapServTest, OverlayFolderThatCannotBeMadeFailsInitialize) {
  struct NoFolders : FileSystemWrapper {
    using FileSystemWrapper::FileSystemWrapper;
    bool MakeDirectory(const std::string&) override { return false; }
  } no_folders(fs_);
  ports_.fs = &no_folders;
  clsMapServ& server = Server();
  std::string callsign;
  EXPECT_ANY_THROW(server.Initialize(callsign, &events_, &form_));
  EXPECT_FALSE(server.blnControlOk());
  EXPECT_EQ(engines_created_, 0);
  Release();
}

TEST_F(MapServTest, ReleaseRunsEveryStepPastFailures) {
  InitializedServer();
  form_.FailOn("Unload");
  engine().FailOn("SaveConfig");
  Release();
  EXPECT_THAT(
      log_,
      ElementsAre("form.Unload mnuMapSpecialOptions(1)", "form.Unload mnuMapSpecialOptions(2)",
                  "form.Unload mnuMapSpecialOptions(3)", "engine.SaveConfig(" + Cfg() + ")"));
}

TEST_F(MapServTest, ReleaseLeavesMenuEntryZeroAndSavesTheEngineSettings) {
  InitializedServer();
  Release();
  EXPECT_TRUE(form_.entry(0).loaded);
  EXPECT_FALSE(form_.entry(1).loaded);
  EXPECT_FALSE(form_.entry(2).loaded);
  EXPECT_FALSE(form_.entry(3).loaded);
  EXPECT_THAT(log_, ::testing::Contains("engine.SaveConfig(" + Cfg() + ")"));
}

TEST_F(MapServTest, ControlPanelEventsReachTheEngineWhileThePanelIsOpen) {
  // The control panel raises these; reach them through a panel that raises both.
  struct RaisingPanel : ControlPanel {
    ControlPanelEvents& events;
    clsMapServ* parent = nullptr;
    explicit RaisingPanel(ControlPanelEvents& e) : events(e) {}
    void LoadIni(settings::SavedSettings&, bool) override {}
    void Parent(clsMapServ* server) override { parent = server; }
    void ShowControlPanel() override {
      ASSERT_NE(parent, nullptr);
      events.AboutCartex();
      events.ImpMgrDialog();
    }
  };
  int panels = 0;
  ServerParts parts;
  parts.control_panel = [&](ControlPanelEvents& events, const Ports&) {
    ++panels;
    return std::make_unique<RaisingPanel>(events);
  };
  clsMapServ& server = InitializedServer(std::move(parts));
  EXPECT_EQ(panels, 1);  // the start-up load
  server.ShowControlPanel();
  EXPECT_EQ(panels, 2);
  EXPECT_THAT(engine().calls(),
              ElementsAre("AboutBox()", "ImportManager?", "ImportManager.Show()"));

  // An engine without an import manager: the user is told, once.
  std::vector<std::string> messages;
  dialogs_.SetMessageSink(
      [&messages](const HeadlessDialogs::Message& m) { messages.push_back(m.text); });
  engine().set_has_import_manager(false);
  server.ShowControlPanel();
  EXPECT_EQ(messages, (std::vector<std::string>{kNoImportManager}));
}

TEST_F(MapServTest, ShowControlPanelWithoutThePartFails) {
  clsMapServ& server = InitializedServer();
  EXPECT_ANY_THROW(server.ShowControlPanel());
}

}  // namespace
}  // namespace k9::testing
