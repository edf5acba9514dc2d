// How a run ends early. Every early end unwinds to the entry point as one of
// these exceptions; none of them ever reaches the caller of the library.
#pragma once

#include <stdexcept>
#include <string>

namespace darnek {

// A data error that the report names in words of its own: the driver writes
// the message of its kind to the report, and the run ends through its normal
// end; the call still returns 0.
class DataError : public std::runtime_error {
 public:
  enum class Kind {
    StationsNotInOrder,  // a station range whose TO lies above its FROM, or rows out of station order
    DataBeyondEnd,       // stiffness or load values beyond the tip of the wall
  };
  explicit DataError(Kind kind) : std::runtime_error(Text(kind)), kind_(kind) {}
  Kind kind() const { return kind_; }

  // The words of the report, which are also the message of the run.
  static const char* Text(Kind kind) {
    return kind == Kind::StationsNotInOrder ? "ERROR STOP -- STATIONS NOT IN ORDER"
                                            : "ERROR -- NON-ZERO TABLE 4 DATA BEYOND END";
  }

 private:
  Kind kind_;
};

// A table that would outgrow the engine's storage: the driver writes the
// storage message to the report and ends the run as for a DataError.
class StorageExceeded : public std::runtime_error {
 public:
  StorageExceeded() : std::runtime_error("TOO MUCH DATA FOR AVAILABLE STORAGE") {}
  explicit StorageExceeded(const std::string& what) : std::runtime_error(what) {}
};

// A count whose negative value ends the run quietly through its normal end.
class QuietEnd : public std::runtime_error {
 public:
  QuietEnd() : std::runtime_error("run ended by a negative count") {}
};

// Input this engine cannot accept: a malformed record or a value outside what
// the analysis can use. The driver writes the message to the report and the
// console, ends the run through its normal end and returns a nonzero status.
class InputError : public std::runtime_error {
 public:
  explicit InputError(const std::string& what) : std::runtime_error(what) {}
  // A fault found at a record of the input: the message reads "line L:
  // RECORD, item K (NAME): DETAIL", or "line L: RECORD: DETAIL" without an
  // item; "line L (the record began on line S): ..." for a record that ran on
  // from an earlier line; `note` follows the detail. The pieces stay apart for
  // callers that translate the input from another form and name the place in
  // that form instead.
  InputError(int line, const std::string& record, int item, const std::string& item_name,
             const std::string& detail, int record_line = 0, const std::string& note = "")
      : std::runtime_error(Compose(line, record_line, record, item, item_name, detail) + note),
        line_(line),
        item_(item),
        record_(record),
        item_name_(item_name),
        detail_(detail) {}

  int line() const { return line_; }  // 0 when the message names no line
  int item() const { return item_; }  // 1-based; 0 for the record as a whole
  const std::string& record() const { return record_; }
  const std::string& item_name() const { return item_name_; }
  const std::string& detail() const { return detail_; }

  // The place and the detail in the words of every input message; no
  // ": DETAIL" when the detail is empty.
  static std::string Compose(int line, int record_line, const std::string& record, int item,
                             const std::string& item_name, const std::string& detail) {
    std::string message = "line " + std::to_string(line);
    if (record_line > 0) message += " (the record began on line " + std::to_string(record_line) + ")";
    message += ": " + record;
    if (item > 0) message += ", item " + std::to_string(item) + " (" + item_name + ")";
    if (!detail.empty()) message += ": " + detail;
    return message;
  }

 private:
  int line_ = 0;
  int item_ = 0;
  std::string record_;
  std::string item_name_;
  std::string detail_;
};

// A fatal condition of the soil or earth-pressure computation: its warning is
// already written where it belongs; nothing more is written to any file, there
// is no "END OF ANALYSIS", and the call returns the stopped status.
class FatalStop : public std::runtime_error {
 public:
  explicit FatalStop(const std::string& what, int code = 0) : std::runtime_error(what), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// A file of the run could not be written (or read back) during the run: the
// message names the file and gives the system's reason. Nothing more is
// written; the call returns DARNEK_WRITE_FAILED.
class FileFailed : public std::runtime_error {
 public:
  explicit FileFailed(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace darnek
