// End-to-end tests: which log of the job is chosen.
#include <filesystem>

#include "sample_log.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

TEST_F(EndToEnd, ChoosesTheLatestLogWhateverItsSlot) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "6"), 1, 22, 0);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "19"), 0, 0, 0, 2);
  WriteLog(dir_, "BE3.xml", JobLog("Nightly", "3"), 0, 0, 0, 0);
  WriteLog(dir_, "BE4.xml", JobLog("Other", "19"), 0, 5, 0, 0);
  EXPECT_EQ(Check("Nightly").Stdout, "Job: Nightly, Success, Date:" + DateDaysAgo(0) + "\r\n");
}

TEST_F(EndToEnd, KeepsTheFirstListedOfEquallyDatedLogs) {
  // Listed by upper-cased name: be1 before BE2 before Be3; seconds are counted down to even.
  WriteLog(dir_, "Be3.xml", JobLog("Nightly", "19"), 0, 1, 0, 0);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "6"), 0, 1, 0, 1);
  WriteLog(dir_, "be1.xml", JobLog("Nightly", "3"), 0, 1, 0, 0);
  const tRunResult result = Check("Nightly");
  EXPECT_EQ(result.Stdout,
            "Job: Nightly, Status: Completed with exceptions, Date:" + DateDaysAgo(0) + "\r\n");
  EXPECT_EQ(result.ExitCode, 1);
}

}  // namespace
