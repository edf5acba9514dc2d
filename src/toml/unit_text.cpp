// Unit texts: a unit is a product of named units with powers, each name an
// exact multiple of the SI base (newton, metre, radian) kept as an integer
// and a power of ten, so that a conversion between two units of one system
// (feet to inches, kips to pounds) is an exact ratio.
#include "toml/unit_text.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "core/plain_text.h"

namespace darnek::toml_input {
namespace {

// The powers of force, length and angle of a unit.
struct Dimension {
  int Force = 0, Length = 0, Angle = 0;
  bool operator==(const Dimension&) const = default;
};

// A unit: Num / Den x 10^Ten of the SI base.
struct Factor {
  long double Num = 1, Den = 1;
  int Ten = 0;
  Dimension Kind;
};

struct Named {
  std::string_view Name;
  long double Mantissa;
  int Ten;
  Dimension Kind;
};

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr Dimension kLength{0, 1, 0}, kForce{1, 0, 0}, kStress{1, -2, 0}, kAngle{0, 0, 1}, kNone{};
// The pound-force is exactly 0.45359237 kg x 9.80665 m/s².
constexpr long double kPoundForce = 44482216152605.0L;

constexpr Named kNames[] = {
    {"in", 254, -4, kLength},
    {"inch", 254, -4, kLength},
    {"inches", 254, -4, kLength},
    {"ft", 3048, -4, kLength},
    {"foot", 3048, -4, kLength},
    {"feet", 3048, -4, kLength},
    {"m", 1, 0, kLength},
    {"cm", 1, -2, kLength},
    {"mm", 1, -3, kLength},
    {"lb", kPoundForce, -13, kForce},
    {"lbs", kPoundForce, -13, kForce},
    {"lbf", kPoundForce, -13, kForce},
    {"kip", kPoundForce, -10, kForce},
    {"kips", kPoundForce, -10, kForce},
    {"N", 1, 0, kForce},
    {"kN", 1, 3, kForce},
    {"MN", 1, 6, kForce},
    {"Pa", 1, 0, kStress},
    {"kPa", 1, 3, kStress},
    {"MPa", 1, 6, kStress},
    {"GPa", 1, 9, kStress},
    {"rad", 1, 0, kAngle},
    {"radian", 1, 0, kAngle},
    {"radians", 1, 0, kAngle},
    {"deg", kPi / 180, 0, kAngle},
    {"degree", kPi / 180, 0, kAngle},
    {"degrees", kPi / 180, 0, kAngle},
    {"\u00b0", kPi / 180, 0, kAngle},
    {"%", 1, -2, kNone},
};

// Names that stand for a unit of several factors.
struct Alias {
  std::string_view Name, Means;
};
constexpr Alias kAliases[] = {{"psi", "lb/in2"}, {"ksi", "kip/in2"}, {"psf", "lb/ft2"}, {"ksf", "kip/ft2"},
                              {"pcf", "lb/ft3"}, {"pci", "lb/in3"},  {"plf", "lb/ft"},  {"klf", "kip/ft"}};

long double PowerOf(long double base, int power) {
  long double out = 1;
  for (int i = 0; i < power; ++i) out *= base;
  return out;
}

// Reads a unit; false with `problem` set when it cannot be read.
bool ParseUnit(std::string_view text, Factor& unit, std::string& problem, int depth = 0) {
  size_t i = 0;
  bool divide = false;
  bool any = false;
  const auto starts = [&](std::string_view s) { return text.substr(i, s.size()) == s; };
  while (i < text.size()) {
    // Separators: a product ("·", "*", "-", ".", a blank) or a quotient.
    if (text[i] == ' ' || text[i] == '*' || text[i] == '-' || text[i] == '.') {
      ++i;
      continue;
    }
    if (starts("\u00b7")) {
      i += 2;
      continue;
    }
    if (text[i] == '/') {
      divide = true;
      ++i;
      continue;
    }
    const size_t begin = i;
    if (starts("\u00b0")) {
      i += 2;
    } else if (text[i] == '%') {
      ++i;
    } else {
      while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) ++i;
    }
    const std::string_view name = text.substr(begin, i - begin);
    if (name.empty()) {
      problem = "\"" + Shown(text.substr(begin)) + "\" is not a unit";
      return false;
    }
    int power = 1;
    if (starts("^") || starts("**")) i += text[i] == '^' ? 1 : 2;
    if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      power = text[i] - '0';
      ++i;
    } else if (starts("\u00b2") || starts("\u00b3")) {
      power = text[i + 1] == '\xb2' ? 2 : 3;
      i += 2;
    } else if (starts("\u2074")) {
      power = 4;
      i += 3;
    }
    Factor named;
    bool found = false;
    for (const Alias& a : kAliases)
      if (a.Name == name && depth == 0) found = ParseUnit(a.Means, named, problem, 1);
    for (const Named& n : kNames)
      if (n.Name == name) {
        named = {n.Mantissa, 1, n.Ten, n.Kind};
        found = true;
      }
    if (!found) {
      problem = "unknown unit \"" + Shown(name) + "\"";
      return false;
    }
    const int sign = divide ? -1 : 1;
    divide = false;
    (sign > 0 ? unit.Num : unit.Den) *= PowerOf(named.Num, power);
    (sign > 0 ? unit.Den : unit.Num) *= PowerOf(named.Den, power);
    unit.Ten += sign * power * named.Ten;
    unit.Kind.Force += sign * power * named.Kind.Force;
    unit.Kind.Length += sign * power * named.Kind.Length;
    unit.Kind.Angle += sign * power * named.Kind.Angle;
    any = true;
  }
  if (!any) problem = "no unit is given";
  return any;
}

