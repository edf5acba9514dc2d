// How a run ends early. Every early end unwinds to the entry point as one of
// these exceptions; none of them ever reaches the caller of the library.
#pragma once

#include <stdexcept>
#include <string>

namespace darnek {

// A data error that the report names (storage, station order, ...): the
// message is already in the report; the run ends through its normal end and
// the call still returns 0.
class DataError : public std::runtime_error {
 public:
  explicit DataError(const std::string& what) : std::runtime_error(what) {}
};

// A table that would outgrow the engine's storage, found where there is no
// report to write to: the driver writes the storage message and ends the run
// as for a DataError.
class StorageExceeded : public std::runtime_error {
 public:
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
};

// A fatal condition of the soil or earth-pressure computation: its warning is
// already written where it belongs; nothing more is written to any file, there
// is no "END OF ANALYSIS", and the call returns the stopped status.
class FatalStop : public std::runtime_error {
 public:
  explicit FatalStop(const std::string& what, int code = 0)
      : std::runtime_error(what), code_(code) {}
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
