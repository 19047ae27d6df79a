#include "server/frm_strato.h"

#include <stdexcept>

namespace k9 {

namespace {

// Option 149 of the engine is set to this value whenever the form loads.
constexpr std::int32_t kOption149OnLoad = 6;

std::vector<std::pair<std::string, EngineValue>> MakeStartValues() {
  using V = EngineValue;
  auto s = [](const char* text) { return V{std::string(text)}; };
  auto i = [](std::int32_t value) { return V{value}; };
  return {
      // view and units
      {"Coords", s("CdLonLat")},
      {"LLmode", s("TlHms")},
      {"Mapunits", s("MuMi")},
      {"Mapmode", s("MdZoom")},
      {"Magnitude", s("M300_0")},
      {"Screen_Aspect", i(1)},
      {"Scale", V{0.000651}},
      {"Miles", i(500)},
      {"Kms", V{804.66}},
      {"DegFormat", i(0)},
      // screen furniture
      {"ScaleBar", s("sb_None")},
      {"Toolbarmode", s("TbHide")},
      {"Cadbarmode", s("TbHide")},
      {"Grid", V{false}},
      {"EdgePan", V{false}},
      {"AcceptFiles", V{false}},
      // drawing
      {"Color", i(0xAFFFFF)},
      {"BackDraw", V{true}},
      {"AutoPaint", V{true}},
      {"AutoQuery", V{true}},
      {"SaveView", V{true}},
      {"FontName", s("Arial")},
      {"FontHeight", i(-3)},
      {"FontCharset", i(0)},  // ANSI character set
      // shading
      {"Shade_Mcd", V{true}},
      {"Shade_Plc", V{true}},
      {"Shade_Cnty", V{true}},
      {"Shade_State", V{true}},
      {"Shade_Country", V{true}},
      // one-way streets
      {"OneWayShow", V{true}},
      {"OneWayUse", V{false}},
      {"OneWayColor", i(4)},
      // layers
      {"Mainlay", V{true}},
      {"Overlay", V{true}},
      {"Underlay", V{false}},
      {"UnderlayStyle", s("UndUser")},
      {"UnderlayShadow", i(0)},
      {"UnderlayColor", i(255)},
      {"UnderlayTransparent", V{true}},
      // data loaded
      {"Load_Air", V{true}},
      {"Load_City", V{true}},
      {"Load_County", V{true}},
      {"Load_Highway", V{true}},
      {"Load_Hydro", V{true}},
      {"Load_Landmark", V{true}},
      {"Load_State", V{true}},
      {"Load_Shore", V{true}},
      {"Load_World", V{true}},
      {"Load_Park", V{true}},
      {"Load_Zipcode", V{false}},
      {"Load_Summit", V{false}},
      {"Load_River", V{false}},
      {"Load_Rail", V{false}},
      // routing
      {"RoutingActive", V{false}},
      {"AutoSaveTrip", V{true}},
      {"PopupRoute", V{false}},
      {"OptiRouterBtn", V{false}},
  };
}

}  // namespace

const std::vector<std::pair<std::string, EngineValue>>& frmStrato::StartValues() {
  static const auto* const values =
      new std::vector<std::pair<std::string, EngineValue>>(MakeStartValues());
  return *values;
}

frmStrato::frmStrato(EngineFactory factory, Events* events)
    : factory_(std::move(factory)), events_(events) {}

frmStrato::~frmStrato() { Unload(); }

void frmStrato::Load() {
  if (engine_) return;
  std::unique_ptr<MapEngine> engine;
  if (factory_) engine = factory_(kEngineProgId);
  if (!engine) {
    throw std::runtime_error(std::string("Cannot create the map engine control ") + kEngineProgId);
  }
  engine->SetEvents(this);
  for (const auto& [name, value] : StartValues()) engine->SetStartValue(name, value);
  engine->PutMember(149, kOption149OnLoad);
  engine_ = std::move(engine);
  Place();
}

void frmStrato::Unload() {
  if (!engine_) return;
  engine_->SetEvents(nullptr);
  engine_.reset();
  visible_ = false;
}

MapEngine& frmStrato::Strato() {
  Load();
  return *engine_;
}

void frmStrato::Show() {
  Load();
  visible_ = true;
  if (EngineFormWindow* window = engine_->FormWindow()) window->Show(true);
}

void frmStrato::Hide() {
  Load();
  visible_ = false;
  if (EngineFormWindow* window = engine_->FormWindow()) window->Show(false);
}

void frmStrato::Place() {
  if (!engine_ || width_ <= 0 || height_ <= 0) return;
  if (EngineFormWindow* window = engine_->FormWindow()) window->Place(left_, top_, width_, height_);
}

void frmStrato::FoundItem() {
  if (!events_ || !engine_) return;
  std::string text = engine_->FoundText();
  events_->Find(text);
}

void frmStrato::FoundPlace() {
  if (!events_ || !engine_) return;
  std::string text = engine_->FoundPlaceText();
  events_->FindPlace(text);
}

void frmStrato::PaintBefore(DeviceContext dc) {
  if (events_) events_->PaintBefore(dc);
}

void frmStrato::DirectBefore(DeviceContext dc) {
  if (events_) events_->DirectBefore(dc);
}

void frmStrato::Direct(DeviceContext dc) {
  if (events_) events_->Direct(dc);
}

}  // namespace k9
