// A whole XML document read by expat into a small tree, for the GPX and KML
// readers. Names lose their namespace prefix ("kml:Placemark" is "Placemark").
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace k9::overlay_import {

struct XmlElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string text;  // the character data directly inside, UTF-8
  long line = 0;     // where the element starts
  std::vector<XmlElement> children;

  const XmlElement* Child(std::string_view child_name) const;
  std::string ChildText(std::string_view child_name) const;  // "" when absent
  const std::string* Attribute(std::string_view attribute) const;
};

// Reads `bytes` into *root. False with *error ("line 3: mismatched tag") when the
// XML is not well formed or nests deeper than the readers follow.
bool ParseXml(std::string_view bytes, XmlElement* root, std::string* error);

}  // namespace k9::overlay_import
