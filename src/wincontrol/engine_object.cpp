// The reference engine as an in-process COM control: one object per engine,
// called late bound by dispatch identifier or by name, raising its events through
// a connection point, and sited by its container through IOleObject. It draws
// through the engine's GDI canvas into the device context a caller passes.
#include "wincontrol/engine_object.h"

#include <windows.h>
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>

#include <cctype>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "engine/reference_engine.h"
#include "platform/win32/com_object.h"
#include "server/engine_factory.h"
#include "wincontrol/engine_members.h"
#include "wincontrol/import_manager_window.h"

namespace k9::wincontrol {

const GUID kEngineClsid = {
    0x6eb68c83, 0xe256, 0x4220, {0x9b, 0x91, 0xfa, 0x48, 0x84, 0xd7, 0x96, 0x92}};
const GUID kEngineEventsIid = {
    0xab87484a, 0xd4bd, 0x4ebf, {0xbf, 0xaf, 0xf7, 0x4f, 0x14, 0x4f, 0x9f, 0x91}};

namespace {

LONG g_live_objects = 0;

// Names put on the engine that are none of its members are kept as start values,
// each under a dispatch identifier from here on.
constexpr DISPID kFirstStartValueId = 0x10000;

struct ArgError {
  HRESULT hr;
  UINT index;
};
struct NoSuchMember {};

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The arguments of one Invoke, in the order the caller wrote them. Arguments by
// reference and variants by reference are read through.
class Args {
 public:
  Args(const DISPPARAMS& params, WORD flags) : params_(params), flags_(flags) {}

