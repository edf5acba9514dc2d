// List-directed input, following the GNU Fortran runtime's reading of records.
#include "core/list_reader.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/errors.h"
#include "core/plain_text.h"

namespace darnek {

struct ListReader::Token {
  enum Kind { Value, Null, Comma, Slash } Kind = Value;
  std::string Text;
  bool Quoted = false;
  bool Starred = false;  // carried a repeat count r*
  int Repeat = 1;
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
  // ASCII only: a host's locale must not change what a number is.
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Whether a decimal number too large or too small for a double is too large:
// the power of ten of its first significant digit decides.
bool Overflows(std::string_view mantissa, std::string_view exponent) {
  long long power = 0;
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return false;
  power = first < point ? static_cast<long long>(point - first) - 1 : -static_cast<long long>(first - point);
  long long e = 0;
  bool negative = false;
  for (char c : exponent) {
    if (c == '-') negative = true;
    if (c >= '0' && c <= '9' && e < 1000000000) e = e * 10 + (c - '0');
  }
  return power + (negative ? -e : e) > 0;
}

}  // namespace

LineRead ReadBoundedLine(std::istream& in, std::string& line) {
  line.clear();
  const std::istream::sentry ready(in, true);
  if (!ready) return LineRead::End;
  std::streambuf* buffer = in.rdbuf();
  bool any = false;
  for (;;) {
    const int c = buffer->sbumpc();
    if (c == std::char_traits<char>::eof()) {
      in.setstate(any ? std::ios::eofbit : std::ios::eofbit | std::ios::failbit);
      break;
    }
    any = true;
    if (c == '\n') break;
    // One more for a carriage return before the line end.
    if (line.size() > kMaxLineLength) return LineRead::TooLong;
    line.push_back(static_cast<char>(c));
  }
  if (!any) return LineRead::End;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line.size() > kMaxLineLength ? LineRead::TooLong : LineRead::Line;
}

LineRead LineSource::Next(std::string& line) {
  line.clear();
  bool any = false;
  while (next_ != end_ || Refill()) {
    any = true;
    const auto* stop = static_cast<const char*>(std::memchr(next_, '\n', static_cast<size_t>(end_ - next_)));
    const char* piece_end = stop ? stop : end_;
    const auto size = static_cast<size_t>(piece_end - next_);
    // One more for a carriage return before the line end.
    if (line.size() + size > kMaxLineLength + 1) {
      next_ += kMaxLineLength + 1 - line.size();
      return LineRead::TooLong;
    }
    line.append(next_, size);
    next_ = piece_end;
    if (stop) {
      ++next_;
      break;
    }
  }
  if (!any) return LineRead::End;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line.size() > kMaxLineLength ? LineRead::TooLong : LineRead::Line;
}

bool StreamLines::Refill() {
  std::streambuf* buffer = in_.rdbuf();
  const std::streamsize n = buffer ? buffer->sgetn(data_, sizeof data_) : 0;
  if (n <= 0) return false;
  next_ = data_;
  end_ = data_ + n;
  return true;
}

std::string Quoted(std::string_view text) {
  if (text.size() <= kMaxQuotedLength) return "'" + Shown(text) + "'";
  return "'" + Shown(text.substr(0, CharacterCut(text, kMaxQuotedLength))) + "...' (" +
         std::to_string(text.size()) + " characters)";
}

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
  std::string_view exponent;
  if (i < body.size()) {
    // Exponent: a letter E, D or Q with an optional sign, or a sign alone.
    size_t j = i;
    if (body[j] == 'e' || body[j] == 'd' || body[j] == 'q')
      ++j;
    else if (body[j] != '+' && body[j] != '-')
      return false;
    exponent = body.substr(j);
    std::string_view exponent_digits = exponent;
    if (!exponent_digits.empty() && (exponent_digits[0] == '+' || exponent_digits[0] == '-'))
      exponent_digits.remove_prefix(1);
    if (!IsDigits(exponent_digits)) return false;
    normal += 'e';
    normal += exponent;
  }
  double v = 0;
  const char* end = normal.data() + normal.size();
  const auto [stop, error] = std::from_chars(normal.data(), end, v);
  if (stop != end) return false;
  // Beyond the range of a double: infinity or zero, as a C library reads it.
  if (error == std::errc::result_out_of_range)
    v = Overflows(body.substr(0, i), exponent) ? std::numeric_limits<double>::infinity() : 0.0;
  else if (error != std::errc())
    return false;
  value = negative ? -v : v;
  return true;
}

bool ListReader::NextLine(std::string_view record) {
  const LineRead read = lines_->Next(line_);
  pos_ = 0;
  if (read == LineRead::End) {
    line_.clear();
    return false;
  }
  ++line_number_;
  if (read == LineRead::TooLong) {
    line_.clear();
    Fail(record, "", 0, "the line is longer than " + std::to_string(kMaxLineLength) + " characters");
  }
  return true;
}

bool ListReader::AtEnd() { return lines_->AtEnd(); }

std::string ListReader::UnknownCode(int code, std::string_view codes) {
  return std::to_string(code) + " is not one of its codes (" + std::string(codes) + ")";
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
  throw InputError(line_number_, std::string(record), item.empty() ? 0 : static_cast<int>(index) + 1,
                   std::string(item), what, EarlierRecordLine(line_number_), DecimalCommaNote());
}

std::string ListReader::Where(std::string_view record, size_t index, std::string_view name) const {
  const int line = ItemLine(index);
  return InputError::Compose(line, EarlierRecordLine(line), std::string(record), static_cast<int>(index) + 1,
                             std::string(name), "");
}

