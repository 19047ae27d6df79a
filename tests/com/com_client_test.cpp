// A C++ client of Kestrel9.dll, as a host uses it: registration, the type
// library, creation by ProgID, and calls by dispatch identifier and by name,
// late-bound (with the argument shapes script clients use) and early-bound.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Kestrel9_h.h"
#include "com/automation_win32.h"
#include "server/dispatch_table.h"

namespace k9 {
namespace {

using RegisterFn = HRESULT(STDAPICALLTYPE*)();

RegisterFn EntryPoint(HMODULE library, const char* name) {
  // Through void* first: FARPROC's own signature is only a placeholder.
  return reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;  // Wine shows the Unix root as Z:
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());  // identifiers and test texts are ASCII
}

GUID Guid(const char* text) {
  GUID guid{};
  std::wstring wide = Wide(text);
  EXPECT_EQ(::CLSIDFromString(wide.c_str(), &guid), S_OK) << text;
  return guid;
}

std::string Narrow(BSTR text) {
  std::string out;
  for (UINT i = 0; text != nullptr && i < ::SysStringLen(text); ++i) {
    out.push_back(static_cast<char>(text[i]));
  }
  return out;
}

bool KeyExists(const std::string& key) {
  HKEY handle;
  if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  ::RegCloseKey(handle);
  return true;
}

std::string KeyText(const std::string& key, const char* name = "") {
  char buffer[1024] = {};
  LONG size = sizeof buffer;
  DWORD type = 0, bytes = sizeof buffer;
  HKEY handle;
  if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return "<missing>";
  }
  LONG rc =
      ::RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  ::RegCloseKey(handle);
  (void)size;
  return rc == ERROR_SUCCESS ? std::string(buffer) : "<missing>";
}

// Checks that an early-bound call failed and left a description behind.
#define EXPECT_FAILED_WITH_DESCRIPTION(call, object)                                          \
  do {                                                                                        \
    HRESULT hr_ = (call);                                                                     \
    EXPECT_TRUE(FAILED(hr_));                                                                 \
    ISupportErrorInfo* support_ = nullptr;                                                    \
    ASSERT_EQ(                                                                                \
        (object)->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support_)), \
        S_OK);                                                                                \
    EXPECT_EQ(support_->InterfaceSupportsErrorInfo(IID__clsMapServ), S_OK);                   \
    support_->Release();                                                                      \
    IErrorInfo* info_ = nullptr;                                                              \
    ASSERT_EQ(::GetErrorInfo(0, &info_), S_OK);                                               \
    BSTR text_ = nullptr;                                                                     \
    info_->GetDescription(&text_);                                                            \
    EXPECT_FALSE(Narrow(text_).empty());                                                      \
    ::SysFreeString(text_);                                                                   \
    info_->Release();                                                                         \
  } while (false)

// A variant that clears itself.
struct Var {
  VARIANT v;
  Var() { ::VariantInit(&v); }
  ~Var() { ::VariantClear(&v); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
};

// A host object that has no members of its own: enough to be handed over.
class Bare final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  ULONG refs = 1;
};

class ComClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    // The engine control the server creates by its ProgID.
    HMODULE engine = ::LoadLibraryA(WindowsPath(K9_ENGINE_DLL).c_str());
    ASSERT_NE(engine, nullptr);
    RegisterFn register_engine = EntryPoint(engine, "DllRegisterServer");
    ASSERT_NE(register_engine, nullptr);
    ASSERT_EQ(register_engine(), S_OK);
    dll_path_ = WindowsPath(K9_SERVER_DLL);
    library_ = ::LoadLibraryA(dll_path_.c_str());
    ASSERT_NE(library_, nullptr) << dll_path_;
    auto reg = EntryPoint(library_, "DllRegisterServer");
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), S_OK);
  }
  static void TearDownTestSuite() { ::CoUninitialize(); }

  void SetUp() override {
    CLSID clsid{};
    ASSERT_EQ(::CLSIDFromProgID(L"Kestrel9.clsMapServ", &clsid), S_OK);
    ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                 reinterpret_cast<void**>(&object_)),
              S_OK);
  }
  void TearDown() override {
    if (object_ != nullptr) object_->Release();
  }

  // Calls by dispatch identifier; arguments in declaration order.
  HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr,
               std::string* description = nullptr, UINT* bad = nullptr) {
    std::reverse(args.begin(), args.end());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    EXCEPINFO error{};
    UINT arg_error = 0;
    HRESULT hr = object_->Invoke(id, IID_NULL, 0x409, flags, &params, result, &error, &arg_error);
    if (description != nullptr) *description = Narrow(error.bstrDescription);
    if (bad != nullptr) *bad = arg_error;
    ::SysFreeString(error.bstrSource);
    ::SysFreeString(error.bstrDescription);
    ::SysFreeString(error.bstrHelpFile);
    return hr;
  }
  DISPID IdOf(const std::string& name) {
    std::wstring wide = Wide(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id), S_OK) << name;
    return id;
  }
  static VARIANT Text(BSTR* text) {
    VARIANT v;
    v.vt = VT_BYREF | VT_BSTR;
    v.pbstrVal = text;
    return v;
  }
  static VARIANT RefVariant(VARIANT* inner) {
    VARIANT v;
    v.vt = VT_BYREF | VT_VARIANT;
    v.pvarVal = inner;
    return v;
  }

  static std::string dll_path_;
  static HMODULE library_;
  Bare host_;  // outlives the object, whose release still calls it
  IDispatch* object_ = nullptr;
};

std::string ComClientTest::dll_path_;
HMODULE ComClientTest::library_ = nullptr;

