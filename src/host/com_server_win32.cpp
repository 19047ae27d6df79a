// The COM client side of the Windows host. The server is reached only through
// IDispatch: names are looked up with GetIDsOfNames and calls go through Invoke,
// each argument a reference to a Variant that the server may replace. The host's
// own objects are small IDispatch objects with a fixed member list, forwarding to
// the host's ports.
#include "host/com_server_win32.h"

#include <windows.h>
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "com/automation_win32.h"
#include "common/text.h"
#include "platform/win32/com_object.h"
#include "platform/win32/dib_section.h"

namespace k9::host {
namespace {

constexpr char kSource[] = "Kestrel9";
constexpr std::int32_t kNoSuchMember = 438;

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  }
  return wide;
}

std::string Narrow(const wchar_t* text, std::size_t length) {
  if (text == nullptr || length == 0) return std::string();
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0,
                                      nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), narrow.data(), n, nullptr,
                          nullptr);
  }
  return narrow;
}

std::string FromBstr(BSTR text) { return Narrow(text, text == nullptr ? 0 : ::SysStringLen(text)); }

BSTR ToBstr(const std::string& text) {
  const std::wstring wide = Wide(text);
  return ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string HResultText(HRESULT hr) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(hr));
  return buffer;
}

// Reads a value of one automation type from an argument, following references.
template <typename T>
std::optional<T> Read(const VARIANT* arg, VARTYPE type) {
  if (arg == nullptr) return std::nullopt;
  ScopedVariant value;
  if (FAILED(::VariantChangeType(&value.v, const_cast<VARIANT*>(arg), 0, type))) {
    return std::nullopt;
  }
  if constexpr (std::is_same_v<T, double>) return value.v.dblVal;
  if constexpr (std::is_same_v<T, std::int32_t>) return static_cast<std::int32_t>(value.v.lVal);
  if constexpr (std::is_same_v<T, std::int16_t>) return value.v.iVal;
  if constexpr (std::is_same_v<T, bool>) return value.v.boolVal != VARIANT_FALSE;
  if constexpr (std::is_same_v<T, std::string>) return FromBstr(value.v.bstrVal);
}

// Stores text where a by-reference argument points (a string or a Variant).
void WriteText(VARIANT* arg, const std::string& text) {
  if (arg == nullptr) return;
  if (arg->vt == (VT_BYREF | VT_BSTR) && arg->pbstrVal != nullptr) {
    ::SysFreeString(*arg->pbstrVal);
    *arg->pbstrVal = ToBstr(text);
  } else if (arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal != nullptr) {
    ::VariantClear(arg->pvarVal);
    arg->pvarVal->vt = VT_BSTR;
    arg->pvarVal->bstrVal = ToBstr(text);
  }
}

// An IDispatch object with a fixed list of member names (dispatch identifiers
// 1, 2, ... in list order, names matched in any letter case).
class DispatchObject : public ComObject<DispatchObject, NamedDispatch> {
 public:
  explicit DispatchObject(std::vector<std::string> names) : ComObject(std::move(names)) {}
  virtual ~DispatchObject() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return QueryInterfaceOver(iid, out, {{IID_IDispatch, static_cast<IDispatch*>(this)}});
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    const int member = MemberOf(id);
    if (member < 0) return DISP_E_MEMBERNOTFOUND;
    if (params == nullptr) return E_INVALIDARG;
    if (result != nullptr) ::VariantInit(result);
    return Call(member, flags, *params, result);
  }

 protected:
  // Member `member` (index into the name list) with `flags` of Invoke.
  virtual HRESULT Call(int member, WORD flags, DISPPARAMS& params, VARIANT* result) = 0;

  static UINT Positional(const DISPPARAMS& params) { return params.cArgs - params.cNamedArgs; }
  // Positional argument `i` in declaration order, or nullptr.
  static VARIANT* Arg(DISPPARAMS& params, UINT i) {
    if (i >= Positional(params)) return nullptr;
    return &params.rgvarg[params.cArgs - 1 - i];
  }
  // The value of a property assignment, or nullptr.
  static VARIANT* PutValue(DISPPARAMS& params) {
    if (params.cNamedArgs != 1 || params.rgdispidNamedArgs == nullptr ||
        params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT || params.cArgs < 1) {
      return nullptr;
    }
    return &params.rgvarg[0];
  }
  static bool IsPut(WORD flags) {
    return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  }
  static HRESULT Return(VARIANT* result, VARTYPE type, auto value) {
    if (result == nullptr) return S_OK;
    result->vt = type;
    if constexpr (std::is_same_v<decltype(value), IDispatch*>) {
      result->pdispVal = value;
    } else if constexpr (std::is_same_v<decltype(value), std::int16_t>) {
      result->iVal = value;
    } else if constexpr (std::is_same_v<decltype(value), std::int32_t>) {
      result->lVal = value;
    } else {
      result->dblVal = value;
    }
    return S_OK;
  }
};