std::string KindName(const Dimension& d) {
  struct Kind {
    Dimension Of;
    const char* Name;
  };
  static constexpr Kind kKinds[] = {
      {{0, 1, 0}, "a length"},
      {{0, 2, 0}, "an area"},
      {{0, 4, 0}, "a second moment of area"},
      {{1, 0, 0}, "a force"},
      {{1, -2, 0}, "a stress or pressure"},
      {{1, -3, 0}, "a force per volume (unit weight, subgrade modulus)"},
      {{1, -1, 0}, "a force per length"},
      {{1, 1, 0}, "a moment"},
      {{0, -1, 1}, "a curvature"},
      {{1, 1, -1}, "a moment per radian"},
      {{0, 0, 1}, "an angle"},
      {{0, 0, 0}, "a plain number"},
  };
  for (const Kind& k : kKinds)
    if (k.Of == d) return k.Name;
  return "force^" + std::to_string(d.Force) + " length^" + std::to_string(d.Length) + " angle^" +
         std::to_string(d.Angle);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

bool HasUnit(std::string_view target) {
  Factor unit;
  std::string problem;
  return ParseUnit(target, unit, problem);
}

UnitConversion ConvertUnitText(std::string_view text, std::string_view target) {
  UnitConversion out;
  const std::string quoted = "\"" + Shown(text) + "\"";
  std::string_view rest = Trim(text);
  if (!rest.empty() && rest.front() == '+') rest.remove_prefix(1);
  double number = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
  if (error != std::errc() || !std::isfinite(number)) {
    out.Problem = quoted + " is not a number with its unit, such as \"14 ft\" or \"4.2 m\"";
    return out;
  }
  rest = Trim(rest.substr(static_cast<size_t>(end - rest.data())));
  Factor from, to;
  std::string problem;
  if (!ParseUnit(target, to, problem)) {
    out.Problem = quoted + ": this value has no unit; write the number alone";
    return out;
  }
  if (rest.empty()) {
    out.Problem = quoted + " has no unit: write the unit after the number (\"" + Shown(Trim(text)) + " " +
                  std::string(target) + "\"), or the number without quotes";
    return out;
  }
  if (!ParseUnit(rest, from, problem)) {
    out.Problem =
        quoted + ": " + problem + " (units such as in, ft, m, mm, lb, kip, kN, psi, psf, kPa, pcf, deg)";
    return out;
  }
  if (!(from.Kind == to.Kind)) {
    out.Problem = quoted + " is " + KindName(from.Kind) + ", but this key takes " + KindName(to.Kind) + ": " +
                  std::string(target) + ", or any other unit of " + KindName(to.Kind);
    return out;
  }
  // Whole-number mantissas multiply exactly in the 64-bit significand; only
  // the quotient and the power of ten round, each to far below a double's
  // last place.
  const long double ratio = (from.Num * to.Den) / (from.Den * to.Num);
  long double value = static_cast<long double>(number) * ratio;
  const int ten = from.Ten - to.Ten;
  const long double scale = PowerOf(10, ten < 0 ? -ten : ten);
  value = ten < 0 ? value / scale : value * scale;
  out.Value = static_cast<double>(value);
  out.Ok = std::isfinite(out.Value);
  if (!out.Ok) out.Problem = quoted + " is too large in " + std::string(target);
  return out;
}

}  // namespace darnek::toml_input
