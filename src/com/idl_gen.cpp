// Build tool, run on the build machine: writes the server's IDL and the C++
// methods of its dual interface from the dispatch table, so the type library,
// the vtable and the dispatch table can never disagree.
//
//   kestrel9_idlgen OUT.idl OUT_vtable.inc
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "server/dispatch_table.h"
#include "server/find_types.h"

namespace k9 {
namespace {

std::string Bare(const char* guid) {  // "{...}" -> "..."
  std::string text = guid;
  return text.substr(1, text.size() - 2);
}

std::string Hex(std::int32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08x", static_cast<unsigned>(value));
  return buffer;
}

// The IDL type of a by-reference parameter or of a result pointer.
std::string IdlType(AutoType type) {
  switch (type) {
    case AutoType::kString:
      return "BSTR*";
    case AutoType::kBool:
      return "VARIANT_BOOL*";
    case AutoType::kInt16:
      return "short*";
    case AutoType::kInt32:
      return "long*";
    case AutoType::kDouble:
      return "double*";
    case AutoType::kObject:
      return "IDispatch**";
    case AutoType::kVariant:
      return "VARIANT*";
    case AutoType::kStringArray:
      return "SAFEARRAY(BSTR)*";
    case AutoType::kNone:
      break;
  }
  return "void*";
}

// The same type as the C++ header declares it.
std::string CppType(AutoType type) {
  if (type == AutoType::kStringArray) return "SAFEARRAY**";
  return IdlType(type);
}

// The automation type a reference to the parameter carries (without VT_BYREF).
std::string VarType(AutoType type) {
  switch (type) {
    case AutoType::kString:
      return "VT_BSTR";
    case AutoType::kBool:
      return "VT_BOOL";
    case AutoType::kInt16:
      return "VT_I2";
    case AutoType::kInt32:
      return "VT_I4";
    case AutoType::kDouble:
      return "VT_R8";
    case AutoType::kObject:
      return "VT_DISPATCH";
    case AutoType::kVariant:
      return "VT_VARIANT";
    case AutoType::kStringArray:
      return "VT_ARRAY | VT_BSTR";
    case AutoType::kNone:
      break;
  }
  return "VT_EMPTY";
}

std::string MethodName(const DispatchMember& member) {
  switch (member.kind) {
    case MemberKind::kPropertyGet:
      return "get_" + std::string(member.name);
    case MemberKind::kPropertyPut:
      return "put_" + std::string(member.name);
    case MemberKind::kMethod:
      break;
  }
  return std::string(member.name);
}

void WriteIdl(std::ostream& out) {
  out << "// Generated from the dispatch table by kestrel9_idlgen. Do not edit.\n"
      << "import \"oaidl.idl\";\n\n"
      << "[uuid(" << Bare(kTypeLibGuid) << "), version(1.0), lcid(0x409)]\n"
      << "library Kestrel9 {\n"
      << "  importlib(\"stdole2.tlb\");\n\n"
      << "  interface _clsMapServ;\n\n"
      // A named enum, not a typedef: widl writes a typedef with attributes as an
      // alias, and clients look for the enumeration itself under this name.
      << "  [uuid(" << Bare(kFindTypesGuid) << "), version(1.0)] enum FIND_TYPES {\n";
  const std::pair<const char*, int> kFindTypes[] = {
      {"FIND_ADDRESS", FIND_ADDRESS},   {"FIND_PHONE", FIND_PHONE},
      {"FIND_CALLSIGN", FIND_CALLSIGN}, {"FIND_STATE", FIND_STATE},
      {"FIND_COUNTY", FIND_COUNTY},     {"FIND_MILEMARKER", FIND_MILEMARKER}};
  for (std::size_t i = 0; i < std::size(kFindTypes); ++i) {
    out << "    " << kFindTypes[i].first << " = " << kFindTypes[i].second
        << (i + 1 < std::size(kFindTypes) ? ",\n" : "\n");
  }
  out << "  };\n\n"
      << "  [odl, uuid(" << Bare(kMapServInterfaceGuid)
      << "), version(1.0), hidden, dual, nonextensible, oleautomation]\n"
      << "  interface _clsMapServ : IDispatch {\n";
  for (const DispatchMember& member : MapServDispatchTable()) {
    out << "    [id(" << Hex(member.dispid) << ")";
    if (member.kind == MemberKind::kPropertyGet) out << ", propget";
    if (member.kind == MemberKind::kPropertyPut) out << ", propput";
    out << "]\n    HRESULT " << member.name << "(";
    bool first = true;
    for (const DispatchParam& param : member.params) {
      out << (first ? "" : ", ") << "[in, out] " << IdlType(param.type) << " " << param.name;
      first = false;
    }
    if (member.result != AutoType::kNone) {
      out << (first ? "" : ", ") << "[out, retval] " << IdlType(member.result) << " result";
    }
    out << ");\n";
  }
  out << "  };\n\n"
      << "  [uuid(" << Bare(kMapServClassGuid) << "), version(1.0)]\n"
      << "  coclass clsMapServ {\n"
      << "    [default] interface _clsMapServ;\n"
      << "  };\n"
      << "};\n";
}

// One C++ override per member, each handing typed references to its arguments
// and its result to CallVtableMember
// (declared by the class that includes this file) in declaration order.
void WriteVtable(std::ostream& out) {
  out << "// Generated from the dispatch table by kestrel9_idlgen. Do not edit.\n";
  for (const DispatchMember& member : MapServDispatchTable()) {
    out << "HRESULT STDMETHODCALLTYPE " << MethodName(member) << "(";
    std::string refs;
    bool first = true;
    int n = 0;
    for (const DispatchParam& param : member.params) {
      out << (first ? "" : ", ") << CppType(param.type) << " p" << n;
      refs += (first ? "" : ", ") + std::string("Ref(") + VarType(param.type) + ", p" +
              std::to_string(n) + ")";
      first = false;
      ++n;
    }
    std::string result = "NoResult()";
    if (member.result != AutoType::kNone) {
      out << (first ? "" : ", ") << CppType(member.result) << " result";
      result = "Ref(" + VarType(member.result) + ", result)";
    }
    out << ") override {\n  return CallVtableMember(" << member.index - 1 << ", {" << refs << "}, "
        << result << ");\n}\n";
  }
}

}  // namespace
}  // namespace k9

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: kestrel9_idlgen OUT.idl OUT_vtable.inc\n";
    return 2;
  }
  std::ofstream idl(argv[1], std::ios::binary);
  k9::WriteIdl(idl);
  std::ofstream vtable(argv[2], std::ios::binary);
  k9::WriteVtable(vtable);
  idl.close();
  vtable.close();
  if (!idl || !vtable) {
    std::cerr << "kestrel9_idlgen: cannot write the output files\n";
    return 1;
  }
  return 0;
}