// The callback object. `before` runs ahead of every event, so that a host told
// of a paint finds the picture in its picture box, even when the paint came
// from the server's own windows and not from a call of the host's.
class EventsObject : public DispatchObject {
 public:
  EventsObject(HostEvents& events, std::function<void()> before)
      : DispatchObject(
            {"SignalSuspend", "SignalSpecialRedraw", "SignalInformation", "SignalCallsignData"}),
        events_(events),
        before_(std::move(before)) {}

 protected:
  HRESULT Call(int member, WORD, DISPPARAMS& params, VARIANT*) override {
    before_();
    switch (member) {
      case 0: {
        const auto suspend = Read<bool>(Arg(params, 0), VT_BOOL);
        if (!suspend) return DISP_E_TYPEMISMATCH;
        events_.SignalSuspend(*suspend);
        return S_OK;
      }
      case 1: {
        const auto title = Read<std::string>(Arg(params, 0), VT_BSTR);
        if (!title) return DISP_E_TYPEMISMATCH;
        events_.SignalSpecialRedraw(*title);
        return S_OK;
      }
      case 2: {
        auto west = Read<double>(Arg(params, 0), VT_R8);
        auto east = Read<double>(Arg(params, 1), VT_R8);
        auto north = Read<double>(Arg(params, 2), VT_R8);
        auto south = Read<double>(Arg(params, 3), VT_R8);
        const auto title = Read<std::string>(Arg(params, 4), VT_BSTR);
        if (!west || !east || !north || !south || !title) return DISP_E_TYPEMISMATCH;
        events_.SignalInformation(*west, *east, *north, *south, *title);
        return S_OK;
      }
      default: {
        auto callsign = Read<std::string>(Arg(params, 0), VT_BSTR);
        auto answer = Read<std::string>(Arg(params, 1), VT_BSTR);
        if (!callsign || !answer) return DISP_E_TYPEMISMATCH;
        events_.SignalCallsignData(*callsign, *answer);
        WriteText(Arg(params, 0), *callsign);
        WriteText(Arg(params, 1), *answer);
        return S_OK;
      }
    }
  }

 private:
  HostEvents& events_;
  std::function<void()> before_;
};

// One entry of the form's menu control array.
class MenuEntryObject : public DispatchObject {
 public:
  MenuEntryObject(HostForm& form, int index)
      : DispatchObject({"Visible", "Enabled"}), form_(form), index_(index) {}

 protected:
  HRESULT Call(int member, WORD flags, DISPPARAMS& params, VARIANT*) override {
    if (!IsPut(flags)) return DISP_E_MEMBERNOTFOUND;
    const auto value = Read<bool>(PutValue(params), VT_BOOL);
    if (!value) return DISP_E_TYPEMISMATCH;
    if (member == 0) {
      form_.SetSpecialOptionVisible(index_, *value);
    } else {
      form_.SetSpecialOptionEnabled(index_, *value);
    }
    return S_OK;
  }

 private:
  HostForm& form_;
  int index_;
};

// The menu control array: its entries by index, and Unload of an entry.
class MenuArrayObject : public DispatchObject {
 public:
  explicit MenuArrayObject(HostForm& form) : DispatchObject({"Item", "Unload"}), form_(form) {}

 protected:
  HRESULT Call(int member, WORD, DISPPARAMS& params, VARIANT* result) override {
    const auto index = Read<std::int16_t>(Arg(params, 0), VT_I2);
    if (!index) return DISP_E_TYPEMISMATCH;
    if (member == 1) {
      form_.UnloadSpecialOption(*index);
      return S_OK;
    }
    return Return(result, VT_DISPATCH, static_cast<IDispatch*>(new MenuEntryObject(form_, *index)));
  }

