// The COM object of clsMapServ: the dual interface _clsMapServ over the
// server's by-name call surface (MapServerObject). Late-bound calls come in
// through IDispatch::Invoke, early-bound ones through the vtable methods that
// kestrel9_idlgen writes from the dispatch table; both meet in Call(), which
// converts the arguments, calls the server and hands results and by-reference
// outputs back. A failure is a failed call with the error's number, source and
// description, never an exception across the COM boundary.
#include "com/map_serv_com.h"

#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <atomic>
#include <cstdio>
#include <optional>
#include <initializer_list>
#include <type_traits>
#include <new>
#include <string>
#include <vector>

#include "Kestrel9_h.h"
#include "com/automation_win32.h"
#include "com/com_values.h"
#include "com/host_objects.h"
#include "common/error.h"
#include "common/text.h"
#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/win32/com_object.h"
#include "server/dispatch_table.h"

namespace k9::com {

namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

constexpr char kSource[] = "Kestrel9";

// An automation error number as the HRESULT a compiled component returns for it.
HRESULT ErrorResult(std::int32_t number) {
  if (number < 0) return static_cast<HRESULT>(number);  // already an HRESULT
  return static_cast<HRESULT>(0x800A0000u | (static_cast<std::uint32_t>(number) & 0xFFFFu));
}

CallKind CallKindOf(MemberKind kind) {
  switch (kind) {
    case MemberKind::kPropertyGet:
      return CallKind::kPropertyGet;
    case MemberKind::kPropertyPut:
      return CallKind::kPropertyPut;
    case MemberKind::kMethod:
      break;
  }
  return CallKind::kMethod;
}

const DispatchMember* MemberById(DISPID id, MemberKind kind) {
  for (const DispatchMember& member : MapServDispatchTable()) {
    if (member.dispid == id && member.kind == kind) return &member;
  }
  return nullptr;
}

// A typed reference, as the vtable methods receive their arguments; a null
// pointer is refused before the call.
VARIANT Ref(VARTYPE type, void* pointer) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = static_cast<VARTYPE>(VT_BYREF | type);
  v.byref = pointer;
  return v;
}
// The result reference of a member without a result.
VARIANT NoResult() {
  VARIANT v;
  ::VariantInit(&v);
  return v;
}

// Empties an [out, retval] target before the call, so that a failed call
// leaves nothing behind for the caller to free.
void ClearResult(VARIANT& ref) {
  switch (ref.vt & ~VT_BYREF) {
    case VT_BSTR:
      *ref.pbstrVal = nullptr;
      break;
    case VT_BOOL:
      *ref.pboolVal = VARIANT_FALSE;
      break;
    case VT_I2:
      *ref.piVal = 0;
      break;
    case VT_I4:
      *ref.plVal = 0;
      break;
    case VT_R8:
      *ref.pdblVal = 0;
      break;
    case VT_DISPATCH:
      *ref.ppdispVal = nullptr;
      break;
    case VT_VARIANT:
      ::VariantInit(ref.pvarVal);
      break;
    case VT_ARRAY | VT_BSTR:
      *ref.pparray = nullptr;
      break;
    default:
      break;
  }
}

// A reference to one of the host's sinks, held for as long as the library's
// dialogs may call it.
template <typename Sink>
class SinkReference {
 public:
  explicit SinkReference(Sink* sink) : sink_(sink) { sink_->AddRef(); }
  SinkReference(const SinkReference& other) : sink_(other.sink_) { sink_->AddRef(); }
  SinkReference& operator=(const SinkReference&) = delete;
  ~SinkReference() { sink_->Release(); }
  Sink* operator->() const { return sink_; }

 private:
  Sink* sink_;
};

// Reports a failed outcome to the receiver; E_FAIL then.
HRESULT Report(const CallOutcome& outcome, AutomationReceiver* receiver) {
  if (outcome.ok) return S_OK;
  receiver->Failure(static_cast<long>(outcome.number), outcome.source.c_str(),
                    outcome.description.c_str());
  return E_FAIL;
}