  bool IsPut() const { return (flags_ & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

  void Method(UINT count) const {
    if ((flags_ & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) throw NoSuchMember{};
    if (params_.cNamedArgs != 0) throw ArgError{DISP_E_NONAMEDARGS, 0};
    Count(count);
  }
  void Get() const {
    if ((flags_ & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) throw NoSuchMember{};
    Count(0);
  }
  void Put() const {
    if (!IsPut()) throw NoSuchMember{};
    Count(1);
  }

  double Double(UINT i) const { return Convert(i, VT_R8).dblVal; }
  std::int32_t Int(UINT i) const { return Convert(i, VT_I4).lVal; }
  bool Bool(UINT i) const { return Convert(i, VT_BOOL).boolVal != VARIANT_FALSE; }
  std::string Text(UINT i) const {
    VARIANT v = Convert(i, VT_BSTR);
    std::string out = AnsiFromWide(v.bstrVal, SysStringLen(v.bstrVal));
    VariantClear(&v);
    return out;
  }
  DeviceContext Dc(UINT i) const {
    // Handles travel as 32-bit integers; sign extension restores a 64-bit handle.
    const LONGLONG value = Convert(i, VT_I8).llVal;
    return static_cast<DeviceContext>(static_cast<std::intptr_t>(value));
  }
  EngineValue Value(UINT i) const {
    switch (Source(i)->vt & VT_TYPEMASK) {
      case VT_BOOL:
        return Bool(i);
      case VT_R4:
      case VT_R8:
      case VT_CY:
      case VT_DATE:
      case VT_DECIMAL:
        return Double(i);
      case VT_BSTR:
        return Text(i);
      default:
        return Int(i);
    }
  }

 private:
  void Count(UINT count) const {
    if (params_.cArgs != count) throw ArgError{DISP_E_BADPARAMCOUNT, 0};
  }
  UINT Slot(UINT i) const { return params_.cArgs - 1 - i; }
  const VARIANT* Source(UINT i) const {
    const VARIANT* v = &params_.rgvarg[Slot(i)];
    while (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal != nullptr) v = v->pvarVal;
    return v;
  }
  VARIANT Convert(UINT i, VARTYPE type) const {
    VARIANT plain;
    VariantInit(&plain);
    if (FAILED(VariantCopyInd(&plain, const_cast<VARIANT*>(Source(i)))))
      throw ArgError{DISP_E_TYPEMISMATCH, Slot(i)};
    VARIANT out;
    VariantInit(&out);
    const HRESULT hr = VariantChangeType(&out, &plain, 0, type);
    VariantClear(&plain);
    if (FAILED(hr)) throw ArgError{DISP_E_TYPEMISMATCH, Slot(i)};
    return out;
  }

  const DISPPARAMS& params_;
  WORD flags_;
};

void Return(VARIANT* result, double value) {
  if (result == nullptr) return;
  result->vt = VT_R8;
  result->dblVal = value;
}
void Return(VARIANT* result, std::int32_t value) {
  if (result == nullptr) return;
  result->vt = VT_I4;
  result->lVal = value;
}
void Return(VARIANT* result, bool value) {
  if (result == nullptr) return;
  result->vt = VT_BOOL;
  result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}
void Return(VARIANT* result, const std::string& value) {
  if (result == nullptr) return;
  const std::wstring wide = WideFromAnsi(value);
  result->vt = VT_BSTR;
  result->bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}
void Return(VARIANT* result, const EngineValue& value) {
  std::visit([result](const auto& v) { Return(result, v); }, value);
}

// What member 193 answers: the engine's import manager as an automation object
// with the one method Show, which shows its dialog.
class ImportManagerObject final : public ComObject<ImportManagerObject, NamedDispatch> {
 public:
  explicit ImportManagerObject(std::unique_ptr<EngineImportManager> manager)
      : ComObject(std::vector<std::string>{"Show"}), manager_(std::move(manager)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return QueryInterfaceOver(iid, out, {{IID_IDispatch, static_cast<IDispatch*>(this)}});
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (MemberOf(id) != 0 || (flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params != nullptr && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (result != nullptr) VariantInit(result);
    try {
      manager_->Show();
    } catch (...) {
      return E_FAIL;
    }
    return S_OK;
  }

 private:
  std::unique_ptr<EngineImportManager> manager_;
};

class EngineObject;

// The engine's one connection point, for its event interface. It lives inside
// the engine object and shares its reference count.
class EventPoint final : public IConnectionPoint {
 public:
  explicit EventPoint(EngineObject& owner) : owner_(owner) {}
  ~EventPoint() {
    for (auto& [cookie, sink] : sinks_) sink->Release();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (iid == nullptr) return E_POINTER;
    *iid = kEngineEventsIid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink == nullptr || cookie == nullptr) return E_POINTER;
    IDispatch* events = nullptr;
    if (FAILED(sink->QueryInterface(kEngineEventsIid, reinterpret_cast<void**>(&events))) ||
        events == nullptr)
      return CONNECT_E_CANNOTCONNECT;
    *cookie = ++last_cookie_;
    sinks_[*cookie] = events;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    const auto it = sinks_.find(cookie);
    if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
    IDispatch* sink = it->second;
    sinks_.erase(it);
    sink->Release();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }

  // Calls every connected sink; a sink may disconnect while being called.
  void Fire(DISPID id, const DeviceContext* dc) {
    std::vector<IDispatch*> targets;
    for (auto& [cookie, sink] : sinks_) {
      sink->AddRef();
      targets.push_back(sink);
    }
    VARIANT arg;
    VariantInit(&arg);
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    if (dc != nullptr) {
      arg.vt = VT_I4;
      arg.lVal = static_cast<LONG>(static_cast<std::intptr_t>(*dc));
      params.rgvarg = &arg;
      params.cArgs = 1;
    }
    for (IDispatch* sink : targets) {
      sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                   nullptr);
      sink->Release();
    }
  }

 private:
  EngineObject& owner_;
  std::map<DWORD, IDispatch*> sinks_;
  DWORD last_cookie_ = 0;
};

class EngineObject final
    : public ComObject<EngineObject, UntypedDispatch, IConnectionPointContainer, IProvideClassInfo2,
                       IOleObject>,
      private MapEngineEvents {
 public:
  EngineObject() : engine_(std::make_unique<engine::ReferenceEngine>(Ports::Default())) {
    engine_->SetEvents(this);
    InterlockedIncrement(&g_live_objects);
  }
  ~EngineObject() {
    engine_->SetEvents(nullptr);
    if (site_ != nullptr) site_->Release();
    InterlockedDecrement(&g_live_objects);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    auto* info = static_cast<IProvideClassInfo2*>(this);
    return QueryInterfaceOver(
        iid, out,
        {{IID_IDispatch, static_cast<IDispatch*>(this)},
         {IID_IConnectionPointContainer, static_cast<IConnectionPointContainer*>(this)},
         {IID_IProvideClassInfo, info},
         {IID_IProvideClassInfo2, info},
         {IID_IOleObject, static_cast<IOleObject*>(this)}});
  }

  // IDispatch without type information: members are found by name or identifier.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (count == 0) return S_OK;
    if (names == nullptr || ids == nullptr || names[0] == nullptr) return E_POINTER;
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;  // no named arguments
    const std::string name = AnsiFromWide(names[0]);
    if (name.empty()) {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    if (const std::int32_t id = EngineMemberId(name); id != 0) {
      ids[0] = id;
    } else {
      std::size_t index = 0;
      while (index < start_names_.size() && !SameText(start_names_[index], name)) ++index;
      if (index == start_names_.size()) start_names_.push_back(name);
      ids[0] = kFirstStartValueId + static_cast<DISPID>(index);
    }
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* error, UINT* arg_error) override {
    if (params == nullptr) return E_POINTER;
    if (result != nullptr) VariantInit(result);
    AddRef();  // an event handler may release the last outside reference
    HRESULT hr = S_OK;
    try {
      Dispatch(id, Args(*params, flags), result);
    } catch (const ArgError& e) {
      if (arg_error != nullptr) *arg_error = e.index;
      hr = e.hr;
    } catch (const NoSuchMember&) {
      hr = DISP_E_MEMBERNOTFOUND;
    } catch (const std::exception& e) {
      hr = Fail(error, e.what());
    } catch (...) {
      hr = Fail(error, "the map engine failed");
    }
    if (FAILED(hr) && result != nullptr) VariantClear(result);
    Release();
    return hr;
  }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid != kEngineEventsIid) return CONNECT_E_NOCONNECTION;
    *out = &events_;
    AddRef();
    return S_OK;
  }

  // IProvideClassInfo2: the event interface is named; there is no type library.
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override {
    if (guid == nullptr) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = kEngineEventsIid;
    return S_OK;
  }

  // IOleObject: the engine keeps its site and in-place activates on it. It draws
  // only into device contexts it is handed, so it needs no window of its own.
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
    if (site != nullptr) site->AddRef();
    if (site_ != nullptr) site_->Release();
    site_ = site;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
    if (site == nullptr) return E_POINTER;
    *site = site_;
    if (site_ != nullptr) site_->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override {
    Deactivate();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND,
                                   LPCRECT) override {
    if (site != nullptr && site != site_) SetClientSite(site);
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
        return Activate();
      case OLEIVERB_HIDE:
        Deactivate();
        return S_OK;
      default:
        return OLEOBJ_S_INVALIDVERB;
    }
  }
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override {
    if (out != nullptr) *out = nullptr;
    return OLEOBJ_E_NOVERBS;
  }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override {
    if (clsid == nullptr) return E_POINTER;
    *clsid = kEngineClsid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* out) override {
    if (out != nullptr) *out = nullptr;
    return OLE_S_USEREG;
  }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override {
    if (size == nullptr) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return E_FAIL;
    extent_ = *size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override {
    if (size == nullptr) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return E_FAIL;
    *size = extent_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* cookie) override {
    if (cookie != nullptr) *cookie = 0;
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return OLE_E_NOCONNECTION; }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) override {
    if (out != nullptr) *out = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
    if (status == nullptr) return E_POINTER;
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

 private:
  // MapEngineEvents: the reference engine's notifications go out as events.
  void FoundItem() override { events_.Fire(kEventFoundItem, nullptr); }
  void FoundPlace() override { events_.Fire(kEventFoundPlace, nullptr); }
  void PaintBefore(DeviceContext dc) override { events_.Fire(kEventPaintBefore, &dc); }
  void DirectBefore(DeviceContext dc) override { events_.Fire(kEventDirectBefore, &dc); }
  void Direct(DeviceContext dc) override { events_.Fire(kEventDirect, &dc); }

  HRESULT Activate() {
    if (active_ || site_ == nullptr) return S_OK;
    IOleInPlaceSite* place = nullptr;
    if (SUCCEEDED(site_->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&place))) &&
        place != nullptr) {
      if (place->CanInPlaceActivate() == S_OK) {
        place->OnInPlaceActivate();
        active_ = true;
      }
      place->Release();
    }
    return S_OK;
  }
  void Deactivate() {
    if (!active_ || site_ == nullptr) return;
    active_ = false;
    IOleInPlaceSite* place = nullptr;
    if (SUCCEEDED(site_->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&place))) &&
        place != nullptr) {
      place->OnInPlaceDeactivate();
      place->Release();
    }
  }