 private:
  HostForm& form_;
};

// The main form: its menu control array and its window handle.
class FormObject : public DispatchObject {
 public:
  explicit FormObject(HostForm& form)
      : DispatchObject({"mnuMapSpecialOptions", "hWnd"}), form_(form) {}

 protected:
  HRESULT Call(int member, WORD flags, DISPPARAMS& params, VARIANT* result) override {
    if (IsPut(flags)) return DISP_E_MEMBERNOTFOUND;
    if (member == 1) return Return(result, VT_I4, static_cast<std::int32_t>(form_.hWnd()));
    if (Positional(params) == 0) {
      return Return(result, VT_DISPATCH, static_cast<IDispatch*>(new MenuArrayObject(form_)));
    }
    const auto index = Read<std::int16_t>(Arg(params, 0), VT_I2);
    if (!index) return DISP_E_TYPEMISMATCH;
    return Return(result, VT_DISPATCH, static_cast<IDispatch*>(new MenuEntryObject(form_, *index)));
  }

 private:
  HostForm& form_;
};

// What the picture box's Image property hands out: a token that, assigned to
// Picture, keeps the current drawing.
class ImageObject : public DispatchObject {
 public:
  ImageObject() : DispatchObject({}) {}

 protected:
  HRESULT Call(int, WORD, DISPPARAMS&, VARIANT*) override { return DISP_E_MEMBERNOTFOUND; }
};

// The picture box. Its drawing lives in the host's raster; hDC hands out a
// device context over a DIB section holding a copy of it, which stays valid for
// the rest of the server's life as a picture box's hDC does. While it is out the
// two copies are made equal around every other member and when the server's
// call returns, so GDI drawing and the box's own drawing both land in the
// picture the host saves.
class PictureObject : public DispatchObject {
 public:
  explicit PictureObject(PictureBox& box)
      : DispatchObject({"ScaleMode", "ScaleLeft", "ScaleTop", "ScaleWidth", "ScaleHeight",
                        "BackColor", "FillColor", "FillStyle", "DrawWidth", "DrawMode", "DrawStyle",
                        "Picture", "Image", "hDC", "Line"}),
        box_(box) {}

  // Brings what GDI drew into the host's raster. The device context stays
  // handed out: the server may draw into it after any later member call.
  void Sync() {
    if (!live_) return;
    Raster* raster = RasterFromDeviceContext(box_.hDC());
    if (raster == nullptr || !dib_.valid() || raster->width != dib_.width() ||
        raster->height != dib_.height()) {
      live_ = false;  // the box was resized: the next hDC makes a new picture
      return;
    }
    DibSection::Flush();
    dib_.CopyTo(raster);
  }

 protected:
  // Around every member but hDC the two copies of the drawing are made equal:
  // what GDI drew goes to the raster, and what the member drew goes back.
  HRESULT Call(int member, WORD flags, DISPPARAMS& params, VARIANT* result) override {
    if (member == 13) return IsPut(flags) ? DISP_E_MEMBERNOTFOUND : DeviceContextOf(result);
    Sync();
    const HRESULT hr = Member(member, flags, params, result);
    Publish();
    return hr;
  }

 private:
  void Publish() {
    if (!live_) return;
    Raster* raster = RasterFromDeviceContext(box_.hDC());
    if (raster == nullptr || raster->width != dib_.width() || raster->height != dib_.height()) {
      live_ = false;
      return;
    }
    dib_.CopyFrom(*raster);
  }

