#include "driver/names_file.h"

#include <fstream>

#include "report/report_helpers.h"

namespace darnek {
namespace {

bool ReadLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// A name is the whole line up to 255 characters; trailing blanks are not part of it.
std::string Name(const std::string& line) { return std::string(TrimRight(line.substr(0, 255))); }

}  // namespace

NamesFile ReadNamesFile(const std::string& path) {
  NamesFile names;
  std::ifstream in(path);
  std::string line;
  if (!in || !ReadLine(in, line)) return names;
  names.version_text = PadRight(line, 12);
  for (int i = 0; i < 3; ++i)
    if (!ReadLine(in, line)) return names;
  std::string* targets[] = {&names.files.input,   &names.files.report,     &names.files.plot,
                            &names.files.run_log, &names.files.py_scratch, &names.files.pressure_scratch};
  for (std::string* target : targets) {
    if (!ReadLine(in, line)) return names;
    *target = Name(line);
  }
  names.complete = true;
  return names;
}

}  // namespace darnek
