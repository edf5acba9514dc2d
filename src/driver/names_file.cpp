#include "driver/names_file.h"

#include "core/errors.h"
#include "core/list_reader.h"
#include "core/report_helpers.h"
#include "core/run_file.h"

namespace darnek {

NamesFile ReadNamesFile(const std::string& path) {
  NamesFile names;
  RunFile file;
  const std::string opened = file.Open("hand-off file", path, RunFile::Kind::Input);
  if (!opened.empty()) {
    names.Problem = "the hand-off file " + path + " " + opened;
    return names;
  }
  std::string* targets[] = {&names.Files.Input,  &names.Files.Report,    &names.Files.Plot,
                            &names.Files.RunLog, &names.Files.PyScratch, &names.Files.PressureScratch};
  try {
    RunFileLines in(file);
    std::string line;
    for (int number = 1; number <= 10; ++number) {
      const LineRead read = in.Next(line);
      const std::string where = "the hand-off file " + path + ", line " + std::to_string(number);
      if (read == LineRead::End) {
        names.Problem = where + ": the file ends here; lines 5 to 10 must name the six files of the run";
        return names;
      }
      if (read == LineRead::TooLong) {
        names.Problem = where + ": the line is longer than " + std::to_string(kMaxLineLength) + " characters";
        return names;
      }
      if (number == 1) names.VersionText = PadRight(line, 12);
      if (number < 5) continue;
      // A name is the whole line; trailing blanks are not part of it.
      const std::string_view name = TrimRight(line);
      if (name.size() > kMaxHandOffName) {
        names.Problem = where + ": the name has " + std::to_string(name.size()) +
                        " characters; a name may have at most " + std::to_string(kMaxHandOffName);
        return names;
      }
      *targets[number - 5] = std::string(name);
    }
  } catch (const FileFailed& e) {
    names.Problem = e.what();
    return names;
  }
  names.Complete = true;
  return names;
}

}  // namespace darnek
