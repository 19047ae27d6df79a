#include "server/dispatch_table.h"

#include <array>

namespace k9 {
namespace {

using K = MemberKind;
using T = AutoType;

constexpr std::span<const DispatchParam> kNone{};

// A property put's single parameter is the new value.
constexpr DispatchParam kPutString[] = {{"RHS", T::kString}};
constexpr DispatchParam kPutBool[] = {{"RHS", T::kBool}};

constexpr DispatchParam kAddFav[] = {{"strL", T::kString}};
constexpr DispatchParam kSaveFav[] = {{"strL", T::kStringArray}};
constexpr DispatchParam kLoadFav[] = {{"strFav", T::kStringArray}};
constexpr DispatchParam kInitialize[] = {
    {"strCallsign", T::kString}, {"cMapServerEvents", T::kObject}, {"frmT", T::kObject}};
constexpr DispatchParam kCorners[] = {{"picMap", T::kObject},
                                      {"dblDegX1", T::kDouble},
                                      {"dblDegY1", T::kDouble},
                                      {"dblDegX2", T::kDouble},
                                      {"dblDegY2", T::kDouble}};
constexpr DispatchParam kCentre[] = {
    {"picMap", T::kObject}, {"dblDegX", T::kDouble}, {"dblDegY", T::kDouble}};
constexpr DispatchParam kFeatures[] = {{"blnDiagonalPan", T::kBool},
                                       {"blnZoomIn", T::kBool},
                                       {"blnZoomOut", T::kBool},
                                       {"blnZoomAll", T::kBool},
                                       {"blnControlPanel", T::kBool},
                                       {"strHelpFile", T::kString},
                                       {"lngHelpTopic", T::kInt32},
                                       {"strServerShortName", T::kString},
                                       {"strSpecialOptionMenuCaption", T::kStringArray}};
constexpr DispatchParam kPicOnly[] = {{"picMap", T::kObject}};
constexpr DispatchParam kSpecial[] = {{"picMap", T::kObject}, {"intIndex", T::kInt16}};
constexpr DispatchParam kPan[] = {{"picMap", T::kObject}, {"intPan", T::kInt16}};

constexpr std::int32_t kOvl = 0x68030013, kUnder = 0x68030012, kBack = 0x68030011,
                       kSea = 0x68030010, kControlOk = 0x6803000f, kMcd = 0x6803000e,
                       kCounties = 0x6803000d, kHighContrast = 0x6803000c, kZip = 0x6803000b,
                       kPlaces = 0x6803000a, kStates = 0x68030009, kWhite = 0x68030008,
                       kMono = 0x68030007, kOneway = 0x68030006, kData1 = 0x68030005,
                       kData3 = 0x68030004, kData4 = 0x68030003, kData2 = 0x68030002,
                       kStates0 = 0x68030001, kStates1 = 0x68030000;

constexpr std::array<DispatchMember, 52> kTable = {{
    {1, "strOvlFile", K::kPropertyPut, kOvl, kPutString, T::kNone},
    {2, "strUnderFile", K::kPropertyPut, kUnder, kPutString, T::kNone},
    {3, "strOvlFile", K::kPropertyGet, kOvl, kNone, T::kString},
    {4, "strUnderFile", K::kPropertyGet, kUnder, kNone, T::kString},
    {5, "varMapBackColor", K::kPropertyGet, kBack, kNone, T::kVariant},
    {6, "varSeaColor", K::kPropertyGet, kSea, kNone, T::kVariant},
    {7, "AddToFavouriteViews", K::kMethod, 0x60030020, kAddFav, T::kNone},
    {8, "SafeCall", K::kMethod, 0x60030023, kNone, T::kNone},
    {9, "SaveFavouriteViews", K::kMethod, 0x60030024, kSaveFav, T::kNone},
    {10, "LoadFavouriteViews", K::kMethod, 0x60030025, kLoadFav, T::kNone},
    {11, "blnControlOk", K::kPropertyGet, kControlOk, kNone, T::kBool},
    {12, "blnShadeMcd", K::kPropertyPut, kMcd, kPutBool, T::kNone},
    {13, "blnShadeCounties", K::kPropertyPut, kCounties, kPutBool, T::kNone},
    {14, "blnShadeCounties", K::kPropertyGet, kCounties, kNone, T::kBool},
    {15, "blnHighContrastRds", K::kPropertyPut, kHighContrast, kPutBool, T::kNone},
    {16, "blnZipCodes", K::kPropertyPut, kZip, kPutBool, T::kNone},
    {17, "blnZipCodes", K::kPropertyGet, kZip, kNone, T::kBool},
    {18, "blnHighContrastRds", K::kPropertyGet, kHighContrast, kNone, T::kBool},
    {19, "blnShadeMcd", K::kPropertyGet, kMcd, kNone, T::kBool},
    {20, "blnShadePlaces", K::kPropertyGet, kPlaces, kNone, T::kBool},
    {21, "blnShadeStates", K::kPropertyGet, kStates, kNone, T::kBool},
    {22, "blnWhiteBackground", K::kPropertyGet, kWhite, kNone, T::kBool},
    {23, "blnWhiteBackground", K::kPropertyPut, kWhite, kPutBool, T::kNone},
    {24, "blnShadePlaces", K::kPropertyPut, kPlaces, kPutBool, T::kNone},
    {25, "blnShadeStates", K::kPropertyPut, kStates, kPutBool, T::kNone},
    {26, "Initialize", K::kMethod, 0x60030028, kInitialize, T::kNone},
    {27, "DrawMapFromCorners", K::kMethod, 0x6003002a, kCorners, T::kBool},
    {28, "blnMono", K::kPropertyPut, kMono, kPutBool, T::kNone},
    {29, "blnOnewayShow", K::kPropertyPut, kOneway, kPutBool, T::kNone},
    {30, "blnMono", K::kPropertyGet, kMono, kNone, T::kBool},
    {31, "blnOnewayShow", K::kPropertyGet, kOneway, kNone, T::kBool},
    {32, "ResizeMap", K::kMethod, 0x6003002c, kCorners, T::kBool},
    {33, "DrawMapFromCentre", K::kMethod, 0x6003002d, kCentre, T::kBool},
    {34, "GetSupportedFeatures", K::kMethod, 0x6003002e, kFeatures, T::kNone},
    {35, "ShowControlPanel", K::kMethod, 0x6003002f, kNone, T::kNone},
    {36, "strData1", K::kPropertyPut, kData1, kPutString, T::kNone},
    {37, "strData3", K::kPropertyPut, kData3, kPutString, T::kNone},
    {38, "strData4", K::kPropertyPut, kData4, kPutString, T::kNone},
    {39, "strData1", K::kPropertyGet, kData1, kNone, T::kString},
    {40, "strData2", K::kPropertyGet, kData2, kNone, T::kString},
    {41, "strData3", K::kPropertyGet, kData3, kNone, T::kString},
    {42, "strData4", K::kPropertyGet, kData4, kNone, T::kString},
    {43, "strStates0", K::kPropertyGet, kStates0, kNone, T::kString},
    {44, "strStates1", K::kPropertyGet, kStates1, kNone, T::kString},
    {45, "strData2", K::kPropertyPut, kData2, kPutString, T::kNone},
    {46, "strStates0", K::kPropertyPut, kStates0, kPutString, T::kNone},
    {47, "strStates1", K::kPropertyPut, kStates1, kPutString, T::kNone},
    {48, "ZoomIn", K::kMethod, 0x60030035, kPicOnly, T::kBool},
    {49, "SpecialMenuOption", K::kMethod, 0x60030036, kSpecial, T::kBool},
    {50, "ZoomAll", K::kMethod, 0x60030037, kPicOnly, T::kBool},
    {51, "ZoomPan", K::kMethod, 0x60030038, kPan, T::kBool},
    {52, "ZoomOut", K::kMethod, 0x60030039, kPicOnly, T::kBool},
}};

}  // namespace

std::span<const DispatchMember> MapServDispatchTable() { return kTable; }

const DispatchMember* FindDispatchMember(std::string_view name, MemberKind kind) {
  for (const DispatchMember& member : kTable) {
    if (member.name == name && member.kind == kind) return &member;
  }
  return nullptr;
}

}  // namespace k9