class MapServCom final
    : public ComObject<MapServCom, _clsMapServ, ISupportErrorInfo, IServerAutomation> {
 public:
  explicit MapServCom(MapServerObject* server) : server_(server) { ++g_objects; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    auto* server = static_cast<_clsMapServ*>(this);
    return QueryInterfaceOver(iid, object,
                              {{IID_IDispatch, server},
                               {IID__clsMapServ, server},
                               {IID_ISupportErrorInfo, static_cast<ISupportErrorInfo*>(this)},
                               {kIidServerAutomation, static_cast<IServerAutomation*>(this)}});
  }

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == IID__clsMapServ ? S_OK : S_FALSE;
  }

  // IServerAutomation: the calls the in-process host makes on the server object.
  HRESULT STDMETHODCALLTYPE SetMessageSink(IServerMessageSink* sink) override {
    return Guarded([&] {
      if (sink != nullptr) {
        Automation().SetMessageSink(
            [host = SinkReference(sink)](const std::string& caption, const std::string& text) {
              host->Message(caption.c_str(), text.c_str());
            });
        sink_set_ = true;
      } else {
        RestoreMessages();
      }
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE QueueAnswer(long kind, const char* answer) override {
    return Guarded([&] {
      std::optional<std::string> value;
      if (answer != nullptr) value = answer;
      switch (kind) {
        case kAnswerFolder:
          Automation().QueueFolderAnswer(std::move(value));
          return S_OK;
        case kAnswerFile:
          Automation().QueueFileAnswer(std::move(value));
          return S_OK;
        case kAnswerChooser:
          Automation().QueueChooserAnswer(std::move(value));
          return S_OK;
        default:
          return E_INVALIDARG;
      }
    });
  }
  HRESULT STDMETHODCALLTYPE QueueControlPanelItems(long count, const char* const* items,
                                                   AutomationReceiver* receiver) override {
    if (receiver == nullptr || count < 0 || (count > 0 && items == nullptr)) return E_INVALIDARG;
    return Guarded([&] {
      std::vector<std::string> names;
      for (long i = 0; i < count; ++i) {
        if (items[i] == nullptr) return E_INVALIDARG;
        names.emplace_back(items[i]);
      }
      return Report(Automation().QueueControlPanelItems(names), receiver);
    });
  }
  HRESULT STDMETHODCALLTYPE TakeControlPanelReports(AutomationReceiver* receiver) override {
    if (receiver == nullptr) return E_POINTER;
    return Guarded([&] {
      for (const std::string& report : Automation().TakeControlPanelReports()) {
        receiver->Item(report.c_str());
      }
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE SearchDialogOpen(long* open) override {
    if (open == nullptr) return E_POINTER;
    *open = 0;
    return Guarded([&] {
      *open = Automation().SearchDialogOpen() ? 1 : 0;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE SearchFind(short type, const char* query,
                                       AutomationReceiver* receiver) override {
    if (query == nullptr || receiver == nullptr) return E_POINTER;
    return Guarded([&] { return Report(Automation().SearchFind(type, query), receiver); });
  }
  HRESULT STDMETHODCALLTYPE SearchMatches(AutomationReceiver* receiver) override {
    if (receiver == nullptr) return E_POINTER;
    return Guarded([&] {
      for (const SearchMatch& match : Automation().SearchMatches()) {
        receiver->Item(match.text.c_str());
      }
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE SearchResultLabel(AutomationReceiver* receiver) override {
    if (receiver == nullptr) return E_POINTER;
    return Guarded([&] {
      receiver->Item(Automation().SearchResultLabel().c_str());
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE SearchGoTo(long index, AutomationReceiver* receiver) override {
    if (receiver == nullptr) return E_POINTER;
    return Guarded([&] {
      return Report(Automation().SearchGoTo(static_cast<std::int32_t>(index)), receiver);
    });
  }
  HRESULT STDMETHODCALLTYPE SetHelpSink(IServerHelpSink* sink) override {
    return Guarded([&] {
      if (sink == nullptr) {
        Automation().SetHelpSink(nullptr);
        return S_OK;
      }
      Automation().SetHelpSink([host = SinkReference(sink)](const HelpReport& help) {
        host->Help(help.file.c_str(), help.context, help.page.c_str());
      });
      help_sink_set_ = true;
      return S_OK;
    });
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID /*lcid*/, ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return LoadTypeInfo(info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID /*iid*/, LPOLESTR* names, UINT count,
                                          LCID /*lcid*/, DISPID* ids) override {
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    const DispatchMember* member = nullptr;
    std::string wanted = FromWide(names[0]);
    for (const DispatchMember& candidate : MapServDispatchTable()) {
      if (EqualsIgnoreCase(candidate.name, wanted)) {
        member = &candidate;
        break;
      }
    }
    HRESULT hr = S_OK;
    ids[0] = member != nullptr ? member->dispid : DISPID_UNKNOWN;
    if (member == nullptr) hr = DISP_E_UNKNOWNNAME;
    // Parameter names give their positions, for callers that pass named arguments.
    for (UINT i = 1; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      if (member == nullptr) continue;
      std::string name = FromWide(names[i]);
      for (std::size_t p = 0; p < member->params.size(); ++p) {
        if (EqualsIgnoreCase(member->params[p].name, name)) ids[i] = static_cast<DISPID>(p);
      }
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID /*lcid*/, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* error,
                                   UINT* bad_arg) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (params == nullptr) params = &none;
    if (params->cArgs > 0 && params->rgvarg == nullptr) return E_INVALIDARG;
    const DispatchMember* member = nullptr;
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
      member = MemberById(id, MemberKind::kPropertyPut);
    } else {
      if ((flags & DISPATCH_METHOD) != 0) member = MemberById(id, MemberKind::kMethod);
      if (member == nullptr && (flags & DISPATCH_PROPERTYGET) != 0) {
        member = MemberById(id, MemberKind::kPropertyGet);
      }
    }
    if (member == nullptr) return DISP_E_MEMBERNOTFOUND;

    // Arguments arrive last first; named ones (only the value of a property
    // put, or parameters by position from GetIDsOfNames) are put in place.
    const UINT count = params->cArgs;
    if (count != member->params.size()) return DISP_E_BADPARAMCOUNT;
    std::vector<VARIANT*> args(count, nullptr);
    std::vector<UINT> positions(count, 0);  // index into rgvarg of each parameter
    UINT named = params->cNamedArgs;
    if (named > count || (named > 0 && params->rgdispidNamedArgs == nullptr)) {
      return DISP_E_BADPARAMCOUNT;
    }
    for (UINT i = 0; i < named; ++i) {
      DISPID position = params->rgdispidNamedArgs[i];
      if (position == DISPID_PROPERTYPUT && member->kind == MemberKind::kPropertyPut) {
        position = static_cast<DISPID>(count - 1);
      }
      if (position < 0 || static_cast<UINT>(position) >= count || args[position] != nullptr) {
        if (bad_arg != nullptr) *bad_arg = i;
        return DISP_E_PARAMNOTFOUND;
      }
      args[position] = &params->rgvarg[i];
      positions[position] = i;
    }
    if (member->kind == MemberKind::kPropertyPut && named == 0) return DISP_E_PARAMNOTOPTIONAL;
    for (UINT i = named, p = 0; i < count; ++i) {
      UINT index = count - 1 - (i - named);  // positional: the last in rgvarg is the first
      while (p < count && args[p] != nullptr) ++p;
      args[p] = &params->rgvarg[index];
      positions[p] = index;
    }

    CallValue value;
    HRESULT hr = Call(*member, args, &value, error, bad_arg, positions);
    if (SUCCEEDED(hr) && result != nullptr) {
      try {
        ::VariantInit(result);
        StoreResult(value, result);
      } catch (...) {
        return E_OUTOFMEMORY;
      }
    }
    return hr;
  }

  // The vtable methods of _clsMapServ, one per member of the dispatch table.
#include "Kestrel9_vtable.inc"

 private:
  friend ComObject;
  ~MapServCom() {
    // The server's release still calls the host's objects, so it runs first.
    server_->Release();
    server_ = nullptr;
    // The library's dialogs outlive the object; they must not keep calling a
    // host that may be gone.
    if (sink_set_) RestoreMessages();
    if (help_sink_set_) DefaultHeadlessDialogs().SetHelpSink(nullptr);
    if (typeinfo_ != nullptr) typeinfo_->Release();
    --g_objects;
  }

  ServerAutomation& Automation() { return server_->Automation(); }

  // Nothing thrown leaves through the vtable.
  template <typename Body>
  static HRESULT Guarded(Body body) {
    try {
      return body();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  // Messages go back to the library's own printing, as before any host asked.
  void RestoreMessages() {
    DefaultHeadlessDialogs().SetMessageSink([](const HeadlessDialogs::Message& message) {
      std::fprintf(stdout, "%s: %s\n", message.caption.c_str(), message.text.c_str());
      std::fflush(stdout);
    });
    sink_set_ = false;
  }

  static std::string FromWide(const wchar_t* text) {
    if (text == nullptr) return std::string();
    BSTR copy = ::SysAllocString(text);
    std::string out = FromBstr(copy);
    ::SysFreeString(copy);
    return out;
  }

  HRESULT LoadTypeInfo(ITypeInfo** info) {
    if (typeinfo_ == nullptr) {
      std::string path = System::Default().ModulePath();
      std::wstring wide(path.size() + 1, L'\0');
      int n = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(),
                                    static_cast<int>(wide.size()));
      if (n <= 0) return TYPE_E_CANTLOADLIBRARY;
      ITypeLib* library = nullptr;
      HRESULT hr = ::LoadTypeLibEx(wide.c_str(), REGKIND_NONE, &library);
      if (FAILED(hr)) return hr;
      hr = library->GetTypeInfoOfGuid(IID__clsMapServ, &typeinfo_);
      library->Release();
      if (FAILED(hr)) return hr;
    }
    typeinfo_->AddRef();
    *info = typeinfo_;
    return S_OK;
  }

  // Reports a failed call: through EXCEPINFO for Invoke, through the thread's
  // error object for vtable calls.
  HRESULT Fail(std::int32_t number, const std::string& source, const std::string& description,
               EXCEPINFO* error) {
    HRESULT code = ErrorResult(number);
    if (error != nullptr) {
      *error = EXCEPINFO{};
      error->scode = code;
      error->bstrSource = ToBstr(source);
      error->bstrDescription = ToBstr(description);
      return DISP_E_EXCEPTION;
    }
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(::CreateErrorInfo(&create))) {
      BSTR src = ToBstr(source), text = ToBstr(description);
      create->SetGUID(IID__clsMapServ);
      create->SetSource(src);
      create->SetDescription(text);
      ::SysFreeString(src);
      ::SysFreeString(text);
      IErrorInfo* info = nullptr;
      if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
        ::SetErrorInfo(0, info);
        info->Release();
      }
      create->Release();
    }
    return code;
  }

  // Converts the arguments (in declaration order), calls the member, and writes
  // by-reference arguments that the member changed back to the caller.
  HRESULT Call(const DispatchMember& member, const std::vector<VARIANT*>& args, CallValue* result,
               EXCEPINFO* error, UINT* bad_arg, const std::vector<UINT>& positions) {
    std::vector<CallValue> values;
    values.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
      try {
        values.push_back(ReadArgument(*args[i], member.params[i], objects_));
      } catch (const ComError& failure) {
        if (error == nullptr) {
          return Fail(static_cast<std::int32_t>(failure.number()), failure.source(),
                      failure.description(), nullptr);
        }
        if (bad_arg != nullptr) *bad_arg = positions[i];
        return DISP_E_TYPEMISMATCH;
      } catch (...) {
        return E_OUTOFMEMORY;
      }
    }
    std::vector<CallValue> before = values;
    CallOutcome outcome;
    try {
      outcome = server_->Invoke(std::string(member.name), CallKindOf(member.kind), values, result);
    } catch (...) {
      outcome = CallOutcome::Failure(static_cast<std::int32_t>(E_FAIL), kSource, "unknown failure");
    }
    if (!outcome.ok) return Fail(outcome.number, outcome.source, outcome.description, error);
    try {
      for (std::size_t i = 0; i < args.size(); ++i) {
        if (!(values[i] == before[i])) WriteBack(*args[i], values[i]);
      }
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

  // The common path of the vtable methods: `refs` are typed references to the
  // arguments in declaration order, `result` the reference to the [out, retval]
  // target (VT_EMPTY for none).
  HRESULT CallVtableMember(int index, std::initializer_list<VARIANT> refs, VARIANT result) {
    const DispatchMember& member = MapServDispatchTable()[static_cast<std::size_t>(index)];
    std::vector<VARIANT> storage(refs);
    std::vector<VARIANT*> args;
    std::vector<UINT> positions;
    for (VARIANT& ref : storage) {
      if (ref.byref == nullptr) return E_POINTER;
      positions.push_back(static_cast<UINT>(args.size()));
      args.push_back(&ref);
    }
    const bool has_result = result.vt != VT_EMPTY;
    if (has_result) {
      if (result.byref == nullptr) return E_POINTER;
      ClearResult(result);
    }
    CallValue value;
    HRESULT hr = Call(member, args, &value, nullptr, nullptr, positions);
    if (SUCCEEDED(hr) && has_result) {
      try {
        WriteBack(result, value);
      } catch (...) {
        return E_OUTOFMEMORY;
      }
    }
    return hr;
  }

  MapServerObject* server_;
  HostObjects objects_;
  ITypeInfo* typeinfo_ = nullptr;
  bool sink_set_ = false;
  bool help_sink_set_ = false;
};

// The class object of clsMapServ.
class MapServFactory final : public ComObject<MapServFactory, IClassFactory> {
 public:
  explicit MapServFactory(ServerMaker maker) : maker_(std::move(maker)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return QueryInterfaceOver(iid, object,
                              {{IID_IClassFactory, static_cast<IClassFactory*>(this)}});
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    MapServerObject* server = nullptr;
    try {
      server = maker_();
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    if (server == nullptr) return E_FAIL;
    MapServCom* com = new (std::nothrow) MapServCom(server);
    if (com == nullptr) {
      server->Release();
      return E_OUTOFMEMORY;
    }
    HRESULT hr = com->QueryInterface(iid, object);
    com->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++g_locks;
    } else {
      --g_locks;
    }
    return S_OK;
  }

 private:
  ServerMaker maker_;
};

}  // namespace

HRESULT GetMapServClassObject(const GUID& clsid, const GUID& iid, void** object,
                              ServerMaker maker) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_clsMapServ) return CLASS_E_CLASSNOTAVAILABLE;
  MapServFactory* factory = new (std::nothrow) MapServFactory(std::move(maker));
  if (factory == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = factory->QueryInterface(iid, object);
  factory->Release();
  return hr;
}

bool MapServObjectsAlive() { return g_objects > 0 || g_locks > 0; }

}  // namespace k9::com
