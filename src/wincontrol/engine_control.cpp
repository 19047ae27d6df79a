#include "wincontrol/engine_control.h"

#include <windows.h>
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "platform/win32/com_object.h"
#include "wincontrol/engine_members.h"

namespace k9::wincontrol {
namespace {

constexpr wchar_t kFormClass[] = L"Kestrel9.frmStrato";

std::string HexCode(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// The system's text for a failure code, or the code itself.
std::string Describe(HRESULT hr) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out;
  if (length > 0 && text != nullptr) {
    out.assign(text, length);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
      out.pop_back();
  }
  if (text != nullptr) LocalFree(text);
  return out.empty() ? HexCode(hr) : out + " (" + HexCode(hr) + ")";
}

template <typename T>
void ReleaseNow(T*& p) {
  if (p != nullptr) p->Release();
  p = nullptr;
}

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

// Screen pixels for a length in twips, across (LOGPIXELSX) or down (LOGPIXELSY).
int TwipsToPixels(int twips, int axis) {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, axis) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return MulDiv(twips, dpi > 0 ? dpi : 96, 1440);
}

// The window of the map form, which the control lives on. It starts hidden; the
// form shows it only while the server configures the engine. It never takes the
// focus from the host: the control draws only into the device contexts it is
// handed.
HWND CreateFormWindow() {
  const HINSTANCE instance = ThisModule();
  WNDCLASSW wc{};
  if (!GetClassInfoW(instance, kFormClass, &wc)) {
    wc = WNDCLASSW{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = kFormClass;
    if (RegisterClassW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw std::runtime_error("the map form's window class cannot be registered");
  }
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kFormClass, L"frmStrato", WS_POPUP, 0, 0, 320,
                                240, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) throw std::runtime_error("the map form's window cannot be created");
  return window;
}

// The container side of the control: its client site, in-place site and frame
// (all the same hidden window), and the ambient properties of a form at run time.
class Site final
    : public ComObject<Site, IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, UntypedDispatch> {
 public:
  explicit Site(HWND window) : window_(window) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    auto* site = static_cast<IOleInPlaceSite*>(this);
    auto* frame = static_cast<IOleInPlaceFrame*>(this);
    return QueryInterfaceOver(iid, out,
                              {{IID_IOleClientSite, static_cast<IOleClientSite*>(this)},
                               {IID_IOleWindow, site},
                               {IID_IOleInPlaceSite, site},
                               {IID_IOleInPlaceUIWindow, frame},
                               {IID_IOleInPlaceFrame, frame},
                               {IID_IDispatch, static_cast<IDispatch*>(this)}});
  }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (site and frame alike)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
    if (out == nullptr) return E_POINTER;
    *out = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                             LPRECT position, LPRECT clip,
                                             LPOLEINPLACEFRAMEINFO info) override {
    if (frame == nullptr || doc == nullptr || position == nullptr || clip == nullptr)
      return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    GetClientRect(window_, position);
    *clip = *position;
    if (info != nullptr) {
      info->fMDIApp = FALSE;
      info->hwndFrame = window_;
      info->haccel = nullptr;
      info->cAccelEntries = 0;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame: no menus, tool space or accelerators.
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
    return INPLACE_E_NOTOOLSPACE;
  }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDispatch: ambient properties, by dispatch identifier only.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if ((flags & DISPATCH_PROPERTYGET) == 0 || result == nullptr) return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    switch (id) {
      case DISPID_AMBIENT_USERMODE:  // run time, not design time
      case DISPID_AMBIENT_MESSAGEREFLECT:
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        return S_OK;
      case DISPID_AMBIENT_UIDEAD:
      case DISPID_AMBIENT_SHOWGRABHANDLES:
      case DISPID_AMBIENT_SHOWHATCHING:
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_FALSE;
        return S_OK;
      case DISPID_AMBIENT_LOCALEID:
        result->vt = VT_I4;
        result->lVal = 0x409;
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  HWND window_;
};

// Receives the control's events and passes them on while the engine is alive.
class EventSink final : public ComObject<EventSink, UntypedDispatch> {
 public:
  explicit EventSink(const IID& events_iid) : iid_(events_iid) {}

  void Target(MapEngineEvents* events) { events_ = events; }
  // After Detach, events still in flight are dropped.
  void Detach() { events_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    auto* events = static_cast<IDispatch*>(this);
    return QueryInterfaceOver(iid, out, {{IID_IDispatch, events}, {iid_, events}});
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    MapEngineEvents* events = events_;
    if (events == nullptr) return S_OK;
    // An exception must not cross back into the control.
    try {
      switch (id) {
        case kEventFoundItem:
          events->FoundItem();
          break;
        case kEventFoundPlace:
          events->FoundPlace();
          break;
        case kEventPaintBefore:
          events->PaintBefore(DcArgument(params));
          break;
        case kEventDirectBefore:
          events->DirectBefore(DcArgument(params));
          break;
        case kEventDirect:
          events->Direct(DcArgument(params));
          break;
        default:
          break;  // other notifications of a control are not needed
      }
    } catch (...) {
      return E_FAIL;
    }
    return S_OK;
  }

 private:
  static DeviceContext DcArgument(const DISPPARAMS* params) {
    if (params == nullptr || params->cArgs < 1) return 0;
    VARIANT value;
    VariantInit(&value);
    const VARIANT* arg = &params->rgvarg[params->cArgs - 1];
    if (FAILED(VariantChangeType(&value, const_cast<VARIANT*>(arg), 0, VT_I8))) return 0;
    return static_cast<DeviceContext>(static_cast<std::intptr_t>(value.llVal));
  }

  IID iid_;
  MapEngineEvents* events_ = nullptr;
};

// One argument of a call, built from the port's types.
class Arg {
 public:
  Arg(double v) {  // NOLINT(google-explicit-constructor)
    v_.vt = VT_R8;
    v_.dblVal = v;
  }
  Arg(std::int32_t v) {  // NOLINT(google-explicit-constructor)
    v_.vt = VT_I4;
    v_.lVal = v;
  }
  Arg(bool v) {  // NOLINT(google-explicit-constructor)
    v_.vt = VT_BOOL;
    v_.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
  }
  Arg(const std::string& v) {  // NOLINT(google-explicit-constructor)
    const std::wstring wide = WideFromAnsi(v);
    v_.vt = VT_BSTR;
    v_.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (v_.bstrVal == nullptr) throw std::bad_alloc();
  }
  static Arg Dc(DeviceContext dc) {
    // Device contexts travel as 32-bit integers; GDI handles fit.
    return Arg(static_cast<std::int32_t>(static_cast<std::intptr_t>(dc)));
  }
  static Arg From(const EngineValue& value) {
    return std::visit([](const auto& v) { return Arg(v); }, value);
  }
  Arg(const Arg&) = delete;
  Arg& operator=(const Arg&) = delete;
  Arg(Arg&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
  ~Arg() { VariantClear(&v_); }
  const VARIANT& get() const { return v_; }

 private:
  VARIANT v_{};
};

// Calls member `id` of `target` with `args` (in the order written); a failure
// throws std::runtime_error naming `what` and the callee's own description.
ScopedVariant InvokeDispatch(IDispatch& target, DISPID id, WORD flags, const std::vector<Arg>& args,
                             const std::string& what) {
  // The callee takes its arguments last first.
  std::vector<VARIANT> slots;
  slots.reserve(args.size());
  for (auto it = args.rbegin(); it != args.rend(); ++it) slots.push_back(it->get());
  DISPPARAMS params{slots.empty() ? nullptr : slots.data(), nullptr,
                    static_cast<UINT>(slots.size()), 0};
  DISPID put_id = DISPID_PROPERTYPUT;
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }
  ScopedVariant result;
  EXCEPINFO error{};
  UINT bad_arg = 0;
  const HRESULT hr =
      target.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                    flags == DISPATCH_PROPERTYPUT ? nullptr : &result.v, &error, &bad_arg);
  if (SUCCEEDED(hr)) return result;
  std::string text = what + " failed: ";
  if (hr == DISP_E_EXCEPTION) {
    if (error.pfnDeferredFillIn != nullptr) error.pfnDeferredFillIn(&error);
    const std::string description =
        AnsiFromWide(error.bstrDescription, SysStringLen(error.bstrDescription));
    text += description.empty() ? Describe(error.scode) : description;
  } else {
    text += Describe(hr);
  }
  SysFreeString(error.bstrSource);
  SysFreeString(error.bstrDescription);
  SysFreeString(error.bstrHelpFile);
  throw std::runtime_error(text);
}

// An engine's import manager, the object its member 193 answers: shown by its
// method Show, called by name.
class DispatchImportManager final : public EngineImportManager {
 public:
  explicit DispatchImportManager(IDispatch* object) : object_(object) {}  // takes the reference
  ~DispatchImportManager() override { object_->Release(); }

