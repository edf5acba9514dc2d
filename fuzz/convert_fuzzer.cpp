// `darnek convert` both ways on arbitrary bytes. As a record file: whatever
// converts to TOML must read back as records, and those records must convert
// to the same TOML again. As a TOML file: the records it converts to, once
// converted to TOML (the title cut to the 70 characters the records hold),
// must read back, and convert to the same TOML again. Every input ends
// in a conversion's own error, never in a crash, a sanitizer report, a hang,
// or a file that `convert` writes and then refuses to read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "core/errors.h"
#include "text_checks.h"
#include "toml/toml_input.h"

namespace {

namespace ti = darnek::toml_input;

[[noreturn]] void Refused(const char* what, const std::string& written, const std::exception& e) {
  std::fprintf(stderr, "%s, then refused it: %s\n----\n%s\n----\n", what, e.what(), written.c_str());
  std::abort();
}

std::string ToToml(const std::string& records) {
  std::istringstream in(records);
  return ti::RecordsToToml(in, "fuzz.dat");
}

void FromRecords(const std::string& text) {
  std::string toml;
  try {
    toml = ToToml(text);
  } catch (const std::exception&) {  // ConvertError, InputError and the reader's own errors
    return;
  }
  darnek::fuzz::CheckText(toml, "the TOML written");
  ti::Records records;
  try {
    records = ti::TomlToRecords(toml);
  } catch (const std::exception& e) {
    Refused("convert wrote TOML", toml, e);
  }
  std::string again;
  try {
    again = ToToml(records.Text);
  } catch (const std::exception& e) {
    Refused("convert wrote records from its own TOML", records.Text, e);
  }
  if (again != toml) {
    std::fprintf(stderr, "records -> TOML -> records -> TOML changed the TOML\n----\n%s\n----\n%s\n",
                 toml.c_str(), again.c_str());
    std::abort();
  }
}

void FromToml(const std::string& text) {
  ti::Records records;
  try {
    records = ti::TomlToRecords(text);
  } catch (const ti::TomlError&) {
    return;
  }
  std::string toml;
  try {
    toml = ToToml(records.Text);
  } catch (const ti::ConvertError&) {
    // Records that have no TOML form (a continuation value of their own)
    // are a conversion's own refusal, not a fault.
    return;
  } catch (const std::exception& e) {
    Refused("convert wrote records", records.Text, e);
  }
  darnek::fuzz::CheckText(toml, "the TOML written");
  // From here on the conversions must hold still.
  FromRecords(records.Text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  FromRecords(text);
  FromToml(text);
  return 0;
}
