#include "core/plain_text.h"

namespace darnek {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xc0) == 0x80; }

}  // namespace

size_t CharacterAt(std::string_view text, size_t at) {
  const auto c = static_cast<unsigned char>(text[at]);
  if (c < 0x80) return 1;
  const size_t n = c >= 0xc2 && c <= 0xdf ? 2 : c >= 0xe0 && c <= 0xef ? 3 : c >= 0xf0 && c <= 0xf4 ? 4 : 0;
  if (n == 0 || at + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if (!IsContinuation(static_cast<unsigned char>(text[at + k]))) return 0;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  // Overlong forms, surrogates and code points beyond U+10FFFF.
  if ((c == 0xe0 && second < 0xa0) || (c == 0xed && second >= 0xa0) || (c == 0xf0 && second < 0x90) ||
      (c == 0xf4 && second >= 0x90))
    return 0;
  return n;
}

size_t CharacterCut(std::string_view text, size_t limit) {
  if (limit >= text.size()) return text.size();
  // The character that holds byte `limit` starts at most three bytes before it.
  size_t start = limit;
  while (start > 0 && limit - start < 3 && IsContinuation(static_cast<unsigned char>(text[start]))) --start;
  if (start == limit) return limit;
  const size_t n = CharacterAt(text, start);
  return n > 0 && start + n > limit ? start : limit;
}

std::string BlankControls(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (IsControl(c)) c = ' ';
  return out;
}

std::string Shown(std::string_view text, size_t limit) {
  const std::string_view kept = text.substr(0, CharacterCut(text, limit));
  std::string out;
  for (size_t i = 0; i < kept.size();) {
    const size_t n = CharacterAt(kept, i);
    if (n == 0 || (n == 1 && IsControl(kept[i])))
      out += '?';
    else
      out.append(kept, i, n);
    i += n == 0 ? 1 : n;
  }
  if (kept.size() < text.size()) out += "... (" + std::to_string(text.size()) + " bytes)";
  return out;
}

std::string ValidXmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t n = CharacterAt(text, i);
    if (n == 0) {
      out += "\xef\xbf\xbd";  // U+FFFD, the replacement character
      ++i;
      continue;
    }
    if (n == 1 && IsControl(text[i]) && text[i] != '\t' && text[i] != '\n' && text[i] != '\r')
      out += ' ';
    else
      out.append(text, i, n);
    i += n;
  }
  return out;
}

}  // namespace darnek
