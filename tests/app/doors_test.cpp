// The doors of the tool other than the engine's own six files: what comes in
// (devices, the size and line limits, text) and what a failure reads as.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>

#include "core/input_file.h"
#include "core/plain_text.h"
#include "driver/run.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"
#include "toml/toml_input.h"

namespace darnek {
namespace {

namespace fs = std::filesystem;

std::string Tool(const std::string& args, int* status) {
  return testing::RunCommand(std::string("timeout 20 '") + DARNEK_TOOL_PATH + "' " + args + " 2>&1", status);
}

std::string Example(const std::string& name) {
  return testing::ReadFile((fs::path(DARNEK_SOURCE_DIR) / "examples" / name).string());
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A FIFO or a device is refused at once by every reader of whole files, and
// a file beyond the limits is refused with the line or size named; nothing
// waits, nothing grows without end.
TEST(Doors, DevicesAndLimitsAreRefusedAtOnce) {
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("fifo.toml").c_str(), 0600), 0);
  int status = -1;
  for (const std::string& input : {std::string("/dev/zero"), dir.File("fifo.toml")}) {
    SCOPED_TRACE(input);
    const WholeInput in = ReadInputFile("input file", input);
    EXPECT_FALSE(in.Opened);
    EXPECT_TRUE(Has(in.Problem, "the input file " + input + " is not a regular file")) << in.Problem;
    // A TOML input that never ends, given to `run` as a .toml name.
    fs::create_symlink(input, dir.path() / "as.toml");
    std::string out = Tool("run '" + dir.File("as.toml") + "' --out '" + dir.File("out") + "'", &status);
    EXPECT_EQ(status, DARNEK_HANDOFF_FAILED) << out;
    EXPECT_TRUE(Has(out, "is not a regular file")) << out;
    out = Tool("convert '" + dir.File("as.toml") + "' -o '" + dir.File("c.dat") + "'", &status);
    EXPECT_EQ(status, 8) << out;
    out = Tool("plot '" + input + "' --out '" + dir.File("p") + "'", &status);
    EXPECT_EQ(status, 8) << out;
    EXPECT_TRUE(Has(out, "is not a regular file")) << out;
    fs::remove(dir.path() / "as.toml");
  }