InputErrorPlace ListReader::Place(std::string_view record, size_t index, std::string_view name,
                                  const std::string& detail) const {
  InputErrorPlace place;
  place.Line = ItemLine(index);
  place.Record = std::string(record);
  place.Item = static_cast<int>(index) + 1;
  place.ItemName = std::string(name);
  place.Detail = detail;
  place.Message = Where(record, index, name) + ": " + detail;
  place.LastLine = line_number_;
  return place;
}

void ListReader::RejectItem(std::string_view record, size_t index, std::string_view name,
                            const std::string& what) const {
  const int line = ItemLine(index);
  throw InputError(line, std::string(record), static_cast<int>(index) + 1, std::string(name), what,
                   EarlierRecordLine(line), DecimalCommaNote());
}

int ListReader::ItemLine(size_t index) const {
  const int line = index < item_lines_.size() ? item_lines_[index] : 0;
  if (line != 0) return line;
  return record_line_ > 0 ? record_line_ : line_number_;
}

// A record that ran on from earlier lines is found by its first line.
int ListReader::EarlierRecordLine(int line) const {
  return record_line_ > 0 && record_line_ < line ? record_line_ : 0;
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
bool ListReader::NextToken(Token& token, std::string_view record) {
  for (;;) {
    while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
    if (pos_ >= line_.size()) {
      if (!NextLine(record)) return false;
      continue;
    }
    break;
  }
  const char c = line_[pos_];
  token = Token{};
  if (c == '/') {
    token.Kind = Token::Slash;
    ++pos_;
    return true;
  }
  if (c == ',') {
    token.Kind = Token::Comma;
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
    token.Repeat = repeat;
    token.Starred = true;
    if (pos_ >= line_.size() || IsBlank(line_[pos_]) || line_[pos_] == ',' || line_[pos_] == '/') {
      token.Kind = Token::Null;
      return true;
    }
  }
  const char q = pos_ < line_.size() ? line_[pos_] : '\0';
  if (q == '\'' || q == '"') {
    token.Quoted = true;
    ++pos_;
    for (;;) {
      if (pos_ >= line_.size()) break;  // an unterminated text ends with its line
      if (line_[pos_] == q) {
        if (pos_ + 1 < line_.size() && line_[pos_ + 1] == q) {
          token.Text.push_back(q);
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      token.Text.push_back(line_[pos_++]);
    }
  } else {
    const size_t token_start = pos_;
    while (pos_ < line_.size() && !IsBlank(line_[pos_]) && line_[pos_] != ',' && line_[pos_] != '/')
      token.Text.push_back(line_[pos_++]);
    if (!token.Starred) NoteDecimalComma(token_start);
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
  if (!NextLine(record)) {
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
        if (!NextToken(token, record)) {
          // Only blank lines were left: the record is missing, not cut short.
          if (i == 0 && !after_value) {
            if (optional) return false;
            Fail(record, "", 0, "end of file where this record was expected");
          }
          const size_t left = fields.size() - i;
          Fail(record, field.Name, i,
               "end of file inside the record: " + std::to_string(left) +
                   (left == 1 ? " more value was" : " more values were") + " expected");
        }
        // The comma that separates this item from the previous value; any
        // other comma stands for a null value.
        if (token.Kind == Token::Comma) {
          if (after_value) {
            after_value = false;
            continue;
          }
          token.Kind = Token::Null;
        }
        break;
      }
      if (record_line_ == 0) record_line_ = line_number_;
      if (token.Kind == Token::Slash) {
        pos_ = line_.size();
        return true;
      }
      repeat_left = token.Repeat;
      after_value = token.Kind == Token::Value || token.Starred;
    }
    --repeat_left;
    if (token.Kind == Token::Null) continue;
    item_lines_[i] = line_number_;
    if (auto p = std::get_if<int*>(&field.Target)) {
      int v = 0;
      if (token.Quoted || !ParseFortranInteger(token.Text, v))
        Fail(record, field.Name, i, "expected an integer, found " + Quoted(token.Text));
      **p = v;
    } else if (auto d = std::get_if<double*>(&field.Target)) {
      double v = 0;
      if (token.Quoted || !ParseFortranReal(token.Text, v))
        Fail(record, field.Name, i, "expected a real number, found " + Quoted(token.Text));
      // Infinities and NaNs would only spread through the tables.
      if (!std::isfinite(v))
        Fail(record, field.Name, i, "expected a finite number, found " + Quoted(token.Text));
      // The report's exponent fields hold two digits: a value from 1E+100 on
      // would lose its E there, and its products overflow in the solution.
      if (std::fabs(v) >= kLargestReal)
        Fail(record, field.Name, i,
             Quoted(token.Text) +
                 " is beyond what the report can print: a value must be smaller than 1E+100 in magnitude");
      **d = v;
    } else if (auto c = std::get_if<CodeTarget>(&field.Target)) {
      int v = 0;
      if (token.Quoted || !ParseFortranInteger(token.Text, v))
        Fail(record, field.Name, i, "expected an integer code, found " + Quoted(token.Text));
      if (!c->Convert(v, c->Value)) Fail(record, field.Name, i, UnknownCode(v, c->Codes));
    } else {
      *std::get<std::string*>(field.Target) = token.Text;
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
  if (!NextLine(record)) Fail(record, "", 0, "end of file where this line was expected");
  // Cut on a character, and without control characters, so that the report
  // and the pictures that show the text stay text.
  std::string text =
      BlankControls(std::string_view(line_).substr(0, CharacterCut(line_, static_cast<size_t>(width))));
  pos_ = line_.size();
  return text;
}

}  // namespace darnek
