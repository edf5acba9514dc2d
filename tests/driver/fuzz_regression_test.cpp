// The fuzz targets' seeds and every input that once made one fail: each must
// end with one of the documented statuses, its files closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/plain_text.h"
#include "darnek/pictures.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"
#include "toml/toml_input.h"

namespace darnek {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryRecordedInputEndsWithADocumentedStatus) {
  std::vector<fs::path> inputs;
  for (const char* folder : {"fuzz/seeds", "tests/fuzz_regressions"})
    for (const auto& e : fs::directory_iterator(fs::path(DARNEK_SOURCE_DIR) / folder))
      if (e.is_regular_file()) inputs.push_back(e.path());
  ASSERT_FALSE(inputs.empty());
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    const auto out = testing::RunText(testing::ReadFile(input.string()));
    const int status = out.Result.Status;
    EXPECT_TRUE(status == DARNEK_OK || status == DARNEK_INPUT_REJECTED || status == DARNEK_ANALYSIS_FAILED ||
                status >= DARNEK_STOPPED)
        << status << " " << out.Result.Message;
    // A normal end writes its end line once; a stop writes none.
    EXPECT_EQ(testing::Count(out.Report, "END OF ANALYSIS"), status >= DARNEK_STOPPED ? 0 : 1);
  }
}

// The inputs that made the TOML, convert and plot targets fail: each must now
// end in its door's own refusal or in text (the fuzz targets' checks).
TEST(FuzzRegressions, TomlConvertAndPlotInputsEndInTextOrARefusal) {
  const auto text = [](const std::string& s) { return ValidXmlText(s) == s; };
  // The report keeps the bytes of its code page (the phi of a silt's curve
  // heading), but no control characters.
  const auto no_controls = [](const std::string& s) {
    return std::none_of(s.begin(), s.end(), [](char c) { return IsControl(c) && c != '\n' && c != '\r'; });
  };
  const auto inputs = [](const char* door) {
    std::vector<std::string> texts;
    const fs::path folder = fs::path(DARNEK_SOURCE_DIR) / "tests/fuzz_regressions" / door;
    for (const auto& e : fs::directory_iterator(folder))
      texts.push_back(testing::ReadFile(e.path().string()));
    return texts;
  };
  for (const std::string& input : inputs("toml")) {
    toml_input::Records records;
    try {
      records = toml_input::TomlToRecords(input);
    } catch (const toml_input::TomlError& e) {
      EXPECT_TRUE(text(e.what()) && std::string(e.what()).size() < 2000);
      continue;
    }
    const auto out = testing::RunText(records.Text);
    EXPECT_TRUE(text(out.Result.Message) && out.Result.Message.size() < 2000) << out.Result.Message;
    EXPECT_TRUE(no_controls(out.Report) && text(out.Console));
  }
  // Each both ways, as the target takes it: records to TOML, and TOML to
  // records; what convert writes it reads back.
  for (const std::string& input : inputs("convert")) {
    std::string records = input;
    try {
      records = toml_input::TomlToRecords(input).Text;
    } catch (const toml_input::TomlError& e) {
      EXPECT_TRUE(text(e.what()));
    }
    std::istringstream in(records);
    std::string toml;
    try {
      toml = toml_input::RecordsToToml(in, "fuzz.dat");
    } catch (const std::exception&) {
      continue;
    }
    EXPECT_TRUE(text(toml));
    try {
      // Read back, and converted again, it is the same TOML.
      std::istringstream again(toml_input::TomlToRecords(toml).Text);
      EXPECT_EQ(toml_input::RecordsToToml(again, "fuzz.dat"), toml);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what() << "\n" << toml;
    }
  }
  for (const std::string& input : inputs("plot")) {
    try {
      const pictures::PictureTexts drawn = pictures::DrawPlotData(input, {}, true);
      EXPECT_TRUE(text(drawn.Page));
      EXPECT_EQ(drawn.Page.find("nan"), std::string::npos);
    } catch (const pictures::PlotFileError& e) {
      EXPECT_GT(e.line(), 0) << e.what();
    }
  }
}

}  // namespace
}  // namespace darnek
