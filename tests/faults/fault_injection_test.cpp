// Fault injection over the server's save paths. Each save runs on the platform's
// real file system in a fresh folder, once for every call of every replace step
// (space check, write, flush, rename), that call failing; after each run the
// files the save would replace must hold what they held, no temporary file may
// be left, and the user (or the caller) must have been told the reason. The run
// in which no call failed must have saved.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "common/app_settings.h"
#include "common/text.h"
#include "engine/reference_engine.h"
#include "faulty_file_ops.h"
#include "platform/file_system.h"
#ifndef _WIN32
#include "platform/posix/file_registry.h"
#endif
#include "render/underlay_maker.h"
#include "server/cls_map_serv.h"
#include "settings/control_panel_part.h"
#include "settings/form_view.h"
#include "support/fake_engine.h"
#include "support/fake_host.h"
#include "support/fake_registry.h"
#include "support/fake_system.h"

namespace k9::testing {
namespace {

using Step = FaultyFileOps::Step;

namespace fs = std::filesystem;

class FaultInjection : public ::testing::Test {
 protected:
  static fs::path Root() {
    return fs::temp_directory_path() /
           ("k9-faults-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  }

  void SetUp() override {
    fs::remove_all(root_);
    for (const char* folder :
         {"Srv/Strato Overlays", "Srv/Strato Underlays", "Harrier32/Maps", "Data"}) {
      fs::create_directories(root_ / folder);
    }
    SaveSetting(registry_, "Corvid Works", "Harrier32", "Program Folder", Path("Harrier32"));
    dialogs_.SetMessageSink([this](const HeadlessDialogs::Message& m) { told_ += m.text; });
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Path(const std::string& relative) const { return (root_ / relative).string(); }
  void Put(const std::string& relative, const std::string& text) const {
    std::ofstream(root_ / relative, std::ios::binary | std::ios::trunc) << text;
  }
  std::string Get(const std::string& relative) const {
    std::ifstream in(root_ / relative, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  // Temporary files of our naming anywhere in the tree.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root_)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(".k9-", 0) == 0 ||
          (name.rfind("k9", 0) == 0 && name.size() == 10 && name.substr(6) == ".tmp")) {
        found.push_back(name);
      }
    }
    return found;
  }

  Ports ports() { return Ports{fs_.get(), &registry_, &dialogs_, &system_}; }

  // The heart of the suite. `files` (relative paths) are put back with their
  // contents before every run; `save` runs the save path and returns what it
  // reported besides the message boxes (an error description, a false result).
  // After the clean run, `saved` checks what the save wrote.
  void RunEveryFault(const std::map<std::string, std::string>& files,
                     const std::function<std::string()>& save, const std::function<void()>& saved) {
    for (Step step : {Step::kSpaceCheck, Step::kWrite, Step::kFlush, Step::kRename}) {
      for (int n = 1;; ++n) {
        SCOPED_TRACE("step " + std::to_string(static_cast<int>(step)) + ", call " +
                     std::to_string(n));
        for (const auto& [relative, text] : files) Put(relative, text);
        told_.clear();
        ops_.FailNth(step, n);
        const std::string returned = save();
        const std::string report = returned + told_;
        if (!ops_.fired()) {
          EXPECT_GT(n, 1) << "the save never reached this step";
          EXPECT_EQ(report, "");
          saved();
          break;
        }
        for (const auto& [relative, text] : files) EXPECT_EQ(Get(relative), text) << relative;
        EXPECT_EQ(Leftovers(), std::vector<std::string>{});
        EXPECT_NE(report.find(ReasonWords(step)), std::string::npos) << report;
        bool named = false;
        for (const auto& file : files) {
          named =
              named || report.find(fs::path(file.first).filename().string()) != std::string::npos;
        }
        EXPECT_TRUE(named) << report;
        if (n > 20) break;  // a runaway save; the checks above have failed by now
      }
    }
  }

  static std::string ReasonWords(Step step) {
    switch (FaultyFileOps::FaultOf(step)) {
      case FileFault::kDiskFull:
        return "The disk is full";
      case FileFault::kAccessDenied:
        return "is denied";
      default:
        return FaultyFileOps::kFlushDetail;
    }
  }

  // A server on the faulty file system, initialised, its data folders set.
  std::unique_ptr<clsMapServ> Server(ServerParts parts = {}) {
    auto server = std::make_unique<clsMapServ>(
        ports(), [](const std::string&) { return std::make_unique<FakeEngine>(); },
        std::move(parts));
    std::string callsign = "G4ABC";
    server->Initialize(callsign, &events_, &form_);
    return server;
  }

  fs::path root_ = Root();
  FaultyFileOps ops_;
  std::unique_ptr<FileSystem> fs_ = NewPlatformFileSystem(ops_);
  FakeRegistry registry_;
  HeadlessDialogs dialogs_;
  // The server library lies in the server folder "Srv".
  FakeSystem system_{(root_ / "Srv" / "Kestrel9.dll").string()};
  FakeHostEvents events_;
  FakeHostForm form_;
  std::string told_;
};

TEST_F(FaultInjection, FavouriteAddedOrSaved) {
  auto server = Server();
  const std::map<std::string, std::string> files = {{"Srv/Kestrel9.FAV", "Texas\r\nAustin\r\n"}};
  RunEveryFault(
      files,
      [&] {
        std::string view = "Gulf coast";
        server->AddToFavouriteViews(view);
        return std::string();
      },
      [&] { EXPECT_EQ(Get("Srv/Kestrel9.FAV"), "Texas\r\nAustin\r\nGulf coast\r\n"); });
  RunEveryFault(
      files,
      [&] {
        TextArray views;
        views.allocated = true;
        views.items = {"Dallas"};
        server->SaveFavouriteViews(views);
        return std::string();
      },
      [&] { EXPECT_EQ(Get("Srv/Kestrel9.FAV"), "Dallas\r\n"); });
}

TEST_F(FaultInjection, SettingToggledInTheControlPanel) {
  // Keys the panel writes on closing already hold what it writes: one replace.
  const std::string ini = "[PATHS]\r\nDATA1=" + Path("Data") + "\r\nDATA2=" + Path("Data") +
                          "\r\nDATA3=" + Path("Data") + "\r\nSTATES0=" + Path("Data") +
                          "\r\n[SETUP]\r\nWHITE_BACKGROUND=False\r\nHIGH_CONTRAST=True\r\n"
                          "SHOW_ZIPCODES=False\r\nMONOCHROME=False\r\n";
  Put("Srv/Kestrel9.INI", ini);
  HeadlessFormView view;
  ServerParts parts;
  ControlPanelTools tools;
  tools.view = &view;
  AddControlPanel(parts, tools);
  auto server = Server(parts);
  RunEveryFault(
      {{"Srv/Kestrel9.INI", ini}},
      [&] {
        server->blnMono(false);
        view.Queue("mnuMonochromeMaps");
        server->ShowControlPanel();
        return std::string();
      },
      [&] { EXPECT_NE(Get("Srv/Kestrel9.INI").find("MONOCHROME=True"), std::string::npos); });
}

TEST_F(FaultInjection, MapListEntryRewrittenByAPaint) {
  FakePictureBox picture(400, 300);
  RunEveryFault(
      {{"Harrier32/Maps/!!Kestrel9.INF", "old\r\n"}},
      [&] {
        // A server of its own per run: the entry file's failures are told once.
        auto server = Server();
        double west = -100, north = 40, east = -90, south = 30;
        server->DrawMapFromCorners(picture, west, north, east, south);
        return std::string();
      },
      [&] {
        EXPECT_NE(Get("Harrier32/Maps/!!Kestrel9.INF").find("Stratomap V9 Server"),
                  std::string::npos);
      });
}

TEST_F(FaultInjection, EngineSettingsSaved) {
  engine::ReferenceEngine engine(*fs_);
  RunEveryFault(
      {{"Srv/cartex71.cfg", "[Visible]\r\nOVER=TRUE\r\n"}},
      [&] {
        try {
          engine.SaveConfig(Path("Srv/Cartex71.Cfg"));
        } catch (const std::exception& error) {
          return std::string(error.what());
        }
        return std::string();
      },
      [&] { EXPECT_NE(Get("Srv/cartex71.cfg").find("ShadeStates="), std::string::npos); });
}

#ifndef _WIN32  // the file-backed registry store is the POSIX one
TEST_F(FaultInjection, RegistryStoreChanged) {
  const std::unique_ptr<Registry> store = NewFileRegistry(Path("registry.reg"), *fs_);
  const std::string before =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Old]\r\n\"A\"=\"1\"\r\n";
  RunEveryFault(
      {{"registry.reg", before}},
      [&] {
        if (store->SetValue(RegRoot::kCurrentUser, "Software\\New", "B",
                            {kRegSz, std::string("2\0", 2)})) {
          return std::string();
        }
        return DescribeFileProblem(store->CheckStore());
      },
      [&] { EXPECT_NE(Get("registry.reg").find("\"B\"=\"2\""), std::string::npos); });
}
#endif

TEST_F(FaultInjection, UnderlayMadeFromAHostMap) {
  // A 1 x 1 bitmap beside an INF file; an underlay of that name made before.
  std::string bmp = "BM";
  for (std::uint32_t v : {58u, 0u, 54u, 40u, 1u, 1u})
    bmp += std::string(reinterpret_cast<char*>(&v), 4);
  bmp += std::string("\x01\0\x18\0", 4) + std::string(24, '\0') + "\xff\0\0\0";
  Put("Harrier32/Maps/x.INF", "51.30.00N,001.30.00W\r\n51.15.00N,001.15.00E\r\n");
  Put("Harrier32/Maps/x.BMP", bmp);
  ServerFolders folders;
  folders.host_folder = Path("Harrier32");
  folders.underlay_folder = Path("Srv/Strato Underlays") + std::string(1, kPathSeparator);
  RunEveryFault(
      {{"Srv/Strato Underlays/x.BMP", "old bitmap"},
       {"Srv/Strato Underlays/x.SAT", "1, 2, 3, 4\r\n"}},
      [&] {
        dialogs_.QueueFileAnswer(Path("Harrier32/Maps/x.INF"));
        const UnderlayResult made = MapImageUnderlayMaker(ports(), folders).Run(0);
        // Success is told too; only a failure counts here.
        if (made == UnderlayResult::kMade) told_.clear();
        return std::string();
      },
      [&] {
        EXPECT_EQ(Get("Srv/Strato Underlays/x.SAT"), "-1.5, 51.5, 1.25, 51.25\r\n");
        EXPECT_EQ(Get("Srv/Strato Underlays/x.BMP").substr(0, 2), "BM");
      });
}

}  // namespace
}  // namespace k9::testing