  void Show() override {
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Show")};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
      throw std::runtime_error("the map engine's import manager has no Show method");
    InvokeDispatch(*object_, id, DISPATCH_METHOD, {}, "the map engine's import manager");
  }

 private:
  IDispatch* object_;
};

class ControlEngine final : public MapEngine, private EngineFormWindow {
 public:
  explicit ControlEngine(const std::string& prog_id) : prog_id_(prog_id) {
    try {
      Create();
    } catch (...) {
      Destroy();
      throw;
    }
  }
  ~ControlEngine() override { Destroy(); }

  void SetEvents(MapEngineEvents* events) override {
    if (sink_ != nullptr) sink_->Target(events);
  }

  EngineFormWindow* FormWindow() override { return this; }

  void SetStartValue(const std::string& name, const EngineValue& value) override {
    const std::wstring wide = WideFromAnsi(name);
    LPOLESTR names[] = {const_cast<LPOLESTR>(wide.c_str())};
    DISPID id = DISPID_UNKNOWN;
    // A control that has no property of this name keeps nothing of it.
    if (FAILED(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return;
    Put(id, Arg::From(value));
  }

  void SetViewCorners(double west, double north, double east, double south) override {
    Call(kSetViewCorners, {west, north, east, south});
  }
  void CentreView(double x, double y) override { Call(kCentreView, {x, y}); }
  void ZoomLevel(std::int32_t level) override { Put(kZoomLevel, level); }
  void ZoomInStep() override { Call(kZoomInStep, {}); }
  void ZoomOutStep() override { Call(kZoomOutStep, {}); }
  void PanStep(std::int32_t direction) override { Call(kPanStep, {direction}); }
  void ZoomToOverlay() override { Call(kZoomToOverlay, {}); }
  void SetMapSize(std::int32_t width, std::int32_t height) override {
    Call(kSetMapSize, {width, height});
  }
  double ViewWest() override { return GetDouble(kViewWest); }
  double ViewNorth() override { return GetDouble(kViewNorth); }
  double ViewEast() override { return GetDouble(kViewEast); }
  double ViewSouth() override { return GetDouble(kViewSouth); }

  void PaintToDC(DeviceContext dc, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, bool flag1, bool flag2, bool monochrome) override {
    std::vector<Arg> args;
    args.push_back(Arg::Dc(dc));
    for (std::int32_t v : {x, y, width, height}) args.emplace_back(v);
    for (bool v : {flag1, flag2, monochrome}) args.emplace_back(v);
    Invoke(kPaintToDC, DISPATCH_METHOD, args);
  }

  bool Shade_Mcd() override { return GetBool(kShade_Mcd); }
  void Shade_Mcd(bool value) override { Put(kShade_Mcd, value); }
  bool Shade_Plc() override { return GetBool(kShade_Plc); }
  void Shade_Plc(bool value) override { Put(kShade_Plc, value); }
  bool Shade_Cnty() override { return GetBool(kShade_Cnty); }
  void Shade_Cnty(bool value) override { Put(kShade_Cnty, value); }
  bool Shade_State() override { return GetBool(kShade_State); }
  void Shade_State(bool value) override { Put(kShade_State, value); }
  bool OneWayShow() override { return GetBool(kOneWayShow); }
  void OneWayShow(bool value) override { Put(kOneWayShow, value); }
  bool ZipCodesShown() override { return GetBool(kZipCodesShown); }
  void ZipCodesShown(bool value) override { Put(kZipCodesShown, value); }

  std::string Path_states() override { return GetText(kPath_states); }
  void Path_states(const std::string& folder) override { Put(kPath_states, folder); }
  std::string Path_statesEx() override { return GetText(kPath_statesEx); }
  void Path_statesEx(const std::string& folder) override { Put(kPath_statesEx, folder); }
  std::string Path_data1() override { return GetText(kPath_data1); }
  void Path_data1(const std::string& folder) override { Put(kPath_data1, folder); }
  std::string Path_data2() override { return GetText(kPath_data2); }
  void Path_data2(const std::string& folder) override { Put(kPath_data2, folder); }
  std::string Path_data3() override { return GetText(kPath_data3); }
  void Path_data3(const std::string& folder) override { Put(kPath_data3, folder); }
  std::string Path_data4() override { return GetText(kPath_data4); }
  void Path_data4(const std::string& folder) override { Put(kPath_data4, folder); }

  std::int32_t LandColor() override { return GetInt(kLandColor); }
  void LandColor(std::int32_t colour) override { Put(kLandColor, colour); }
  std::int32_t EngineCommand(std::int32_t code, std::int32_t value) override {
    return ToInt(Call(kEngineCommand, {code, value}), kEngineCommand);
  }

  void LoadOverlay(const std::string& path) override { Call(kLoadOverlay, {path}); }
  bool OverlayVisible() override { return GetBool(kOverlayVisible); }
  void OverlayVisible(bool value) override { Put(kOverlayVisible, value); }
  bool UnderlayVisible() override { return GetBool(kUnderlayVisible); }
  void UnderlayVisible(bool value) override { Put(kUnderlayVisible, value); }
  std::string UnderlayFile() override { return GetText(kUnderlayFile); }
  void UnderlayFile(const std::string& path) override { Put(kUnderlayFile, path); }

  void LoadConfig(const std::string& path) override { Call(kLoadConfig, {path}); }
  void SaveConfig(const std::string& path) override { Call(kSaveConfig, {path}); }
  void Refresh() override { Call(kRefresh, {}); }

  std::int32_t FindAddress(const std::string& text) override {
    return ToInt(Call(kFindAddress, {text}), kFindAddress);
  }
  std::int32_t FindPhone(const std::string& text) override {
    return ToInt(Call(kFindPhone, {text}), kFindPhone);
  }
  std::string FoundText() override { return GetText(kFoundText); }
  std::string FoundPlaceText() override { return GetText(kFoundPlaceText); }

  void AboutBox() override { Call(kAboutBox, {}); }
  std::unique_ptr<EngineImportManager> ImportManager() override {
    Result r = Invoke(kImportManager, DISPATCH_PROPERTYGET, {});
    IDispatch* object = nullptr;
    if ((r.v.vt == VT_DISPATCH || r.v.vt == VT_UNKNOWN) && r.v.punkVal != nullptr) {
      r.v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object));
    }
    if (object == nullptr) return nullptr;
    return std::make_unique<DispatchImportManager>(object);
  }

