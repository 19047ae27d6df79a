#include "server/dispatch_table.h"

#include <map>
#include <set>

#include <gtest/gtest.h>

namespace k9 {
namespace {

TEST(DispatchTableTest, HasTheFiftyTwoMembersInOrder) {
  const auto table = MapServDispatchTable();
  ASSERT_EQ(table.size(), 52u);
  for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].index, int(i) + 1);
  EXPECT_EQ(table.front().name, "strOvlFile");
  EXPECT_EQ(table.front().kind, MemberKind::kPropertyPut);
  EXPECT_EQ(table[25].name, "Initialize");
  EXPECT_EQ(table[25].dispid, 0x60030028);
  EXPECT_EQ(table.back().name, "ZoomOut");
  EXPECT_EQ(table.back().dispid, 0x60030039);
}

TEST(DispatchTableTest, GetAndPutOfOneNameShareTheirIdentifierAndNoOtherMemberDoes) {
  std::map<std::int32_t, std::set<std::string_view>> names_by_id;
  std::set<std::pair<std::string_view, MemberKind>> seen;
  for (const DispatchMember& member : MapServDispatchTable()) {
    names_by_id[member.dispid].insert(member.name);
    EXPECT_TRUE(seen.insert({member.name, member.kind}).second) << member.name;
    if (member.kind == MemberKind::kPropertyPut) {
      EXPECT_EQ(member.params.size(), 1u) << member.name;
      EXPECT_EQ(member.result, AutoType::kNone) << member.name;
    }
    if (member.kind == MemberKind::kPropertyGet) {
      EXPECT_TRUE(member.params.empty()) << member.name;
    }
  }
  for (const auto& [id, names] : names_by_id) EXPECT_EQ(names.size(), 1u) << id;
}

TEST(DispatchTableTest, MembersAreFoundByNameAndKind) {
  const DispatchMember* features = FindDispatchMember("GetSupportedFeatures", MemberKind::kMethod);
  ASSERT_NE(features, nullptr);
  ASSERT_EQ(features->params.size(), 9u);
  EXPECT_EQ(features->params[6].name, "lngHelpTopic");
  EXPECT_EQ(features->params[6].type, AutoType::kInt32);
  EXPECT_EQ(features->params[8].type, AutoType::kStringArray);

  const DispatchMember* put = FindDispatchMember("blnWhiteBackground", MemberKind::kPropertyPut);
  const DispatchMember* get = FindDispatchMember("blnWhiteBackground", MemberKind::kPropertyGet);
  ASSERT_TRUE(put && get);
  EXPECT_EQ(put->index, 23);
  EXPECT_EQ(get->index, 22);
  EXPECT_EQ(put->dispid, 0x68030008);
  EXPECT_EQ(FindDispatchMember("blnControlOk", MemberKind::kPropertyPut), nullptr);
  EXPECT_EQ(FindDispatchMember("NoSuchMember", MemberKind::kMethod), nullptr);
}

}  // namespace
}  // namespace k9
