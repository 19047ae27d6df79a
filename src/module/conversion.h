// Conversions of call arguments to the parameter types of the server's interface,
// with the rules automation applies when a late-bound caller passes a value of
// another type: numbers and Booleans convert into each other (true is -1), text
// converts when it reads as the target type, doubles round to integers halves to
// even. A value that does not convert throws ComError 13 ("Type mismatch"); one
// that does not fit throws ComError 6 ("Overflow").
#pragma once

#include "module/map_server_object.h"
#include "server/dispatch_table.h"

namespace k9::module {

// `value` as a value of `type` (kObject keeps an object pointer as it is).
CallValue ConvertArgument(const CallValue& value, AutoType type);

// True when `value` already holds the representation of `type`, so a result
// written by the callee can go back into the caller's argument.
bool HoldsType(const CallValue& value, AutoType type);

}  // namespace k9::module