TEST_F(ComClientTest, RegistrationNamesTheLibraryAndItsTypeLibrary) {
  EXPECT_EQ(KeyText("Kestrel9.clsMapServ\\CLSID"), kMapServClassGuid);
  std::string clsid = std::string("CLSID\\") + kMapServClassGuid;
  EXPECT_EQ(KeyText(clsid + "\\InprocServer32"), dll_path_);
  EXPECT_EQ(KeyText(clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
  // The type library names the library under the platform of its width.
  const char* platform = sizeof(void*) == 8 ? "\\win64" : "\\win32";
  EXPECT_EQ(KeyText(std::string("TypeLib\\") + kTypeLibGuid + "\\1.0\\0" + platform), dll_path_);
}

TEST_F(ComClientTest, TypeLibraryDescribesEveryMemberOfTheDispatchTable) {
  std::wstring path = Wide(dll_path_);
  ITypeLib* library = nullptr;
  ASSERT_EQ(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library), S_OK);
  TLIBATTR* lib = nullptr;
  ASSERT_EQ(library->GetLibAttr(&lib), S_OK);
  EXPECT_EQ(lib->guid, Guid(kTypeLibGuid));
  EXPECT_EQ(lib->lcid, 0x409u);
  EXPECT_EQ(lib->wMajorVerNum, 1);
  EXPECT_EQ(lib->wMinorVerNum, 0);
  library->ReleaseTLibAttr(lib);

  // The class: creatable, with _clsMapServ as its default interface.
  ITypeInfo* coclass = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(Guid(kMapServClassGuid), &coclass), S_OK);
  TYPEATTR* attr = nullptr;
  coclass->GetTypeAttr(&attr);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_NE(attr->wTypeFlags & TYPEFLAG_FCANCREATE, 0);
  coclass->ReleaseTypeAttr(attr);
  coclass->Release();

  // The enumeration.
  ITypeInfo* find_types = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(Guid(kFindTypesGuid), &find_types), S_OK);
  find_types->GetTypeAttr(&attr);
  EXPECT_EQ(attr->typekind, TKIND_ENUM);
  ASSERT_EQ(attr->cVars, 6);
  find_types->ReleaseTypeAttr(attr);
  BSTR name = nullptr;
  find_types->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  EXPECT_EQ(Narrow(name), "FIND_TYPES");
  ::SysFreeString(name);
  const char* kNames[] = {"FIND_ADDRESS", "FIND_PHONE",  "FIND_CALLSIGN",
                          "FIND_STATE",   "FIND_COUNTY", "FIND_MILEMARKER"};
  for (UINT i = 0; i < 6; ++i) {
    VARDESC* var = nullptr;
    ASSERT_EQ(find_types->GetVarDesc(i, &var), S_OK);
    EXPECT_EQ(var->lpvarValue->lVal, static_cast<LONG>(i));
    UINT got = 0;
    find_types->GetNames(var->memid, &name, 1, &got);
    EXPECT_EQ(Narrow(name), kNames[i]);
    ::SysFreeString(name);
    find_types->ReleaseVarDesc(var);
  }
  find_types->Release();

  // The interface: dual, hidden, not extensible; in the vtable view the
  // members follow IDispatch's seven in table order.
  ITypeInfo* dispatch = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(Guid(kMapServInterfaceGuid), &dispatch), S_OK);
  dispatch->GetTypeAttr(&attr);
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  const WORD kFlags =
      TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
  EXPECT_EQ(attr->wTypeFlags & kFlags, kFlags);
  dispatch->ReleaseTypeAttr(attr);
  HREFTYPE vtable_ref = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable_ref), S_OK);
  ITypeInfo* vtable = nullptr;
  ASSERT_EQ(dispatch->GetRefTypeInfo(vtable_ref, &vtable), S_OK);
  vtable->GetTypeAttr(&attr);
  EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
  EXPECT_NE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION, 0);
  ASSERT_EQ(attr->cFuncs, 52);
  // The offsets a type-library client calls through are those of our vtable.
  EXPECT_EQ(attr->cbSizeVft, (7 + 52) * sizeof(void*));
  vtable->ReleaseTypeAttr(attr);
  for (const DispatchMember& member : MapServDispatchTable()) {
    SCOPED_TRACE(std::string(member.name));
    FUNCDESC* func = nullptr;
    ASSERT_EQ(vtable->GetFuncDesc(static_cast<UINT>(member.index - 1), &func), S_OK);
    EXPECT_EQ(func->memid, member.dispid);
    EXPECT_EQ(func->oVft, static_cast<SHORT>((6 + member.index) * sizeof(void*)));
    INVOKEKIND kind = member.kind == MemberKind::kPropertyGet   ? INVOKE_PROPERTYGET
                      : member.kind == MemberKind::kPropertyPut ? INVOKE_PROPERTYPUT
                                                                : INVOKE_FUNC;
    EXPECT_EQ(func->invkind, kind);
    std::size_t expected = member.params.size() + (member.result != AutoType::kNone ? 1 : 0);
    ASSERT_EQ(static_cast<std::size_t>(func->cParams), expected);
    for (std::size_t p = 0; p < member.params.size(); ++p) {
      EXPECT_EQ(func->lprgelemdescParam[p].tdesc.vt, VT_PTR) << "every parameter by reference";
    }
    BSTR names[8] = {};
    UINT got = 0;
    vtable->GetNames(func->memid, names, 8, &got);
    EXPECT_EQ(Narrow(names[0]), member.name);
    for (std::size_t p = 0; p < member.params.size() && p + 1 < got; ++p) {
      if (member.kind != MemberKind::kPropertyPut) {
        EXPECT_EQ(Narrow(names[p + 1]), member.params[p].name);
      }
    }
    for (BSTR& n : names) ::SysFreeString(n);
    vtable->ReleaseFuncDesc(func);
  }
  vtable->Release();
  dispatch->Release();
  library->Release();
}

