// The results as JSON and CSV: what a script reads agrees with what the report
// prints, the CSV with the JSON, and a results file that cannot be written
// fails the run as any file of the run does.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/run_helper.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

const fs::path kExamples = fs::path(DARNEK_SOURCE_DIR) / "examples";

struct Printed {
  double Value = 0;
  double HalfUnit = 0;  // half a unit of the last printed digit
};

// "2.827E+00" -> 2.827, 0.0005
Printed ReadPrinted(const std::string& text) {
  Printed p;
  p.Value = std::stod(text);
  const size_t e = text.find('E');
  const size_t point = text.find('.');
  const int decimals = static_cast<int>(e - point - 1);
  p.HalfUnit = 0.5 * std::pow(10.0, std::stoi(text.substr(e + 1)) - decimals);
  return p;
}

// The rows of every station table of the report: columns X, DEFL., MOMENT.
std::vector<std::vector<std::array<Printed, 3>>> StationTables(const std::string& report) {
  std::vector<std::vector<std::array<Printed, 3>>> tables;
  std::istringstream in(report);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("STA I      X") == std::string::npos) continue;
    std::getline(in, line);  // units
    std::getline(in, line);  // dashes
    tables.emplace_back();
    while (std::getline(in, line) && !line.empty()) {
      std::istringstream fields(line);
      std::string station, x, deflection, slope, moment;
      fields >> station >> x >> deflection >> slope >> moment;
      tables.back().push_back({ReadPrinted(x), ReadPrinted(deflection), ReadPrinted(moment)});
    }
  }
  return tables;
}

std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    rows.emplace_back();
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, ',')) rows.back().push_back(cell);
  }
  return rows;
}

double Exact(const std::string& text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(ec == std::errc() && end == text.data() + text.size()) << text;
  return value;
}

TEST(ResultsJson, EveryExampleAgreesWithItsReportAndItsCsvMatchesTheJson) {
  int examples = 0;
  for (const auto& entry : fs::directory_iterator(kExamples)) {
    if (entry.path().extension() != ".dat") continue;
    ++examples;
    const std::string name = entry.path().stem().string();
    SCOPED_TRACE(name);
    testing::TempDir dir;
    RunOptions options;
    options.Files = FileNames{entry.path().string(), dir.File("w.out"),       dir.File("w.plt"),
                              dir.File("w.log"),     dir.File("w.pyscratch"), dir.File("w.epscratch")};
    options.Clock = testing::FixedClock;
    std::ostringstream console;
    options.Console = &console;
    options.KeepResults = true;
    const RunResult result = darnek::Run(options);
    ASSERT_EQ(result.Status, DARNEK_OK) << console.str();

    const Json json = Json::parse(ResultsJson(result));
    EXPECT_EQ(json["status"], DARNEK_OK);
    const auto tables = StationTables(dir.Read("w.out"));
    size_t table = 0;
    ASSERT_EQ(json["stages"].size(), result.Stages.size());
    for (const Json& stage : json["stages"]) {
      if (!stage["solved"].get<bool>()) continue;
      ASSERT_LT(table, tables.size());
      const auto& rows = tables[table++];
      const Json& s = stage["stations"];
      ASSERT_EQ(s["depth"].size(), rows.size());
      for (size_t i = 0; i < rows.size(); ++i) {
        const char* keys[3] = {"depth", "deflection", "moment"};
        for (int k = 0; k < 3; ++k)
          EXPECT_LE(std::fabs(s[keys[k]][i].get<double>() - rows[i][static_cast<size_t>(k)].Value),
                    rows[i][static_cast<size_t>(k)].HalfUnit * (1 + 1e-9))
              << "stage " << stage["stage"] << " station " << i << " " << keys[k];
      }
      // Every example's stages carry p-y curves, user or generated.
      EXPECT_FALSE(stage["py_curves"].empty());
    }
    EXPECT_EQ(table, tables.size());

    const std::string csv_dir = dir.File("csv");
    fs::create_directory(csv_dir);
    ASSERT_EQ(WriteResultsCsv(csv_dir, result), "");
    const auto stages = ReadCsv(dir.Read("csv/stages.csv"));
    ASSERT_EQ(stages.size(), json["stages"].size() + 1);
    for (const Json& stage : json["stages"]) {
      const auto& row = stages[static_cast<size_t>(stage["stage"].get<int>())];
      EXPECT_EQ(row[1], stage["outcome"].get<std::string>());
      if (!stage["solved"].get<bool>()) continue;
      EXPECT_EQ(Exact(row[5]), stage["largest"]["deflection"].get<double>());
      const auto table_csv =
          ReadCsv(dir.Read("csv/stage-" + std::to_string(stage["stage"].get<int>()) + "-stations.csv"));
      const Json& s = stage["stations"];
      ASSERT_EQ(table_csv.size(), s["depth"].size() + 1);
      const std::string depth_unit = stage["units"]["depth"];
      EXPECT_EQ(table_csv[0][1], "depth_" + depth_unit);
      const char* keys[] = {"depth",         "deflection", "slope", "moment",       "shear",
                            "soil_reaction", "net_force",  "ei",    "applied_load", "support_force"};
      double h = 0, loads = 0, balance = 0;
      for (size_t i = 1; i < table_csv.size(); ++i) {
        ASSERT_EQ(table_csv[i].size(), 11u);
        EXPECT_EQ(std::stoi(table_csv[i][0]), s["station"][i - 1].get<int>());
        for (size_t k = 0; k < 10; ++k)
          EXPECT_EQ(Exact(table_csv[i][k + 1]), s[keys[k]][i - 1].get<double>()) << keys[k] << " row " << i;
        // A depth is the station's, as decimals multiply: never 3.9000000000000004.
        EXPECT_LE(table_csv[i][1].find_first_not_of("0.") == std::string::npos
                      ? 0
                      : table_csv[i][1].size() - table_csv[i][1].find_first_not_of("0."),
                  9u)
            << table_csv[i][1];
        if (i == 2) h = Exact(table_csv[2][1]) * (depth_unit == "ft" ? 12 : 1);
        const double applied = Exact(table_csv[i][9]), support = Exact(table_csv[i][10]);
        const double soil = Exact(table_csv[i][6]) * h;
        loads += std::fabs(applied) + std::fabs(support) + std::fabs(soil);
        balance += applied + support + soil;
      }
      // The forces of the CSV balance where no specified deflection, axial
      // load or hinge carries one of its own (the two-stage examples have
      // them): to the closure of the iteration, since the soil reaction is
      // read from the curves at the last deflections.
      if (name.rfind("all_records", 0) != 0) {
        EXPECT_LE(std::fabs(balance), 1e-2 * loads) << balance;
      }
    }
  }
  EXPECT_GE(examples, 10);
}

