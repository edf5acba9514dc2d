// What every text the tool writes must be, checked by the fuzz targets: no
// control character other than tab and the line ends; valid UTF-8 besides
// for the pictures, the page and the messages (the report keeps the bytes of
// its code page, such as the phi of a silt's curve heading); no "nan" or
// "inf" where a picture wants a number.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace darnek::fuzz {

[[noreturn]] inline void Broken(const char* what, std::string_view text, size_t at) {
  const size_t from = at > 40 ? at - 40 : 0;
  std::fprintf(stderr, "%s at byte %zu: ...%.*s...\n", what, at,
               static_cast<int>(std::min<size_t>(80, text.size() - from)), text.data() + from);
  std::abort();
}

// No control characters but tab, line feed and carriage return.
inline void CheckNoControls(std::string_view text, const char* what) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f) Broken(what, text, i);
  }
}

// Valid UTF-8 (no lone or cut sequences, no overlong forms or surrogates)
// without control characters but tab, line feed and carriage return.
inline void CheckText(std::string_view text, const char* what) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f) Broken(what, text, i);
      ++i;
      continue;
    }
    const size_t n = c >= 0xc2 && c <= 0xdf ? 1 : c >= 0xe0 && c <= 0xef ? 2 : c >= 0xf0 && c <= 0xf4 ? 3 : 0;
    if (n == 0 || i + n >= text.size()) Broken(what, text, i);
    unsigned code = c & (0x3f >> n);
    for (size_t k = 1; k <= n; ++k) {
      const auto t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xc0) != 0x80) Broken(what, text, i);
      code = (code << 6) | (t & 0x3f);
    }
    if ((n == 2 && code < 0x800) || (n == 3 && (code < 0x10000 || code > 0x10ffff)) ||
        (code >= 0xd800 && code <= 0xdfff))
      Broken(what, text, i);
    i += n + 1;
  }
}

// An SVG or HTML text: as above, and no coordinate or label that is not a number.
inline void CheckPicture(std::string_view text, const char* what) {
  CheckText(text, what);
  for (std::string_view bad : {"=\"nan", "=\"-nan", "=\"inf", "=\"-inf", " nan ", " inf ", ",nan", ",inf"})
    if (const size_t at = text.find(bad); at != std::string_view::npos) Broken(what, text, at);
}

}  // namespace darnek::fuzz
