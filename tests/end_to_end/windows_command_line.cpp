// End-to-end tests: the Windows program's own splitting of its command line, and its opens without
// sharing.
#include <filesystem>

#include "sample_log.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

using Windows = EndToEnd;

struct LaunchCase {
  std::string commandLine;  // "@" stands for the fixture directory
  std::string expected;     // "@" stands for today's date
  int exitCode;
};

void PrintTo(const LaunchCase& c, std::ostream* os) { *os << c.commandLine; }

class WindowsCommandLine : public EndToEnd, public testing::WithParamInterface<LaunchCase> {};

TEST_P(WindowsCommandLine, IsSplitByTheProgramItself) {
  if (SkipUnlessBuild(WindowsBuild, "the Linux program gets its arguments split")) return;
  WriteLog(dir_, "BE1.xml", Utf16Text(JobLog("Nightly", "19")));
  WriteLog(dir_, "BE2.xml", JobLog("Weekly Full", "3"));
  WriteLog(dir_, "BE3.xml", JobLog("Caf\xe9 \x80\x81\xa0", "6"));
  std::string line = GetParam().commandLine;
  for (std::size_t at; (at = line.find('@')) != std::string::npos;)
    line.replace(at, 1, dir_.string());
  std::string expected = GetParam().expected;
  if (const std::size_t at = expected.find('@'); at != std::string::npos)
    expected.replace(at, 1, DateDaysAgo(0));
  const tRunResult result = LaunchWithCommandLine(line);
  EXPECT_EQ(result.Stdout, expected + "\r\n");
  EXPECT_EQ(result.ExitCode, GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowsCommandLine,
    testing::Values(
        LaunchCase{"jobvigil.exe @ Nightly", "Job: Nightly, Success, Date:@", 0},
        LaunchCase{"\"C:\\Program Files\\jobvigil.exe\" @ Nightly", "Job: Nightly, Success, Date:@",
                   0},
        LaunchCase{"x \"@\" Nig\"ht\"ly", "Job: Nightly, Success, Date:@", 0},
        LaunchCase{"x \"\" @ \"\" Nightly \"\"", "Job: Nightly, Success, Date:@", 0},
        LaunchCase{"x @ \"\" \"\" -c0", "jobvigil : No XML file for job name -c0", 3},
        LaunchCase{"x @ \"\"", "jobvigil : Too few parameters. Use -h for help", 3},
        LaunchCase{"x\t@\x01Nightly\x1f\x20-Q", "jobvigil : Syntax error. Use -h for help", 3},
        LaunchCase{"x @ \"weekly full\"",
                   "Job: weekly full, Status: Completed with exceptions, Date:@", 1},
        LaunchCase{"x @ weekly\" full",
                   "Job: weekly full, Status: Completed with exceptions, Date:@", 1},
        LaunchCase{"x @ Weekly\\\" Full\"", "jobvigil : No XML file for job name Weekly\\ Full", 3},
        LaunchCase{"x @ \"caf\xe9 \x80\x81\xa0\"",
                   "Job: caf\xe9 \x80\x81\xa0, Status: Completed with errors, Date:@", 2},
        LaunchCase{"x @ \"CAF\xc9 \x80\xff\"",
                   "jobvigil : No XML file for job name CAF\xc9 \x80\xff", 3}));

TEST_F(Windows, SkipsALogThatIsStillBeingWritten) {
  if (SkipUnlessBuild(WindowsBuild, "share modes are the Windows program's")) return;
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "6"), 0);
  const tRunResult result =
      LaunchWithCommandLine("x " + dir_.string() + " Nightly -d", (dir_ / "BE2.xml").string());
  EXPECT_EQ(result.Stdout, TraceWithSkippedLog(dir_, "  Unable to open file. Skipped."));
  EXPECT_EQ(result.ExitCode, 0);
}

}  // namespace