TEST_F(ComClientTest, EveryMemberIsFoundByNameInAnyCaseAndAnswersByDispatchIdentifier) {
  Bare& host = host_;
  for (const DispatchMember& member : MapServDispatchTable()) {
    SCOPED_TRACE(std::string(member.name));
    std::string upper(member.name);
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    EXPECT_EQ(IdOf(upper), member.dispid);

    // Arguments of the right types, each by reference as a compiled host passes them.
    std::vector<Var> storage(member.params.size());
    std::vector<BSTR> texts(member.params.size(), nullptr);
    std::vector<VARIANT> args;
    for (std::size_t p = 0; p < member.params.size(); ++p) {
      VARIANT& inner = storage[p].v;
      switch (member.params[p].type) {
        case AutoType::kString:
          inner.vt = VT_BSTR;
          inner.bstrVal = ::SysAllocString(L"x");
          break;
        case AutoType::kBool:
          inner.vt = VT_BOOL;
          inner.boolVal = VARIANT_FALSE;
          break;
        case AutoType::kInt16:
          inner.vt = VT_I2;
          inner.iVal = 0;
          break;
        case AutoType::kInt32:
          inner.vt = VT_I4;
          inner.lVal = 0;
          break;
        case AutoType::kDouble:
          inner.vt = VT_R8;
          inner.dblVal = 1;
          break;
        case AutoType::kObject:
          inner.vt = VT_DISPATCH;
          inner.pdispVal = &host;
          host.AddRef();
          break;
        default:
          break;  // arrays: an empty Variant, which becomes an unallocated array
      }
      args.push_back(RefVariant(&inner));
    }
    WORD flags = member.kind == MemberKind::kPropertyGet   ? DISPATCH_PROPERTYGET
                 : member.kind == MemberKind::kPropertyPut ? DISPATCH_PROPERTYPUT
                                                           : DISPATCH_METHOD;
    if (member.name == "ShowControlPanel") continue;  // modal: not for an unattended run
    Var result;
    std::string description;
    HRESULT hr = Call(member.dispid, flags, args, &result.v, &description);
    // Without a map engine some members fail; a failure is a described exception.
    EXPECT_TRUE(hr == S_OK || (hr == DISP_E_EXCEPTION && !description.empty()))
        << std::hex << hr << " " << description;
  }
}