  HRESULT Member(int member, WORD flags, DISPPARAMS& params, VARIANT* result) {
    const bool put = IsPut(flags);
    VARIANT* value = PutValue(params);
    if (put && value == nullptr) return DISP_E_PARAMNOTOPTIONAL;
    switch (member) {
      case 0:
        return Int16(
            put, value, result, [&] { return box_.ScaleMode(); },
            [&](std::int16_t v) { box_.ScaleMode(v); });
      case 1:
        return Double(
            put, value, result, [&] { return box_.ScaleLeft(); },
            [&](double v) { box_.ScaleLeft(v); });
      case 2:
        return Double(
            put, value, result, [&] { return box_.ScaleTop(); },
            [&](double v) { box_.ScaleTop(v); });
      case 3:
        return Double(
            put, value, result, [&] { return box_.ScaleWidth(); },
            [&](double v) { box_.ScaleWidth(v); });
      case 4:
        return Double(
            put, value, result, [&] { return box_.ScaleHeight(); },
            [&](double v) { box_.ScaleHeight(v); });
      case 5:
        return Int32(
            put, value, result, [&] { return box_.BackColor(); },
            [&](std::int32_t v) { box_.BackColor(v); });
      case 6:
        return Int32(
            put, value, result, [&] { return box_.FillColor(); },
            [&](std::int32_t v) { box_.FillColor(v); });
      case 7:
        return Int16(
            put, value, result, [&] { return box_.FillStyle(); },
            [&](std::int16_t v) { box_.FillStyle(v); });
      case 8:
        return Int16(
            put, value, result, [&] { return box_.DrawWidth(); },
            [&](std::int16_t v) { box_.DrawWidth(v); });
      case 9:
        return Int16(
            put, value, result, [&] { return box_.DrawMode(); },
            [&](std::int16_t v) { box_.DrawMode(v); });
      case 10:
        return Int16(
            put, value, result, [&] { return box_.DrawStyle(); },
            [&](std::int16_t v) { box_.DrawStyle(v); });
      case 11: {
        if (!put) return DISP_E_MEMBERNOTFOUND;
        VARIANT plain;
        ::VariantInit(&plain);
        if (FAILED(::VariantCopyInd(&plain, value))) return DISP_E_TYPEMISMATCH;
        const bool nothing =
            (plain.vt == VT_DISPATCH || plain.vt == VT_UNKNOWN) && plain.punkVal == nullptr;
        const bool image = plain.vt == VT_DISPATCH && plain.pdispVal != nullptr;
        ::VariantClear(&plain);
        if (nothing) {
          box_.ClearPicture();
        } else if (image) {
          box_.SetPictureFromImage();
        } else {
          return DISP_E_TYPEMISMATCH;
        }
        return S_OK;
      }
      case 12:
        if (put) return DISP_E_MEMBERNOTFOUND;
        return Return(result, VT_DISPATCH, static_cast<IDispatch*>(new ImageObject()));
      default: {
        const auto x1 = Read<double>(Arg(params, 0), VT_R8);
        const auto y1 = Read<double>(Arg(params, 1), VT_R8);
        const auto x2 = Read<double>(Arg(params, 2), VT_R8);
        const auto y2 = Read<double>(Arg(params, 3), VT_R8);
        const auto colour = Read<std::int32_t>(Arg(params, 4), VT_I4);
        if (!x1 || !y1 || !x2 || !y2 || !colour) return DISP_E_TYPEMISMATCH;
        box_.Line(*x1, *y1, *x2, *y2, *colour);
        return S_OK;
      }
    }
  }

  template <typename T, VARTYPE kType, typename Get, typename Set>
  HRESULT Property(bool put, VARIANT* value, VARIANT* result, Get get, Set set) {
    if (put) {
      const auto v = Read<T>(value, kType);
      if (!v) return DISP_E_TYPEMISMATCH;
      set(*v);
      return S_OK;
    }
    return Return(result, kType, static_cast<T>(get()));
  }
  template <typename G, typename S>
  HRESULT Int16(bool put, VARIANT* value, VARIANT* result, G get, S set) {
    return Property<std::int16_t, VT_I2>(put, value, result, get, set);
  }
  template <typename G, typename S>
  HRESULT Int32(bool put, VARIANT* value, VARIANT* result, G get, S set) {
    return Property<std::int32_t, VT_I4>(put, value, result, get, set);
  }
  template <typename G, typename S>
  HRESULT Double(bool put, VARIANT* value, VARIANT* result, G get, S set) {
    return Property<double, VT_R8>(put, value, result, get, set);
  }