  void PutMember(std::int32_t dispid, const EngineValue& value) override {
    Put(dispid, Arg::From(value));
  }
  void CallMember(std::int32_t dispid) override { Call(dispid, {}); }

 private:
  // A result of a call; cleared when it goes.
  using Result = ScopedVariant;

  // EngineFormWindow.
  void Place(int left, int top, int width, int height) override {
    SetWindowPos(window_, nullptr, TwipsToPixels(left, LOGPIXELSX), TwipsToPixels(top, LOGPIXELSY),
                 TwipsToPixels(width, LOGPIXELSX), TwipsToPixels(height, LOGPIXELSY),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  void Show(bool visible) override { ShowWindow(window_, visible ? SW_SHOWNOACTIVATE : SW_HIDE); }

  void Create() {
    const std::wstring wide_id = WideFromAnsi(prog_id_);
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(wide_id.c_str(), &clsid);
    if (FAILED(hr))
      throw std::runtime_error("the map engine control \"" + prog_id_ +
                               "\" is not registered: " + Describe(hr));
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(&control_));
    if (FAILED(hr) || control_ == nullptr)
      throw std::runtime_error("the map engine control \"" + prog_id_ +
                               "\" cannot be created: " + Describe(hr));
    hr = control_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_));
    if (FAILED(hr) || dispatch_ == nullptr)
      throw std::runtime_error("the map engine control \"" + prog_id_ +
                               "\" cannot be called late bound: " + Describe(hr));
    window_ = CreateFormWindow();
    SiteControl();
    ConnectEvents();
  }

