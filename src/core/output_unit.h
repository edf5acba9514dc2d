// A sequential formatted output file of the run (report, plot data, run log,
// console, scratch files), written record by record through the Fortran-style
// formatter. A write whose format ends with '$' leaves its last record open;
// the next write continues it, as non-advancing output does. Each format is
// compiled on its first use in the process and formats straight into the record.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "core/fortran_format.h"
#include "core/run_file.h"

namespace darnek {

// A format text of the engine's own code: a constant (a literal, or an
// array of static storage), so that its address names its text for good and
// a write finds its compiled form without comparing the text. Only constant
// evaluation makes one; a format built at run time goes to WriteBuilt.
class FormatText {
 public:
  template <size_t N>
  consteval FormatText(const char (&text)[N]) : text_(text, N - 1) {}  // NOLINT: a literal converts
  std::string_view Text() const { return text_; }

 private:
  std::string_view text_;
};

class OutputUnit : private fortran::RecordSink {
 public:
  OutputUnit() = default;
  // Writes to a stream the caller owns (the console, a test's string stream).
  explicit OutputUnit(std::ostream& stream) : stream_(&stream) {}

  void Attach(std::ostream& stream);
  // Writes each record straight to a descriptor the caller owns (standard
  // error), one write a record; a failed write is ignored, as a stream's is.
  void AttachDescriptor(int fd);
  // Writes to a file of the run (which stays open after Close); a failed
  // write throws FileFailed.
  void Attach(RunFile& file);
  // Ends an open record and hands everything written to the file or stream.
  void Close();
  bool IsOpen() const { return stream_ != nullptr || file_ != nullptr || fd_ >= 0; }

  template <class... Args>
  void Write(FormatText format, const Args&... args) {
    const fortran::Value values[] = {fortran::detail::ToValue(args)..., fortran::Value{0LL}};
    if (IsOpen())
      Run(formats_.GetConstant(format.Text()), std::span<const fortran::Value>(values, sizeof...(Args)));
  }
  // The same with a format chosen or built at run time.
  template <class... Args>
  void WriteBuilt(std::string_view format, const Args&... args) {
    const fortran::Value values[] = {fortran::detail::ToValue(args)..., fortran::Value{0LL}};
    WriteValues(format, std::span<const fortran::Value>(values, sizeof...(Args)));
  }
  void WriteValues(std::string_view format, std::span<const fortran::Value> values);
  void Put(const fortran::Records& records);

  // A whole record of plain text.
  void Line(std::string_view text);
  // Text appended to the open record; it stays open.
  void Append(std::string_view text);
  // Ends the open record (an empty record when none is open).
  void EndRecord();
  // A list-directed record.
  template <class... Args>
  void List(const Args&... args) {
    const fortran::Value values[] = {fortran::detail::ToValue(args)..., fortran::Value{0LL}};
    ListValues(std::span<const fortran::Value>(values, sizeof...(Args)));
  }
  void ListValues(std::span<const fortran::Value> values);

  // The open record, for writers that format straight into it (it stays
  // open); null when the unit writes nowhere.
  std::string* OpenRecord();

 private:
  void Run(const fortran::CompiledFormat& format, std::span<const fortran::Value> values);
  // A record a format run completes (the run empties the open record).
  void Complete(std::string_view record) override;
  void Emit(std::string_view text, bool end);
  // Ends the open record and hands it on.
  void Finish();
  // A whole record to the file or stream (and the copy).
  void Send(std::string_view record);

  RunFile* file_ = nullptr;
  std::ostream* stream_ = nullptr;
  int fd_ = -1;
  std::string pending_;
  bool has_pending_ = false;
  fortran::FormatLookup formats_;
};

}  // namespace darnek