  HRESULT DeviceContextOf(VARIANT* result) {
    Raster* raster = RasterFromDeviceContext(box_.hDC());
    if (raster == nullptr) return E_FAIL;
    if (!live_ || dib_.width() != raster->width || dib_.height() != raster->height) {
      if (!dib_.valid() || dib_.width() != raster->width || dib_.height() != raster->height) {
        if (!dib_.Create(raster->width, raster->height)) return E_OUTOFMEMORY;
      }
      dib_.CopyFrom(*raster);
      live_ = true;
    }
    // Device context handles fit in 32 bits on 64-bit Windows as well; the
    // picture box's hDC is a Long.
    return Return(result, VT_I4, static_cast<std::int32_t>(static_cast<std::intptr_t>(dib_.dc())));
  }

  PictureBox& box_;
  DibSection dib_;
  bool live_ = false;
};

// Fills a safe array of strings from a TextArray; nullptr for an unallocated one.
SAFEARRAY* ToSafeArray(const TextArray& array) {
  if (!array.allocated) return nullptr;
  SAFEARRAYBOUND bound{static_cast<ULONG>(array.items.size()), array.lower};
  SAFEARRAY* out = ::SafeArrayCreate(VT_BSTR, 1, &bound);
  if (out == nullptr) return nullptr;
  for (std::size_t i = 0; i < array.items.size(); ++i) {
    LONG index = array.lower + static_cast<LONG>(i);
    BSTR text = ToBstr(array.items[i]);
    ::SafeArrayPutElement(out, &index, text);
    ::SysFreeString(text);
  }
  return out;
}

std::optional<TextArray> FromSafeArray(SAFEARRAY* array, VARTYPE element) {
  TextArray out;
  if (array == nullptr) return out;
  if (::SafeArrayGetDim(array) != 1) return std::nullopt;
  LONG lower = 0, upper = -1;
  ::SafeArrayGetLBound(array, 1, &lower);
  ::SafeArrayGetUBound(array, 1, &upper);
  out.allocated = true;
  out.lower = lower;
  for (LONG i = lower; i <= upper; ++i) {
    if (element == VT_BSTR) {
      BSTR text = nullptr;
      if (FAILED(::SafeArrayGetElement(array, &i, &text))) return std::nullopt;
      out.items.push_back(FromBstr(text));
      ::SysFreeString(text);
    } else {
      ScopedVariant item;
      if (FAILED(::SafeArrayGetElement(array, &i, &item.v))) return std::nullopt;
      const auto text = Read<std::string>(&item.v, VT_BSTR);
      if (!text) return std::nullopt;
      out.items.push_back(*text);
    }
  }
  return out;
}

// A returned or written-back value as the host's call value; nullopt for what
// the host does not take back (objects, unusual types).
std::optional<CallValue> FromVariant(const VARIANT& source) {
  ScopedVariant value;
  if (FAILED(::VariantCopyInd(&value.v, const_cast<VARIANT*>(&source)))) return std::nullopt;
  const VARIANT& v = value.v;
  switch (v.vt) {
    case VT_EMPTY:
      return CallValue{};
    case VT_BOOL:
      return CallValue{v.boolVal != VARIANT_FALSE};
    case VT_I2:
      return CallValue{static_cast<std::int16_t>(v.iVal)};
    case VT_I4:
      return CallValue{static_cast<std::int32_t>(v.lVal)};
    case VT_R8:
      return CallValue{v.dblVal};
    case VT_BSTR:
      return CallValue{FromBstr(v.bstrVal)};
    case VT_ARRAY | VT_BSTR:
    case VT_ARRAY | VT_VARIANT: {
      auto array = FromSafeArray(v.parray, static_cast<VARTYPE>(v.vt & ~VT_ARRAY));
      if (!array) return std::nullopt;
      return CallValue{std::move(*array)};
    }
    default:
      if (const auto number = Read<double>(&v, VT_R8)) return CallValue{*number};
      return std::nullopt;
  }
}