TEST_F(ComClientTest, PropertiesRoundTripLateAndEarlyBound) {
  BSTR value = ::SysAllocString(L"Roads.OVR");
  ASSERT_EQ(Call(IdOf("strOvlFile"), DISPATCH_PROPERTYPUT, {Text(&value)}), S_OK);
  ::SysFreeString(value);
  Var got;
  ASSERT_EQ(Call(IdOf("strovlfile"), DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &got.v), S_OK);
  ASSERT_EQ(got.v.vt, VT_BSTR);
  EXPECT_EQ(Narrow(got.v.bstrVal), "Roads.OVR");

  // A property put by value (not by reference) is accepted as well.
  VARIANT plain;
  plain.vt = VT_BSTR;
  plain.bstrVal = ::SysAllocString(L"C:\\Data");
  ASSERT_EQ(Call(IdOf("strUnderFile"), DISPATCH_PROPERTYPUT, {plain}), S_OK);
  ::SysFreeString(plain.bstrVal);

  // Early bound, through the vtable of the dual interface.
  _clsMapServ* dual = nullptr;
  ASSERT_EQ(object_->QueryInterface(IID__clsMapServ, reinterpret_cast<void**>(&dual)), S_OK);
  BSTR text = nullptr;
  ASSERT_EQ(dual->get_strUnderFile(&text), S_OK);
  EXPECT_EQ(Narrow(text), "C:\\Data");
  ::SysFreeString(text);
  text = ::SysAllocString(L"Coast.CAD");
  ASSERT_EQ(dual->put_strOvlFile(&text), S_OK);
  ::SysFreeString(text);
  VARIANT_BOOL ok = VARIANT_TRUE;
  ASSERT_EQ(dual->get_blnControlOk(&ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  // A null result pointer is refused, not written through.
  EXPECT_EQ(dual->get_strOvlFile(nullptr), E_POINTER);
  // A failure carries its description in the thread's error object.
  IDispatch* no_picture = nullptr;
  VARIANT_BOOL drawn = VARIANT_TRUE;
  EXPECT_FAILED_WITH_DESCRIPTION(dual->ZoomAll(&no_picture, &drawn), dual);
  dual->Release();
  ASSERT_EQ(Call(IdOf("strOvlFile"), DISPATCH_PROPERTYGET, {}, &got.v), S_OK);
  EXPECT_EQ(Narrow(got.v.bstrVal), "Coast.CAD");
}

TEST_F(ComClientTest, AClientBindingThroughTheTypeLibraryReachesEachMember) {
  // Early binding as compiled hosts do it: the type library's vtable view says
  // which slot to call, and the system's ITypeInfo::Invoke calls it.
  ITypeInfo* dispatch = nullptr;
  ASSERT_EQ(object_->GetTypeInfo(0, 0x409, &dispatch), S_OK);
  HREFTYPE vtable_ref = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable_ref), S_OK);
  ITypeInfo* vtable = nullptr;
  ASSERT_EQ(dispatch->GetRefTypeInfo(vtable_ref, &vtable), S_OK);
  _clsMapServ* dual = nullptr;
  ASSERT_EQ(object_->QueryInterface(IID__clsMapServ, reinterpret_cast<void**>(&dual)), S_OK);

  auto invoke = [&](const char* name, WORD flags, VARIANT* arg, VARIANT* result) {
    std::wstring wide = Wide(name);
    LPOLESTR names[] = {wide.data()};
    MEMBERID id = 0;
    EXPECT_EQ(vtable->GetIDsOfNames(names, 1, &id), S_OK) << name;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{arg, arg != nullptr ? &put : nullptr, arg != nullptr ? 1u : 0u,
                      arg != nullptr ? 1u : 0u};
    EXCEPINFO error{};
    UINT bad = 0;
    HRESULT hr = vtable->Invoke(dual, id, flags, &params, result, &error, &bad);
    ::SysFreeString(error.bstrSource);
    ::SysFreeString(error.bstrDescription);
    ::SysFreeString(error.bstrHelpFile);
    return hr;
  };
  // Two neighbouring properties of one type, so a call that lands in the wrong
  // slot shows as a crossed value.
  BSTR overlay = ::SysAllocString(L"Roads.OVR");
  BSTR underlay = ::SysAllocString(L"Relief.BMP");
  VARIANT value;
  value.vt = VT_BYREF | VT_BSTR;
  value.pbstrVal = &overlay;
  EXPECT_EQ(invoke("strOvlFile", DISPATCH_PROPERTYPUT, &value, nullptr), S_OK);
  value.pbstrVal = &underlay;
  EXPECT_EQ(invoke("strUnderFile", DISPATCH_PROPERTYPUT, &value, nullptr), S_OK);
  ::SysFreeString(overlay);
  ::SysFreeString(underlay);
  Var got;
  ASSERT_EQ(invoke("strOvlFile", DISPATCH_PROPERTYGET, nullptr, &got.v), S_OK);
  ASSERT_EQ(got.v.vt, VT_BSTR);
  EXPECT_EQ(Narrow(got.v.bstrVal), "Roads.OVR");
  ::VariantClear(&got.v);
  ASSERT_EQ(invoke("strUnderFile", DISPATCH_PROPERTYGET, nullptr, &got.v), S_OK);
  EXPECT_EQ(Narrow(got.v.bstrVal), "Relief.BMP");
  ::VariantClear(&got.v);
  // A Boolean put by value reaches the Boolean property, and the last member in
  // the table's order fails as it should without a picture box.
  VARIANT yes;
  yes.vt = VT_BOOL;
  yes.boolVal = VARIANT_TRUE;
  EXPECT_EQ(invoke("blnMono", DISPATCH_PROPERTYPUT, &yes, nullptr), S_OK);
  ASSERT_EQ(invoke("blnMono", DISPATCH_PROPERTYGET, nullptr, &got.v), S_OK);
  EXPECT_EQ(got.v.vt, VT_BOOL);
  EXPECT_EQ(got.v.boolVal, VARIANT_TRUE);
  VARIANT no_picture;
  no_picture.vt = VT_DISPATCH;
  no_picture.pdispVal = nullptr;
  std::wstring zoom_out = L"ZoomOut";
  LPOLESTR zoom_names[] = {zoom_out.data()};
  MEMBERID zoom_id = 0;
  ASSERT_EQ(vtable->GetIDsOfNames(zoom_names, 1, &zoom_id), S_OK);
  DISPPARAMS zoom{&no_picture, nullptr, 1, 0};
  EXCEPINFO error{};
  EXPECT_EQ(vtable->Invoke(dual, zoom_id, DISPATCH_METHOD, &zoom, &got.v, &error, nullptr),
            DISP_E_EXCEPTION);
  ::SysFreeString(error.bstrSource);
  ::SysFreeString(error.bstrDescription);
  ::SysFreeString(error.bstrHelpFile);
  dual->Release();
  vtable->Release();
  dispatch->Release();
}

