// The main job through the installed tree from a first start: Texas drawn, the
// mile marker found and shown, the picture saved; and the initialiser.
#include <stb_image.h>

#include <cstdio>
#include <fstream>
#include <set>

#include "e2e_fixture.h"
#include "render/coordinate_text.h"

namespace k9::e2e {
namespace {

struct Extent {
  double west, east, north, south;
};

Extent ParseInformation(const std::string& line) {
  Extent e{};
  char title[64] = {};
  EXPECT_EQ(std::sscanf(line.c_str(), "SignalInformation %lf %lf %lf %lf \"%63[^\"]\"", &e.west,
                        &e.east, &e.north, &e.south, title),
            5)
      << line;
  EXPECT_STREQ(title, "Stratomap V9 Server");
  return e;
}

using MainJob = InstalledTree;

TEST_F(MainJob, TexasIsDrawnTheMileMarkerFoundAndShownAndThePictureSaved) {
  const RunResult run = Host("size 800 600\n" + FirstStartScript() +
                             "draw -107 37 -93 25.5\n"
                             "search 5 TX,20,100\n"
                             "goto 1\n"
                             "png demo.png\n"
                             "option 1\n"
                             "png hidden.png\n"
                             "release\n");
  ASSERT_EQ(run.exit_code, 0) << run.error;
  EXPECT_EQ(LinesStartingWith(run.lines, "Error").size(), 0u);
  EXPECT_EQ(LinesStartingWith(run.lines, "Result DrawMapFromCorners"),
            std::vector<std::string>{"Result DrawMapFromCorners True"});
  EXPECT_EQ(LinesStartingWith(run.lines, "Match "),
            std::vector<std::string>{"Match 1 \"TX, IS-20, Mile marker 100\""});

  // The repaint the server starts for the match is announced, painted, then
  // reported with the match's title.
  const std::vector<std::string> info = LinesStartingWith(run.lines, "SignalInformation");
  ASSERT_EQ(info.size(), 3u);
  std::size_t suspend = 0;
  while (suspend < run.lines.size() && run.lines[suspend] != "SignalSuspend True") ++suspend;
  ASSERT_LT(suspend, run.lines.size());
  std::size_t redraw = suspend;
  while (redraw < run.lines.size() && run.lines[redraw].rfind("SignalSpecialRedraw", 0) != 0) {
    ++redraw;
  }
  ASSERT_LT(redraw, run.lines.size());
  EXPECT_EQ(run.lines[redraw], "SignalSpecialRedraw \"TX, IS-20, Mile marker 100\"");
  bool painted_between = false;
  for (std::size_t i = suspend; i < redraw; ++i) {
    painted_between |= run.lines[i].rfind("SignalInformation", 0) == 0;
  }
  EXPECT_TRUE(painted_between);

  // The match's repaint draws the mile-marker line and shows the host's menu entry
  // to hide it; the entry hides it again with a repaint of its own.
  std::size_t shown = suspend;
  while (shown < redraw && run.lines[shown] != "Menu 1 Visible True") ++shown;
  EXPECT_LT(shown, redraw) << "the line's menu entry is shown before the redraw is reported";
  EXPECT_EQ(LinesStartingWith(run.lines, "SignalSpecialRedraw").back(),
            "SignalSpecialRedraw \"Stratomap V9 Server\"");
  EXPECT_NE(Read("demo.png"), Read("hidden.png")) << "hiding the line changes the picture";

  // The engine shows at least the rectangle asked for.
  const Extent texas = ParseInformation(info[0]);
  EXPECT_LE(texas.west, -107);
  EXPECT_GE(texas.east, -93);
  EXPECT_GE(texas.north, 37 - 1e-6);
  EXPECT_LE(texas.south, 25.5 + 1e-6);

  // The map-list entry file holds the extent of the last paint.
  const Extent last = ParseInformation(info[1]);
  EXPECT_EQ(Read("Harrier32/Maps/!!Kestrel9.INF"),
            LongitudeText(last.west) + "," + LatitudeText(last.north) + "\r\n" +
                LongitudeText(last.east) + "," + LatitudeText(last.south) +
                "\r\nStratomap V9 Server\r\n");

  // A real map: the picture box's size, sea and many colours of land.
  int width = 0, height = 0, channels = 0;
  unsigned char* pixels = stbi_load(Path("demo.png").c_str(), &width, &height, &channels, 3);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  std::set<int> colours;
  for (int i = 0; i < width * height; ++i) {
    colours.insert(pixels[i * 3] << 16 | pixels[i * 3 + 1] << 8 | pixels[i * 3 + 2]);
  }
  stbi_image_free(pixels);
  EXPECT_GT(colours.size(), 20u);
  EXPECT_EQ(Read("Kestrel9/Kestrel9.INI").find("SEARCH_TYPE=5") != std::string::npos, true);
}

TEST_F(MainJob, TheInitialiserPlacesTheEntryFileForAHostThatHasRun) {
  // The host's first run records its program folder; the initialiser, run from
  // the server's folder, then copies the map-list entry file into the host's Maps.
  ASSERT_EQ(Host("").exit_code, 0);
  const RunResult init = Run("Kestrel9/InitKestrel9", {});
  EXPECT_EQ(init.lines, (std::vector<std::string>{
                            "Initialise Kestrel9",
                            "To use Kestrel9, select 'Stratomap V9 Server' in the Harrier32 'Load "
                            "A Map' list."}));
  EXPECT_EQ(Read("Harrier32/Maps/!!Kestrel9.INF"), Read("Kestrel9/!!Kestrel9.INF"));
}

}  // namespace
}  // namespace k9::e2e
