#include "core/report_helpers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/plain_text.h"

namespace darnek {

void SetUnitLabels(UnitLabels& labels, int unit_flag) {
  if (unit_flag > 0) {
    labels = {" IN", " LBS", "IN", "LBS", "IN", "LBS", " FT     ", "FT      "};
  } else if (unit_flag < 0) {
    labels = {"  M", "  KN", " M", " KN", "MM", " KN", "  M     ", " M      "};
  } else {
    labels = {"  L", "   F", " L", "  F", " L", "  F", "  L     ", " L      "};
  }
}

namespace {

// 10**n in single precision, as the thresholds of the rule are formed.
double SinglePrecisionPowerOfTen(int n) {
  float p = 1.0f;
  for (int i = 0; i < std::abs(n); ++i) p *= 10.0f;
  return n < 0 ? static_cast<double>(1.0f / p) : static_cast<double>(p);
}

}  // namespace

void AppendRealField(std::string& out, int width, int digits, double value, int low_exponent) {
  const double magnitude = std::fabs(value);
  if (value == 0 || magnitude < 1e-50) return fortran::AppendF(out, width, digits, 0.0);
  if (magnitude > SinglePrecisionPowerOfTen(low_exponent - digits) &&
      magnitude < SinglePrecisionPowerOfTen(digits)) {
    int k = static_cast<int>(std::log10(magnitude));  // truncated toward zero
    if (k < 0) k -= 1;
    const int decimals = digits - k;
    if (decimals <= digits + 2) return fortran::AppendF(out, width, decimals, value);
  }
  fortran::AppendE(out, width, digits, value, 1);
}

std::string RealField(int width, int digits, double value, int low_exponent) {
  std::string field;
  AppendRealField(field, width, digits, value, low_exponent);
  return field;
}

void WriteReal(OutputUnit& unit, int width, int digits, double value) {
  if (std::string* record = unit.OpenRecord()) AppendRealField(*record, width, digits, value);
}

void WriteInt(OutputUnit& unit, int width, int value) {
  if (std::string* record = unit.OpenRecord()) fortran::AppendI(*record, width, value);
}

void WriteBlanks(OutputUnit& unit, int n) {
  if (n < 1) return;
  if (std::string* record = unit.OpenRecord()) record->append(static_cast<size_t>(n), ' ');
}

void WriteText(OutputUnit& unit, std::string_view text, int field) {
  std::string* record = unit.OpenRecord();
  if (!record) return;
  const size_t n = static_cast<size_t>(std::max(field, 0));
  *record += ' ';
  record->append(text.substr(0, std::min(n, text.size())));
  record->append(n - std::min(n, text.size()), ' ');
  *record += ' ';
}

void WriteChars(OutputUnit& unit, std::string_view text, int n) {
  std::string* record = unit.OpenRecord();
  if (!record) return;
  const size_t count = static_cast<size_t>(std::max(n, 0));
  record->append(text.substr(0, std::min(count, text.size())));
  record->append(count - std::min(count, text.size()), ' ');
}

void WriteTrimmedText(OutputUnit& unit, std::string_view text) { unit.Append(TrimRight(text)); }

void EndLine(OutputUnit& unit) {
  unit.Append(" ");
  unit.EndRecord();
}

void FormatRealInto(std::string& buffer, int width, int digits, double value, int& position) {
  if (width < 1) return;
  const size_t at = static_cast<size_t>(position);
  const size_t end = at + static_cast<size_t>(width);
  if (buffer.size() < end) buffer.resize(end, ' ');
  // The field is formatted past the end of the buffer and moved into place.
  const size_t size = buffer.size();
  AppendRealField(buffer, width, digits, value, 3);
  std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(size), buffer.end(),
            buffer.begin() + static_cast<std::ptrdiff_t>(at));
  buffer.resize(size);
  position += width;
}

void PadInto(std::string& buffer, int n, int& position) { CopyInto(buffer, "", n, position); }

void CopyInto(std::string& buffer, std::string_view text, int n, int& position) {
  if (n < 1) return;
  const size_t end = static_cast<size_t>(position) + static_cast<size_t>(n);
  if (buffer.size() < end) buffer.resize(end, ' ');
  const std::string field = PadRight(text, static_cast<size_t>(n));
  buffer.replace(static_cast<size_t>(position), static_cast<size_t>(n), field);
  position += n;
}

namespace {

std::string CharsText(double value, std::chars_format format, int precision) {
  // Room for the 309 digits before the point of the largest double.
  std::string text(330 + static_cast<size_t>(std::max(precision, 0)), '\0');
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value, format, precision);
  text.resize(result.ec == std::errc() ? static_cast<size_t>(result.ptr - text.data()) : 0);
  return text;
}

}  // namespace

std::string FixedText(double value, int decimals) {
  return CharsText(value, std::chars_format::fixed, decimals);
}

std::string ScientificText(double value, int decimals) {
  return CharsText(value, std::chars_format::scientific, decimals);
}

std::string GeneralText(double value, int digits) {
  return CharsText(value, std::chars_format::general, digits);
}

std::string NumberText(double value) { return GeneralText(value, 6); }

std::string_view TrimRight(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}

std::string PadRight(std::string_view text, size_t n) {
  std::string out(text.substr(0, CharacterCut(text, n)));
  out.resize(n, ' ');
  return out;
}

}  // namespace darnek
