// List-directed input, following the GNU Fortran runtime's reading of records.
#include "core/list_reader.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/errors.h"

namespace darnek {

struct ListReader::Token {
  enum Kind { Value, Null, Comma, Slash } kind = Value;
  std::string text;
  bool quoted = false;
  bool starred = false;  // carried a repeat count r*
  int repeat = 1;
};

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

bool ParseFortranInteger(std::string_view text, int& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::string_view digits = text.substr(i);
  if (!IsDigits(digits)) return false;
  long long v = 0;
  for (char c : digits) {
    v = v * 10 + (c - '0');
    if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return false;
  }
  if (negative) v = -v;
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
  value = static_cast<int>(v);
  return true;
}

bool ParseFortranReal(std::string_view text, double& value) {
  const std::string lower = Lower(text);
  std::string_view body = lower;
  bool negative = false;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }
  if (body == "inf" || body == "infinity") {
    value = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return true;
  }
  if (body == "nan") {
    value = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  // Mantissa: digits with an optional point, at least one digit.
  size_t i = 0;
  size_t digits = 0;
  while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i, ++digits;
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i, ++digits;
  }
  if (digits == 0) return false;
  std::string normal(body.substr(0, i));
  if (i < body.size()) {
    // Exponent: a letter E, D or Q with an optional sign, or a sign alone.
    size_t j = i;
    if (body[j] == 'e' || body[j] == 'd' || body[j] == 'q') ++j;
    else if (body[j] != '+' && body[j] != '-') return false;
    std::string_view exponent = body.substr(j);
    std::string_view exponent_digits = exponent;
    if (!exponent_digits.empty() && (exponent_digits[0] == '+' || exponent_digits[0] == '-'))
      exponent_digits.remove_prefix(1);
    if (!IsDigits(exponent_digits)) return false;
    normal += 'e';
    normal += exponent;
  }
  char* end = nullptr;
  double v = std::strtod(normal.c_str(), &end);
  if (end != normal.c_str() + normal.size()) return false;
  value = negative ? -v : v;
  return true;
}

bool ListReader::NextLine() {
  if (!std::getline(in_, line_)) {
    line_.clear();
    pos_ = 0;
    return false;
  }
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  pos_ = 0;
  ++line_number_;
  return true;
}

bool ListReader::AtEnd() { return in_.peek() == std::char_traits<char>::eof(); }

std::string ListReader::UnknownCode(int code, std::string_view codes) {
  return std::to_string(code) + " is not one of its codes (" + std::string(codes) + ")";
}

std::string ListReader::Message(int line, std::string_view record, std::string_view item, size_t index,
                                const std::string& what) const {
  std::string message = "line " + std::to_string(line);
  // A record that ran on from earlier lines is found by its first line.
  if (record_line_ > 0 && record_line_ < line)
    message += " (the record began on line " + std::to_string(record_line_) + ")";
  message += ": " + std::string(record);
  if (!item.empty()) message += ", item " + std::to_string(index + 1) + " (" + std::string(item) + ")";
  if (!what.empty()) message += ": " + what;
  return message;
}

// "4,5" reads as the two values 4 and 5, and the record fails later on, or
// one of its values is out of range.
std::string ListReader::DecimalCommaNote() const {
  if (decimal_comma_.empty()) return "";
  std::string point = decimal_comma_;
  point[point.find(',')] = '.';
  return "; '" + decimal_comma_ + "' on line " + std::to_string(decimal_comma_line_) +
         " looks like a number written with a decimal comma, which reads as two values: write " + point;
}

void ListReader::Fail(std::string_view record, std::string_view item, size_t index,
                      const std::string& what) const {
  throw InputError(Message(line_number_, record, item, index, what) + DecimalCommaNote());
}

std::string ListReader::Where(std::string_view record, size_t index, std::string_view name) const {
  int line = index < item_lines_.size() ? item_lines_[index] : 0;
  if (line == 0) line = record_line_ > 0 ? record_line_ : line_number_;
  return Message(line, record, name, index, "");
}

void ListReader::RejectItem(std::string_view record, size_t index, std::string_view name,
                            const std::string& what) const {
  throw InputError(Where(record, index, name) + ": " + what + DecimalCommaNote());
}

// A value of digits alone, standing after a blank (or at the start of the
// line) and joined by one comma to further digits that end at a blank: the
// way "4,5" is written where the decimal sign is a comma. Values separated by
// commas alone ("1,2,3") do not look like that.
void ListReader::NoteDecimalComma(size_t token_start) {
  if (!decimal_comma_.empty() || pos_ >= line_.size() || line_[pos_] != ',') return;
  if (token_start > 0 && !IsBlank(line_[token_start - 1])) return;
  size_t digits = token_start;
  if (digits < pos_ && (line_[digits] == '+' || line_[digits] == '-')) ++digits;
  if (!IsDigits(std::string_view(line_).substr(digits, pos_ - digits))) return;
  size_t end = pos_ + 1;
  while (end < line_.size() && std::isdigit(static_cast<unsigned char>(line_[end]))) ++end;
  if (end == pos_ + 1 || (end < line_.size() && !IsBlank(line_[end]))) return;
  decimal_comma_ = line_.substr(token_start, end - token_start);
  decimal_comma_line_ = line_number_;
}