TEST_F(ComClientTest, FeaturesComeBackThroughReferencesOfEitherShape) {
  // Script clients pass every variable as a reference to a Variant.
  std::vector<Var> vars(9);
  std::vector<VARIANT> args;
  for (Var& var : vars) args.push_back(RefVariant(&var.v));
  ASSERT_EQ(Call(IdOf("GetSupportedFeatures"), DISPATCH_METHOD, args), S_OK);
  EXPECT_EQ(vars[0].v.vt, VT_BOOL);
  EXPECT_EQ(vars[5].v.vt, VT_BSTR);  // strHelpFile
  EXPECT_EQ(vars[6].v.vt, VT_I4);
  EXPECT_EQ(vars[6].v.lVal, 30);  // lngHelpTopic
  ASSERT_EQ(vars[7].v.vt, VT_BSTR);
  EXPECT_EQ(Narrow(vars[7].v.bstrVal), "Kestrel9");
  ASSERT_EQ(vars[8].v.vt, VT_ARRAY | VT_VARIANT);  // a script can index it
  LONG lower = -1, upper = -1;
  SafeArrayGetLBound(vars[8].v.parray, 1, &lower);
  SafeArrayGetUBound(vars[8].v.parray, 1, &upper);
  EXPECT_EQ(lower, 0);
  EXPECT_GE(upper, 3);

  // A compiled host passes typed references; the array comes back as strings.
  VARIANT_BOOL flags[5] = {};
  BSTR help = nullptr, short_name = nullptr;
  LONG topic = 0;
  SAFEARRAY* captions = nullptr;
  std::vector<VARIANT> typed;
  for (VARIANT_BOOL& flag : flags) {
    VARIANT v;
    v.vt = VT_BYREF | VT_BOOL;
    v.pboolVal = &flag;
    typed.push_back(v);
  }
  typed.push_back(Text(&help));
  VARIANT t;
  t.vt = VT_BYREF | VT_I4;
  t.plVal = &topic;
  typed.push_back(t);
  typed.push_back(Text(&short_name));
  VARIANT a;
  a.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
  a.pparray = &captions;
  typed.push_back(a);
  ASSERT_EQ(Call(IdOf("GetSupportedFeatures"), DISPATCH_METHOD, typed), S_OK);
  EXPECT_EQ(topic, 30);
  EXPECT_EQ(Narrow(short_name), "Kestrel9");
  ASSERT_NE(captions, nullptr);
  BSTR first = nullptr;
  LONG index = 0;
  ASSERT_EQ(SafeArrayGetElement(captions, &index, &first), S_OK);
  EXPECT_EQ(Narrow(first), "Search");
  ::SysFreeString(first);
  ::SysFreeString(help);
  ::SysFreeString(short_name);
  ::SafeArrayDestroy(captions);
}

SAFEARRAY* TextArray(LONG lower, std::vector<const wchar_t*> items, VARTYPE element = VT_BSTR) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(items.size()), lower};
  SAFEARRAY* array = ::SafeArrayCreate(element, 1, &bound);
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
    LONG at = lower + i;
    BSTR text = ::SysAllocString(items[i]);
    if (element == VT_BSTR) {
      ::SafeArrayPutElement(array, &at, text);
    } else {
      VARIANT v;
      v.vt = VT_BSTR;
      v.bstrVal = text;
      ::SafeArrayPutElement(array, &at, &v);
    }
    ::SysFreeString(text);
  }
  return array;
}

