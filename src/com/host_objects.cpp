// Adapters over the host's late-bound objects. Every call goes by member name:
// the name is looked up through IDispatch and, for script objects that only
// know their members at run time, through IDispatchEx.
#include "com/host_objects.h"

#include <windows.h>
#include <dispex.h>
#include <oaidl.h>
#include <oleauto.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "com/com_values.h"
#include "common/error.h"
#include "platform/win32/com_object.h"

namespace k9::com {

namespace {

constexpr char kSource[] = "Kestrel9";
constexpr long kNoSuchMember = 438;
// IDispatchEx's interface identifier, which the toolchain's uuid library lacks.
constexpr IID kIidDispatchEx = {
    0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

std::wstring Wide(const std::string& text) {
  int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  wide.resize(wide.size() - 1);
  return wide;
}

// One host object, called by member name. Holds a reference on the object.
class LateBound {
 public:
  explicit LateBound(IDispatch* object) : object_(object) {
    if (object_ != nullptr) object_->AddRef();
  }
  ~LateBound() {
    if (ex_ != nullptr) ex_->Release();
    if (object_ != nullptr) object_->Release();
  }
  LateBound(const LateBound&) = delete;
  LateBound& operator=(const LateBound&) = delete;

  // Calls `name` with `args` in the order the member declares them, and returns
  // its result in *result (when given). Throws ComError when the object lacks
  // the member or the call fails.
  void Call(const std::string& name, WORD flags, std::vector<VARIANT>& args,
            VARIANT* result = nullptr) {
    DISPID id = IdOf(name);
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());  // automation order
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    EXCEPINFO error{};
    UINT bad = 0;
    HRESULT hr;
    if (ex_ != nullptr) {
      hr = ex_->InvokeEx(id, LOCALE_USER_DEFAULT, flags, &params, result, &error, nullptr);
    } else {
      hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &error, &bad);
    }
    if (SUCCEEDED(hr)) return;
    std::string description = "The host object's " + name + " failed";
    long number = static_cast<long>(hr);
    if (hr == DISP_E_EXCEPTION) {
      if (error.pfnDeferredFillIn != nullptr) error.pfnDeferredFillIn(&error);
      if (error.bstrDescription != nullptr) description = FromBstr(error.bstrDescription);
      number = error.scode != 0 ? static_cast<long>(error.scode) : error.wCode;
    } else if (hr == DISP_E_MEMBERNOTFOUND) {
      number = kNoSuchMember;
      description = "Object doesn't support this property or method: " + name;
    }
    ::SysFreeString(error.bstrSource);
    ::SysFreeString(error.bstrDescription);
    ::SysFreeString(error.bstrHelpFile);
    throw ComError(number, kSource, description);
  }

  // Convenience forms for properties.
  void Get(const std::string& name, VARIANT* result) {
    std::vector<VARIANT> none;
    Call(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none, result);
  }
  void Put(const std::string& name, VARIANT value, WORD flags = DISPATCH_PROPERTYPUT) {
    std::vector<VARIANT> args{value};
    Call(name, flags, args);
  }
  bool Has(const std::string& name) {
    try {
      IdOf(name);
      return true;
    } catch (const ComError&) {
      return false;
    }
  }
  IDispatch* get() const { return object_; }

 private:
  DISPID IdOf(const std::string& name) {
    if (object_ == nullptr) throw ComError(91, kSource, "Object variable not set");
    auto cached = ids_.find(name);
    if (cached != ids_.end()) return cached->second;
    std::wstring wide = Wide(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
      // Script objects may know a member only by IDispatchEx's lookup; once
      // it is in use, every call of the object goes through InvokeEx.
      if (ex_ == nullptr) object_->QueryInterface(kIidDispatchEx, reinterpret_cast<void**>(&ex_));
      BSTR bstr = ::SysAllocString(wide.c_str());
      HRESULT hr =
          ex_ != nullptr ? ex_->GetDispID(bstr, fdexNameCaseInsensitive, &id) : DISP_E_UNKNOWNNAME;
      ::SysFreeString(bstr);
      if (FAILED(hr)) {
        throw ComError(kNoSuchMember, kSource,
                       "Object doesn't support this property or method: " + name);
      }
    }
    ids_[name] = id;
    return id;
  }

