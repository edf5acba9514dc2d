// How an integer code of the input becomes its enum. Each code's enum
// specialises CodeTraits beside its definition (core/codes.h) with
//   static bool FromInt(int code, E& value);  // false: not one of its codes
//   static constexpr std::string_view kCodes;  // the codes and their meaning
// and the list-directed reader converts the code as it reads it, naming the
// line, record and item of a code it does not know.
#pragma once

namespace darnek {

template <class E>
struct CodeTraits;

}  // namespace darnek
