#include "overlay_import/xml_tree.h"

#include <expat.h>

#include <cstring>
#include <memory>

namespace k9::overlay_import {
namespace {

// Deeper documents are refused: neither format nests anywhere near this, and the
// tree is walked by recursion.
constexpr std::size_t kMaxDepth = 200;

std::string_view LocalName(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon != nullptr ? colon + 1 : name;
}

struct Builder {
  XML_Parser parser = nullptr;
  XmlElement root;
  std::vector<XmlElement*> open;
  bool too_deep = false;
  long deep_line = 0;
};

void XMLCALL Start(void* data, const char* name, const char** attributes) {
  auto* b = static_cast<Builder*>(data);
  if (b->open.size() >= kMaxDepth) {
    b->too_deep = true;
    b->deep_line = static_cast<long>(XML_GetCurrentLineNumber(b->parser));
    XML_StopParser(b->parser, XML_FALSE);
    return;
  }
  XmlElement* parent = b->open.empty() ? nullptr : b->open.back();
  XmlElement* e = nullptr;
  if (parent == nullptr) {
    e = &b->root;
  } else {
    parent->children.emplace_back();
    e = &parent->children.back();
  }
  e->name = LocalName(name);
  e->line = static_cast<long>(XML_GetCurrentLineNumber(b->parser));
  for (const char** a = attributes; a[0] != nullptr; a += 2)
    e->attributes.emplace_back(std::string(LocalName(a[0])), a[1]);
  b->open.push_back(e);
}

void XMLCALL End(void* data, const char*) {
  auto* b = static_cast<Builder*>(data);
  if (!b->open.empty()) b->open.pop_back();
}

void XMLCALL Text(void* data, const char* s, int len) {
  auto* b = static_cast<Builder*>(data);
  if (!b->open.empty()) b->open.back()->text.append(s, static_cast<std::size_t>(len));
}

}  // namespace

const XmlElement* XmlElement::Child(std::string_view child_name) const {
  for (const XmlElement& c : children)
    if (c.name == child_name) return &c;
  return nullptr;
}

std::string XmlElement::ChildText(std::string_view child_name) const {
  const XmlElement* c = Child(child_name);
  return c != nullptr ? c->text : std::string();
}

const std::string* XmlElement::Attribute(std::string_view attribute) const {
  for (const auto& a : attributes)
    if (a.first == attribute) return &a.second;
  return nullptr;
}

bool ParseXml(std::string_view bytes, XmlElement* root, std::string* error) {
  // Children are appended while their parents are open, so the open elements
  // are kept by pointer into a tree that only grows at its open end.
  auto b = std::make_unique<Builder>();
  std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr),
                                                                 XML_ParserFree);
  if (!parser) {
    *error = "not enough memory to read the file";
    return false;
  }
  b->parser = parser.get();
  XML_SetUserData(parser.get(), b.get());
  XML_SetElementHandler(parser.get(), Start, End);
  XML_SetCharacterDataHandler(parser.get(), Text);
  // Fed in pieces, so a file larger than an int can hold is read too.
  constexpr std::size_t kPiece = 1 << 20;
  std::size_t at = 0;
  do {
    const std::size_t n = std::min(kPiece, bytes.size() - at);
    const bool last = at + n == bytes.size();
    if (XML_Parse(parser.get(), bytes.data() + at, static_cast<int>(n), last) != XML_STATUS_OK) {
      if (b->too_deep) {
        *error = "line " + std::to_string(b->deep_line) + ": elements are nested more than " +
                 std::to_string(kMaxDepth) + " deep";
      } else {
        *error = "line " + std::to_string(XML_GetCurrentLineNumber(parser.get())) +
                 ": the XML is malformed (" + XML_ErrorString(XML_GetErrorCode(parser.get())) + ")";
      }
      return false;
    }
    at += n;
  } while (at < bytes.size());
  *root = std::move(b->root);
  return true;
}

}  // namespace k9::overlay_import