// Reads the next item of the current read. `after_value` tracks whether the
// separator after the previous value is still to be consumed, so that a lone
// comma there is a separator and a second comma a null value.
bool ListReader::NextToken(Token& token) {
  for (;;) {
    while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
    if (pos_ >= line_.size()) {
      if (!NextLine()) return false;
      continue;
    }
    break;
  }
  const char c = line_[pos_];
  token = Token{};
  if (c == '/') {
    token.kind = Token::Slash;
    ++pos_;
    return true;
  }
  if (c == ',') {
    token.kind = Token::Comma;
    ++pos_;
    return true;
  }
  // A value, possibly with a repeat count r*.
  size_t start = pos_;
  size_t star = std::string::npos;
  while (pos_ < line_.size() && std::isdigit(static_cast<unsigned char>(line_[pos_]))) ++pos_;
  if (pos_ > start && pos_ < line_.size() && line_[pos_] == '*') {
    star = pos_;
    ++pos_;
  } else {
    pos_ = start;
  }
  if (star != std::string::npos) {
    int repeat = 0;
    if (!ParseFortranInteger(std::string_view(line_).substr(start, star - start), repeat) || repeat < 1)
      repeat = 1;
    token.repeat = repeat;
    token.starred = true;
    if (pos_ >= line_.size() || IsBlank(line_[pos_]) || line_[pos_] == ',' || line_[pos_] == '/') {
      token.kind = Token::Null;
      return true;
    }
  }
  const char q = pos_ < line_.size() ? line_[pos_] : '\0';
  if (q == '\'' || q == '"') {
    token.quoted = true;
    ++pos_;
    for (;;) {
      if (pos_ >= line_.size()) break;  // an unterminated text ends with its line
      if (line_[pos_] == q) {
        if (pos_ + 1 < line_.size() && line_[pos_ + 1] == q) {
          token.text.push_back(q);
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      token.text.push_back(line_[pos_++]);
    }
  } else {
    const size_t token_start = pos_;
    while (pos_ < line_.size() && !IsBlank(line_[pos_]) && line_[pos_] != ',' && line_[pos_] != '/')
      token.text.push_back(line_[pos_++]);
    if (!token.starred) NoteDecimalComma(token_start);
  }
  return true;
}

void ListReader::Read(std::string_view record, std::initializer_list<Field> fields) {
  Read(record, std::vector<Field>(fields));
}

void ListReader::Read(std::string_view record, const std::vector<Field>& fields) {
  ReadRecord(record, fields, false);
}

bool ListReader::ReadIfAny(std::string_view record, const std::vector<Field>& fields) {
  return ReadRecord(record, fields, true);
}

bool ListReader::ReadRecord(std::string_view record, const std::vector<Field>& fields, bool optional) {
  record_line_ = 0;
  item_lines_.assign(fields.size(), 0);
  decimal_comma_.clear();
  if (!NextLine()) {
    if (optional) return false;
    Fail(record, "", 0, "end of file where this record was expected");
  }
  Token token;
  int repeat_left = 0;
  bool after_value = false;
  for (size_t i = 0; i < fields.size(); ++i) {
    const Field& field = fields[i];
    if (repeat_left == 0) {
      for (;;) {
        if (!NextToken(token)) {
          // Only blank lines were left: the record is missing, not cut short.
          if (i == 0 && !after_value) {
            if (optional) return false;
            Fail(record, "", 0, "end of file where this record was expected");
          }
          const size_t left = fields.size() - i;
          Fail(record, field.name, i,
               "end of file inside the record: " + std::to_string(left) +
                   (left == 1 ? " more value was" : " more values were") + " expected");
        }
        // The comma that separates this item from the previous value; any
        // other comma stands for a null value.
        if (token.kind == Token::Comma) {
          if (after_value) {
            after_value = false;
            continue;
          }
          token.kind = Token::Null;
        }
        break;
      }
      if (record_line_ == 0) record_line_ = line_number_;
      if (token.kind == Token::Slash) {
        pos_ = line_.size();
        return true;
      }
      repeat_left = token.repeat;
      after_value = token.kind == Token::Value || token.starred;
    }
    --repeat_left;
    if (token.kind == Token::Null) continue;
    item_lines_[i] = line_number_;
    if (auto p = std::get_if<int*>(&field.target)) {
      int v = 0;
      if (token.quoted || !ParseFortranInteger(token.text, v))
        Fail(record, field.name, i, "expected an integer, found '" + token.text + "'");
      **p = v;
    } else if (auto d = std::get_if<double*>(&field.target)) {
      double v = 0;
      if (token.quoted || !ParseFortranReal(token.text, v))
        Fail(record, field.name, i, "expected a real number, found '" + token.text + "'");
      // Infinities and NaNs would only spread through the tables.
      if (!std::isfinite(v)) Fail(record, field.name, i, "expected a finite number, found '" + token.text + "'");
      **d = v;
    } else if (auto c = std::get_if<CodeTarget>(&field.target)) {
      int v = 0;
      if (token.quoted || !ParseFortranInteger(token.text, v))
        Fail(record, field.name, i, "expected an integer code, found '" + token.text + "'");
      if (!c->convert(v, c->value)) Fail(record, field.name, i, UnknownCode(v, c->codes));
    } else {
      *std::get<std::string*>(field.target) = token.text;
    }
  }
  // What is left of the last line used belongs to no later read.
  pos_ = line_.size();
  return true;
}

std::string ListReader::ReadText(std::string_view record, int width) {
  record_line_ = 0;
  item_lines_.clear();
  decimal_comma_.clear();
  if (!NextLine()) Fail(record, "", 0, "end of file where this line was expected");
  std::string text = line_.substr(0, static_cast<size_t>(width));
  pos_ = line_.size();
  return text;
}

}  // namespace darnek
