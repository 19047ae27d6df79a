// The map engine control as seen from both sides of COM: the dispatch identifiers
// of its members and events, their names for late binding by name, and the text
// conversions of COM strings. Shared by the engine's COM object and by the adapter
// that calls any engine control by dispatch identifier.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace k9::wincontrol {

// Members of the engine control, by dispatch identifier.
enum EngineDispId : std::int32_t {
  kPath_statesEx = 16,
  kViewWest = 18,
  kViewEast = 19,
  kViewSouth = 20,
  kViewNorth = 21,
  kFoundText = 24,
  kFoundPlaceText = 25,
  kLandColor = 27,
  kShade_Mcd = 30,
  kShade_Plc = 31,
  kShade_Cnty = 32,
  kShade_State = 33,
  kZoomLevel = 34,
  kPath_states = 46,
  kPath_data1 = 47,
  kPath_data2 = 48,
  kPath_data3 = 49,
  kUnderlayFile = 50,
  kOverlayVisible = 56,
  kUnderlayVisible = 57,
  kCentreView = 90,
  kSetMapSize = 107,
  kLoadOverlay = 108,
  kFindPhone = 118,
  kPaintToDC = 123,
  kRefresh = 137,
  kLoadConfig = 139,
  kSaveConfig = 140,
  kOneWayShow = 148,
  kImportManager = 193,
  kPath_data4 = 195,
  kZipCodesShown = 201,
  kEngineCommand = 395,
  kZoomInStep = 699,
  kZoomToOverlay = 702,
  kZoomOutStep = 703,
  kPanStep = 704,
  kSetViewCorners = 706,
  kFindAddress = 808,
  kAboutBox = -552,
};

// Events of the engine control, by dispatch identifier. The paint notifications
// carry the device context as a 32-bit integer (GDI handles fit in 32 bits on
// 64-bit Windows too).
enum EngineEventId : std::int32_t {
  kEventPaintBefore = 1,
  kEventDirectBefore = 2,
  kEventDirect = 3,
  kEventFoundItem = 13,
  kEventFoundPlace = 14,
};

// Numbered members without a name of their own: put, and called.
inline constexpr std::int32_t kPutOnlyMembers[] = {138, 149, 165, 166, 167, 185};
inline constexpr std::int32_t kCallOnlyMembers[] = {698, 91};

struct EngineMemberName {
  const char* name;
  std::int32_t dispid;
};

// Every named member, for GetIDsOfNames.
inline constexpr EngineMemberName kEngineMembers[] = {
    {"SetViewCorners", kSetViewCorners},
    {"CentreView", kCentreView},
    {"ZoomLevel", kZoomLevel},
    {"ZoomInStep", kZoomInStep},
    {"ZoomOutStep", kZoomOutStep},
    {"PanStep", kPanStep},
    {"ZoomToOverlay", kZoomToOverlay},
    {"SetMapSize", kSetMapSize},
    {"ViewWest", kViewWest},
    {"ViewNorth", kViewNorth},
    {"ViewEast", kViewEast},
    {"ViewSouth", kViewSouth},
    {"PaintToDC", kPaintToDC},
    {"Shade_Mcd", kShade_Mcd},
    {"Shade_Plc", kShade_Plc},
    {"Shade_Cnty", kShade_Cnty},
    {"Shade_State", kShade_State},
    {"OneWayShow", kOneWayShow},
    {"ZipCodesShown", kZipCodesShown},
    {"Path_states", kPath_states},
    {"Path_statesEx", kPath_statesEx},
    {"Path_data1", kPath_data1},
    {"Path_data2", kPath_data2},
    {"Path_data3", kPath_data3},
    {"Path_data4", kPath_data4},
    {"LandColor", kLandColor},
    {"EngineCommand", kEngineCommand},
    {"LoadOverlay", kLoadOverlay},
    {"OverlayVisible", kOverlayVisible},
    {"UnderlayVisible", kUnderlayVisible},
    {"UnderlayFile", kUnderlayFile},
    {"LoadConfig", kLoadConfig},
    {"SaveConfig", kSaveConfig},
    {"Refresh", kRefresh},
    {"FindAddress", kFindAddress},
    {"FindPhone", kFindPhone},
    {"FoundText", kFoundText},
    {"FoundPlaceText", kFoundPlaceText},
    {"AboutBox", kAboutBox},
    {"ImportManager", kImportManager},
};

// The dispatch identifier of a named member (any case), or 0 when there is none.
std::int32_t EngineMemberId(std::string_view name);

// COM strings to 8-bit ANSI text and back. A null COM string is the empty text.
std::string AnsiFromWide(const wchar_t* text);
std::string AnsiFromWide(const wchar_t* text, std::size_t length);
std::wstring WideFromAnsi(std::string_view text);

}  // namespace k9::wincontrol

namespace k9::wincontrol {

// The event interface of the reference engine's COM object (its class is in
// engine_registration.h).
inline constexpr wchar_t kEngineEventsIidText[] = L"{AB87484A-D4BD-4EBF-BFAF-F74F144F9F91}";

}  // namespace k9::wincontrol
