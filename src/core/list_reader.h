// List-directed input with Fortran semantics. Every read starts a new record
// (line); values are separated by blanks or commas; a read that needs more
// values continues on the following lines; what is left of the last line used
// is discarded; '/' ends the read early (remaining items keep their values);
// r*c repeats a value and r* (or an empty item between commas) leaves items
// unchanged. Malformed input throws InputError naming the line, the record and
// the item (and the line where the record began, when that was an earlier
// one); a code item is converted to its enum as it is read.
#pragma once

#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/code_traits.h"
#include "darnek/darnek.h"

namespace darnek {

// The longest line the engine reads from a file; a longer line is refused, so
// that no file, however made, can make a line take unbounded time or memory.
inline constexpr size_t kMaxLineLength = 65536;

// What reading one line found. A line longer than kMaxLineLength is left
// unread beyond that: TooLong.
enum class LineRead { Line, End, TooLong };

// Where a reader's lines come from: pieces of text, cut into lines here. A
// run reads its input through this rather than a stream, so that a run sets
// up no stream or locale it has no use for.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // The next line without its end (and without a carriage return before it).
  LineRead Next(std::string& line);
  // True when no further line can be read.
  bool AtEnd() { return next_ == end_ && !Refill(); }

 protected:
  // Points next_ and end_ at the next piece (never empty); false when there
  // is none.
  virtual bool Refill() = 0;
  const char* next_ = nullptr;
  const char* end_ = nullptr;
};

// The lines of a text in memory, which must outlive the source.
class TextLines final : public LineSource {
 public:
  explicit TextLines(std::string_view text) {
    next_ = text.data();
    end_ = text.data() + text.size();
  }

 private:
  bool Refill() override { return false; }
};

// The lines of a stream, from its current position; what is read ahead
// belongs to the source.
class StreamLines final : public LineSource {
 public:
  explicit StreamLines(std::istream& in) : in_(in) {}

 private:
  bool Refill() override;
  std::istream& in_;
  char data_[4096];
};

class ListReader {
 public:
  // A code item converts as it is read (core/code_traits.h).
  struct CodeTarget {
    void* Value;
    bool (*Convert)(int code, void* value);
    std::string_view Codes;
  };

  struct Field {
    Field(std::string_view n, int* p) : Name(n), Target(p) {}
    Field(std::string_view n, double* p) : Name(n), Target(p) {}
    Field(std::string_view n, std::string* p) : Name(n), Target(p) {}
    template <class E, class = decltype(CodeTraits<E>::kCodes)>
    Field(std::string_view n, E* p)
        : Name(n), Target(CodeTarget{p, &ConvertCode<E>, CodeTraits<E>::kCodes}) {}

    std::string_view Name;
    std::variant<int*, double*, std::string*, CodeTarget> Target;
  };

  explicit ListReader(LineSource& lines) : lines_(&lines) {}
  explicit ListReader(std::istream& in) : owned_(std::make_unique<StreamLines>(in)), lines_(owned_.get()) {}

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

  // Where item `index` (0-based) of the last read stood, in the words of the
  // reader's own messages: "line L: record, item k (name)", and where the
  // record began when that was an earlier line. For checks of a value after
  // its read; an item that the read left unchanged is placed where the
  // record began.
  std::string Where(std::string_view record, size_t index, std::string_view name) const;
  // The same place with what is wrong, in pieces (for a warning that a caller
  // may name in the words of the input's own form) and as the message
  // Where(...) + ": " + detail.
  InputErrorPlace Place(std::string_view record, size_t index, std::string_view name,
                        const std::string& detail) const;
  // Rejects item `index` of the last read: Where(...) + ": " + what.
  [[noreturn]] void RejectItem(std::string_view record, size_t index, std::string_view name,
                               const std::string& what) const;
  // The line of item `index` of the last read, as Where names it.
  int ItemLine(size_t index) const;
  // A code read as an integer whose meaning depends on another item:
  // converted, or rejected as the reader rejects a code item.
  template <class E>
  E ToCode(std::string_view record, size_t index, std::string_view name, int code) const {
    E value{};
    if (!CodeTraits<E>::FromInt(code, value))
      RejectItem(record, index, name, UnknownCode(code, CodeTraits<E>::kCodes));
    return value;
  }

 private:
  struct Token;
  template <class E>
  static bool ConvertCode(int code, void* value) {
    return CodeTraits<E>::FromInt(code, *static_cast<E*>(value));
  }
  static std::string UnknownCode(int code, std::string_view codes);
  bool ReadRecord(std::string_view record, const std::vector<Field>& fields, bool optional);
  bool NextLine(std::string_view record);
  bool NextToken(Token& token, std::string_view record);
  void NoteDecimalComma(size_t token_start);
  int EarlierRecordLine(int line) const;
  [[noreturn]] void Fail(std::string_view record, std::string_view item, size_t index,
                         const std::string& what) const;
  std::string DecimalCommaNote() const;

  std::unique_ptr<LineSource> owned_;
  LineSource* lines_;
  std::string line_;
  size_t pos_ = 0;
  int line_number_ = 0;
  // The last read: the line of its first value, the line of each item it
  // assigned (0: left unchanged), and the first token that looks like a
  // number written with a decimal comma ("4,5"), with its line.
  int record_line_ = 0;
  std::vector<int> item_lines_;
  std::string decimal_comma_;
  int decimal_comma_line_ = 0;
};

// Reals of this magnitude or more are rejected: beyond what the report's
// exponent fields can print.
inline constexpr double kLargestReal = 1e100;

// The most characters of a value that a message quotes.
inline constexpr size_t kMaxQuotedLength = 40;

// Reads one line as LineSource::Next does, straight from the stream.
LineRead ReadBoundedLine(std::istream& in, std::string& line);

// A value in quotes for a message, cut to kMaxQuotedLength characters with
// the length added when it is longer.
std::string Quoted(std::string_view text);

// Number conversions of list-directed input, independent of the process
// locale; false when the text is not a value of that type.
bool ParseFortranInteger(std::string_view text, int& value);
bool ParseFortranReal(std::string_view text, double& value);

}  // namespace darnek
