// Fortran-style formatted output, following the GNU Fortran runtime.
#include "core/fortran_format.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace darnek::fortran {
namespace {

std::string Stars(int w) { return std::string(static_cast<size_t>(w > 0 ? w : 0), '*'); }

std::string RightJustify(const std::string& s, int w) {
  if (static_cast<int>(s.size()) > w) return Stars(w);
  return std::string(static_cast<size_t>(w) - s.size(), ' ') + s;
}

// Infinity and NaN as the runtime writes them in a numeric field.
std::string EditNonFinite(int w, double value) {
  if (std::isnan(value)) return w >= 3 ? RightJustify("NaN", w) : Stars(w);
  const bool negative = value < 0;
  std::string text = (w - (negative ? 1 : 0)) >= 8 ? "Infinity" : "Inf";
  if (negative) text = "-" + text;
  return RightJustify(text, w);
}

// Decimal digits of |value| rounded to `significant` digits (round to nearest,
// ties to even on the exact binary value, as the C library and the Fortran
// runtime both do) and the decimal exponent of the first digit.
void Digits(double value, int significant, std::string& digits, int& exponent) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%.*e", significant - 1, std::fabs(value));
  digits.clear();
  const char* p = buffer;
  for (; *p && *p != 'e'; ++p)
    if (std::isdigit(static_cast<unsigned char>(*p))) digits.push_back(*p);
  exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
}

}  // namespace

std::string EditI(int w, long long value, int m) {
  std::string digits = std::to_string(value < 0 ? -static_cast<unsigned long long>(value)
                                                : static_cast<unsigned long long>(value));
  if (m >= 0) {
    if (m == 0 && value == 0) digits.clear();
    while (static_cast<int>(digits.size()) < m) digits.insert(digits.begin(), '0');
  }
  if (value < 0) digits.insert(digits.begin(), '-');
  return RightJustify(digits, w);
}

std::string EditF(int w, int d, double value, int scale) {
  if (!std::isfinite(value)) return EditNonFinite(w, value);
  // A scale factor moves the decimal point of the exact decimal expansion
  // rather than multiplying, so kP rounds (and never overflows) as the
  // runtime does.
  char buffer[512];
  const int rounded_decimals = std::max(0, d + scale);
  std::snprintf(buffer, sizeof buffer, "%.*f", rounded_decimals, std::fabs(value));
  std::string text = buffer;
  if (scale != 0) {
    std::string digits;
    int point = 0;
    for (char c : text) {
      if (c == '.') point = static_cast<int>(digits.size());
      else digits.push_back(c);
    }
    if (text.find('.') == std::string::npos) point = static_cast<int>(digits.size());
    point += scale;
    digits.append(static_cast<size_t>(std::max(0, d - (static_cast<int>(digits.size()) - point))), '0');
    if (point <= 0) {
      digits.insert(0, static_cast<size_t>(1 - point), '0');
      point = 1;
    }
    std::string integer = digits.substr(0, static_cast<size_t>(point));
    const size_t first = integer.find_first_not_of('0');
    integer = first == std::string::npos ? "0" : integer.substr(first);
    text = integer + "." + digits.substr(static_cast<size_t>(point), static_cast<size_t>(d));
    if (d == 0) text.pop_back();
  }
  if (d == 0) text += '.';
  const bool negative = std::signbit(value);
  const int sign_width = negative ? 1 : 0;
  // The zero before the decimal point is optional and goes first when the
  // field is tight.
  if (text.size() >= 2 && text[0] == '0' && text[1] == '.' &&
      static_cast<int>(text.size()) + sign_width > w)
    text.erase(0, 1);
  if (negative) text.insert(text.begin(), '-');
  return RightJustify(text, w);
}

