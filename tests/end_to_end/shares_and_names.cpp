// End-to-end tests: logs on shares, where a refused lease may or may not mean a writer, and a
// lease break.
#include <filesystem>

#include "sample_log.h"
#include "support.h"

using namespace e2e;

namespace {

struct tShareCase {
  const char* system;   // what fstatfs tells; empty for the machine's own
  const char* refused;  // the logs whose leases are refused, by the start of their names
  bool skipsNewest;
};

void PrintTo(const tShareCase& c, std::ostream* os) {
  *os << (*c.system ? c.system : "local") << ", leases refused on " << c.refused;
}

class Share : public EndToEnd, public testing::WithParamInterface<tShareCase> {};

// BE1.xml, a successful log of yesterday, and BE2.xml, a failed one of today whose lease may be
// refused: skipped, the job is OK; read, it failed.
TEST_P(Share, SkipsALogOnlyWhereARefusedLeaseMeansAWriter) {
  if (WindowsProgram()) GTEST_SKIP() << "leases are the Linux program's";
  if (JOBVIGIL_SANITIZED) GTEST_SKIP() << "AddressSanitizer must be the first library loaded";
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "6"), 0);
  tRunOptions options;
  options.Environment = {std::string("LD_PRELOAD=") + JOBVIGIL_FAKE_SYSTEM,
                         std::string("REFUSE_LEASES=") + GetParam().refused};
  if (*GetParam().system)
    options.Environment.push_back(std::string("FAKE_FILE_SYSTEM=") + GetParam().system);
  const std::string line =
      GetParam().skipsNewest
          ? "Job: Nightly, Success, Date:" + DateDaysAgo(1)
          : "Job: Nightly, Status: Completed with errors, Date:" + DateDaysAgo(0);
  // Newest first, the refused log comes before any lease was granted.
  const tRunResult fast = Check("Nightly", {}, options);
  EXPECT_EQ(fast.Stdout, line + "\r\n");
  EXPECT_EQ(fast.ExitCode, GetParam().skipsNewest ? 0 : 2);
  const tRunResult traced = Check("Nightly", {"-d"}, options);
  if (GetParam().skipsNewest) {
    EXPECT_EQ(traced.Stdout, TraceWithSkippedLog(dir_, "  Unable to open file. Skipped."));
  } else {
    EXPECT_TRUE(
        traced.Stdout.ends_with("  Status ID : 6 (Completed with errors)\r\n" + line + "\r\n"))
        << traced.Stdout;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Share,
    testing::Values(tShareCase{"", "BE2", true},      // the kernel's own leases
                    tShareCase{"nfs", "BE2", false},  // no delegation: nothing known
                    tShareCase{"nfs", "BE", false},
                    tShareCase{"smb", "BE", false},    // a share that grants no leases at all
                    tShareCase{"smb", "BE2", true}));  // one that grants them, but not for BE2

TEST_F(EndToEnd, ALeaseBreakDoesNotEndTheCheck) {
  if (WindowsProgram()) GTEST_SKIP() << "leases are the Linux program's";
  if (JOBVIGIL_SANITIZED) GTEST_SKIP() << "AddressSanitizer must be the first library loaded";
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "3"), 0);
  tRunOptions options;
  options.Environment = {std::string("LD_PRELOAD=") + JOBVIGIL_FAKE_SYSTEM, "RAISE_SIGIO=1"};
  for (const std::vector<std::string>& switches : {std::vector<std::string>{}, {"-d"}}) {
    const tRunResult broken = Check("Nightly", switches, options);
    const tRunResult plain = Check("Nightly", switches);
    EXPECT_EQ(broken.Stdout, plain.Stdout);
    EXPECT_EQ(broken.ExitCode, 1);
    EXPECT_EQ(plain.ExitCode, 1);
  }
}

}  // namespace
