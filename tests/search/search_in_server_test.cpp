// The search parts plugged into a server object: "Search" opens frmSearch, a Find
// is answered from the gazetteer files in the server folder, and Go To moves the
// map through the server, paints and tells the host.
#include <gtest/gtest.h>

#include <algorithm>

#include "search/frm_search.h"
#include "search/search_driver.h"
#include "search/search_parts.h"
#include "server/find_types.h"
#include "server/server_fixture.h"

namespace k9::testing {
namespace {

class SearchInServerTest : public ServerTest {
 protected:
  SearchInServerTest() {
    fs_.AddFile("/srv/k9/statell.dat", "BX\tBox\t-100\t-90\t30\t40\r\n");
    fs_.AddFile("/srv/k9/milemark.dat", "BX20,EW,90,97.5,110,96.5\r\n");
  }
  frmSearch& OpenSearch() {
    ServerParts parts;
    AddSearchParts(parts, ports_);
    clsMapServ& server = InitializedServer(parts);
    std::int16_t index = 0;
    EXPECT_FALSE(server.SpecialMenuOption(picture_, index));
    auto* form = dynamic_cast<frmSearch*>(server.SearchDialogForm());
    EXPECT_NE(form, nullptr);
    return *form;
  }
  bool Logged(const std::string& prefix) const {
    return std::any_of(log_.begin(), log_.end(),
                       [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
  }
};

TEST_F(SearchInServerTest, AStateMatchBecomesTheViewAndTheHostHearsItsTitle) {
  frmSearch& form = OpenSearch();
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(form.Left(), (1024 * kTwipsPerPixel - frmSearch::kWidthTwips) / 2);
  SearchDialogDriver driver(form);
  driver.ChooseType(FIND_STATE);
  driver.Type("bx");
  driver.ClickFind();
  ASSERT_EQ(driver.Items(), std::vector<std::string>{"Box"});
  log_.clear();
  ASSERT_TRUE(driver.ClickGoTo());
  EXPECT_TRUE(Logged("host.SignalSuspend(true)"));
  EXPECT_TRUE(Logged("engine.SetViewCorners(-100.2,40.2,-89.8,29.8)"));
  EXPECT_TRUE(Logged("engine.PaintToDC("));
  EXPECT_EQ(log_.back(), "host.SignalSpecialRedraw(Box)");
}

TEST_F(SearchInServerTest, AMileMarkerMatchCentresTheStateOnTheLineAndLeavesTheLinePending) {
  frmSearch& form = OpenSearch();
  SearchDialogDriver driver(form);
  driver.ChooseType(FIND_MILEMARKER);
  driver.Type("Box,20,100");
  driver.ClickFind();
  ASSERT_EQ(driver.Items(), std::vector<std::string>{"BX, IS-20, Mile marker 100"});
  log_.clear();
  ASSERT_TRUE(driver.ClickGoTo());
  EXPECT_TRUE(Logged("engine.SetViewCorners(-102,40,-92,30)"));
  clsMapServ& server = Server();
  EXPECT_TRUE(server.mblnLineShown);
  EXPECT_DOUBLE_EQ(server.mdblLine, -97.0);
  EXPECT_FALSE(server.mblnLineIsLat);
  EXPECT_EQ(log_.back(), "host.SignalSpecialRedraw(BX, IS-20, Mile marker 100)");
}

TEST_F(SearchInServerTest, TheDialogSavesItsTypeBesideTheServerWhenTheServerEnds) {
  SearchDialogDriver(OpenSearch()).ChooseType(FIND_COUNTY);
  Release();
  const std::optional<std::string> ini = fs_.Contents("/srv/k9/Kestrel9.INI");
  ASSERT_TRUE(ini.has_value());
  EXPECT_NE(ini->find("SEARCH_TYPE=4"), std::string::npos);
}

}  // namespace
}  // namespace k9::testing