std::string EditE(int w, int d, double value, int scale, int e) {
  if (!std::isfinite(value)) return EditNonFinite(w, value);
  // With scale factor k: k <= 0 gives 0.(|k| zeros)(d+k digits); k > 0 gives
  // k digits before the point and d-k+1 after.
  if (scale <= -d || scale >= d + 2) return Stars(w);
  const int significant = scale <= 0 ? d + scale : d + 1;
  std::string digits;
  int exponent = 0;
  if (value == 0) {
    digits.assign(static_cast<size_t>(significant), '0');
    exponent = scale <= 0 ? 0 : scale - 1;  // printed exponent comes out 0
  } else {
    Digits(value, significant, digits, exponent);
  }
  // exponent is that of the first digit (d.ddd form); printed exponent is
  // relative to the position of the decimal point chosen by the scale factor.
  int printed = value == 0 ? 0 : exponent + 1 - scale;
  std::string mantissa;
  if (scale <= 0) {
    mantissa = "0.";
    mantissa.append(static_cast<size_t>(-scale), '0');
    mantissa += digits;
  } else {
    mantissa = digits.substr(0, static_cast<size_t>(scale)) + "." +
               digits.substr(static_cast<size_t>(scale));
  }
  std::string exp_text;
  const int magnitude = std::abs(printed);
  const char sign = printed < 0 ? '-' : '+';
  if (e > 0) {
    std::string ed = std::to_string(magnitude);
    if (static_cast<int>(ed.size()) > e) return Stars(w);
    exp_text = std::string("E") + sign + std::string(static_cast<size_t>(e) - ed.size(), '0') + ed;
  } else if (magnitude <= 99) {
    exp_text = std::string("E") + sign + (magnitude < 10 ? "0" : "") + std::to_string(magnitude);
  } else if (magnitude <= 999) {
    exp_text = std::string(1, sign) + std::to_string(magnitude);
  } else {
    return Stars(w);
  }
  const bool negative = std::signbit(value);
  std::string text = mantissa + exp_text;
  if (scale <= 0 && static_cast<int>(text.size()) + (negative ? 1 : 0) > w) text.erase(0, 1);
  if (negative) text.insert(text.begin(), '-');
  return RightJustify(text, w);
}

std::string EditA(std::string_view text, int w) {
  if (w < 0) return std::string(text);
  if (static_cast<int>(text.size()) >= w) return std::string(text.substr(0, static_cast<size_t>(w)));
  return std::string(static_cast<size_t>(w) - text.size(), ' ') + std::string(text);
}

// ------------------------------------------------------------ format parsing
namespace {

struct Item {
  enum Kind { Literal, X, Slash, Dollar, Colon, Scale, I, F, E, A, Group } kind = Literal;
  int repeat = 1;
  int w = -1, d = -1, e = 0, m = -1;
  std::string text;
  std::vector<Item> children;
  bool IsData() const { return kind == I || kind == F || kind == E || kind == A; }
};

class Parser {
 public:
  explicit Parser(std::string_view format) : s_(format) {}

  std::vector<Item> ParseTop() {
    SkipSeparators();
    if (!AtEnd() && s_[pos_] == '(') {
      ++pos_;
      auto items = ParseList(')');
      return items;
    }
    return ParseList('\0');
  }

 private:
  bool AtEnd() const { return pos_ >= s_.size(); }
  void SkipSeparators() {
    while (!AtEnd() && (s_[pos_] == ' ' || s_[pos_] == ',' || s_[pos_] == '\t')) ++pos_;
  }
  [[noreturn]] void Fail(const char* what) const {
    throw std::logic_error(std::string("bad format '") + std::string(s_) + "': " + what);
  }
  bool ReadInt(int& value) {
    size_t start = pos_;
    bool negative = false;
    if (!AtEnd() && (s_[pos_] == '-' || s_[pos_] == '+')) {
      negative = s_[pos_] == '-';
      ++pos_;
    }
    size_t digits = pos_;
    int v = 0;
    while (!AtEnd() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) v = v * 10 + (s_[pos_++] - '0');
    if (pos_ == digits) {
      pos_ = start;
      return false;
    }
    value = negative ? -v : v;
    return true;
  }
  int ExpectInt() {
    int v = 0;
    if (!ReadInt(v)) Fail("number expected");
    return v;
  }