std::string Tool(const std::string& args, int* status) {
  return testing::RunCommand(std::string("'") + DARNEK_TOOL_PATH + "' " + args + " 2>&1", status);
}

TEST(ResultsJson, TheToolWritesBothFormsAndFailsOnAResultsFileItCannotWrite) {
  testing::TempDir dir;
  fs::copy_file(kExamples / "anchored_two_tiebacks_si.dat", dir.path() / "wall.dat");
  int status = -1;
  const std::string out = Tool("run '" + dir.File("wall.dat") + "' --json '" + dir.File("wall.json") +
                                   "' --csv '" + dir.File("tables") + "'",
                               &status);
  EXPECT_EQ(status, DARNEK_OK) << out;
  const Json json = Json::parse(dir.Read("wall.json"));
  EXPECT_EQ(json["unit_system"], "SI");
  EXPECT_EQ(json["units"]["moment"], "kN-m");
  const Json& stage = json["stages"][0];
  ASSERT_EQ(stage["tie_backs"].size(), 2u);
  EXPECT_EQ(stage["tie_backs"][1]["station"], 18);
  EXPECT_FALSE(stage["pressure"]["total"].empty());
  EXPECT_FALSE(stage["history"].empty());
  EXPECT_EQ(ReadCsv(dir.Read("tables/stage-1-stations.csv"))[0][4], "moment_kN_m");
  // The tie-back forces and the pressure diagram have tables of their own.
  const auto tie_backs = ReadCsv(dir.Read("tables/stage-1-tie-backs.csv"));
  ASSERT_EQ(tie_backs.size(), 3u);
  EXPECT_EQ(tie_backs[0][5], "force_per_tie_back_kN");
  EXPECT_EQ(Exact(tie_backs[2][5]), stage["tie_backs"][1]["force_per_tie_back"].get<double>());
  const auto pressure = ReadCsv(dir.Read("tables/stage-1-pressure.csv"));
  ASSERT_EQ(pressure.size(), stage["pressure"]["depth"].size() + 1);
  EXPECT_EQ(pressure[0][1], "load_per_station_kN");
  EXPECT_EQ(Exact(pressure.back()[11]), stage["pressure"]["total"].back().get<double>());

  // The front end's path keeps nothing.
  EXPECT_TRUE(testing::RunText(dir.Read("wall.dat")).Result.Results.empty());

  const std::string failed =
      Tool("run '" + dir.File("wall.dat") + "' --json '" + dir.File("missing/wall.json") + "'", &status);
  EXPECT_EQ(status, DARNEK_WRITE_FAILED) << failed;
  EXPECT_NE(failed.find("**** WRITE ERROR **** the JSON results file " + dir.File("missing/wall.json") +
                        " cannot be written: No such file or directory"),
            std::string::npos)
      << failed;
  Tool("run '" + dir.File("wall.dat") + "' --json '" + dir.File("wall.out") + "'", &status);
  EXPECT_EQ(status, DARNEK_HANDOFF_FAILED) << "the JSON may not overwrite the report";
}

}  // namespace
}  // namespace darnek