  // Sites the control on the hidden window and activates it in place, as a form
  // does with the controls placed on it. A plain automation object is used as is.
  void SiteControl() {
    if (FAILED(control_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole_))) ||
        ole_ == nullptr) {
      ole_ = nullptr;
      return;
    }
    site_ = new Site(window_);
    DWORD misc = 0;
    ole_->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool site_first = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (site_first) ole_->SetClientSite(site_);
    IPersistStreamInit* persist = nullptr;
    if (SUCCEEDED(
            control_->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist))) &&
        persist != nullptr) {
      persist->InitNew();
      persist->Release();
    }
    if (!site_first) ole_->SetClientSite(site_);
    ole_->SetHostNames(L"Kestrel9", L"frmStrato");
    RECT area{};
    GetClientRect(window_, &area);
    const HRESULT hr = ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, window_, &area);
    if (FAILED(hr))
      throw std::runtime_error("the map engine control \"" + prog_id_ +
                               "\" cannot be activated: " + Describe(hr));
  }

  // Connects to the control's default source interface. A control without events
  // still works; only its notifications are missing then.
  void ConnectEvents() {
    IConnectionPointContainer* container = nullptr;
    if (FAILED(control_->QueryInterface(IID_IConnectionPointContainer,
                                        reinterpret_cast<void**>(&container))) ||
        container == nullptr)
      return;
    IID events_iid{};
    bool known = false;
    IProvideClassInfo2* info = nullptr;
    if (SUCCEEDED(
            control_->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info))) &&
        info != nullptr) {
      known = SUCCEEDED(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events_iid));
      info->Release();
    }
    if (known) {
      container->FindConnectionPoint(events_iid, &point_);
    } else {
      IEnumConnectionPoints* points = nullptr;
      if (SUCCEEDED(container->EnumConnectionPoints(&points)) && points != nullptr) {
        IConnectionPoint* candidate = nullptr;
        while (point_ == nullptr && points->Next(1, &candidate, nullptr) == S_OK) {
          IID iid{};
          if (SUCCEEDED(candidate->GetConnectionInterface(&iid)) &&
              iid != IID_IPropertyNotifySink) {
            events_iid = iid;
            point_ = candidate;
          } else {
            candidate->Release();
          }
        }
        points->Release();
      }
    }
    container->Release();
    if (point_ == nullptr) return;
    sink_ = new EventSink(events_iid);
    const HRESULT hr = point_->Advise(sink_, &cookie_);
    if (FAILED(hr))
      throw std::runtime_error("the events of the map engine control \"" + prog_id_ +
                               "\" cannot be connected: " + Describe(hr));
    connected_ = true;
  }

  void Destroy() {
    if (sink_ != nullptr) sink_->Detach();
    if (point_ != nullptr && connected_) point_->Unadvise(cookie_);
    connected_ = false;
    ReleaseNow(point_);
    ReleaseNow(sink_);
    if (ole_ != nullptr) {
      ole_->Close(OLECLOSE_NOSAVE);
      ole_->SetClientSite(nullptr);
    }
    ReleaseNow(ole_);
    ReleaseNow(dispatch_);
    ReleaseNow(control_);
    ReleaseNow(site_);
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
  }

  Result Invoke(DISPID id, WORD flags, const std::vector<Arg>& args) {
    return InvokeDispatch(*dispatch_, id, flags, args, "map engine member " + std::to_string(id));
  }

  Result Call(DISPID id,
              std::initializer_list<std::variant<double, std::int32_t, std::string>> in) {
    std::vector<Arg> args;
    for (const auto& v : in) args.push_back(std::visit([](const auto& x) { return Arg(x); }, v));
    return Invoke(id, DISPATCH_METHOD, args);
  }
  void Put(DISPID id, Arg value) {
    std::vector<Arg> args;
    args.push_back(std::move(value));
    Invoke(id, DISPATCH_PROPERTYPUT, args);
  }
  Result Get(DISPID id) { return Invoke(id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}); }

  static VARIANT Convert(Result& r, VARTYPE type, DISPID id) {
    VARIANT out;
    VariantInit(&out);
    if (FAILED(VariantChangeType(&out, &r.v, 0, type)))
      throw std::runtime_error("map engine member " + std::to_string(id) +
                               " answered a value of the wrong type");
    return out;
  }
  static std::int32_t ToInt(Result r, DISPID id) { return Convert(r, VT_I4, id).lVal; }
  double GetDouble(DISPID id) {
    Result r = Get(id);
    return Convert(r, VT_R8, id).dblVal;
  }
  std::int32_t GetInt(DISPID id) { return ToInt(Get(id), id); }
  bool GetBool(DISPID id) {
    Result r = Get(id);
    return Convert(r, VT_BOOL, id).boolVal != VARIANT_FALSE;
  }
  std::string GetText(DISPID id) {
    Result r = Get(id);
    if (r.v.vt == VT_EMPTY || r.v.vt == VT_NULL) return {};
    VARIANT v = Convert(r, VT_BSTR, id);
    std::string out = AnsiFromWide(v.bstrVal, SysStringLen(v.bstrVal));
    VariantClear(&v);
    return out;
  }

  std::string prog_id_;
  HWND window_ = nullptr;
  IUnknown* control_ = nullptr;
  IDispatch* dispatch_ = nullptr;
  IOleObject* ole_ = nullptr;
  Site* site_ = nullptr;
  IConnectionPoint* point_ = nullptr;
  EventSink* sink_ = nullptr;
  DWORD cookie_ = 0;
  bool connected_ = false;
};

}  // namespace

std::unique_ptr<MapEngine> CreateEngineControl(const std::string& prog_id) {
  return std::make_unique<ControlEngine>(prog_id);
}

EngineFactory MakeEngineControlFactory() {
  return [](const std::string& prog_id) { return CreateEngineControl(prog_id); };
}

}  // namespace k9::wincontrol
