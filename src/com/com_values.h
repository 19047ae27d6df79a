// Conversions between automation values (VARIANT, BSTR, SAFEARRAY) and the
// server's call values. Strings cross as 8-bit ANSI text (the system code page).
// No <windows.h> here: the automation types are only declared.
#pragma once

#include <string>

#include "module/map_server_object.h"
#include "server/dispatch_table.h"

struct tagVARIANT;

namespace k9::com {

class HostObjects;

// The text of a COM string (nullptr reads as "").
std::string FromBstr(const wchar_t* bstr);
// A new COM string holding `text`; the caller frees it. nullptr only when out of memory.
wchar_t* ToBstr(const std::string& text);

// The value a caller passed for `param`, with references (also a reference to a
// Variant, as late-binding clients pass every variable) followed to the value.
// Objects become the host adapter the parameter asks for; arrays of strings or of
// Variants become a TextArray with their lower bound. Throws ComError 13 for a
// value no parameter can take (Null, a nested array, an array of objects...).
CallValue ReadArgument(const tagVARIANT& arg, const DispatchParam& param, HostObjects& objects);

// Stores `value` where a by-reference argument points, in the type the reference
// has (a reference to a Variant gets the value's own type; an array goes back as
// an array of Variants where the Variant held one before, so that script clients
// can index it). An argument passed by value is left alone.
void WriteBack(tagVARIANT& arg, const CallValue& value);

// `value` as a result Variant, in its own automation type. `out` must be empty.
void StoreResult(const CallValue& value, tagVARIANT* out);

}  // namespace k9::com