  static HRESULT Fail(EXCEPINFO* error, const std::string& text) {
    if (error == nullptr) return E_FAIL;
    *error = EXCEPINFO{};
    error->scode = E_FAIL;
    error->bstrSource = SysAllocString(WideFromAnsi(kEngineProgId).c_str());
    error->bstrDescription = SysAllocString(WideFromAnsi(text).c_str());
    return DISP_E_EXCEPTION;
  }

  template <typename Get, typename Set>
  static void Property(const Args& a, VARIANT* result, Get get, Set set) {
    if (a.IsPut()) {
      a.Put();
      set(a);
    } else {
      a.Get();
      Return(result, get());
    }
  }

  void Dispatch(DISPID id, const Args& a, VARIANT* r) {
    MapEngine& e = *engine_;
#define K9_BOOL_PROPERTY(name) \
  case k##name:                \
    return Property(           \
        a, r, [&] { return e.name(); }, [&](const Args& v) { e.name(v.Bool(0)); })
#define K9_TEXT_PROPERTY(name) \
  case k##name:                \
    return Property(           \
        a, r, [&] { return e.name(); }, [&](const Args& v) { e.name(v.Text(0)); })
#define K9_METHOD0(name) \
  case k##name:          \
    a.Method(0);         \
    return e.name()
    switch (id) {
      case kSetViewCorners:
        a.Method(4);
        return e.SetViewCorners(a.Double(0), a.Double(1), a.Double(2), a.Double(3));
      case kCentreView:
        a.Method(2);
        return e.CentreView(a.Double(0), a.Double(1));
      case kZoomLevel:
        a.Put();
        return e.ZoomLevel(a.Int(0));
        K9_METHOD0(ZoomInStep);
        K9_METHOD0(ZoomOutStep);
        K9_METHOD0(ZoomToOverlay);
        K9_METHOD0(Refresh);
        K9_METHOD0(AboutBox);
      case kImportManager: {
        a.Get();
        // The reference engine's import manager, on its window in this DLL.
        std::unique_ptr<EngineImportManager> manager =
            e.ImportManager() != nullptr ? MakeWindowsImportManager() : nullptr;
        if (manager == nullptr || r == nullptr) return;
        r->vt = VT_DISPATCH;
        r->pdispVal = new ImportManagerObject(std::move(manager));
        return;
      }
      case kPanStep:
        a.Method(1);
        return e.PanStep(a.Int(0));
      case kSetMapSize:
        a.Method(2);
        return e.SetMapSize(a.Int(0), a.Int(1));
      case kViewWest:
        a.Get();
        return Return(r, e.ViewWest());
      case kViewNorth:
        a.Get();
        return Return(r, e.ViewNorth());
      case kViewEast:
        a.Get();
        return Return(r, e.ViewEast());
      case kViewSouth:
        a.Get();
        return Return(r, e.ViewSouth());
      case kPaintToDC: {
        a.Method(8);
        const DeviceContext dc = a.Dc(0);
        if (dc == 0) throw std::invalid_argument("no device context to paint into");
        return e.PaintToDC(dc, a.Int(1), a.Int(2), a.Int(3), a.Int(4), a.Bool(5), a.Bool(6),
                           a.Bool(7));
      }
        K9_BOOL_PROPERTY(Shade_Mcd);
        K9_BOOL_PROPERTY(Shade_Plc);
        K9_BOOL_PROPERTY(Shade_Cnty);
        K9_BOOL_PROPERTY(Shade_State);
        K9_BOOL_PROPERTY(OneWayShow);
        K9_BOOL_PROPERTY(ZipCodesShown);
        K9_BOOL_PROPERTY(OverlayVisible);
        K9_BOOL_PROPERTY(UnderlayVisible);
        K9_TEXT_PROPERTY(Path_states);
        K9_TEXT_PROPERTY(Path_statesEx);
        K9_TEXT_PROPERTY(Path_data1);
        K9_TEXT_PROPERTY(Path_data2);
        K9_TEXT_PROPERTY(Path_data3);
        K9_TEXT_PROPERTY(Path_data4);
        K9_TEXT_PROPERTY(UnderlayFile);
      case kLandColor:
        return Property(
            a, r, [&] { return e.LandColor(); }, [&](const Args& v) { e.LandColor(v.Int(0)); });
      case kEngineCommand:
        a.Method(2);
        return Return(r, e.EngineCommand(a.Int(0), a.Int(1)));
      case kLoadOverlay:
        a.Method(1);
        return e.LoadOverlay(a.Text(0));
      case kLoadConfig:
        a.Method(1);
        return e.LoadConfig(a.Text(0));
      case kSaveConfig:
        a.Method(1);
        return e.SaveConfig(a.Text(0));
      case kFindAddress:
        a.Method(1);
        return Return(r, e.FindAddress(a.Text(0)));
      case kFindPhone:
        a.Method(1);
        return Return(r, e.FindPhone(a.Text(0)));
      case kFoundText:
        a.Get();
        return Return(r, e.FoundText());
      case kFoundPlaceText:
        a.Get();
        return Return(r, e.FoundPlaceText());
      default:
        break;
    }
#undef K9_BOOL_PROPERTY
#undef K9_TEXT_PROPERTY
#undef K9_METHOD0
    for (const std::int32_t put : kPutOnlyMembers) {
      if (id != put) continue;
      if (a.IsPut()) {
        a.Put();
        return e.PutMember(id, a.Value(0));
      }
      a.Get();
      if (const auto value = engine_->Member(id)) Return(r, *value);
      return;
    }
    for (const std::int32_t call : kCallOnlyMembers) {
      if (id != call) continue;
      a.Method(0);
      return e.CallMember(id);
    }
    if (id >= kFirstStartValueId &&
        static_cast<std::size_t>(id - kFirstStartValueId) < start_names_.size()) {
      const std::string& name = start_names_[static_cast<std::size_t>(id - kFirstStartValueId)];
      if (a.IsPut()) {
        a.Put();
        return e.SetStartValue(name, a.Value(0));
      }
      a.Get();
      if (const auto value = engine_->StartValue(name)) Return(r, *value);
      return;
    }
    throw NoSuchMember{};
  }

  std::unique_ptr<engine::ReferenceEngine> engine_;
  EventPoint events_{*this};
  std::vector<std::string> start_names_;
  IOleClientSite* site_ = nullptr;
  bool active_ = false;
  SIZEL extent_{2540 * 4800 / 1440, 2540 * 3600 / 1440};  // 4800 by 3600 twips in HIMETRIC
};

HRESULT STDMETHODCALLTYPE EventPoint::QueryInterface(REFIID iid, void** out) {
  return QueryInterfaceOver(iid, out,
                            {{IID_IConnectionPoint, static_cast<IConnectionPoint*>(this)}});
}
ULONG STDMETHODCALLTYPE EventPoint::AddRef() { return owner_.AddRef(); }
ULONG STDMETHODCALLTYPE EventPoint::Release() { return owner_.Release(); }
HRESULT STDMETHODCALLTYPE EventPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (out == nullptr) return E_POINTER;
  *out = &owner_;
  owner_.AddRef();
  return S_OK;
}

}  // namespace

long CreateEngineObject(const _GUID& iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  EngineObject* object = nullptr;
  try {
    object = new EngineObject();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  const HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

bool EngineObjectsAlive() { return g_live_objects > 0; }

}  // namespace k9::wincontrol