// The host's end of the server's message boxes and help pages: forwards them
// while attached. The server holds references of its own, so it is detached,
// not deleted, when the host lets go.
class DialogSink final
    : public ComObject<DialogSink, com::IServerMessageSink, com::IServerHelpSink> {
 public:
  void AttachMessages(std::function<void(const std::string&, const std::string&)> sink) {
    messages_ = std::move(sink);
  }
  void AttachHelp(std::function<void(const HelpReport&)> sink) { help_ = std::move(sink); }
  void Detach() {
    messages_ = nullptr;
    help_ = nullptr;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return QueryInterfaceOver(
        iid, out,
        {{com::kIidServerMessageSink, static_cast<com::IServerMessageSink*>(this)},
         {com::kIidServerHelpSink, static_cast<com::IServerHelpSink*>(this)}});
  }
  void STDMETHODCALLTYPE Message(const char* caption, const char* text) override {
    if (messages_) messages_(caption == nullptr ? "" : caption, text == nullptr ? "" : text);
  }
  void STDMETHODCALLTYPE Help(const char* file, unsigned long context, const char* page) override {
    if (help_) {
      help_(HelpReport{file == nullptr ? "" : file, static_cast<std::uint32_t>(context),
                       page == nullptr ? "" : page});
    }
  }

 private:
  friend ComObject;
  ~DialogSink() = default;
  std::function<void(const std::string&, const std::string&)> messages_;
  std::function<void(const HelpReport&)> help_;
};

// Collects what one automation call hands back.
class Receiver final : public com::AutomationReceiver {
 public:
  void STDMETHODCALLTYPE Item(const char* text) override {
    items.emplace_back(text == nullptr ? "" : text);
  }
  void STDMETHODCALLTYPE Failure(long number, const char* source,
                                 const char* description) override {
    failure =
        CallOutcome::Failure(static_cast<std::int32_t>(number), source == nullptr ? "" : source,
                             description == nullptr ? "" : description);
  }
  // The call's outcome: the reported failure, or one made from a failed HRESULT.
  CallOutcome Outcome(HRESULT hr) const {
    if (!failure.ok) return failure;
    if (FAILED(hr)) {
      return CallOutcome::Failure(static_cast<std::int32_t>(hr), kSource,
                                  "the call failed (" + HResultText(hr) + ")");
    }
    return CallOutcome::Success();
  }

  std::vector<std::string> items;
  CallOutcome failure = CallOutcome::Success();
};

class ComServer : public MapServerObject, public ServerAutomation {
 public:
  explicit ComServer(IDispatch* object) : object_(object) {
    void* automation = nullptr;
    if (SUCCEEDED(object_->QueryInterface(com::kIidServerAutomation, &automation))) {
      automation_ = static_cast<com::IServerAutomation*>(automation);
    }
  }

  void Release() override {
    if (automation_ != nullptr) {
      automation_->Release();
      automation_ = nullptr;
    }
    if (object_ != nullptr) {
      object_->Release();
      object_ = nullptr;
    }
    // Message boxes and help shown while the object was released reached the
    // host; none may reach it later.
    if (sink_ != nullptr) {
      sink_->Detach();
      sink_->Release();
      sink_ = nullptr;
    }
    SyncPictures();
    for (auto& [key, wrapper] : wrappers_) wrapper->Release();
    wrappers_.clear();
    pictures_.clear();
    delete this;
  }

