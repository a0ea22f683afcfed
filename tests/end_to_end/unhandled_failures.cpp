// End-to-end tests: failures that no step handles: output that cannot be written, memory that
// cannot be had, a failure inside the scanner.
#include <filesystem>
#include <fstream>

#include "sample_log.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

using UnhandledFailures = EndToEnd;

struct OutputFailureCase {
  tOutput output;
  std::vector<std::string> switches;
  std::string message;
};

void PrintTo(const OutputFailureCase& c, std::ostream* os) {
  *os << c.message;
  for (const std::string& item : c.switches) *os << " " << item;
}

class OutputFailure : public EndToEnd, public testing::WithParamInterface<OutputFailureCase> {};

TEST_P(OutputFailure, EndsWithAReportAndCode1) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"));
  tRunOptions options;
  options.Output = GetParam().output;
  const tRunResult result = Check("Nightly", GetParam().switches, options);
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Stderr, "jobvigil : unhandled failure (I/O error) : writing standard output: " +
                               GetParam().message + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputFailure,
    testing::Values(OutputFailureCase{OutputClosed, {}, "Bad file descriptor"},
                    OutputFailureCase{OutputClosed, {"-d2"}, "Bad file descriptor"},
                    OutputFailureCase{OutputFull, {}, "No space left on device"},
                    OutputFailureCase{OutputFull, {"-d"}, "No space left on device"},
                    OutputFailureCase{OutputBrokenPipe, {}, "Broken pipe"},
                    OutputFailureCase{OutputBrokenPipe, {"-d2"}, "Broken pipe"}));

TEST_F(UnhandledFailures, UsageOnAClosedOutputIsAFailureToo) {
  tRunOptions options;
  options.Output = OutputClosed;
  const tRunResult result = RunProgram({}, options);
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Stderr,
            "jobvigil : unhandled failure (I/O error) : writing standard output: Bad file "
            "descriptor\r\n");
}

TEST_F(UnhandledFailures, MemoryThatCannotBeHadIsAnUnhandledFailure) {
  if (SkipUnlessBuild(LinuxBuild, "Wine does not start within a small address-space limit") ||
      SkipWhenSanitized("AddressSanitizer reserves more than the limit"))
    return;
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"));
  { std::ofstream(dir_ / "BE2.xml") << JobLog("Nightly", "6"); }
  fs::resize_file(dir_ / "BE2.xml", 1ull << 30);
  const tRunResult result = Check("Nightly", {"-d"}, {.AddressSpaceLimit = 512l << 20});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Stderr, "jobvigil : unhandled failure (out of memory) : std::bad_alloc\r\n");
  // What was written before the failure is not lost.
  EXPECT_EQ(
      result.Stdout,
      Trace({ListingTrace(dir_, 2),
             LogTrace(dir_, "BE1.xml", DateDaysAgo(0), ReadJobLog("Nightly", "19", "Success")),
             LogTrace(dir_, "BE2.xml", DateDaysAgo(0),
                      {"  Reading file, size (bytes) :1073741824"})}));
}

TEST_F(UnhandledFailures, AFailureInsideTheScannerEndsTheRunWithItsOwnLine) {
  if (SkipUnlessBuild(LinuxBuild, "Wine does not start within a small address-space limit") ||
      SkipWhenSanitized("AddressSanitizer reserves more than the limit"))
    return;
  // The 64 MiB buffer fits within the limit; a copy of the 64 MiB job name it holds does not.
  WriteLog(dir_, "BE1.xml", "<name>" + std::string(64 << 20, 'N') + "<");
  const tRunResult result = Check("Nightly", {}, {.AddressSpaceLimit = 100l << 20});
  EXPECT_EQ(result.Stdout, "jobvigil : fatal exception processing XML data\r\n");
  EXPECT_EQ(result.ExitCode, 3);
  EXPECT_EQ(result.Stderr, "");
}

}  // namespace
