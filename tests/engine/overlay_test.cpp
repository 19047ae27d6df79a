#include "engine/overlay.h"

#include <gtest/gtest.h>

#include <random>

#include "engine_test_support.h"

namespace k9::engine {
namespace {

std::string Sample(const char* name) {
  return testing::ReadAll(testing::DataDir() + "/overlays/" + name);
}

TEST(OverlayFiles, ShippedSamplesParseIntoTheirItems) {
  Overlay ovr, cad;
  std::string error;
  ASSERT_TRUE(ParseOverlay(Sample("interstate-corridor.OVR"), "OVR", &ovr, &error)) << error;
  ASSERT_EQ(ovr.items.size(), 5u);
  EXPECT_EQ(ovr.items[0].kind, OverlayItem::Kind::kArea);
  EXPECT_EQ(ovr.items[0].fill, 0xFADCF0u);
  EXPECT_EQ(ovr.items[1].kind, OverlayItem::Kind::kLine);
  EXPECT_EQ(ovr.items[1].pen, 0x78003Cu);
  EXPECT_EQ(ovr.items[2].text, "San Antonio terminal");
  EXPECT_EQ(ovr.items[4].text, "I-35 corridor");
  EXPECT_NEAR(ovr.box.west, -98.60, 1e-4);
  EXPECT_NEAR(ovr.box.north, 30.45, 1e-4);
  ASSERT_TRUE(ParseOverlay(Sample("gulf-coast.CAD"), "cad", &cad, &error)) << error;
  ASSERT_EQ(cad.items.size(), 5u);
  EXPECT_EQ(cad.items[0].points.size(), 5u);
  EXPECT_EQ(cad.items[3].text, "Corpus Christi");
  EXPECT_EQ(cad.items[4].kind, OverlayItem::Kind::kText);
}

TEST(OverlayFiles, EachMistakeIsRefusedNamingItsLine) {
  struct Case {
    const char* ext;
    const char* text;
    const char* error;
  } cases[] = {
      {"OVR", "", "empty overlay file"},
      {"OVR", "; only a comment\n", "empty overlay file"},
      {"OVR", "K9CAD,1\n", "line 1: not an overlay file"},
      {"OVR", "K9OVR 1\nLINE -98,30\n", "line 2: LINE needs at least two"},
      {"OVR", "K9OVR 1\nAREA -98,30 -97,30\n", "line 2: AREA needs at least three"},
      {"OVR", "K9OVR 1\n\nLINE -98,30 -97,nan\n", "line 3: LINE"},
      {"OVR", "K9OVR 1\nLINE -98,30 -97,91\n", "line 2: LINE"},
      {"OVR", "K9OVR 1\nPEN 300,0,0,1\n", "line 2: PEN"},
      {"OVR", "K9OVR 1\nTEXT -98,30\n", "line 2: TEXT needs a text"},
      {"OVR", "K9OVR 1\nCIRCLE -98,30 5\n", "line 2: unknown keyword \"CIRCLE\""},
      {"CAD", "K9CAD,1\nL,-98,30,-97\n", "line 2: L needs pairs"},
      {"CAD", "K9CAD,1\nC,0,0,0\n", "line 2: C needs"},
      {"CAD", "K9CAD,1\nT,-98,30\n", "line 2: T needs"},
      {"CAD", "K9CAD,1\nX,1,2\n", "line 2: unknown record"},
      {"TXT", "K9OVR 1\n", "overlay files end in .OVR or .CAD"},
  };
  for (const Case& c : cases) {
    Overlay o;
    std::string error;
    EXPECT_FALSE(ParseOverlay(c.text, c.ext, &o, &error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " gave: " << error;
  }
}

TEST(OverlayFiles, MutatedFilesNeverCrashTheReader) {
  const std::string seeds[] = {Sample("interstate-corridor.OVR"), Sample("gulf-coast.CAD")};
  const char* exts[] = {"OVR", "CAD"};
  std::mt19937 rng(11);
  for (int i = 0; i < 2000; ++i) {
    std::string text = seeds[i % 2];
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int k = 0; k < edits && !text.empty(); ++k) {
      const std::size_t at = rng() % text.size();
      switch (rng() % 3) {
        case 0:
          text[at] = static_cast<char>(rng());
          break;
        case 1:
          text.erase(at, rng() % 8);
          break;
        default:
          text.insert(at, std::string(1 + rng() % 4, ",. -9e\n\0"[rng() % 8]));
          break;
      }
    }
    Overlay o;
    std::string error;
    if (ParseOverlay(text, exts[i % 2], &o, &error)) {
      for (const auto& item : o.items) EXPECT_FALSE(item.points.empty());
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(UnderlayFiles, CompanionNeedsFourNumbersInNorthWestSouthEastOrder) {
  Underlay u;
  std::string error;
  EXPECT_TRUE(ParseCompanion("-98.5, 30.5, -97.5, 30.0\r\nignored", &u, &error)) << error;
  EXPECT_DOUBLE_EQ(u.west, -98.5);
  EXPECT_DOUBLE_EQ(u.south, 30.0);
  for (const char* bad :
       {"", "-98.5, 30.5, -97.5", "-98.5, 30.5, -97.5, 30, 1", "a, b, c, d",
        "-97.5, 30.5, -98.5, 30.0", "-98.5, 30.0, -97.5, 30.5", "-98.5, 95, -97.5, 30"}) {
    EXPECT_FALSE(ParseCompanion(bad, &u, &error)) << bad;
  }
  EXPECT_EQ(CompanionPath("C:/U/map.png"), "C:/U/map.SAT");
  Image image;
  EXPECT_FALSE(DecodeImage("", &image, &error));
  EXPECT_FALSE(DecodeImage("GIF89a\x02\0\x02\0-but-nothing-else", &image, &error));
  EXPECT_NE(error.find("cannot be decoded"), std::string::npos);
  // A BMP 5 pixels wide the wrong way and INT_MIN high never reaches the decoder.
  std::string bmp("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\xfb\xff\xff\xff\0\0\0\x80", 26);
  EXPECT_FALSE(DecodeImage(bmp + std::string(40, '\0'), &image, &error));
  EXPECT_NE(error.find("declares -5 by -2147483648 pixels"), std::string::npos) << error;
}

}  // namespace
}  // namespace k9::engine
