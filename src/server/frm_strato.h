// frmStrato is the hidden form that holds the map engine control (`Strato`). It is
// never part of the user interface: the engine needs a window to live on, and the
// server reaches the engine only through this form. The form passes the engine's
// notifications on as its own events.
//
// The form is created by the server, loads when its control is first used
// (loading creates the engine through the engine factory and hands the engine the
// form's stored start values), is shown only while the server configures the
// engine, and is unloaded when the server is released.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "server/engine_factory.h"
#include "server/engine_port.h"

namespace k9 {

class frmStrato : private MapEngineEvents {
 public:
  // Events of the form, in their order of declaration. The owner implements those
  // it handles; the others do nothing.
  class Events {
   public:
    virtual ~Events() = default;
    virtual void Find(std::string& /*strL*/) {}
    virtual void FindPlace(std::string& /*strL*/) {}
    virtual void PaintBefore(DeviceContext /*hdc*/) {}
    virtual void DirectBefore(DeviceContext /*hdc*/) {}
    virtual void Direct(DeviceContext /*hdc*/) {}
  };

  static constexpr int kHelpContextId = 10;
  // Design size of the engine control on the form, in twips.
  static constexpr int kControlWidthTwips = 4800;
  static constexpr int kControlHeightTwips = 3600;

  // `events` may be nullptr and is not owned.
  frmStrato(EngineFactory factory, Events* events);
  frmStrato(const frmStrato&) = delete;
  frmStrato& operator=(const frmStrato&) = delete;
  ~frmStrato() override;

  // Loads the form: creates the engine control by the ProgID "Cartex71.Cartex",
  // connects its notifications, hands it the stored start values and sets its
  // integer option 149 to 6. Does nothing when already loaded. Throws when the
  // engine cannot be created; the form then stays unloaded.
  void Load();
  bool Loaded() const { return engine_ != nullptr; }

  // Unloads the form and releases the engine. Safe to call when not loaded.
  void Unload();

  // The engine control; loads the form first when needed.
  MapEngine& Strato();

  // Show modeless without owner, and hide. Both load the form when needed. The
  // engine's window, where it has one, follows (shown without taking the focus).
  void Show();
  void Hide();
  bool Visible() const { return visible_; }

  // Position and size of the form, in twips; the engine's window follows once
  // the form has a size.
  int Left() const { return left_; }
  void Left(int twips) {
    left_ = twips;
    Place();
  }
  int Top() const { return top_; }
  void Top(int twips) {
    top_ = twips;
    Place();
  }
  int Width() const { return width_; }
  void Width(int twips) {
    width_ = twips;
    Place();
  }
  int Height() const { return height_; }
  void Height(int twips) {
    height_ = twips;
    Place();
  }

  // Size of the engine control in the form's units (twips).
  double ControlWidth() const { return kControlWidthTwips; }
  double ControlHeight() const { return kControlHeightTwips; }

  // The engine's stored start values, by the engine's property names, in the
  // order they are handed over.
  static const std::vector<std::pair<std::string, EngineValue>>& StartValues();

 private:
  // Puts the engine's window where the form is, when it has a window and the
  // form has a size.
  void Place();

  // MapEngineEvents
  void FoundItem() override;
  void FoundPlace() override;
  void PaintBefore(DeviceContext dc) override;
  void DirectBefore(DeviceContext dc) override;
  void Direct(DeviceContext dc) override;

  EngineFactory factory_;
  Events* events_;
  std::unique_ptr<MapEngine> engine_;
  bool visible_ = false;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace k9
