#include "com/com_values.h"

#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <string>

#include "com/host_objects.h"
#include "common/error.h"
#include "platform/win32/com_object.h"

namespace k9::com {

namespace {

constexpr char kSource[] = "Kestrel9";

[[noreturn]] void TypeMismatch(const std::string& what) {
  throw ComError(13, kSource, "Type mismatch: " + what);
}

// Follows references (a Variant inside a Variant, as scripts pass variables) to
// the Variant that holds the value. Never more than a few levels deep.
const VARIANT& Deref(const VARIANT& arg) {
  const VARIANT* v = &arg;
  for (int depth = 0; depth < 4 && v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal != nullptr;
       ++depth) {
    v = v->pvarVal;
  }
  return *v;
}

TextArray ReadArray(SAFEARRAY* array, VARTYPE element) {
  TextArray out;
  if (array == nullptr) return out;  // never dimensioned
  if (::SafeArrayGetDim(array) != 1) TypeMismatch("an array of text must have one dimension");
  LONG lower = 0, upper = -1;
  if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(::SafeArrayGetUBound(array, 1, &upper))) {
    TypeMismatch("unreadable array bounds");
  }
  out.allocated = true;
  out.lower = lower;
  for (LONG i = lower; i <= upper; ++i) {
    if (element == VT_BSTR) {
      BSTR item = nullptr;
      if (FAILED(::SafeArrayGetElement(array, &i, &item))) TypeMismatch("unreadable array element");
      out.items.push_back(FromBstr(item));
      ::SysFreeString(item);
    } else {
      ScopedVariant item, text;
      if (FAILED(::SafeArrayGetElement(array, &i, &item.v)) ||
          FAILED(::VariantChangeType(&text.v, &item.v, 0, VT_BSTR))) {
        TypeMismatch("array element " + std::to_string(i) + " is no text");
      }
      out.items.push_back(FromBstr(text.v.bstrVal));
    }
  }
  return out;
}

SAFEARRAY* MakeArray(const TextArray& value, VARTYPE element) {
  if (!value.allocated) return nullptr;
  SAFEARRAYBOUND bound{static_cast<ULONG>(value.items.size()), value.lower};
  SAFEARRAY* array = ::SafeArrayCreate(element, 1, &bound);
  if (array == nullptr) throw std::bad_alloc();
  LONG index = value.lower;
  for (const std::string& item : value.items) {
    BSTR text = ToBstr(item);
    HRESULT hr;
    if (element == VT_BSTR) {
      hr = ::SafeArrayPutElement(array, &index, text);  // copies the string
    } else {
      VARIANT v;
      v.vt = VT_BSTR;
      v.bstrVal = text;
      hr = ::SafeArrayPutElement(array, &index, &v);  // copies the Variant
    }
    ::SysFreeString(text);
    if (FAILED(hr)) {
      ::SafeArrayDestroy(array);
      throw std::bad_alloc();
    }
    ++index;
  }
  return array;
}

// `value` into the empty Variant `out`, in its own type; arrays as `element` arrays.
void StoreNatural(const CallValue& value, VARIANT* out, VARTYPE element) {
  ::VariantInit(out);
  if (const auto* b = std::get_if<bool>(&value)) {
    out->vt = VT_BOOL;
    out->boolVal = *b ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (const auto* i16 = std::get_if<std::int16_t>(&value)) {
    out->vt = VT_I2;
    out->iVal = *i16;
  } else if (const auto* i32 = std::get_if<std::int32_t>(&value)) {
    out->vt = VT_I4;
    out->lVal = *i32;
  } else if (const auto* d = std::get_if<double>(&value)) {
    out->vt = VT_R8;
    out->dblVal = *d;
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    out->bstrVal = ToBstr(*s);
    if (out->bstrVal == nullptr) throw std::bad_alloc();
    out->vt = VT_BSTR;
  } else if (const auto* a = std::get_if<TextArray>(&value)) {
    out->parray = MakeArray(*a, element);
    out->vt = static_cast<VARTYPE>(VT_ARRAY | element);
  }
  // An empty Variant, and host objects, which the server never hands back.
}

}  // namespace

std::string FromBstr(const wchar_t* bstr) {
  if (bstr == nullptr) return std::string();
  int length = static_cast<int>(::SysStringLen(const_cast<BSTR>(bstr)));
  if (length == 0) return std::string();
  int bytes = ::WideCharToMultiByte(CP_ACP, 0, bstr, length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, bstr, length, text.data(), bytes, nullptr, nullptr);
  return text;
}

wchar_t* ToBstr(const std::string& text) {
  int length = static_cast<int>(text.size());
  int wide = length == 0 ? 0 : ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  BSTR bstr = ::SysAllocStringLen(nullptr, static_cast<UINT>(wide));
  if (bstr != nullptr && wide > 0) {
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, bstr, wide);
  }
  return bstr;
}

