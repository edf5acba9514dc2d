// The checks of values as they are read: ranges that a value must lie in,
// each rejection naming the input line, record and item, and the warnings for
// input that the run accepts but that was likely meant otherwise. Internal to
// the input subsystem.
#pragma once

#include <string>
#include <string_view>

#include "core/list_reader.h"
#include "core/run_context.h"

namespace darnek::input {

// A "**** WARNING ****" block in the report and one line on the console,
// naming the place in the words of the input's form; the run goes on.
void Warn(RunContext& ctx, const InputErrorPlace& place);

// The warnings of the first control line, which is read before the stage's
// heading: kept until the control echo has been written.
void WarnLater(RunContext& ctx, const InputErrorPlace& place);
void WritePendingWarnings(RunContext& ctx);

// The place of item `item` (1-based) of a record read earlier, which began on
// `line`, with what is wrong.
InputErrorPlace ItemPlace(int line, const std::string& record, int item, std::string_view name,
                          const std::string& detail);

// Whether `value` is 12 times `reference` within half a percent: a length in
// feet and one in inches, where English input mixes the two.
bool NearlyTwelveTimes(double value, double reference);

// A count that decides how many rows or records follow: a negative one is read
// as none, which the user is warned of (item `index` of the record just read).
void WarnNegativeCount(RunContext& ctx, const ListReader& reader, std::string_view record, size_t index,
                       std::string_view name, int count);

// The range checks of the record just read. Each rejects item `index`
// (0-based, as in the read's field list) with what was found and, when given,
// why the range holds.
class RecordCheck {
 public:
  RecordCheck(const ListReader& reader, std::string record) : reader_(reader), record_(std::move(record)) {}

  void Positive(size_t index, std::string_view name, double value, std::string_view why = {}) const;
  void NotNegative(size_t index, std::string_view name, double value, std::string_view why = {}) const;
  // From `low` to `high`, both included.
  void Within(size_t index, std::string_view name, double value, double low, double high,
              std::string_view unit, std::string_view why = {}) const;
  // An angle of degrees strictly between -90 and 90.
  void BelowRightAngle(size_t index, std::string_view name, double degrees, std::string_view why) const;
  [[noreturn]] void Reject(size_t index, std::string_view name, const std::string& what) const {
    reader_.RejectItem(record_, index, name, what);
  }
  std::string Where(size_t index, std::string_view name) const { return reader_.Where(record_, index, name); }
  InputErrorPlace Place(size_t index, std::string_view name, const std::string& detail) const {
    return reader_.Place(record_, index, name, detail);
  }

 private:
  const ListReader& reader_;
  std::string record_;
};

}  // namespace darnek::input