  IDispatch* object_;
  IDispatchEx* ex_ = nullptr;
  std::map<std::string, DISPID> ids_;
};

VARIANT RefBool(VARIANT_BOOL* value) {
  VARIANT v;
  v.vt = VT_BYREF | VT_BOOL;
  v.pboolVal = value;
  return v;
}
VARIANT RefDouble(double* value) {
  VARIANT v;
  v.vt = VT_BYREF | VT_R8;
  v.pdblVal = value;
  return v;
}
VARIANT RefText(BSTR* value) {
  VARIANT v;
  v.vt = VT_BYREF | VT_BSTR;
  v.pbstrVal = value;
  return v;
}
VARIANT Int16(std::int16_t value) {
  VARIANT v;
  v.vt = VT_I2;
  v.iVal = value;
  return v;
}
VARIANT Double(double value) {
  VARIANT v;
  v.vt = VT_R8;
  v.dblVal = value;
  return v;
}
VARIANT Int32(std::int32_t value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}
VARIANT Bool(bool value) {
  VARIANT v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

// A COM string that frees itself.
struct Text {
  BSTR bstr;
  explicit Text(const std::string& text) : bstr(ToBstr(text)) {}
  ~Text() { ::SysFreeString(bstr); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
};

template <typename T>
T As(VARIANT& value, VARTYPE type, const std::string& what) {
  if (FAILED(::VariantChangeType(&value, &value, 0, type))) {
    throw ComError(13, kSource, "Type mismatch: the host's " + what);
  }
  if constexpr (std::is_same_v<T, double>) return value.dblVal;
  if constexpr (std::is_same_v<T, std::int32_t>) return value.lVal;
  if constexpr (std::is_same_v<T, std::int16_t>) return value.iVal;
}

// The callback object. Arguments go by reference, typed, as a compiled host's
// members declare them; what the host writes into them is read back.
class EventsAdapter : public HostEvents {
 public:
  explicit EventsAdapter(IDispatch* object) : object_(object) {}

  void SignalSuspend(bool suspend) override {
    VARIANT_BOOL value = suspend ? VARIANT_TRUE : VARIANT_FALSE;
    std::vector<VARIANT> args{RefBool(&value)};
    object_.Call("SignalSuspend", DISPATCH_METHOD, args);
  }
  void SignalSpecialRedraw(const std::string& title) override {
    Text text(title);
    std::vector<VARIANT> args{RefText(&text.bstr)};
    object_.Call("SignalSpecialRedraw", DISPATCH_METHOD, args);
  }
  void SignalInformation(double& west, double& east, double& north, double& south,
                         const std::string& title) override {
    Text text(title);
    std::vector<VARIANT> args{RefDouble(&west), RefDouble(&east), RefDouble(&north),
                              RefDouble(&south), RefText(&text.bstr)};
    object_.Call("SignalInformation", DISPATCH_METHOD, args);
  }
  void SignalCallsignData(std::string& callsign, std::string& result) override {
    Text call(callsign), answer(result);
    std::vector<VARIANT> args{RefText(&call.bstr), RefText(&answer.bstr)};
    object_.Call("SignalCallsignData", DISPATCH_METHOD, args);
    callsign = FromBstr(call.bstr);
    result = FromBstr(answer.bstr);
  }

 private:
  LateBound object_;
};

// The host's main form and its menu control array mnuMapSpecialOptions.
class FormAdapter : public HostForm {
 public:
  explicit FormAdapter(IDispatch* object) : object_(object) {}

  void SetSpecialOptionVisible(int index, bool visible) override {
    Entry(index).Put("Visible", Bool(visible));
  }
  void SetSpecialOptionEnabled(int index, bool enabled) override {
    Entry(index).Put("Enabled", Bool(enabled));
  }
  // A late-bound caller cannot run the Unload statement on another program's
  // control; the control array's own Unload is used where the host offers one,
  // and otherwise the entry is hidden, which is what the user sees of an unload.
  void UnloadSpecialOption(int index) override {
    IDispatch* raw = MenuArray();
    LateBound array(raw);
    raw->Release();  // the LateBound holds its own reference
    if (array.Has("Unload")) {
      std::vector<VARIANT> args{Int16(static_cast<std::int16_t>(index))};
      array.Call("Unload", DISPATCH_METHOD, args);
      return;
    }
    Entry(index).Put("Visible", Bool(false));
  }
  std::intptr_t hWnd() override {
    ScopedVariant handle;
    object_.Get("hWnd", &handle.v);
    return static_cast<std::intptr_t>(As<std::int32_t>(handle.v, VT_I4, "hWnd"));
  }

 private:
  // The control array itself (its reference is the caller's to release).
  IDispatch* MenuArray() {
    ScopedVariant array;
    object_.Get("mnuMapSpecialOptions", &array.v);
    if (array.v.vt != VT_DISPATCH || array.v.pdispVal == nullptr) {
      throw ComError(13, kSource, "Type mismatch: mnuMapSpecialOptions is no control array");
    }
    IDispatch* object = array.v.pdispVal;
    object->AddRef();
    return object;
  }

  // Entry `index` of the control array: form.mnuMapSpecialOptions(index), or
  // the array's Item(index) where the form does not take the index itself.
  LateBound& Entry(int index) {
    ScopedVariant entry;
    std::vector<VARIANT> args{Int16(static_cast<std::int16_t>(index))};
    try {
      object_.Call("mnuMapSpecialOptions", DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, &entry.v);
    } catch (const ComError&) {
      IDispatch* raw = MenuArray();
      LateBound array(raw);
      raw->Release();
      ::VariantClear(&entry.v);
      array.Call("Item", DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, &entry.v);
    }
    if (entry.v.vt != VT_DISPATCH || entry.v.pdispVal == nullptr) {
      throw ComError(
          13, kSource,
          "Type mismatch: mnuMapSpecialOptions(" + std::to_string(index) + ") is no menu entry");
    }
    entry_ = std::make_unique<LateBound>(entry.v.pdispVal);
    return *entry_;
  }

  LateBound object_;
  std::unique_ptr<LateBound> entry_;
};

// The host's picture box, by its property names.
class PictureAdapter : public PictureBox {
 public:
  explicit PictureAdapter(IDispatch* object) : object_(object) {}

  std::int16_t ScaleMode() override { return GetInt16("ScaleMode"); }
  void ScaleMode(std::int16_t mode) override { object_.Put("ScaleMode", Int16(mode)); }
  double ScaleLeft() override { return GetDouble("ScaleLeft"); }
  void ScaleLeft(double value) override { object_.Put("ScaleLeft", Double(value)); }
  double ScaleTop() override { return GetDouble("ScaleTop"); }
  void ScaleTop(double value) override { object_.Put("ScaleTop", Double(value)); }
  double ScaleWidth() override { return GetDouble("ScaleWidth"); }
  void ScaleWidth(double value) override { object_.Put("ScaleWidth", Double(value)); }
  double ScaleHeight() override { return GetDouble("ScaleHeight"); }
  void ScaleHeight(double value) override { object_.Put("ScaleHeight", Double(value)); }
  std::int32_t BackColor() override { return GetInt32("BackColor"); }
  void BackColor(std::int32_t colour) override { object_.Put("BackColor", Int32(colour)); }
  std::int32_t FillColor() override { return GetInt32("FillColor"); }
  void FillColor(std::int32_t colour) override { object_.Put("FillColor", Int32(colour)); }
  std::int16_t FillStyle() override { return GetInt16("FillStyle"); }
  void FillStyle(std::int16_t style) override { object_.Put("FillStyle", Int16(style)); }
  std::int16_t DrawWidth() override { return GetInt16("DrawWidth"); }
  void DrawWidth(std::int16_t width) override { object_.Put("DrawWidth", Int16(width)); }
  std::int16_t DrawMode() override { return GetInt16("DrawMode"); }
  void DrawMode(std::int16_t mode) override { object_.Put("DrawMode", Int16(mode)); }
  std::int16_t DrawStyle() override { return GetInt16("DrawStyle"); }
  void DrawStyle(std::int16_t style) override { object_.Put("DrawStyle", Int16(style)); }

  void ClearPicture() override {
    VARIANT nothing;
    nothing.vt = VT_DISPATCH;
    nothing.pdispVal = nullptr;
    object_.Put("Picture", nothing, DISPATCH_PROPERTYPUTREF);
  }
  void SetPictureFromImage() override {
    ScopedVariant image;
    object_.Get("Image", &image.v);
    object_.Put("Picture", image.v, DISPATCH_PROPERTYPUTREF);
  }
  DeviceContext hDC() override {
    ScopedVariant handle;
    object_.Get("hDC", &handle.v);
    // Device context handles are 32-bit values on 64-bit Windows as well; an
    // automation host hands them over as a (signed) Long.
    if (handle.v.vt == VT_I8) return static_cast<DeviceContext>(handle.v.llVal);
    return static_cast<DeviceContext>(
        static_cast<std::intptr_t>(As<std::int32_t>(handle.v, VT_I4, "hDC")));
  }

  void Line(double x1, double y1, double x2, double y2, std::int32_t colour) override {
    if (object_.Has("Line")) {
      std::vector<VARIANT> args{Double(x1), Double(y1), Double(x2), Double(y2), Int32(colour)};
      object_.Call("Line", DISPATCH_METHOD, args);
      return;
    }
    DrawLineWithGdi(x1, y1, x2, y2, colour);
  }

 private:
  std::int16_t GetInt16(const std::string& name) {
    ScopedVariant value;
    object_.Get(name, &value.v);
    return As<std::int16_t>(value.v, VT_I2, name);
  }
  std::int32_t GetInt32(const std::string& name) {
    ScopedVariant value;
    object_.Get(name, &value.v);
    return As<std::int32_t>(value.v, VT_I4, name);
  }
  double GetDouble(const std::string& name) {
    ScopedVariant value;
    object_.Get(name, &value.v);
    return As<double>(value.v, VT_R8, name);
  }

  // The line in the box's current scale, drawn into its device context with the
  // box's DrawWidth and DrawMode (whose values are the GDI mix modes).
  void DrawLineWithGdi(double x1, double y1, double x2, double y2, std::int32_t colour) {
    HDC dc = reinterpret_cast<HDC>(hDC());
    if (dc == nullptr)
      throw ComError(5, kSource, "Invalid procedure call: the picture box has no hDC");
    // The drawing surface's size in pixels: the selected bitmap of a memory
    // context, else the visible area.
    int width = 0, height = 0;
    BITMAP bitmap{};
    HGDIOBJ selected = ::GetCurrentObject(dc, OBJ_BITMAP);
    if (selected != nullptr && ::GetObjectA(selected, sizeof bitmap, &bitmap) == sizeof bitmap &&
        bitmap.bmWidth > 1) {
      width = bitmap.bmWidth;
      height = bitmap.bmHeight;
    } else {
      RECT box{};
      ::GetClipBox(dc, &box);
      width = box.right - box.left;
      height = box.bottom - box.top;
    }
    double left = ScaleLeft(), top = ScaleTop(), scale_w = ScaleWidth(), scale_h = ScaleHeight();
    if (scale_w == 0 || scale_h == 0) return;
    auto px = [&](double x) { return static_cast<int>(std::lround((x - left) * width / scale_w)); };
    auto py = [&](double y) { return static_cast<int>(std::lround((y - top) * height / scale_h)); };
    int pen_width = DrawWidth();
    int mode = DrawMode();
    HPEN pen = ::CreatePen(PS_SOLID, pen_width > 0 ? pen_width : 1,
                           static_cast<COLORREF>(colour & 0xFFFFFF));
    HGDIOBJ old_pen = ::SelectObject(dc, pen);
    int old_mode = ::SetROP2(dc, mode >= R2_BLACK && mode <= R2_WHITE ? mode : R2_COPYPEN);
    ::MoveToEx(dc, px(x1), py(y1), nullptr);
    ::LineTo(dc, px(x2), py(y2));
    ::SetROP2(dc, old_mode);
    ::SelectObject(dc, old_pen);
    ::DeleteObject(pen);
  }

  LateBound object_;
};

}  // namespace

struct HostObjects::Entry {
  IDispatch* object = nullptr;  // the identity the adapters were made for
  std::unique_ptr<EventsAdapter> events;
  std::unique_ptr<FormAdapter> form;
  std::unique_ptr<PictureAdapter> picture;
};

HostObjects::HostObjects() = default;

HostObjects::~HostObjects() {
  for (auto& [identity, entry] : entries_) {
    entry->events.reset();
    entry->form.reset();
    entry->picture.reset();
    identity->Release();
  }
}

HostObjects::Entry& HostObjects::EntryFor(IDispatch* object) {
  IUnknown* identity = nullptr;
  object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
  if (identity == nullptr) throw ComError(13, kSource, "Type mismatch: not a COM object");
  auto found = entries_.find(identity);
  if (found != entries_.end()) {
    identity->Release();  // the entry holds one reference already
    return *found->second;
  }
  auto entry = std::make_unique<Entry>();
  entry->object = object;
  Entry& result = *entry;
  entries_.emplace(identity, std::move(entry));
  return result;
}

HostEvents* HostObjects::Events(IDispatch* object) {
  if (object == nullptr) return nullptr;
  Entry& entry = EntryFor(object);
  if (!entry.events) entry.events = std::make_unique<EventsAdapter>(object);
  return entry.events.get();
}

HostForm* HostObjects::Form(IDispatch* object) {
  if (object == nullptr) return nullptr;
  Entry& entry = EntryFor(object);
  if (!entry.form) entry.form = std::make_unique<FormAdapter>(object);
  return entry.form.get();
}

PictureBox* HostObjects::Picture(IDispatch* object) {
  if (object == nullptr) return nullptr;
  Entry& entry = EntryFor(object);
  if (!entry.picture) entry.picture = std::make_unique<PictureAdapter>(object);
  return entry.picture.get();
}

}  // namespace k9::com
