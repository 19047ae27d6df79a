// The plumbing every hand-written COM object of the project shares: the
// reference count, QueryInterface over the interfaces an object lists, the
// IDispatch methods of an object that has no type information, and a VARIANT
// that clears itself.
// Include after <windows.h>, <oaidl.h> and <oleauto.h>; no Windows header is
// included here.
#pragma once

#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace k9 {

// A VARIANT that is cleared when it goes; moving it hands the value over.
struct ScopedVariant {
  VARIANT v;
  ScopedVariant() { ::VariantInit(&v); }
  ScopedVariant(ScopedVariant&& other) noexcept : v(other.v) { ::VariantInit(&other.v); }
  ~ScopedVariant() { ::VariantClear(&v); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
};

// One interface of an object: the identifier it answers to and the object seen
// as that interface.
struct InterfaceEntry {
  const IID& iid;
  void* pointer;
};

// QueryInterface over `entries`. IUnknown is the first entry's pointer, so an
// object's identity never depends on which interface was asked first. A found
// interface is handed out with a reference added; otherwise *out is null.
inline HRESULT QueryInterfaceOver(REFIID iid, void** out,
                                  std::initializer_list<InterfaceEntry> entries) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (entries.size() != 0 && IsEqualIID(iid, IID_IUnknown)) *out = entries.begin()->pointer;
  for (const InterfaceEntry& entry : entries) {
    if (*out != nullptr) break;
    if (IsEqualIID(iid, entry.iid)) *out = entry.pointer;
  }
  if (*out == nullptr) return E_NOINTERFACE;
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

// The reference count of an object made with `new`: it starts at one, the
// creator's reference, and the last Release deletes the object as `Derived`.
// The count is atomic, since a server's objects may be released from any
// thread. `Derived` implements QueryInterface, usually with QueryInterfaceOver.
// Constructors of the interface classes (a NamedDispatch's names) pass through.
template <typename Derived, typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  using Interfaces::Interfaces...;
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = --references_;
    if (left == 0) delete static_cast<Derived*>(this);
    return static_cast<ULONG>(left);
  }

 private:
  std::atomic<LONG> references_{1};
};

// IDispatch for an object without type information and without names: callers
// bind by dispatch identifier (ambient properties, events).
class UntypedDispatch : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
};

// IDispatch without type information over a fixed list of member names: the
// dispatch identifiers are 1, 2, ... in list order, and a name matches in any
// letter case. Named arguments are not supported.
class NamedDispatch : public UntypedDispatch {
 public:
  explicit NamedDispatch(std::vector<std::string> names) : names_(std::move(names)) {}

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (names == nullptr || ids == nullptr) return E_POINTER;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (count == 0) return S_OK;
    const DISPID id = IdOf(names[0]);
    ids[0] = id;
    if (count > 1 || id == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
    return S_OK;
  }

 protected:
  // The index into the name list of dispatch identifier `id`, or -1.
  int MemberOf(DISPID id) const {
    if (id < 1 || static_cast<std::size_t>(id) > names_.size()) return -1;
    return static_cast<int>(id - 1);
  }

 private:
  // Names are compared as the 8-bit text of the system code page, ASCII letters
  // without regard to case.
  DISPID IdOf(const wchar_t* wide) const {
    std::string name;
    if (wide != nullptr && *wide != L'\0') {
      const int n = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
      if (n > 1) {
        name.resize(static_cast<std::size_t>(n));
        ::WideCharToMultiByte(CP_ACP, 0, wide, -1, name.data(), n, nullptr, nullptr);
        name.resize(static_cast<std::size_t>(n - 1));
      }
    }
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (SameName(names_[i], name)) return static_cast<DISPID>(i + 1);
    }
    return DISPID_UNKNOWN;
  }
  static bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
  }
  static char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

  std::vector<std::string> names_;
};

}  // namespace k9