  // One line beyond 64 KiB: its number is named; the text is not kept.
  dir.Write("long.toml", "units = \"si\"\n# " + std::string(kMaxLineLength, 'x') + "\n");
  const WholeInput in = ReadInputFile("input file", dir.File("long.toml"));
  EXPECT_EQ(in.Problem,
            "the input file " + dir.File("long.toml") + ", line 2: the line is longer than 65536 characters");
  EXPECT_TRUE(in.Opened && in.Text.empty());
  const std::string out = Tool("run '" + dir.File("long.toml") + "'", &status);
  EXPECT_EQ(status, DARNEK_INPUT_REJECTED);
  EXPECT_TRUE(Has(out, "long.toml, line 2, column 1: the line is longer than 65536 characters")) << out;
  RunFile file;
  ASSERT_EQ(file.Open("input file", dir.File("long.toml"), RunFile::Kind::Input), "");
  EXPECT_EQ(ReadWholeInput(file, LineLimit::Unchecked, 1000).Detail,
            "is larger than 1000 bytes, far more than any input holds");
  EXPECT_EQ(ReadWholeInput(file, LineLimit::Unchecked).Text.size(), kMaxLineLength + 16);
}

// Titles and names cut on a character, control characters kept out, values
// echoed as a prefix; every picture of such a run parses as XML elsewhere
// (tests/python/test_doors.py).
TEST(Doors, TextIsCutOnACharacterAndLongValuesAreEchoedShort) {
  const std::string title =
      "Baugrube M\xc3\xbcller" + std::string(53, 'x') + "\xc3\x9f" + "e";  // byte 70 in ß
  ASSERT_EQ(title.substr(69, 2), "\xc3\x9f");
  EXPECT_EQ(CharacterCut(title, 70), 69u);
  EXPECT_EQ(CharacterCut(title, 69), 69u);
  EXPECT_EQ(CharacterCut(title, 71), 71u);
  EXPECT_EQ(CharacterCut("Stra\xdf"
                         "e",
                         5),
            5u);  // Latin-1: each byte a character
  EXPECT_EQ(CharacterCut("\xe2\x82\xac\xe2\x82\xac", 4), 3u);
  EXPECT_EQ(Shown(std::string(100, 'k')), std::string(40, 'k') + "... (100 bytes)");
  EXPECT_EQ(Shown("a\x07"
                  "b"),
            "a?b");
  EXPECT_EQ(ValidXmlText("Stra\xdf"
                         "e\x01\xc3\x9f"),
            "Stra\xef\xbf\xbd"
            "e \xc3\x9f");

  // In a run: the report's title line holds "Müller" and no half of "ß".
  std::string toml = Example("cantilever_sand.toml");
  const size_t at = toml.find("title = \"") + 9;
  toml.replace(at, toml.find('"', at) - at, title);
  const auto run = testing::RunText(toml_input::TomlToRecords(toml).Text);
  EXPECT_EQ(run.Result.Status, DARNEK_OK) << run.Result.Message;
  EXPECT_TRUE(Has(run.Report, title.substr(0, 69) + " ")) << run.Report.substr(0, 400);
  EXPECT_FALSE(Has(run.Report, title.substr(0, 70)));

  testing::TempDir dir;
  int status = -1;
  const std::string records =
      testing::Replace(Example("cantilever_sand.dat"), "CANTILEVER", "BELL\x07\x1b[31m");
  dir.Write("bell.dat", records);
  Tool("run '" + dir.File("bell.dat") + "'", &status);
  EXPECT_EQ(status, DARNEK_OK);
  EXPECT_TRUE(Has(dir.Read("bell.out"), "BELL  [31m SHEET-PILE"));
  std::string bell_toml = Example("cantilever_sand.toml");
  bell_toml.replace(bell_toml.find("CANTILEVER"), 10, "BELL\\u0007");
  dir.Write("bell.toml", bell_toml);
  std::string out = Tool("run '" + dir.File("bell.toml") + "'", &status);
  EXPECT_EQ(status, DARNEK_INPUT_REJECTED);
  EXPECT_TRUE(Has(out,
                  "line 6, column 9: stage 1, title: a text without control characters is expected, "
                  "found character 7 at byte 5"))
      << out;

  // TOML keeps characters that are not ASCII to texts and comments; one
  // elsewhere is refused where it stands (the TOML library would meet it
  // with undefined behaviour).
  try {
    toml_input::TomlToRecords("units = \"si\" # m\xc2\xb2\n[[st\xc3\xa4ge]]\n");
    ADD_FAILURE() << "accepted";
  } catch (const toml_input::TomlError& e) {
    EXPECT_EQ(std::string(e.what()).substr(0, 19), "line 2, column 5: a") << e.what();
  }

  // A value or key of 60000 bytes is echoed as 40 of them and its length.
  // (Below the 64 KiB a line may hold: a longer line is refused as such.)
  const std::string big(60000, 'q');
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"units = \"english\"", "units = \"" + big + "\""},
        {"type = \"sand\"", "type = \"" + big + "\""},
        {"shape = \"sheet_piling\"", "shape = \"" + big + "\""},
        {"units = \"english\"", big + " = 1\nunits = \"english\""}}) {
    dir.Write("big.toml", testing::Replace(Example("cantilever_sand.toml"), from, to));
    out = Tool("run '" + dir.File("big.toml") + "'", &status);
    EXPECT_EQ(status, DARNEK_INPUT_REJECTED) << out.substr(0, 300);
    EXPECT_LT(out.size(), 1000u) << out.substr(0, 300);
    EXPECT_TRUE(Has(out, std::string(40, 'q') + "... (60000 bytes)")) << out.substr(0, 300);
  }
}

