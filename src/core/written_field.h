// The value a reader gets back from a number field the engine has just
// written. The scratch files are read by the front end at their own
// precision, and the engine goes on with exactly those values; it takes them
// from the formatted text instead of reading its own files back.
#pragma once

#include <string_view>

namespace darnek {

// The field's value as list-directed input reads it (blanks around it
// skipped); false when the field holds no number (a field of asterisks).
bool ReadWrittenField(std::string_view field, double& value);

// The field's value, checked as list-directed input checks a real: a field
// that holds no number, an infinity or a NaN, or a magnitude of 1E+100 or
// more throws InputError naming the file's line, the record and its item.
double ReadWrittenReal(std::string_view field, int line, const char* record, int item, const char* item_name);

}  // namespace darnek
