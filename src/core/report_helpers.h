// Unit labels of the report and the number-writing operations that compose a
// report line field by field.
#pragma once

#include <string>
#include <string_view>

#include "core/output_unit.h"
#include "core/problem_data.h"

namespace darnek {

// Fills the label block: positive flag English, negative SI, zero neutral.
void SetUnitLabels(UnitLabels& labels, int unit_flag);

// The real number rule of the report: fixed point with as many decimals as
// `digits` significant digits need, exponent form (1P) outside the range.
// `low_exponent` is 1 for WriteReal and 3 for FormatRealInto. The field is
// exactly `width` characters, appended to `out`.
void AppendRealField(std::string& out, int width, int digits, double value, int low_exponent = 1);
std::string RealField(int width, int digits, double value, int low_exponent = 1);

// Line-composing operations: each appends to the open record of the unit.
void WriteReal(OutputUnit& unit, int width, int digits, double value);
void WriteInt(OutputUnit& unit, int width, int value);
void WriteBlanks(OutputUnit& unit, int n);
// A blank, the text in a field of `field` characters (256, 10 or 6), a blank.
void WriteText(OutputUnit& unit, std::string_view text, int field);
// The first n (1, 2 or 3) characters of the text.
void WriteChars(OutputUnit& unit, std::string_view text, int n);
void WriteTrimmedText(OutputUnit& unit, std::string_view text);
// One blank, then the end of the line.
void EndLine(OutputUnit& unit);

// Buffer operations: write into buffer[position, position+width) and advance.
void FormatRealInto(std::string& buffer, int width, int digits, double value, int& position);
void PadInto(std::string& buffer, int n, int& position);
void CopyInto(std::string& buffer, std::string_view text, int n, int& position);

// A number as a message shows it: as many digits as it needs, up to six.
std::string NumberText(double value);

// The texts of printf's %.*f, %.*e and %.*g in the C locale, whatever the
// process locale (no snprintf, no locale).
std::string FixedText(double value, int decimals);
std::string ScientificText(double value, int decimals);
std::string GeneralText(double value, int digits);

// Text without its trailing blanks.
std::string_view TrimRight(std::string_view text);
// The text blank-padded (or cut) to exactly n characters.
std::string PadRight(std::string_view text, size_t n);

}  // namespace darnek