TEST_F(ComClientTest, FavouritesSaveAndLoadWithStringAndVariantArrays) {
  // The favourites file is known from Initialize on, which needs a map engine.
  BSTR call = ::SysAllocString(L"N0CALL");
  VARIANT events, form;
  events.vt = form.vt = VT_DISPATCH;
  events.pdispVal = form.pdispVal = &host_;
  std::string description;
  HRESULT initialized =
      Call(IdOf("Initialize"), DISPATCH_METHOD, {Text(&call), events, form}, nullptr, &description);
  ::SysFreeString(call);
  if (initialized != S_OK) GTEST_SKIP() << "Initialize failed: " << description;

  Var saved;
  saved.v.vt = VT_ARRAY | VT_VARIANT;  // what a script's Array() makes
  saved.v.parray = TextArray(0, {L"View one", L"View two"}, VT_VARIANT);
  ASSERT_EQ(Call(IdOf("SaveFavouriteViews"), DISPATCH_METHOD, {RefVariant(&saved.v)}), S_OK);

  SAFEARRAY* loaded = nullptr;
  VARIANT ref;
  ref.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
  ref.pparray = &loaded;
  ASSERT_EQ(Call(IdOf("LoadFavouriteViews"), DISPATCH_METHOD, {ref}), S_OK);
  ASSERT_NE(loaded, nullptr);
  LONG upper = -1;
  SafeArrayGetUBound(loaded, 1, &upper);
  ASSERT_EQ(upper, 1);
  BSTR second = nullptr;
  LONG index = 1;
  SafeArrayGetElement(loaded, &index, &second);
  EXPECT_EQ(Narrow(second), "View two");
  ::SysFreeString(second);
  ::SafeArrayDestroy(loaded);
}

