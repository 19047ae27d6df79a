// The members of the server's dispatch interface _clsMapServ, in interface order,
// with their dispatch identifiers and parameters. This table is the one place that
// states the interface: the Windows COM shell builds its type information and its
// Invoke from it, and tests check the server against it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace k9 {

enum class MemberKind { kPropertyGet, kPropertyPut, kMethod };

// Automation types of parameters and results.
enum class AutoType {
  kNone,         // no result
  kString,       // COM string
  kBool,         // COM Boolean
  kInt16,        // 16-bit integer
  kInt32,        // 32-bit integer
  kDouble,       // double
  kObject,       // late-bound object (IDispatch)
  kVariant,      // Variant
  kStringArray,  // array of COM strings
};

struct DispatchParam {
  std::string_view name;
  AutoType type;
};

struct DispatchMember {
  int index;  // 1-based position in the interface
  std::string_view name;
  MemberKind kind;
  std::int32_t dispid;
  std::span<const DispatchParam> params;  // every parameter is passed by reference
  AutoType result;
};

// The 52 members, in order. Property get and put of one name share a dispid.
std::span<const DispatchMember> MapServDispatchTable();

// The member with `name` and `kind`, or nullptr.
const DispatchMember* FindDispatchMember(std::string_view name, MemberKind kind);

// Identifiers of the type library, class, interface and enumeration.
inline constexpr char kTypeLibGuid[] = "{8A00D9F5-5295-4DC2-9539-38693741DE79}";
inline constexpr char kMapServClassGuid[] = "{D407ACA1-EE57-4AEF-97E4-4D28775F5340}";
inline constexpr char kMapServInterfaceGuid[] = "{F7615502-5998-44C1-B80C-EF2B95CD8A98}";
inline constexpr char kFindTypesGuid[] = "{166B2DD9-8AC8-408F-9653-A06FEA181A84}";
inline constexpr char kMapServProgId[] = "Kestrel9.clsMapServ";

}  // namespace k9
