// Range checks of values as they are read, and the warnings of the input.
#include "input/input_checks.h"

#include <cmath>

#include "core/errors.h"
#include "core/report_helpers.h"

namespace darnek::input {

void Warn(RunContext& ctx, const InputErrorPlace& place) {
  const std::string text = ctx.DescribeInput ? ctx.DescribeInput(place) : place.Message;
  ctx.Report.Write("( / 6X '**** WARNING ****' / 6X A )", text);
  ctx.Console.Line(" **** WARNING **** " + ctx.Names.Input + ", " + text);
}

void WarnLater(RunContext& ctx, const InputErrorPlace& place) { ctx.PendingWarnings.push_back(place); }

void WritePendingWarnings(RunContext& ctx) {
  for (const InputErrorPlace& place : ctx.PendingWarnings) Warn(ctx, place);
  ctx.PendingWarnings.clear();
}

void WarnNegativeCount(RunContext& ctx, const ListReader& reader, std::string_view record, size_t index,
                       std::string_view name, int count) {
  if (count >= 0) return;
  Warn(ctx, reader.Place(record, index, name,
                         "the count " + std::to_string(count) + " is negative and is read as none"));
}

InputErrorPlace ItemPlace(int line, const std::string& record, int item, std::string_view name,
                          const std::string& detail) {
  InputErrorPlace place;
  place.Line = line;
  place.Record = record;
  place.Item = item;
  place.ItemName = std::string(name);
  place.Detail = detail;
  place.Message = InputError::Compose(line, 0, record, item, place.ItemName, detail);
  place.LastLine = line;
  return place;
}

bool NearlyTwelveTimes(double value, double reference) {
  return reference > 0 && std::fabs(value - 12 * reference) <= 0.005 * 12 * reference;
}

namespace {

std::string Why(std::string_view why) { return why.empty() ? "" : " (" + std::string(why) + ")"; }

}  // namespace

void RecordCheck::Positive(size_t index, std::string_view name, double value, std::string_view why) const {
  if (!(value > 0)) Reject(index, name, "must be positive, found " + NumberText(value) + Why(why));
}

void RecordCheck::NotNegative(size_t index, std::string_view name, double value, std::string_view why) const {
  if (value < 0) Reject(index, name, "must not be negative, found " + NumberText(value) + Why(why));
}

void RecordCheck::Within(size_t index, std::string_view name, double value, double low, double high,
                         std::string_view unit, std::string_view why) const {
  if (value < low || value > high)
    Reject(index, name,
           "must lie from " + NumberText(low) + " to " + NumberText(high) + " " + std::string(unit) +
               ", found " + NumberText(value) + Why(why));
}

void RecordCheck::BelowRightAngle(size_t index, std::string_view name, double degrees,
                                  std::string_view why) const {
  if (!(degrees > -90 && degrees < 90))
    Reject(index, name, "must lie between -90 and 90 degrees, found " + NumberText(degrees) + Why(why));
}

}  // namespace darnek::input
