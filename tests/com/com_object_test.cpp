// The shared base of the hand-written COM objects: identity and reference
// counting across several interfaces, and the dispatch methods of objects that
// have no type information, and the self-clearing VARIANT.
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win32/com_object.h"

namespace k9 {
namespace {

// An event interface's identifier, answered by IDispatch as an event sink does.
const IID kEvents = {0x2f1d4c7e, 0x51a3, 0x4b0e, {0x8f, 0x11, 0x6a, 0x0c, 0x3d, 0x95, 0x27, 0xe4}};

// Two interfaces, the second answering to two identifiers; counts its deletions.
class TwoFaced final : public ComObject<TwoFaced, IConnectionPointContainer, UntypedDispatch> {
 public:
  explicit TwoFaced(int& deleted) : deleted_(deleted) {}
  ~TwoFaced() { ++deleted_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    auto* dispatch = static_cast<IDispatch*>(this);
    return QueryInterfaceOver(
        iid, out,
        {{IID_IConnectionPointContainer, static_cast<IConnectionPointContainer*>(this)},
         {IID_IDispatch, dispatch},
         {kEvents, dispatch}});
  }
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID, IConnectionPoint**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  int& deleted_;
};

class Named final : public ComObject<Named, NamedDispatch> {
 public:
  Named() : ComObject(std::vector<std::string>{"Visible", "Enabled", "hDC"}) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return QueryInterfaceOver(iid, out, {{IID_IDispatch, static_cast<IDispatch*>(this)}});
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return MemberOf(id) < 0 ? DISP_E_MEMBERNOTFOUND : S_OK;
  }
};

TEST(ComObjectTest, EveryInterfaceSharesOneIdentityAndOneCount) {
  int deleted = 0;
  auto* object = new TwoFaced(deleted);
  IUnknown* first = nullptr;
  IUnknown* again = nullptr;
  IDispatch* dispatch = nullptr;
  IUnknown* events = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  ASSERT_EQ(dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&first)), S_OK);
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
  ASSERT_EQ(dispatch->QueryInterface(kEvents, reinterpret_cast<void**>(&events)), S_OK);
  // IUnknown is the first listed interface, whichever interface was asked.
  EXPECT_EQ(first, static_cast<IConnectionPointContainer*>(object));
  EXPECT_EQ(again, first);
  EXPECT_EQ(static_cast<void*>(events), static_cast<void*>(dispatch));
  EXPECT_NE(static_cast<void*>(dispatch), static_cast<void*>(first));

  // Five references now: the creator's and four handed out.
  EXPECT_EQ(first->AddRef(), 6u);
  EXPECT_EQ(first->Release(), 5u);
  events->Release();
  again->Release();
  first->Release();
  dispatch->Release();
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(deleted, 1);
}

TEST(ComObjectTest, RefusedQueriesAddNoReferenceAndClearTheOutput) {
  int deleted = 0;
  auto* object = new TwoFaced(deleted);
  void* out = object;
  EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_IDispatch, nullptr), E_POINTER);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(deleted, 1);

  // A list without entries answers nothing, not even IUnknown.
  out = &deleted;
  EXPECT_EQ(QueryInterfaceOver(IID_IUnknown, &out, {}), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

TEST(ComObjectTest, ReferencesTakenOnSeveralThreadsAllCount) {
  int deleted = 0;
  auto* object = new TwoFaced(deleted);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([object] {
      for (int i = 0; i < 20000; ++i) {
        object->AddRef();
        object->Release();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(deleted, 1);
}

TEST(UntypedDispatchTest, HasNoTypeInformation) {
  Named named;
  int deleted = 0;
  auto* bare = new TwoFaced(deleted);
  for (IDispatch* object : {static_cast<IDispatch*>(&named), static_cast<IDispatch*>(bare)}) {
    UINT count = 7;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(object->GetTypeInfoCount(nullptr), E_POINTER);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(object);
    EXPECT_EQ(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), DISP_E_BADINDEX);
    EXPECT_EQ(info, nullptr);
  }
  // Without a name list every name is unknown.
  wchar_t text[] = L"Visible";
  LPOLESTR names[] = {text};
  DISPID id = 5;
  EXPECT_EQ(bare->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
  bare->Release();
}

TEST(NamedDispatchTest, NamesMapToTheirPlaceInTheListInAnyCase) {
  Named object;
  struct Case {
    const wchar_t* name;
    HRESULT hr;
    DISPID id;
  };
  for (const Case& c : {Case{L"Visible", S_OK, 1}, Case{L"ENABLED", S_OK, 2}, Case{L"hdc", S_OK, 3},
                        Case{L"Visibl", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
                        Case{L"", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN}}) {
    std::wstring text = c.name;
    LPOLESTR names[] = {text.data()};
    DISPID id = 99;
    EXPECT_EQ(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), c.hr)
        << std::string(text.begin(), text.end());
    EXPECT_EQ(id, c.id) << std::string(text.begin(), text.end());
  }
  LPOLESTR none[] = {nullptr};
  DISPID id = 99;
  EXPECT_EQ(object.GetIDsOfNames(IID_NULL, none, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);

  // Identifiers outside the list are no members.
  DISPPARAMS params{nullptr, nullptr, 0, 0};
  for (DISPID outside : {DISPID{0}, DISPID{4}, DISPID{-1}, DISPID{DISPID_UNKNOWN}}) {
    EXPECT_EQ(
        object.Invoke(outside, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
        DISP_E_MEMBERNOTFOUND);
  }
  EXPECT_EQ(object.Invoke(3, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
}

TEST(NamedDispatchTest, NamedArgumentsAndMissingBuffersAreRefused) {
  Named object;
  wchar_t member[] = L"Enabled";
  wchar_t argument[] = L"Value";
  LPOLESTR names[] = {member, argument};
  DISPID ids[2] = {42, 42};
  // The member is still found; its named argument is not.
  EXPECT_EQ(object.GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 2);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);

  EXPECT_EQ(object.GetIDsOfNames(IID_NULL, names, 0, LOCALE_USER_DEFAULT, ids), S_OK);
  EXPECT_EQ(object.GetIDsOfNames(IID_NULL, nullptr, 1, LOCALE_USER_DEFAULT, ids), E_POINTER);
  EXPECT_EQ(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
}

TEST(ScopedVariantTest, MovingHandsTheValueOverOnce) {
  ScopedVariant first;
  first.v.vt = VT_BSTR;
  first.v.bstrVal = ::SysAllocString(L"Kestrel9");
  ScopedVariant second(std::move(first));
  EXPECT_EQ(first.v.vt, VT_EMPTY);
  ASSERT_EQ(second.v.vt, VT_BSTR);
  EXPECT_STREQ(second.v.bstrVal, L"Kestrel9");
  // Clearing the moved-from variant must leave the string to its new owner.
  EXPECT_EQ(::VariantClear(&first.v), S_OK);
  EXPECT_EQ(::SysStringLen(second.v.bstrVal), 8u);
}

}  // namespace
}  // namespace k9
