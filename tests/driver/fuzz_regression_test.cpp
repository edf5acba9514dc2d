// The fuzz target's seeds and every input that once made it fail: each must
// end with one of the documented statuses, its files closed.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_helper.h"
#include "support/temp_dir.h"

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
    EXPECT_TRUE(status == DARNEK_OK || status == DARNEK_INPUT_REJECTED || status >= DARNEK_STOPPED)
        << status << " " << out.Result.Message;
    // A normal end writes its end line once; a stop writes none.
    EXPECT_EQ(testing::Count(out.Report, "END OF ANALYSIS"), status >= DARNEK_STOPPED ? 0 : 1);
  }
}

}  // namespace
}  // namespace darnek
