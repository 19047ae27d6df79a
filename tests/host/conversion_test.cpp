#include "module/conversion.h"

#include <gtest/gtest.h>

#include "common/error.h"

namespace k9::module {
namespace {

long ErrorNumber(const CallValue& value, AutoType type) {
  try {
    ConvertArgument(value, type);
  } catch (const ComError& error) {
    return error.number();
  }
  return 0;
}

TEST(ConvertArgument, TextAndNumbersBecomeBooleansAsAutomationConvertsThem) {
  EXPECT_EQ(std::get<bool>(ConvertArgument(std::string("true"), AutoType::kBool)), true);
  EXPECT_EQ(std::get<bool>(ConvertArgument(std::string(" False "), AutoType::kBool)), false);
  EXPECT_EQ(std::get<bool>(ConvertArgument(std::string("-1"), AutoType::kBool)), true);
  EXPECT_EQ(std::get<bool>(ConvertArgument(std::string("0"), AutoType::kBool)), false);
  EXPECT_EQ(std::get<bool>(ConvertArgument(std::int16_t{2}, AutoType::kBool)), true);
  EXPECT_EQ(ErrorNumber(std::string("yes please"), AutoType::kBool), 13);
}

TEST(ConvertArgument, IntegersRoundHalvesToEvenAndCheckTheirRange) {
  EXPECT_EQ(std::get<std::int16_t>(ConvertArgument(2.5, AutoType::kInt16)), 2);
  EXPECT_EQ(std::get<std::int16_t>(ConvertArgument(3.5, AutoType::kInt16)), 4);
  EXPECT_EQ(std::get<std::int16_t>(ConvertArgument(std::string("-7"), AutoType::kInt16)), -7);
  EXPECT_EQ(std::get<std::int16_t>(ConvertArgument(true, AutoType::kInt16)), -1);
  EXPECT_EQ(std::get<std::int32_t>(ConvertArgument(std::string("70000"), AutoType::kInt32)), 70000);
  EXPECT_EQ(ErrorNumber(std::string("70000"), AutoType::kInt16), 6);
  EXPECT_EQ(ErrorNumber(1e300, AutoType::kInt32), 6);
  EXPECT_EQ(ErrorNumber(std::string("12abc"), AutoType::kInt16), 13);
}

TEST(ConvertArgument, TextDoublesAndObjects) {
  EXPECT_EQ(std::get<double>(ConvertArgument(std::string("-97.75"), AutoType::kDouble)), -97.75);
  EXPECT_EQ(std::get<std::string>(ConvertArgument(true, AutoType::kString)), "True");
  EXPECT_EQ(std::get<std::string>(ConvertArgument(std::int32_t{42}, AutoType::kString)), "42");
  EXPECT_EQ(ErrorNumber(std::string("/maps"), AutoType::kObject), 13);
  EXPECT_EQ(ErrorNumber(std::string("a"), AutoType::kStringArray), 13);
  EXPECT_TRUE(HoldsType(TextArray{}, AutoType::kStringArray));
  EXPECT_FALSE(HoldsType(std::string("1"), AutoType::kInt16));
}

}  // namespace
}  // namespace k9::module
