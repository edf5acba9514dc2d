#include "support/xml.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace darnek::testing {
namespace {

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}

  XmlNode Document() {
    Prolog();
    if (!At("<")) Fail("expected the root element");
    XmlNode root = Element();
    Misc();
    if (pos_ != s_.size()) Fail("content after the root element");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("XML offset " + std::to_string(pos_) + ": " + what);
  }
  bool At(const char* text) const {
    return s_.compare(pos_, std::char_traits<char>::length(text), text) == 0;
  }
  void Expect(const char* text) {
    if (!At(text)) Fail(std::string("expected '") + text + "'");
    pos_ += std::char_traits<char>::length(text);
  }
  void Blanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\t' || s_[pos_] == '\r'))
      ++pos_;
  }
  void Skip(const char* end) {
    const size_t at = s_.find(end, pos_);
    if (at == std::string::npos) Fail(std::string("unterminated, expected '") + end + "'");
    pos_ = at + std::char_traits<char>::length(end);
  }
  void Misc() {
    for (;;) {
      Blanks();
      if (At("<!--"))
        Skip("-->");
      else if (At("<?"))
        Skip("?>");
      else
        return;
    }
  }
  void Prolog() {
    if (At("<?xml")) Skip("?>");
    Misc();
    if (At("<!DOCTYPE")) Skip(">");
    Misc();
  }
  static bool NameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == ':' || c == '.';
  }
  std::string Name() {
    const size_t start = pos_;
    while (pos_ < s_.size() && NameChar(s_[pos_])) ++pos_;
    if (pos_ == start) Fail("expected a name");
    return s_.substr(start, pos_ - start);
  }
  std::string Decode(size_t start, size_t end) {
    std::string out;
    for (size_t i = start; i < end; ++i) {
      if (s_[i] == '<') {
        pos_ = i;
        Fail("'<' in text");
      }
      if (s_[i] != '&') {
        out += s_[i];
        continue;
      }
      const size_t semi = s_.find(';', i);
      if (semi == std::string::npos || semi > end) {
        pos_ = i;
        Fail("'&' without an entity");
      }
      const std::string entity = s_.substr(i + 1, semi - i - 1);
      if (entity == "amp")
        out += '&';
      else if (entity == "lt")
        out += '<';
      else if (entity == "gt")
        out += '>';
      else if (entity == "quot")
        out += '"';
      else if (entity == "apos")
        out += '\'';
      else if (entity.size() > 1 && entity[0] == '#') {
        const long code = entity[1] == 'x' ? std::strtol(entity.c_str() + 2, nullptr, 16)
                                           : std::strtol(entity.c_str() + 1, nullptr, 10);
        if (code <= 0 || code > 0x10ffff) Fail("bad character reference");
        // UTF-8 encoding of the code point.
        if (code < 0x80)
          out += static_cast<char>(code);
        else if (code < 0x800) {
          out += static_cast<char>(0xc0 | (code >> 6));
          out += static_cast<char>(0x80 | (code & 0x3f));
        } else if (code < 0x10000) {
          out += static_cast<char>(0xe0 | (code >> 12));
          out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
          out += static_cast<char>(0x80 | (code & 0x3f));
        } else {
          out += static_cast<char>(0xf0 | (code >> 18));
          out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
          out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
          out += static_cast<char>(0x80 | (code & 0x3f));
        }
      } else {
        pos_ = i;
        Fail("unknown entity &" + entity + ";");
      }
      i = semi;
    }
    return out;
  }
  XmlNode Element() {
    Expect("<");
    XmlNode node;
    node.Name = Name();
    for (;;) {
      const size_t before = pos_;
      Blanks();
      if (At("/>")) {
        pos_ += 2;
        return node;
      }
      if (At(">")) {
        ++pos_;
        break;
      }
      if (pos_ == before) Fail("expected a blank before an attribute");
      const std::string attribute = Name();
      Blanks();
      Expect("=");
      Blanks();
      if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) Fail("attribute value without quotes");
      const char quote = s_[pos_++];
      const size_t end = s_.find(quote, pos_);
      if (end == std::string::npos) Fail("unterminated attribute value");
      std::string value = Decode(pos_, end);
      pos_ = end + 1;
      if (!node.Attributes.emplace(attribute, std::move(value)).second)
        Fail("attribute " + attribute + " twice");
    }
    for (;;) {
      const size_t lt = s_.find('<', pos_);
      if (lt == std::string::npos) Fail("element <" + node.Name + "> not closed");
      node.Text += Decode(pos_, lt);
      pos_ = lt;
      if (At("<!--")) {
        Skip("-->");
      } else if (At("</")) {
        pos_ += 2;
        const std::string name = Name();
        if (name != node.Name) Fail("</" + name + "> closes <" + node.Name + ">");
        Blanks();
        Expect(">");
        return node;
      } else {
        node.Children.push_back(Element());
      }
    }
  }

  const std::string& s_;
  size_t pos_ = 0;
};

void Collect(const XmlNode& node, const std::function<bool(const XmlNode&)>& match,
             std::vector<const XmlNode*>& out) {
  for (const XmlNode& child : node.Children) {
    if (match(child)) out.push_back(&child);
    Collect(child, match, out);
  }
}

}  // namespace

const std::string& XmlNode::Attr(const std::string& attribute) const {
  const auto it = Attributes.find(attribute);
  if (it == Attributes.end()) throw std::runtime_error("<" + Name + "> has no attribute " + attribute);
  return it->second;
}

double XmlNode::Number(const std::string& attribute) const {
  const std::string& value = Attr(attribute);
  char* end = nullptr;
  const double v = std::strtod(value.c_str(), &end);
  if (end == value.c_str() || *end != '\0')
    throw std::runtime_error("<" + Name + "> attribute " + attribute + " is not a number: " + value);
  return v;
}

std::string XmlNode::AllText() const {
  std::string out = Text;
  for (const XmlNode& child : Children) out += child.AllText();
  return out;
}

std::vector<const XmlNode*> XmlNode::FindAll(const std::function<bool(const XmlNode&)>& match) const {
  std::vector<const XmlNode*> out;
  Collect(*this, match, out);
  return out;
}

std::vector<const XmlNode*> XmlNode::FindAll(const std::string& element) const {
  return FindAll([&](const XmlNode& n) { return n.Name == element; });
}

std::vector<const XmlNode*> XmlNode::WithClass(const std::string& cls) const {
  return FindAll([&](const XmlNode& n) {
    const auto it = n.Attributes.find("class");
    if (it == n.Attributes.end()) return false;
    std::istringstream words(it->second);
    std::string word;
    while (words >> word)
      if (word == cls) return true;
    return false;
  });
}

XmlNode ParseXml(const std::string& document) { return Parser(document).Document(); }

std::vector<std::pair<double, double>> PolylinePoints(const XmlNode& polyline) {
  std::vector<std::pair<double, double>> points;
  std::istringstream in(polyline.Attr("points"));
  std::string pair;
  while (in >> pair) {
    const size_t comma = pair.find(',');
    if (comma == std::string::npos) throw std::runtime_error("polyline point without a comma: " + pair);
    points.emplace_back(std::stod(pair.substr(0, comma)), std::stod(pair.substr(comma + 1)));
  }
  return points;
}

}  // namespace darnek::testing