CallValue ReadArgument(const VARIANT& arg, const DispatchParam& param, HostObjects& objects) {
  const VARIANT& v = Deref(arg);
  const bool byref = (v.vt & VT_BYREF) != 0;
  const VARTYPE type = static_cast<VARTYPE>(v.vt & ~VT_BYREF);
  if (byref && v.byref == nullptr) TypeMismatch("a null reference");

  if ((type & VT_ARRAY) != 0) {
    VARTYPE element = static_cast<VARTYPE>(type & ~VT_ARRAY);
    if (element != VT_BSTR && element != VT_VARIANT) TypeMismatch("only arrays of text are taken");
    return ReadArray(byref ? *v.pparray : v.parray, element);
  }
  if (type == VT_EMPTY) {
    // A script's fresh variable, handed over to be filled: it takes the
    // parameter's type, so that what the member writes comes back into it.
    switch (param.type) {
      case AutoType::kStringArray:
        return TextArray{};
      case AutoType::kString:
        return std::string();
      case AutoType::kBool:
        return false;
      case AutoType::kInt16:
        return std::int16_t{0};
      case AutoType::kInt32:
        return std::int32_t{0};
      case AutoType::kDouble:
        return 0.0;
      default:
        return std::monostate{};
    }
  }
  switch (type) {
    case VT_EMPTY:
      return std::monostate{};
    case VT_BOOL:
      return (byref ? *v.pboolVal : v.boolVal) != VARIANT_FALSE;
    case VT_I2:
      return static_cast<std::int16_t>(byref ? *v.piVal : v.iVal);
    case VT_UI1:
      return static_cast<std::int16_t>(byref ? *v.pbVal : v.bVal);
    case VT_I4:
      return static_cast<std::int32_t>(byref ? *v.plVal : v.lVal);
    case VT_R8:
      return byref ? *v.pdblVal : v.dblVal;
    case VT_R4:
      return static_cast<double>(byref ? *v.pfltVal : v.fltVal);
    case VT_BSTR:
      return FromBstr(byref ? *v.pbstrVal : v.bstrVal);
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* unknown = byref ? *v.ppunkVal : v.punkVal;
      IDispatch* object = nullptr;
      if (unknown != nullptr &&
          FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object)))) {
        TypeMismatch("the object cannot be called late-bound");
      }
      CallValue value;
      if (param.name == "picMap") {
        value = objects.Picture(object);
      } else if (param.name == "cMapServerEvents") {
        value = objects.Events(object);
      } else if (param.name == "frmT") {
        value = objects.Form(object);
      } else {
        if (object != nullptr) object->Release();
        TypeMismatch("an object where " + std::string(param.name) + " is expected");
      }
      if (object != nullptr) object->Release();  // the adapter keeps its own reference
      return value;
    }
    default:
      break;
  }
  // Other numbers (currency, dates, unsigned, 64-bit...) travel as doubles.
  ScopedVariant number;
  if (type == VT_NULL ||
      FAILED(::VariantChangeType(&number.v, const_cast<VARIANT*>(&v), 0, VT_R8))) {
    TypeMismatch("an argument of variant type " + std::to_string(v.vt) + " for " +
                 std::string(param.name));
  }
  return number.v.dblVal;
}

void WriteBack(VARIANT& arg, const CallValue& value) {
  VARIANT* v = &arg;
  if (v->vt == (VT_BYREF | VT_VARIANT)) {
    VARIANT* target = v->pvarVal;
    while (target != nullptr && target->vt == (VT_BYREF | VT_VARIANT)) target = target->pvarVal;
    if (target == nullptr) return;
    if ((target->vt & VT_BYREF) == 0) {
      VARTYPE element = target->vt == (VT_ARRAY | VT_BSTR) ? VT_BSTR : VT_VARIANT;
      VARIANT fresh;
      StoreNatural(value, &fresh, element);
      ::VariantClear(target);
      *target = fresh;
      return;
    }
    v = target;  // a typed reference inside the Variant
  }
  if ((v->vt & VT_BYREF) == 0 || v->byref == nullptr) return;
  ScopedVariant natural;
  const VARTYPE type = static_cast<VARTYPE>(v->vt & ~VT_BYREF);
  if ((type & VT_ARRAY) != 0) {
    const auto* array = std::get_if<TextArray>(&value);
    if (array == nullptr) return;
    SAFEARRAY* fresh = MakeArray(*array, static_cast<VARTYPE>(type & ~VT_ARRAY));
    if (*v->pparray != nullptr) ::SafeArrayDestroy(*v->pparray);
    *v->pparray = fresh;
    return;
  }
  if (type == VT_DISPATCH || type == VT_UNKNOWN) return;  // objects are never handed back
  StoreNatural(value, &natural.v, VT_BSTR);
  if (natural.v.vt == VT_EMPTY) return;
  if (natural.v.vt != type && FAILED(::VariantChangeType(&natural.v, &natural.v, 0, type))) {
    return;  // the caller's variable cannot hold the value: it keeps its own
  }
  switch (type) {
    case VT_BOOL:
      *v->pboolVal = natural.v.boolVal;
      break;
    case VT_I2:
      *v->piVal = natural.v.iVal;
      break;
    case VT_UI1:
      *v->pbVal = natural.v.bVal;
      break;
    case VT_I4:
      *v->plVal = natural.v.lVal;
      break;
    case VT_R8:
      *v->pdblVal = natural.v.dblVal;
      break;
    case VT_R4:
      *v->pfltVal = natural.v.fltVal;
      break;
    case VT_BSTR:
      ::SysFreeString(*v->pbstrVal);
      *v->pbstrVal = natural.v.bstrVal;
      natural.v.vt = VT_EMPTY;  // ownership moved to the caller
      break;
    default:
      break;
  }
}

void StoreResult(const CallValue& value, VARIANT* out) { StoreNatural(value, out, VT_BSTR); }

}  // namespace k9::com