  std::vector<Item> ParseList(char close) {
    std::vector<Item> items;
    for (;;) {
      SkipSeparators();
      if (AtEnd()) {
        if (close != '\0') Fail("missing ')'");
        return items;
      }
      if (s_[pos_] == close) {
        ++pos_;
        return items;
      }
      items.push_back(ParseItem());
    }
  }

  Item ParseItem() {
    Item item;
    int count = 0;
    const bool has_count = ReadInt(count);
    if (AtEnd()) Fail("descriptor expected");
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s_[pos_])));
    if (c == '(') {
      ++pos_;
      item.kind = Item::Group;
      item.children = ParseList(')');
      item.repeat = has_count ? count : 1;
      return item;
    }
    if (c == '\'' || c == '"') {
      const char quote = s_[pos_++];
      for (;;) {
        if (AtEnd()) Fail("unterminated literal");
        if (s_[pos_] == quote) {
          if (pos_ + 1 < s_.size() && s_[pos_ + 1] == quote) {
            item.text.push_back(quote);
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        item.text.push_back(s_[pos_++]);
      }
      item.kind = Item::Literal;
      item.repeat = has_count ? count : 1;
      return item;
    }
    ++pos_;
    switch (c) {
      case 'X':
        item.kind = Item::X;
        item.w = has_count ? count : 1;
        return item;
      case 'P':
        if (!has_count) Fail("P needs a scale factor");
        item.kind = Item::Scale;
        item.w = count;
        return item;
      case '/':
        item.kind = Item::Slash;
        item.repeat = has_count ? count : 1;
        return item;
      case '$':
      case '\\':
        item.kind = Item::Dollar;
        return item;
      case ':':
        item.kind = Item::Colon;
        return item;
      case 'I':
        item.kind = Item::I;
        item.w = ExpectInt();
        if (!AtEnd() && s_[pos_] == '.') {
          ++pos_;
          item.m = ExpectInt();
        }
        break;
      case 'F':
        item.kind = Item::F;
        item.w = ExpectInt();
        if (AtEnd() || s_[pos_] != '.') Fail("F needs w.d");
        ++pos_;
        item.d = ExpectInt();
        break;
      case 'E':
        item.kind = Item::E;
        item.w = ExpectInt();
        if (AtEnd() || s_[pos_] != '.') Fail("E needs w.d");
        ++pos_;
        item.d = ExpectInt();
        if (!AtEnd() && (s_[pos_] == 'E' || s_[pos_] == 'e')) {
          ++pos_;
          item.e = ExpectInt();
        }
        break;
      case 'A': {
        item.kind = Item::A;
        int w = 0;
        if (ReadInt(w)) item.w = w;
        break;
      }
      default:
        Fail("unknown descriptor");
    }
    item.repeat = has_count ? count : 1;
    return item;
  }

  std::string_view s_;
  size_t pos_ = 0;
};

class Executor {
 public:
  explicit Executor(std::span<const Value> values) : values_(values) {}

