// Feeds arbitrary bytes to the TOML reader as an input file, runs whatever it
// accepts with every output in memory, and draws the pictures of the run.
// Every input must end in a TomlError or a status, never in a crash, a
// sanitizer report or a hang; messages, the report, the run log and every
// picture must be text (text_checks.h), and a message must not echo a long
// value whole.
#include <cstdint>
#include <sstream>
#include <string>

#include "darnek/pictures.h"
#include "driver/run.h"
#include "text_checks.h"
#include "toml/toml_input.h"

namespace {

// A message names the line and a short prefix of the value, never all of it.
constexpr size_t kLongestMessage = 2000;

void CheckMessage(const std::string& message) {
  darnek::fuzz::CheckText(message, "a message");
  if (message.size() > kLongestMessage) darnek::fuzz::Broken("a message this long", message, kLongestMessage);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace ti = darnek::toml_input;
  const std::string text(reinterpret_cast<const char*>(data), size);
  darnek::RunOptions options;
  options.Files =
      darnek::FileNames{"fuzz.toml", "fuzz.out", "fuzz.plt", "fuzz.log", "fuzz.pyscratch", "fuzz.epscratch"};
  options.VersionText = "FUZZ";
  options.Clock = [] { return std::tm{}; };
  options.Outputs = {darnek::OutputMode::Memory, darnek::OutputMode::Memory, darnek::OutputMode::Memory,
                     darnek::OutputMode::Discard, darnek::OutputMode::Discard};
  std::shared_ptr<const ti::Records> records;
  try {
    records = std::make_shared<const ti::Records>(ti::TomlToRecords(text));
  } catch (const ti::TomlError& e) {
    CheckMessage(e.what());
    return 0;
  }
  options.InputText = records->Text;
  options.StageMemory = records->StageMemory;
  options.UnloadFactor = records->UnloadFactor;
  options.CurveSpacing = records->CurveSpacing;
  // Strength reduction runs every stage many times over: the checks are
  // fuzzed by what they are given, not by running them here.
  options.DescribeInputError = [records](const darnek::InputErrorPlace& place) {
    return ti::DescribeInTomlTerms(*records, place);
  };
  std::ostringstream console;
  options.Console = &console;
  darnek::RunLimits limits;
  limits.IterationCap = 60;
  const darnek::RunResult result = darnek::RunWith(options, {}, limits);
  CheckMessage(result.Message);
  darnek::fuzz::CheckText(console.str(), "the console");
  darnek::fuzz::CheckNoControls(result.Outputs.Report, "the report");
  darnek::fuzz::CheckNoControls(result.Outputs.RunLog, "the run log");
  darnek::pictures::PictureOptions pictures = darnek::pictures::OptionsFromRun(result);
  pictures.Title = "fuzz.toml";
  try {
    const darnek::pictures::PictureTexts drawn =
        darnek::pictures::DrawPlotData(result.Outputs.Plot, pictures, true);
    for (const darnek::pictures::StagePictures& s : drawn.Stages)
      for (const std::string* svg : {&s.Wall, &s.Pressure, &s.NetPressure, &s.PyCurves})
        darnek::fuzz::CheckPicture(*svg, "a stage picture");
    darnek::fuzz::CheckPicture(drawn.Envelope, "all-stages.svg");
    darnek::fuzz::CheckPicture(drawn.Page, "report.html");
  } catch (const darnek::pictures::PlotFileError& e) {
    CheckMessage(e.what());
  }
  return 0;
}
