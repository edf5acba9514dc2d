// The TOML form of the input: every example runs the same from TOML as from
// its records, errors name TOML keys and lines, and the reference document
// is the one the field table writes.
#include "toml/toml_input.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "support/run_helper.h"
#include "support/temp_dir.h"
#include "toml/field_table.h"
#include "toml/unit_text.h"

namespace darnek {
namespace {

namespace fs = std::filesystem;
using toml_input::Records;
using toml_input::RecordsToToml;
using toml_input::TomlError;
using toml_input::TomlToRecords;

const fs::path kSource(DARNEK_SOURCE_DIR);

struct Outputs {
  RunResult Result;
  std::string Report, Plot, Log;
};

// Runs `input` (records, or TOML by its extension) in a folder of its own.
Outputs RunFile(const fs::path& input) {
  const fs::path dir = input.parent_path() / ("out-" + input.filename().string());
  fs::create_directories(dir);
  const std::string stem = input.stem().string();
  RunOptions options;
  options.Files = FileNames{input.string(),
                            (dir / (stem + ".out")).string(),
                            (dir / (stem + ".plt")).string(),
                            (dir / (stem + ".log")).string(),
                            (dir / (stem + ".pyscratch")).string(),
                            (dir / (stem + ".epscratch")).string()};
  options.VersionText = "TEST";
  options.Clock = testing::FixedClock;
  std::ostringstream console;
  options.Console = &console;
  if (toml_input::IsTomlPath(input.string())) toml_input::PrepareTomlRun(options);
  Outputs out;
  out.Result = Run(options);
  out.Report = testing::ReadFile((dir / (stem + ".out")).string());
  out.Plot = testing::ReadFile((dir / (stem + ".plt")).string());
  out.Log = testing::ReadFile((dir / (stem + ".log")).string());
  return out;
}

// The report with the input file's name made that of the record file.
std::string SameName(const std::string& report, const std::string& stem) {
  return std::regex_replace(testing::MaskVariableLines(report),
                            std::regex("(Name of input data file     : " + stem + ")\\.toml"), "$1.dat");
}

// The first line where two texts differ, or nothing.
std::string FirstDifference(const std::string& a, const std::string& b) {
  std::istringstream x(a), y(b);
  std::string p, q;
  for (int line = 1;; ++line) {
    const bool more_x = static_cast<bool>(std::getline(x, p));
    const bool more_y = static_cast<bool>(std::getline(y, q));
    if (!more_x && !more_y) return a.size() == b.size() ? "" : "the texts end differently";
    if (more_x != more_y || p != q) return "line " + std::to_string(line) + ":\n  " + p + "\n  " + q;
  }
}

void ExpectSameRun(const Outputs& records, const Outputs& toml, const std::string& stem) {
  EXPECT_EQ(records.Result.Status, toml.Result.Status) << toml.Result.Message;
  EXPECT_EQ(FirstDifference(testing::MaskVariableLines(records.Report), SameName(toml.Report, stem)), "");
  EXPECT_EQ(FirstDifference(records.Plot, toml.Plot), "");
  EXPECT_EQ(FirstDifference(records.Log, toml.Log), "");
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Every example, converted to TOML and run from it, gives the report, plot
// and run log of its records; so does the TOML stored beside it; and a record
// file whose '/' leave values of the previous stage converts to a TOML that
// states them.
TEST(TomlInput, EveryExampleRunsTheSameFromItsTomlForm) {
  std::vector<std::pair<std::string, std::string>> cases;
  for (const auto& e : fs::directory_iterator(kSource / "examples"))
    if (e.path().extension() == ".dat")
      cases.push_back({e.path().stem().string(), testing::ReadFile(e.path().string())});
  std::sort(cases.begin(), cases.end());
  ASSERT_GE(cases.size(), 9u);
  std::string slashed = cases.front().second;
  ASSERT_EQ(cases.front().first, "all_records_english");
  slashed =
      Replace(slashed,
              "1\nANCHORED WALL, STAGE 2: EXCAVATE TO 20 FT WITH A SECOND ANCHOR\n1 0 4 4 0 3 2 0 2 1 2 1\n"
              "80 6.0 10.0 0.001 240.0 12.0 480.0 100 0 0\n",
              "1\nANCHORED WALL, STAGE 2: EXCAVATE TO 20 FT WITH A SECOND ANCHOR\n1 0 4 4 0 3 2 0 2 1 2 1\n"
              "80 6.0 /\n");
  slashed = Replace(slashed, "22 4 0.8 1.0\n", "22 4 0.8 /\n");
  // Quotes in texts, repeat counts, commas and values past the end of a record.
  slashed = Replace(slashed, "'PZ 27'\n18.0 0.0 18.0 12.0 0.0 0.0 0.375 0.375",
                    "'O''NEIL \"PZ\" 27'\n18.0,0.0,18.0 12.0 2*0.0 0.375 0.375");
  slashed = Replace(slashed, "0.0 1 5\n", "0.0, 1, 5 not read\n");
  cases.push_back({"slashed", slashed});

  for (const auto& [stem, dat] : cases) {
    SCOPED_TRACE(stem);
    testing::TempDir dir;
    std::istringstream in(dat);
    const std::string toml = RecordsToToml(in, stem + ".dat");
    // Back to records and to TOML again: nothing is lost on the way.
    const Records records = TomlToRecords(toml);
    std::istringstream again(records.Text);
    EXPECT_EQ(RecordsToToml(again, stem + ".dat"), toml);

    dir.Write(stem + ".dat", dat);
    dir.Write(stem + ".toml", toml);
    const Outputs from_records = RunFile(dir.path() / (stem + ".dat"));
    ASSERT_EQ(from_records.Result.Status, DARNEK_OK) << from_records.Result.Message;
    ExpectSameRun(from_records, RunFile(dir.path() / (stem + ".toml")), stem);

    const fs::path stored = kSource / "examples" / (stem + ".toml");
    if (stem == "slashed") {
      // Stage 2 states what its '/' kept from stage 1.
      const size_t stage2 = toml.find("# Stage 2");
      ASSERT_NE(stage2, std::string::npos);
      EXPECT_NE(toml.find("max_deflection = 10.0", stage2), std::string::npos);
      EXPECT_NE(toml.find("dividing_depth = 120.0", stage2), std::string::npos);
      continue;
    }
    ASSERT_TRUE(fs::exists(stored)) << "every example is also kept as TOML";
    fs::create_directories(dir.path() / "stored");
    fs::copy_file(stored, dir.path() / "stored" / (stem + ".toml"));
    ExpectSameRun(from_records, RunFile(dir.path() / "stored" / (stem + ".toml")), stem);
  }
}

const char* const kWall = R"(# A cantilever in sand.
units = "english"

[[stage]]
title = "CANTILEVER"
earth_pressure = "generated"
py_curves = "generated"
increments = 70
increment_length = 6.0
max_deflection = 12.0
deflection_tolerance = 0.0001
dividing_depth = 168.0
result_width = 12.0
wall_height = 420.0
max_iterations = 100

[[stage.wall_section]]
top = 0.0
bottom = 35.0
cross_section = 1

[[stage.cross_section]]
name = "PZ 27"
shape = "sheet_piling"
moment_of_inertia = 184.2
elastic_modulus = 29.0e6

[stage.ground]
excavation_depth = 168.0
earth_pressure_width = 12.0
soil_resistance_width = 12.0
water_depth_backfill = 1000.0
water_depth_excavation = 1000.0

[[stage.soil_layer]]
type = "sand"
bottom_depth = 300.0
unit_weight = 0.0694
friction_angle_deg = 32.0
subgrade_modulus = 90.0

[[stage.soil_layer]]
type = "sand"
bottom_depth = 600.0
unit_weight = 0.0694
friction_angle_deg = 34.0
subgrade_modulus = 90.0
)";

std::string TomlMessage(const std::string& toml) {
  try {
    TomlToRecords(toml);
  } catch (const TomlError& e) {
    return e.what();
  }
  return "no error";
}

// A TOML mistake names its line, column and key path; a value the engine
// rejects in the records made from it names the TOML key and line, in the
// report and in the run's message, as the records' own line would.
TEST(TomlInput, ErrorsNameTheTomlLineColumnAndKeyPath) {
  ASSERT_EQ(TomlMessage(kWall), "no error");
  // The parser's own words follow the place.
  EXPECT_EQ(
      TomlMessage(Replace(kWall, "increments = 70", "increments = = 70")).rfind("line 8, column 14: ", 0),
      0u);
  EXPECT_EQ(TomlMessage(Replace(kWall, "friction_angle_deg = 34.0", "friction_angle_deg = true")),
            "line 46, column 22: stage 1, soil_layer 2, friction_angle_deg: expected a number, found true or "
            "false");
  EXPECT_EQ(TomlMessage(Replace(kWall, "type = \"sand\"\nbottom_depth = 600",
                                "type = \"gravel\"\nbottom_depth = 600")),
            "line 43, column 8: stage 1, soil_layer 2, type: \"gravel\" is not one of \"soft_clay\", "
            "\"stiff_clay_below_water\", \"stiff_clay_above_water\", \"sand\", \"silt\", \"rock\" or "
            "\"weak_rock\"");
  EXPECT_EQ(TomlMessage(Replace(kWall, "friction_angle_deg = 34.0", "frcition_angle_deg = 34.0")),
            "line 46, column 1: stage 1, soil_layer 2, frcition_angle_deg: unknown key; did you mean "
            "`friction_angle_deg`?");
  EXPECT_EQ(TomlMessage(Replace(kWall, "increment_length = 6.0\n", "")),
            "line 4, column 1: stage 1: `increment_length` is missing");
  EXPECT_EQ(TomlMessage(Replace(kWall, "increment_length =", "incremnt_length =")),
            "line 4, column 1: stage 1: `increment_length` is missing (is `incremnt_length` on line 9 a "
            "misspelling of it?)");
  EXPECT_EQ(TomlMessage(Replace(kWall, "[[stage.wall_section]]",
                                "specified_pressure = [[0.0, 1.0]]\n\n[[stage.wall_section]]")),
            "line 17, column 1: stage 1, specified_pressure: not used here: it is read only with "
            "`earth_pressure = \"specified\"`");

  // Errors the engine finds in the records: the TOML place of the item, or
  // of the table when the record as a whole is at fault.
  testing::TempDir dir;
  dir.Write("wall.toml", Replace(kWall, "increments = 70", "increments = 0"));
  const Outputs zero = RunFile(dir.path() / "wall.toml");
  EXPECT_EQ(zero.Result.Status, DARNEK_INPUT_REJECTED);
  const std::string expected =
      "line 8, column 14: stage 1, increments: 0 increments; the wall needs at least 1";
  EXPECT_EQ(zero.Result.Message, expected);
  EXPECT_NE(zero.Report.find("**** INPUT ERROR ****\n     " + expected), std::string::npos) << zero.Report;

  dir.Write("layers.toml", Replace(kWall, "bottom_depth = 600.0", "bottom_depth = 200.0"));
  const Outputs layers = RunFile(dir.path() / "layers.toml");
  EXPECT_EQ(layers.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_EQ(layers.Result.Message,
            "line 44, column 16: stage 1, soil_layer 2, bottom_depth: the bottom depth 200 must lie below "
            "the bottom of the layer "
            "above (300; the top of the wall for the first layer)");

  // Record files whose stage count or continuation values the TOML form
  // cannot hold are refused.
  const std::string cantilever = testing::ReadFile((kSource / "examples" / "cantilever_sand.dat").string());
  const auto stages = [&](const std::string& n) {
    return Replace(Replace(cantilever, "1 0 1 1 0 2 2 0 1 0 0 0", "1 0 1 1 0 2 2 0 " + n + " 0 0 0"),
                   "90.0 0.0\n1\n", "90.0 0.0\n" + n + "\n");
  };
  const std::vector<std::pair<std::string, std::string>> refused{
      {stages("3"), "gives NumStages 3, but the file holds 1 stage"},
      {Replace(stages("2"), "90.0 0.0\n2\n", "90.0 0.0\n9\n" + stages("2")),
       "the stage-continuation value 9"}};
  for (const auto& [records, why] : refused) {
    std::istringstream in(records);
    try {
      RecordsToToml(in, "wall.dat");
      ADD_FAILURE() << "converted: " << why;
    } catch (const toml_input::ConvertError& e) {
      EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
    }
  }

  // A stage with a specified pressure diagram keeps the surcharges of the
  // stage before it: it must say so, since the records cannot say otherwise.
  std::istringstream si(testing::ReadFile((kSource / "examples" / "all_records_si.dat").string()));
  const std::string two_stages = RecordsToToml(si, "all_records_si.dat");
  const size_t last = two_stages.rfind("[[stage.surcharge]]");
  ASSERT_NE(last, std::string::npos);
  const std::string message = TomlMessage(two_stages.substr(0, last));
  EXPECT_NE(
      message.find("stage 2, surcharge: a stage with a specified pressure diagram keeps the surcharges of "
                   "stage 1"),
      std::string::npos)
      << message;
}

// A value the engine cannot read back from its own scratch file names a line
// of that file: the TOML place is the stage, not the record of that number.
TEST(TomlInput, ScratchFileLinesAreNotTomlLines) {
  const Records records = TomlToRecords(kWall);
  InputErrorPlace place;
  place.Line = 4;
  place.Record = "p-y scratch file: excavation-side point";
  place.Item = 2;
  place.Message = "line 4: p-y scratch file: excavation-side point, item 2 (p): expected a finite number";
  place.LastLine = 20;
  EXPECT_EQ(toml_input::DescribeInTomlTerms(records, place), "stage 1: " + place.Message);
}

// A dimensional value may carry its unit; it is converted exactly into the
// unit the records take for its key, and a unit of another kind is refused.
TEST(TomlInput, ValuesWithTheirUnitsConvertIntoTheRecordUnits) {
  const struct {
    const char* Text;
    const char* Target;
    double Value;
  } exact[] = {
      {"14 ft", "in", 168},
      {"420 in", "ft", 35},
      {"0.5ft", "in", 6},
      {"29000 ksi", "lb/in²", 29e6},
      {"120 pcf", "lb/in³", 120.0 / 1728},
      {"2 kips", "lb", 2000},
      {"2500 mm", "m", 2.5},
      {"0.5 m", "mm", 500},
      {"30 kPa", "kN/m²", 30},
      {"18 kN/m3", "kN/m³", 18},
      {"1 MPa", "kN/m²", 1000},
      {"250 kN", "kN", 250},
      {"1 kN*m", "kN·m", 1},
      {"1 lb-ft", "lb·in", 12},
      {"1 ft4", "in⁴", 20736},
      {"30 deg", "degrees", 30},
      {"-3.5 in", "in", -3.5},
  };
  for (const auto& c : exact) {
    const toml_input::UnitConversion u = toml_input::ConvertUnitText(c.Text, c.Target);
    EXPECT_TRUE(u.Ok) << c.Text << ": " << u.Problem;
    EXPECT_EQ(u.Value, c.Value) << c.Text;
  }
  // Across the systems, as near as a double holds the exact ratio.
  EXPECT_DOUBLE_EQ(toml_input::ConvertUnitText("4.2 m", "in").Value, 4.2 / 0.0254);
  EXPECT_DOUBLE_EQ(toml_input::ConvertUnitText("1 psi", "kN/m²").Value,
                   4.4482216152605 / 0.0254 / 0.0254 / 1000);

  // In a file: the records are those of the numbers in the records' units.
  const std::string with_units =
      Replace(Replace(Replace(Replace(kWall, "excavation_depth = 168.0", "excavation_depth = \"14 ft\""),
                              "increment_length = 6.0", "increment_length = \"0.5 ft\""),
                      "bottom = 35.0", "bottom = \"420 in\""),
              "elastic_modulus = 29.0e6", "elastic_modulus = \"29000 ksi\"");
  EXPECT_EQ(TomlToRecords(with_units).Text, TomlToRecords(kWall).Text);
  EXPECT_EQ(
      TomlMessage(Replace(kWall, "excavation_depth = 168.0", "excavation_depth = \"14 kN\"")),
      "line 29, column 20: stage 1, ground.excavation_depth: \"14 kN\" is a force, but this key takes a "
      "length: in, or any other unit of a length");
  EXPECT_EQ(
      TomlMessage(Replace(kWall, "excavation_depth = 168.0", "excavation_depth = \"14 fts\"")),
      "line 29, column 20: stage 1, ground.excavation_depth: \"14 fts\": unknown unit \"fts\" (units such "
      "as in, ft, m, mm, lb, kip, kN, psi, psf, kPa, pcf, deg)");
  EXPECT_EQ(TomlMessage(Replace(kWall, "increments = 70", "increments = \"70 ft\"")),
            "line 8, column 14: stage 1, increments: expected an integer, found a text");
}

// The engine's warnings name the TOML key and line, and the other values by
// their keys: feet typed where inches are read are caught so.
TEST(TomlInput, WarningsNameTheKeyAndLine) {
  testing::TempDir dir;
  dir.Write("feet.toml", Replace(kWall, "excavation_depth = 168.0", "excavation_depth = 14.0"));
  const Outputs feet = RunFile(dir.path() / "feet.toml");
  EXPECT_EQ(feet.Result.Status, DARNEK_OK);
  EXPECT_NE(feet.Report.find("      **** WARNING ****\n      line 29, column 20: stage 1, "
                             "ground.excavation_depth: 14 lies far from `dividing_depth` = 168, which is "
                             "normally the excavation level too; `dividing_depth` is 12 times it: was "
                             "`ground.excavation_depth` given in feet? both are read in inches\n"),
            std::string::npos)
      << feet.Report;
}

// docs/input-toml.md holds the reference that the field table writes.
// DARNEK_UPDATE_DOCS=1 rewrites it from the table.
TEST(TomlInput, TheReferenceDocumentIsTheFieldTables) {
  const fs::path doc = kSource / "docs" / "input-toml.md";
  const std::string text = testing::ReadFile(doc.string());
  const std::string begin = "<!-- field reference: written from the field table -->\n";
  const std::string end = "<!-- end of field reference -->\n";
  const size_t from = text.find(begin);
  const size_t to = text.find(end);
  ASSERT_NE(from, std::string::npos);
  ASSERT_NE(to, std::string::npos);
  const std::string expected = toml_input::FieldReference();
  const std::string current = text.substr(from + begin.size(), to - from - begin.size());
  if (current != expected && std::getenv("DARNEK_UPDATE_DOCS")) {
    std::ofstream(doc, std::ios::binary)
        << text.substr(0, from + begin.size()) << expected << text.substr(to);
    return;
  }
  EXPECT_EQ(current, expected) << "docs/input-toml.md differs from the field table; run the test with "
                                  "DARNEK_UPDATE_DOCS=1 to rewrite it";
}

}  // namespace
}  // namespace darnek