TEST_F(ComClientTest, BadArgumentsGiveAFailedCallAndNoCrash) {
  std::string description;
  UINT bad = 99;
  // An object where text is expected.
  Bare& host = host_;
  VARIANT object;
  object.vt = VT_DISPATCH;
  object.pdispVal = &host;
  EXPECT_EQ(Call(IdOf("strOvlFile"), DISPATCH_PROPERTYPUT, {object}, nullptr, &description, &bad),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(bad, 0u);
  // Null, and a two-dimensional array.
  VARIANT null;
  null.vt = VT_NULL;
  EXPECT_EQ(Call(IdOf("AddToFavouriteViews"), DISPATCH_METHOD, {null}), DISP_E_TYPEMISMATCH);
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  Var grid;
  grid.v.vt = VT_ARRAY | VT_BSTR;
  grid.v.parray = ::SafeArrayCreate(VT_BSTR, 2, bounds);
  EXPECT_EQ(Call(IdOf("SaveFavouriteViews"), DISPATCH_METHOD, {grid.v}), DISP_E_TYPEMISMATCH);
  // Wrong argument counts, unknown members and names.
  EXPECT_EQ(Call(IdOf("SafeCall"), DISPATCH_METHOD, {null}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(0x12345, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(IdOf("blnControlOk"), DISPATCH_PROPERTYPUT, {null}), DISP_E_MEMBERNOTFOUND);
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  DISPID id = 0;
  EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, unknown, 1, 0x409, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  // A null picture box: the member fails with a description.
  VARIANT nothing;
  nothing.vt = VT_DISPATCH;
  nothing.pdispVal = nullptr;
  EXPECT_EQ(Call(IdOf("ZoomAll"), DISPATCH_METHOD, {nothing}, nullptr, &description),
            DISP_E_EXCEPTION);
  EXPECT_FALSE(description.empty());
  // An array with lower bound 1: the favourites member ends quietly on its own
  // error, as it catches its errors itself; the call returns.
  Var one;
  one.v.vt = VT_ARRAY | VT_BSTR;
  one.v.parray = TextArray(1, {L"a"});
  HRESULT hr = Call(IdOf("SaveFavouriteViews"), DISPATCH_METHOD, {one.v});
  EXPECT_TRUE(hr == S_OK || hr == DISP_E_EXCEPTION) << std::hex << hr;
  // The object still answers after all that.
  Var ok;
  EXPECT_EQ(Call(IdOf("blnControlOk"), DISPATCH_PROPERTYGET, {}, &ok.v), S_OK);
  EXPECT_EQ(ok.v.vt, VT_BOOL);
}

// The host's ends of the private automation interface.
class Receiver final : public k9::com::AutomationReceiver {
 public:
  void STDMETHODCALLTYPE Item(const char* text) override { items.emplace_back(text); }
  void STDMETHODCALLTYPE Failure(long, const char*, const char* text) override { failure = text; }
  std::vector<std::string> items;
  std::string failure;
};

class Sink final : public k9::com::IServerMessageSink, public k9::com::IServerHelpSink {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  void STDMETHODCALLTYPE Message(const char*, const char*) override {}
  void STDMETHODCALLTYPE Help(const char*, unsigned long, const char*) override {}
  ULONG references = 1;
};

TEST_F(ComClientTest, PrivateAutomationRefusesBadStepsAndLetsGoOfTheHostsSinks) {
  k9::com::IServerAutomation* automation = nullptr;
  ASSERT_EQ(
      object_->QueryInterface(k9::com::kIidServerAutomation, reinterpret_cast<void**>(&automation)),
      S_OK);
  long open = 1;
  EXPECT_EQ(automation->SearchDialogOpen(&open), S_OK);
  EXPECT_EQ(open, 0);
  // Steps on a dialog that is not open fail with a description, not a crash.
  Receiver find;
  EXPECT_EQ(automation->SearchFind(5, "TX,20,100", &find), E_FAIL);
  EXPECT_FALSE(find.failure.empty());
  Receiver go;
  EXPECT_EQ(automation->SearchGoTo(0, &go), E_FAIL);
  EXPECT_FALSE(go.failure.empty());
  Receiver none;
  EXPECT_EQ(automation->SearchMatches(&none), S_OK);
  EXPECT_TRUE(none.items.empty());
  // Missing arguments and unknown kinds.
  EXPECT_EQ(automation->SearchDialogOpen(nullptr), E_POINTER);
  EXPECT_EQ(automation->SearchFind(5, nullptr, &find), E_POINTER);
  EXPECT_EQ(automation->QueueControlPanelItems(1, nullptr, &none), E_INVALIDARG);
  EXPECT_EQ(automation->QueueAnswer(7, "C:\\"), E_INVALIDARG);
  EXPECT_EQ(automation->QueueAnswer(k9::com::kAnswerFolder, nullptr), S_OK);

  // The library holds the host's sinks while the object lives, and lets go of
  // them when the object goes: it must not call a host that may be gone.
  Sink sink;
  EXPECT_EQ(automation->SetMessageSink(&sink), S_OK);
  EXPECT_EQ(automation->SetHelpSink(&sink), S_OK);
  EXPECT_GT(sink.references, 2u);
  automation->Release();
  object_->Release();
  object_ = nullptr;
  EXPECT_EQ(sink.references, 1u);
}

TEST_F(ComClientTest, UnregistrationRemovesEveryKeyItWrote) {
  auto unreg = EntryPoint(library_, "DllUnregisterServer");
  auto reg = EntryPoint(library_, "DllRegisterServer");
  ASSERT_NE(unreg, nullptr);
  ASSERT_EQ(unreg(), S_OK);
  EXPECT_FALSE(KeyExists("Kestrel9.clsMapServ"));
  EXPECT_FALSE(KeyExists(std::string("CLSID\\") + kMapServClassGuid));
  EXPECT_FALSE(KeyExists(std::string("TypeLib\\") + kTypeLibGuid));
  EXPECT_FALSE(KeyExists(std::string("Interface\\") + kMapServInterfaceGuid));
  ASSERT_EQ(reg(), S_OK);  // the other tests of this run expect it registered
}

}  // namespace
}  // namespace k9