  CallOutcome Invoke(const std::string& member, CallKind kind, std::vector<CallValue>& args,
                     CallValue* result) override {
    DISPID id = DISPID_UNKNOWN;
    const std::string key = ToLower(member);
    if (const auto found = ids_.find(key); found != ids_.end()) {
      id = found->second;
    } else {
      std::wstring wide = Wide(member);
      LPOLESTR names[] = {wide.data()};
      if (FAILED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        return CallOutcome::Failure(kNoSuchMember, kSource,
                                    "Object doesn't support this property or method: " + member);
      }
      ids_[key] = id;
    }

    // Each argument is a variable of its own, passed as a reference to a Variant.
    std::vector<VARIANT> values(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) ToVariant(args[i], &values[i]);
    std::vector<VARIANT> passed(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
      VARIANT& ref = passed[args.size() - 1 - i];  // automation order: last first
      ::VariantInit(&ref);
      ref.vt = VT_BYREF | VT_VARIANT;
      ref.pvarVal = &values[i];
    }
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{passed.data(), nullptr, static_cast<UINT>(passed.size()), 0};
    WORD flags = DISPATCH_METHOD;
    if (kind == CallKind::kPropertyGet) flags = DISPATCH_PROPERTYGET;
    if (kind == CallKind::kPropertyPut) {
      flags = DISPATCH_PROPERTYPUT;
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    ScopedVariant returned;
    EXCEPINFO error{};
    UINT bad = 0;
    const HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                       &returned.v, &error, &bad);
    SyncPictures();

    CallOutcome outcome;
    if (SUCCEEDED(hr)) {
      for (std::size_t i = 0; i < args.size(); ++i) {
        if (values[i].vt == VT_DISPATCH) continue;
        if (auto back = FromVariant(values[i])) args[i] = std::move(*back);
      }
      if (result != nullptr) *result = FromVariant(returned.v).value_or(CallValue{});
    } else if (hr == DISP_E_EXCEPTION) {
      if (error.pfnDeferredFillIn != nullptr) error.pfnDeferredFillIn(&error);
      const std::string description = FromBstr(error.bstrDescription);
      const std::string source = FromBstr(error.bstrSource);
      outcome = CallOutcome::Failure(
          error.scode != 0 ? static_cast<std::int32_t>(error.scode) : error.wCode, source,
          description.empty() ? "the call failed (" + HResultText(error.scode) + ")" : description);
    } else {
      outcome = CallOutcome::Failure(static_cast<std::int32_t>(hr), kSource,
                                     "the call failed (" + HResultText(hr) + ")");
    }
    ::SysFreeString(error.bstrSource);
    ::SysFreeString(error.bstrDescription);
    ::SysFreeString(error.bstrHelpFile);
    for (VARIANT& value : values) ::VariantClear(&value);
    return outcome;
  }

  ServerAutomation& Automation() override { return *this; }

  // The server's dialogs, control panel and search dialog live inside the
  // library; its private automation interface reaches them. A server without
  // it (another registered implementation) refuses these steps.
  void SetMessageSink(std::function<void(const std::string&, const std::string&)> sink) override {
    if (automation_ == nullptr) return;
    if (!sink) {
      automation_->SetMessageSink(nullptr);
      return;
    }
    Sink().AttachMessages(std::move(sink));
    automation_->SetMessageSink(sink_);
  }
  void SetHelpSink(std::function<void(const HelpReport&)> sink) override {
    if (automation_ == nullptr) return;
    if (!sink) {
      automation_->SetHelpSink(nullptr);
      return;
    }
    Sink().AttachHelp(std::move(sink));
    automation_->SetHelpSink(sink_);
  }
  void QueueFolderAnswer(std::optional<std::string> path) override {
    QueueAnswer(com::kAnswerFolder, path);
  }
  void QueueFileAnswer(std::optional<std::string> path) override {
    QueueAnswer(com::kAnswerFile, path);
  }
  void QueueChooserAnswer(std::optional<std::string> name) override {
    QueueAnswer(com::kAnswerChooser, name);
  }
  CallOutcome QueueControlPanelItems(const std::vector<std::string>& items) override {
    if (automation_ == nullptr) return Unreachable("the control panel");
    std::vector<const char*> names;
    for (const std::string& item : items) names.push_back(item.c_str());
    Receiver receiver;
    const HRESULT hr = automation_->QueueControlPanelItems(static_cast<long>(names.size()),
                                                           names.data(), &receiver);
    return receiver.Outcome(hr);
  }
  std::vector<std::string> TakeControlPanelReports() override {
    if (automation_ == nullptr) return {};
    Receiver receiver;
    automation_->TakeControlPanelReports(&receiver);
    return std::move(receiver.items);
  }
  bool SearchDialogOpen() override {
    long open = 0;
    return automation_ != nullptr && SUCCEEDED(automation_->SearchDialogOpen(&open)) && open != 0;
  }
  CallOutcome SearchFind(std::int16_t type, const std::string& query) override {
    if (automation_ == nullptr) return Unreachable("the search dialog");
    Receiver receiver;
    const HRESULT hr = automation_->SearchFind(type, query.c_str(), &receiver);
    SyncPictures();
    return receiver.Outcome(hr);
  }
  std::vector<SearchMatch> SearchMatches() override {
    std::vector<SearchMatch> matches;
    if (automation_ == nullptr) return matches;
    Receiver receiver;
    automation_->SearchMatches(&receiver);
    for (std::string& item : receiver.items) matches.push_back({std::move(item)});
    return matches;
  }
  std::string SearchResultLabel() override {
    if (automation_ == nullptr) return "";
    Receiver receiver;
    automation_->SearchResultLabel(&receiver);
    return receiver.items.empty() ? std::string() : receiver.items.front();
  }
  CallOutcome SearchGoTo(std::int32_t index) override {
    if (automation_ == nullptr) return Unreachable("the search dialog");
    Receiver receiver;
    const HRESULT hr = automation_->SearchGoTo(index, &receiver);
    SyncPictures();
    return receiver.Outcome(hr);
  }

