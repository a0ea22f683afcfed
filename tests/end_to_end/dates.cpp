// End-to-end tests: file dates in local time.
#include <chrono>
#include <filesystem>

#include "sample_log.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

using FileDates = EndToEnd;

TEST_F(FileDates, DatesAFileWithTheOffsetInForceAtItsOwnDate) {
  // 30/6/2026 22:30 UTC is 1/7/2026 00:30 in Paris summer time, but 23:30 on 30/6 with the
  // winter offset in force when this runs in December.
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"));
  SetUniversalDate(dir_ / "BE1.xml", std::chrono::year{2026} / 6 / 30, 22, 30);
  tRunOptions options;
  options.Environment = {"TZ=CET-1CEST,M3.5.0,M10.5.0/3"};
  EXPECT_EQ(Check("Nightly", {}, options).Stdout, "Job: Nightly, Success, Date:1/7/2026\r\n");
  options.Environment = {"TZ=UTC0"};
  EXPECT_EQ(Check("Nightly", {}, options).Stdout, "Job: Nightly, Success, Date:30/6/2026\r\n");
}

TEST_F(FileDates, DatesFilesOutsideThePackedRangeTruly) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"));
  for (const auto& [days, date] : {std::pair{std::chrono::year{1975} / 3 / 4, "4/3/1975"},
                                   std::pair{std::chrono::year{2200} / 1 / 2, "2/1/2200"}}) {
    SetUniversalDate(dir_ / "BE1.xml", days, 12, 0);
    tRunOptions options;
    options.Environment = {"TZ=UTC0"};
    EXPECT_EQ(Check("Nightly", {}, options).Stdout,
              std::string("Job: Nightly, Success, Date:") + date + "\r\n");
  }
}

}  // namespace