  Records Run(const std::vector<Item>& items) {
    // Reversion restarts at the last top-level group, or at the start.
    size_t revert_at = 0;
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].kind == Item::Group) revert_at = i;
    Execute(items, 0);
    while (!stopped_ && next_ < values_.size()) {
      if (!consumed_any_) throw std::logic_error("format has no data descriptor for its values");
      EndRecord();
      consumed_any_ = false;
      Execute(items, revert_at);
    }
    records_.lines.push_back(line_);
    records_.open = dollar_;
    return std::move(records_);
  }

 private:
  void EndRecord() {
    records_.lines.push_back(line_);
    line_.clear();
    pending_blanks_ = 0;
    dollar_ = false;
  }
  void Emit(const std::string& text) {
    line_.append(static_cast<size_t>(pending_blanks_), ' ');
    pending_blanks_ = 0;
    line_ += text;
  }
  const Value* NextValue() {
    if (next_ >= values_.size()) {
      stopped_ = true;
      return nullptr;
    }
    consumed_any_ = true;
    return &values_[next_++];
  }
  static double AsReal(const Value& v) {
    if (auto p = std::get_if<double>(&v)) return *p;
    throw std::logic_error("real edit descriptor given a non-real value");
  }

  void Execute(const std::vector<Item>& items, size_t from) {
    for (size_t i = from; i < items.size() && !stopped_; ++i) {
      const Item& item = items[i];
      for (int r = 0; r < item.repeat && !stopped_; ++r) ExecuteOne(item);
    }
  }

  void ExecuteOne(const Item& item) {
    switch (item.kind) {
      case Item::Literal:
        Emit(item.text);
        return;
      case Item::X:
        pending_blanks_ += item.w;
        return;
      case Item::Slash:
        EndRecord();
        return;
      case Item::Dollar:
        dollar_ = true;
        return;
      case Item::Colon:
        if (next_ >= values_.size()) stopped_ = true;
        return;
      case Item::Scale:
        scale_ = item.w;
        return;
      case Item::Group:
        Execute(item.children, 0);
        return;
      default:
        break;
    }
    const Value* v = NextValue();
    if (!v) return;
    switch (item.kind) {
      case Item::I:
        if (auto p = std::get_if<long long>(v)) {
          Emit(EditI(item.w, *p, item.m));
          return;
        }
        throw std::logic_error("I edit descriptor given a non-integer value");
      case Item::F:
        Emit(EditF(item.w, item.d, AsReal(*v), scale_));
        return;
      case Item::E:
        Emit(EditE(item.w, item.d, AsReal(*v), scale_, item.e));
        return;
      case Item::A:
        if (auto p = std::get_if<std::string_view>(v)) {
          Emit(EditA(*p, item.w));
          return;
        }
        throw std::logic_error("A edit descriptor given a non-text value");
      default:
        return;
    }
  }

  std::span<const Value> values_;
  size_t next_ = 0;
  bool stopped_ = false;
  bool consumed_any_ = false;
  bool dollar_ = false;
  int scale_ = 0;
  int pending_blanks_ = 0;
  std::string line_;
  Records records_;
};

// G editing of list-directed output for double precision: 17 significant
// digits in a field of 25, fixed form for 0.1 <= |x| < 1e17 (with the four
// columns of the absent exponent left blank), exponent form otherwise.
std::string ListReal(double value) {
  if (!std::isfinite(value)) return EditNonFinite(25, value);
  constexpr int kDigits = 17;
  const double magnitude = std::fabs(value);
  if (magnitude == 0) return EditF(20, kDigits - 1, value) + "     ";
  std::string digits;
  int exponent = 0;
  Digits(value, kDigits, digits, exponent);
  if (exponent >= -1 && exponent < kDigits) {
    const int before_point = exponent + 1;  // 0 for 0.1 <= x < 1
    return EditF(20, kDigits - before_point, value) + "     ";
  }
  return EditE(25, kDigits - 1, value, 1, 3);
}

}  // namespace

Records ApplyFormat(std::string_view format, std::span<const Value> values) {
  Parser parser(format);
  const std::vector<Item> items = parser.ParseTop();
  Executor executor(values);
  return executor.Run(items);
}

std::string ListDirected(std::span<const Value> values) {
  std::string line;
  for (const Value& v : values) {
    if (auto i = std::get_if<long long>(&v)) {
      line += EditI(12, *i);
    } else if (auto d = std::get_if<double>(&v)) {
      line += ' ';
      line += ListReal(*d);
    } else {
      line += ' ';
      line += std::get<std::string_view>(v);
    }
  }
  return line;
}

}  // namespace darnek::fortran