// A run that gives no answer fails, whatever the door and the stage mode:
// the tool's status, batch's count and summary row; IDARNEK alone keeps the
// hand-off's 0 and the report is as it was.
TEST(Doors, EveryFailureHasAStatusAndAReason) {
  const std::string sand = Example("cantilever_sand.dat");
  const std::string clay = Example("anchored_soft_clay_si.dat");
  const struct {
    const char* Name;
    std::string Input;
    int Status;
    std::string Message;
  } cases[] = {
      {"short.dat",
       testing::Replace(testing::Replace(sand, "70 6.0 12.0 0.0001 168.0 12.0 420.0",
                                         "34 6.0 12.0 0.0001 168.0 12.0 204.0"),
                        "0.0 35.0 1", "0.0 17.0 1"),
       DARNEK_ANALYSIS_FAILED, "stage 1: maximum allowable deflection exceeded"},
      {"deep.dat", testing::Replace(clay, "\n1.5 0.00070", "\n20.0 0.00070"), DARNEK_INPUT_REJECTED,
       "stage 1, line 13: ERROR -- NON-ZERO TABLE 4 DATA BEYOND END (the report ends there)"},
  };
  testing::TempDir dir;
  std::ostringstream console;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    for (const bool memory : {false, true}) {
      RunOptions options;
      options.StageMemory = memory;
      const auto run = testing::RunText(c.Input, options, c.Name);
      EXPECT_EQ(run.Result.Status, c.Status);
      EXPECT_TRUE(Has(run.Result.Message, c.Message)) << run.Result.Message;
      // What the hand-off returns, with the same report.
      options.Files = FileNames{dir.File(c.Name),     dir.File("wall.out"),       dir.File("wall.plt"),
                                dir.File("wall.log"), dir.File("wall.pyscratch"), dir.File("wall.epscratch")};
      options.InputText = c.Input;
      options.Clock = testing::FixedClock;
      options.VersionText = "TEST";
      options.Console = &console;
      const RunResult hand_off = RunWith(options, {});
      EXPECT_EQ(hand_off.Status, memory && c.Status == DARNEK_ANALYSIS_FAILED ? c.Status : DARNEK_OK)
          << hand_off.Message << console.str();
      EXPECT_EQ(testing::MaskVariableLines(dir.Read("wall.out")), testing::MaskVariableLines(run.Report));
    }
    dir.Write(c.Name, c.Input);
    int status = -1;
    const std::string out = Tool("run '" + dir.File(c.Name) + "'", &status);
    EXPECT_EQ(status, c.Status) << out;
    EXPECT_TRUE(Has(out, c.Message)) << out;
  }

  // batch counts them failed and its summary says why.
  dir.Write("good.dat", sand);
  int status = -1;
  const std::string out =
      Tool("batch '" + dir.File("good.dat") + "' '" + dir.File("short.dat") + "' '" + dir.File("deep.dat") +
               "' --jobs 1 --summary '" + dir.File("sum.csv") + "'",
           &status);
  EXPECT_EQ(status, DARNEK_ANALYSIS_FAILED) << out;
  EXPECT_TRUE(Has(out, "3 inputs: 1 succeeded, 2 failed")) << out;
  const std::string summary = dir.Read("sum.csv");
  EXPECT_TRUE(Has(summary, dir.File("short.dat") + ",6,stage 1: maximum allowable deflection exceeded,1,"))
      << summary;
  EXPECT_TRUE(Has(summary, dir.File("deep.dat") + ",3,\"stage 1, line 13: ERROR")) << summary;

  // A continuation value that ends the run early is warned of; an unload
  // factor without stage memory is refused as on the command line.
  std::string early = testing::Replace(sand, "1 0 1 1 0 2 2 0 1 0 0 0", "1 0 1 1 0 2 2 0 999999999 0 0 0");
  early.replace(early.rfind("1\n"), 2, "0\n");
  const auto warned = testing::RunText(early);
  EXPECT_EQ(warned.Result.Status, DARNEK_OK);
  EXPECT_TRUE(Has(warned.Console,
                  "the value 0 ends the run after stage 1, but NumStages declares 999999999 "
                  "stages: the rest are not analysed"))
      << warned.Console;
  dir.Write("unload.toml", "unload_factor = 0.5\n" + Example("cantilever_sand.toml"));
  const std::string refused = Tool("run '" + dir.File("unload.toml") + "'", &status);
  EXPECT_EQ(status, DARNEK_INPUT_REJECTED);
  EXPECT_TRUE(Has(refused,
                  "unload.toml, line 1, column 1: unload_factor: needs `stage_memory = true` (as "
                  "--unload-factor needs --stage-memory)"))
      << refused;
}

// plot refuses what no picture can place, and a file with nothing to draw,
// naming the line (status 9).
TEST(Doors, PlotRefusesValuesThatAreNotNumbersAndEmptyFiles) {
  testing::TempDir dir;
  dir.Write("wall.dat", Example("cantilever_sand.dat"));
  int status = -1;
  Tool("run '" + dir.File("wall.dat") + "'", &status);
  ASSERT_EQ(status, 0);
  const std::string plot = dir.Read("wall.plt");
  // The first station row: the first line of seven values.
  std::istringstream lines(plot);
  size_t row = 0;
  int line = 0;
  for (std::string text; std::getline(lines, text); row += text.size() + 1) {
    ++line;
    std::istringstream values(text);
    if (std::distance(std::istream_iterator<std::string>(values), std::istream_iterator<std::string>()) == 7)
      break;
  }
  for (const char* bad : {"NaN", "Infinity", "1.0E+308"}) {
    SCOPED_TRACE(bad);
    std::string text = plot;
    const size_t value = text.find_first_not_of(' ', row);
    text.replace(value, text.find(' ', value) - value, bad);
    dir.Write("bad.plt", text);
    const std::string out = Tool("plot '" + dir.File("bad.plt") + "'", &status);
    EXPECT_EQ(status, 9) << out;
    EXPECT_TRUE(Has(out, "bad.plt, line " + std::to_string(line) + ": station row 1: value 1 ")) << out;
  }
  for (const std::string& empty : {std::string(), std::string("\n\n  \n")}) {
    dir.Write("empty.plt", empty);
    const std::string out = Tool("plot '" + dir.File("empty.plt") + "'", &status);
    EXPECT_EQ(status, 9) << out;
    EXPECT_TRUE(Has(
        out, "empty.plt, line " + std::to_string(empty.empty() ? 1 : 3) + ": the file holds no plot data"))
        << out;
  }
}

}  // namespace
}  // namespace darnek
