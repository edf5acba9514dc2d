// A small, strict XML parser for checking the pictures: elements, attributes,
// text, comments, the XML declaration and a document type line. Anything not
// well-formed throws std::runtime_error naming the offset.
#pragma once

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace darnek::testing {

struct XmlNode {
  std::string Name;
  std::map<std::string, std::string> Attributes;
  std::vector<XmlNode> Children;
  std::string Text;  // the element's own character data, entities decoded

  bool Has(const std::string& attribute) const { return Attributes.count(attribute) > 0; }
  const std::string& Attr(const std::string& attribute) const;
  double Number(const std::string& attribute) const;
  // The element's text and its descendants' text, in document order.
  std::string AllText() const;
  // Every descendant (not the node itself) for which `match` holds, in
  // document order.
  std::vector<const XmlNode*> FindAll(const std::function<bool(const XmlNode&)>& match) const;
  std::vector<const XmlNode*> FindAll(const std::string& name) const;
  std::vector<const XmlNode*> WithClass(const std::string& cls) const;
};

XmlNode ParseXml(const std::string& document);

// The points of a polyline's "points" attribute.
std::vector<std::pair<double, double>> PolylinePoints(const XmlNode& polyline);

}  // namespace darnek::testing