 private:
  ~ComServer() = default;

  // The host object's IDispatch, made once per object (the reference is ours).
  template <typename Wrapper, typename Port>
  IDispatch* WrapperFor(Port* port) {
    const void* key = port;
    if (auto found = wrappers_.find(key); found != wrappers_.end()) return found->second;
    Wrapper* wrapper;
    if constexpr (std::is_same_v<Wrapper, EventsObject>) {
      wrapper = new EventsObject(*port, [this] { SyncPictures(); });
    } else {
      wrapper = new Wrapper(*port);
    }
    if constexpr (std::is_same_v<Wrapper, PictureObject>) pictures_.push_back(wrapper);
    wrappers_[key] = wrapper;
    return wrapper;
  }

  void ToVariant(const CallValue& value, VARIANT* out) {
    ::VariantInit(out);
    struct Visitor {
      ComServer& self;
      VARIANT* out;
      void Object(IDispatch* object) {
        out->vt = VT_DISPATCH;
        out->pdispVal = object;
        if (object != nullptr) object->AddRef();
      }
      void operator()(std::monostate) {}
      void operator()(bool v) {
        out->vt = VT_BOOL;
        out->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
      }
      void operator()(std::int16_t v) {
        out->vt = VT_I2;
        out->iVal = v;
      }
      void operator()(std::int32_t v) {
        out->vt = VT_I4;
        out->lVal = v;
      }
      void operator()(double v) {
        out->vt = VT_R8;
        out->dblVal = v;
      }
      void operator()(const std::string& v) {
        out->vt = VT_BSTR;
        out->bstrVal = ToBstr(v);
      }
      void operator()(const TextArray& v) {
        out->vt = VT_ARRAY | VT_BSTR;
        out->parray = ToSafeArray(v);
      }
      void operator()(PictureBox* v) {
        Object(v == nullptr ? nullptr : self.WrapperFor<PictureObject>(v));
      }
      void operator()(HostEvents* v) {
        Object(v == nullptr ? nullptr : self.WrapperFor<EventsObject>(v));
      }
      void operator()(HostForm* v) {
        Object(v == nullptr ? nullptr : self.WrapperFor<FormObject>(v));
      }
    };
    std::visit(Visitor{*this, out}, value);
  }

  void SyncPictures() {
    for (PictureObject* picture : pictures_) picture->Sync();
  }

  void QueueAnswer(com::AnswerKind kind, const std::optional<std::string>& answer) {
    if (automation_ != nullptr) automation_->QueueAnswer(kind, answer ? answer->c_str() : nullptr);
  }
  static CallOutcome Unreachable(const std::string& what) {
    return CallOutcome::Failure(5, kSource, what + " cannot be worked through this server");
  }

  IDispatch* object_;
  com::IServerAutomation* automation_ = nullptr;
  DialogSink& Sink() {
    if (sink_ == nullptr) sink_ = new DialogSink;
    return *sink_;
  }
  DialogSink* sink_ = nullptr;
  std::map<std::string, DISPID> ids_;  // by lower-case member name
  std::map<const void*, IDispatch*> wrappers_;
  std::vector<PictureObject*> pictures_;
};

}  // namespace

MapServerObject* CreateComServer(const std::string& prog_id, std::string* error) {
  const std::wstring wide = Wide(prog_id);
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(wide.c_str(), &clsid);
  if (FAILED(hr)) {
    *error = "\"" + prog_id + "\" is not registered (" + HResultText(hr) + ")";
    return nullptr;
  }
  IDispatch* object = nullptr;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(&object));
  if (FAILED(hr) || object == nullptr) {
    *error = "cannot create \"" + prog_id + "\" (" + HResultText(hr) + ")";
    return nullptr;
  }
  return new ComServer(object);
}

}  // namespace k9::host
