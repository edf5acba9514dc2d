// List-directed input with Fortran semantics. Every read starts a new record
// (line); values are separated by blanks or commas; a read that needs more
// values continues on the following lines; what is left of the last line used
// is discarded; '/' ends the read early (remaining items keep their values);
// r*c repeats a value and r* (or an empty item between commas) leaves items
// unchanged. Malformed input throws InputError naming the line, the record and
// the item.
#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace darnek {

class ListReader {
 public:
  struct Field {
    std::string_view name;
    std::variant<int*, double*, std::string*> target;
  };

  explicit ListReader(std::istream& in) : in_(in) {}

  // One list-directed read into the fields, in order.
  void Read(std::string_view record, std::initializer_list<Field> fields);
  void Read(std::string_view record, const std::vector<Field>& fields);

  // The same, for a record that may be missing at the end of the file: false
  // when only blank lines (or nothing) are left.
  bool ReadIfAny(std::string_view record, const std::vector<Field>& fields);

  // One formatted read of a text field of `width` columns (format Aw): the
  // next line cut to `width` columns.
  std::string ReadText(std::string_view record, int width);

  // True when no further line can be read.
  bool AtEnd();

  // Number of the last line read (1-based); 0 before the first.
  int line() const { return line_number_; }

 private:
  struct Token;
  bool ReadRecord(std::string_view record, const std::vector<Field>& fields, bool optional);
  bool NextLine(std::string_view record);
  bool NextToken(Token& token, std::string_view record, std::string_view item);
  [[noreturn]] void Fail(std::string_view record, std::string_view item, size_t index,
                         const std::string& what) const;

  std::istream& in_;
  std::string line_;
  size_t pos_ = 0;
  int line_number_ = 0;
};

// Reals of this magnitude or more are rejected: beyond what the report's
// exponent fields can print.
inline constexpr double kLargestReal = 1e100;

// The longest line the engine reads from a file; a longer line is refused, so
// that no file, however made, can make a line take unbounded time or memory.
inline constexpr size_t kMaxLineLength = 65536;
// The most characters of a value that a message quotes.
inline constexpr size_t kMaxQuotedLength = 40;

// Reads one line without its end (and without a carriage return before it).
// A line longer than kMaxLineLength is left unread beyond that: TooLong.
enum class LineRead { Line, End, TooLong };
LineRead ReadBoundedLine(std::istream& in, std::string& line);

// A value in quotes for a message, cut to kMaxQuotedLength characters with
// the length added when it is longer.
std::string Quoted(std::string_view text);

// Number conversions of list-directed input, independent of the process
// locale; false when the text is not a value of that type.
bool ParseFortranInteger(std::string_view text, int& value);
bool ParseFortranReal(std::string_view text, double& value);

}  // namespace darnek
