#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "e2e_support.h"
#include "sample_log.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

const std::string kUsage =
    Lines({"", "jobvigil v1.1 (13/01/2009)", "",
           "    Scans BackupExec XML files for a specific job, then returns "
           "information",
           "    about completion of the last occurrence of the job.", "",
           "    Usage : jobvigil \"path of XML files\" \"Name of the job\" "
           "[switches]",
           "", "    Valid switches are :", "      -d : prints debug information",
           "      -w<n> : warning if last result is older than <n> days",
           "      -c<n> : critical if last result is older than <n> days", ""});
const std::string kSyntaxError = "jobvigil : Syntax error. Use -h for help\r\n";
const std::string kSeparator(58, '-');

bool HasBytesAbove127(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; });
}

class EndToEnd : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeFixtureDirectory(); }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // Runs the program on the fixture directory and job with the switches.
  tRunResult Check(const std::string& job, std::vector<std::string> switches = {},
                   const tRunOptions& options = {}) {
    switches.insert(switches.begin(), {dir_.string(), job});
    return RunProgram(switches, options);
  }

  fs::path dir_;
};

// --- Command line ------------------------------------------------------------------------------

struct CommandLineCase {
  std::vector<std::string> arguments;
  std::string expected;
  int exitCode;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) {
  for (const std::string& argument : c.arguments) *os << "'" << argument << "' ";
}

class CommandLine : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLine, AnswersWithItsLineAndCode3) {
  const tRunResult result = RunProgram(GetParam().arguments);
  EXPECT_EQ(result.Stdout, GetParam().expected);
  EXPECT_EQ(result.ExitCode, GetParam().exitCode);
  EXPECT_EQ(result.Stderr, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLine,
    testing::Values(
        CommandLineCase{{}, kUsage, 3}, CommandLineCase{{"-h"}, kUsage, 3},
        CommandLineCase{{"-H"}, kUsage, 3},
        CommandLineCase{{"/tmp"}, "jobvigil : Too few parameters. Use -h for help\r\n", 3},
        CommandLineCase{{"-d"}, "jobvigil : Too few parameters. Use -h for help\r\n", 3},
        CommandLineCase{{"", "-h", ""}, kUsage, 3},
        CommandLineCase{{"dir", "job", "-h", "-x"}, kUsage, 3},
        CommandLineCase{{"dir", "job", "-x", "-h"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-d", "-H"}, kUsage, 3},
        CommandLineCase{{"dir", "job", "-c"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-c0"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-cx"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-c-3"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-W"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-w$0"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-w2147483648"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-d3"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-dx"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "d"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-x", "-d"}, kSyntaxError, 3},
        CommandLineCase{{"dir", "job", "-d", "-x"}, kSyntaxError, 3},
        CommandLineCase{{"/no/such/dir", "job"},
                        "jobvigil : No XML files found in /NO/SUCH/DIR\\BE*.xml\r\n",
                        3},
        CommandLineCase{{"/no/such/dir/", "job"},
                        "jobvigil : No XML files found in /NO/SUCH/DIR/\\BE*.xml\r\n",
                        3},
        CommandLineCase{
            {"C:\\logs\\", "job"}, "jobvigil : No XML files found in C:\\LOGS\\BE*.xml\r\n", 3},
        CommandLineCase{{"-h", "job"}, "jobvigil : No XML files found in -H\\BE*.xml\r\n", 3},
        CommandLineCase{
            {"/no/such", "job", "-w5", "-c-3x", "-D"},
            Lines({"CRITICAL threshold set to 3 days", "WARNING threshold set to 5 days",
                   "Looking for files here : /NO/SUCH\\BE*.xml",
                   "jobvigil : No XML files found in /NO/SUCH\\BE*.xml"}),
            3},
        CommandLineCase{
            {"/no/such", "job", "-c$10", "-w7days", "-c8", "-d1"},
            Lines({"CRITICAL threshold set to 8 days", "WARNING threshold set to 7 days",
                   "Looking for files here : /NO/SUCH\\BE*.xml",
                   "jobvigil : No XML files found in /NO/SUCH\\BE*.xml"}),
            3},
        CommandLineCase{{"/no/such", "job", "-c$10", "-d"},
                        Lines({"CRITICAL threshold set to 16 days",
                               "Looking for files here : /NO/SUCH\\BE*.xml",
                               "jobvigil : No XML files found in /NO/SUCH\\BE*.xml"}),
                        3},
        CommandLineCase{{"/no/such", "job", "-w5", "-c2"},
                        "jobvigil : No XML files found in /NO/SUCH\\BE*.xml\r\n",
                        3}));

TEST_F(EndToEnd, DropsEmptyArguments) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"));
  const tRunResult result = RunProgram({"", dir_.string(), "", "Nightly", ""});
  EXPECT_EQ(result.Stdout, "Job: Nightly, Success, Date:" + DateDaysAgo(0) + "\r\n");
  EXPECT_EQ(result.ExitCode, 0);
}

// --- Verdicts ----------------------------------------------------------------------------------

struct VerdictCase {
  std::string log;
  std::string job;
  std::string expected;  // "@" stands for the log's date
  int exitCode;
};

void PrintTo(const VerdictCase& c, std::ostream* os) {
  *os << c.job << " -> " << c.expected << " (" << c.exitCode << ")";
}

class Verdict : public EndToEnd, public testing::WithParamInterface<VerdictCase> {};

TEST_P(Verdict, PrintsOneLineAndItsCode) {
  if (WindowsProgram() && HasBytesAbove127(GetParam().job))
    GTEST_SKIP() << "Wine recodes such arguments by the Unix locale; the launcher cases cover them";
  WriteLog(dir_, "BE00001.xml", Utf16Text(GetParam().log), 1, 23, 59, 59);
  WriteLog(dir_, "BE00002.xml", Utf16Text(JobLog("Other", "6")), 0, 0, 0, 0);
  std::string expected = GetParam().expected;
  if (const std::size_t at = expected.find('@'); at != std::string::npos)
    expected.replace(at, 1, DateDaysAgo(1));
  const tRunResult result = Check(GetParam().job);
  EXPECT_EQ(result.Stdout, expected + "\r\n");
  EXPECT_EQ(result.ExitCode, GetParam().exitCode);
  EXPECT_EQ(result.Stderr, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Verdict,
    testing::Values(
        VerdictCase{JobLog("Nightly", "19"), "Nightly", "Job: Nightly, Success, Date:@", 0},
        VerdictCase{JobLog("Nightly", "2"), "NIGHTLY",
                    "Job: NIGHTLY, Completed but waiting, Date:@", 0},
        VerdictCase{JobLog("Nightly", "19"), "nightly", "Job: nightly, Success, Date:@", 0},
        VerdictCase{JobLog("Nightly", "3"), "Nightly",
                    "Job: Nightly, Status: Completed with exceptions, Date:@", 1},
        VerdictCase{JobLog("Nightly", "20"), "Nightly", "Job: Nightly, Status: Superceded, Date:@",
                    1},
        VerdictCase{JobLog("Nightly", "8"), "Nightly", "Job: Nightly, Status: Not defined, Date:@",
                    1},
        VerdictCase{JobLog("Nightly", "24"), "Nightly", "Job: Nightly, Status: , Date:@", 1},
        VerdictCase{JobLog("Nightly", "100"), "Nightly",
                    "Job: Nightly, Status: Unknown status code 100, Date:@", 1},
        VerdictCase{JobLog("Nightly", "-1"), "Nightly",
                    "Job: Nightly, Status: Unknown status code -1, Date:@", 1},
        VerdictCase{JobLog("Nightly", "6"), "Nightly",
                    "Job: Nightly, Status: Completed with errors, Date:@", 2},
        VerdictCase{JobLog("Nightly", "0"), "Nightly", "Job: Nightly, Status: Not defined, Date:@",
                    2},
        VerdictCase{JobLog("Nightly", "21"), "Nightly",
                    "Job: Nightly, Status: Auto-aborted, Date:@", 2},
        VerdictCase{JobLog("Nightly", ""), "Nightly", "Job: Nightly, Status: Unknown, Date:@", 2},
        VerdictCase{"<name>Nightly</name><engine_completion_status>Job completion status: "
                    "Successful</engine_completion_status>",
                    "Nightly", "Job: Nightly, Status: SUCCESSFUL, Date:@", 2},
        VerdictCase{"<name>Nightly</name><completestatus>19</completestatus>"
                    "<engine_completion_status>Job completion status: "
                    "Successful</engine_completion_status>",
                    "Nightly", "Job: Nightly, SUCCESSFUL, Date:@", 0},
        VerdictCase{JobLog("Nightly ", "19"), "Nightly",
                    "jobvigil : No XML file for job name Nightly", 3},
        VerdictCase{JobLog("Nightly", "19"), "Weekly", "jobvigil : No XML file for job name Weekly",
                    3},
        VerdictCase{JobLog("Caf\xe9 Backup", "19"), "caf\xe9 backup",
                    "Job: caf\xe9 backup, Success, Date:@", 0},
        VerdictCase{JobLog("Caf\xc9 Backup", "19"), "caf\xe9 backup",
                    "jobvigil : No XML file for job name caf\xe9 backup", 3}));

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

// --- Age limits --------------------------------------------------------------------------------

struct AgeCase {
  int daysAgo;  // the log is dated at 10:00 that day, so its age is daysAgo - 1
  std::vector<std::string> switches;
  int exitCode;
  std::string limitText;  // empty when the status verdict is expected
};

void PrintTo(const AgeCase& c, std::ostream* os) {
  *os << c.daysAgo << " days ago";
  for (const std::string& item : c.switches) *os << " " << item;
}

class AgeLimits : public EndToEnd, public testing::WithParamInterface<AgeCase> {};

TEST_P(AgeLimits, ApplyBeforeTheStatus) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "6"), GetParam().daysAgo, 10, 0);
  const std::string date = DateDaysAgo(GetParam().daysAgo);
  const std::string expected =
      GetParam().limitText.empty()
          ? "Job: Nightly, Status: Completed with errors, Date:" + date
          : "Job: Nightly, last result " + date + " is older than " + GetParam().limitText;
  const tRunResult result = Check("Nightly", GetParam().switches);
  EXPECT_EQ(result.Stdout, expected + "\r\n");
  EXPECT_EQ(result.ExitCode, GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgeLimits,
    testing::Values(AgeCase{2, {"-w1", "-c3"}, 2, ""},  // age 1: status verdict
                    AgeCase{3, {"-w1", "-c3"}, 1, "1 days"},
                    AgeCase{4, {"-w1", "-c3"}, 1, "1 days"},
                    AgeCase{5, {"-w1", "-c3"}, 2, "3 days"},
                    AgeCase{5, {"-c3", "-w1"}, 2, "3 days"},
                    AgeCase{5, {"-w9", "-c3"}, 2, "3 days"},
                    AgeCase{3, {"-w2"}, 2, ""},  // an age equal to the limit passes
                    AgeCase{4, {"-w2"}, 1, "2 days"}, AgeCase{4, {"-c2"}, 2, "2 days"},
                    AgeCase{400, {"-w1000"}, 2, ""}, AgeCase{400, {"-W365"}, 1, "365 days"},
                    AgeCase{-3, {"-w1"}, 1, "1 days"},  // a date ahead counts the same
                    AgeCase{-1, {"-w1"}, 2, ""}));

TEST_F(EndToEnd, CountsWholeDaysFromTodaysMidnight) {
  // Two days ago just after 00:00 is 1.99998 days before today's midnight: age 1.
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 2, 0, 0, 2);
  EXPECT_EQ(Check("Nightly", {"-c1"}).ExitCode, 0);
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 2, 0, 0, 0);
  EXPECT_EQ(Check("Nightly", {"-c1"}).Stdout,
            "Job: Nightly, last result " + DateDaysAgo(2) + " is older than 1 days\r\n");
}

// --- Directory scan ----------------------------------------------------------------------------

TEST_F(EndToEnd, ReportsAnEmptyDirectory) {
  std::ofstream(dir_ / "job.xml") << JobLog("Nightly", "19");
  const tRunResult result = Check("Nightly");
  EXPECT_EQ(result.Stdout,
            "jobvigil : No XML files found in " + PrintedDirectory(dir_) + "BE*.xml\r\n");
  EXPECT_EQ(result.ExitCode, 3);
}

TEST_F(EndToEnd, MatchesLogNamesWithoutRegardToCase) {
  for (const char* name : {"be123.XML", "BE124.xml", "BE.xml", "job.xml", "XBE1.xml", "BE1.xml2",
                           "BE1.xm", "BE1xml", "bE9.XmL"})
    WriteLog(dir_, name, JobLog("Nightly", "19"));
  const tRunResult result = Check("Nightly", {"-d2"});
  const std::string found = result.Stdout.substr(0, result.Stdout.find("Total"));
  std::vector<std::string> expected = {
      "Looking for files here : " + PrintedDirectory(dir_) + "BE*.xml",
      "  Found XML file : BE.xml"};
  // Windows wildcards also match a longer extension, through the file's short name BE1~1.XML.
  if (WindowsProgram()) expected.push_back("  Found XML file : BE1.xml2");
  for (const char* name : {"be123.XML", "BE124.xml", "bE9.XmL"})
    expected.push_back(std::string("  Found XML file : ") + name);
  EXPECT_EQ(found, Lines(expected));
  EXPECT_EQ(result.ExitCode, 0);
}

TEST_F(EndToEnd, AcceptsAThousandLogsButNotOneMore) {
  for (int i = 1; i <= 1000; ++i)
    WriteLog(dir_, "BE" + std::to_string(10000 + i) + ".xml",
             JobLog("Job" + std::to_string(i), "19"), i % 7);
  const tRunResult accepted = Check("job1000");
  EXPECT_EQ(accepted.Stdout, "Job: job1000, Success, Date:" + DateDaysAgo(1000 % 7) + "\r\n");
  EXPECT_EQ(accepted.ExitCode, 0);

  WriteLog(dir_, "BE99999.xml", JobLog("Job1", "19"));
  const tRunResult refused = Check("Job1", {"-d2"});
  const std::string tail =
      "  Found XML file : BE11000.xml\r\n  Found XML file : BE99999.xml\r\n"
      "jobvigil: Too much XML files. Aborted.\r\n";
  ASSERT_GE(refused.Stdout.size(), tail.size());
  EXPECT_EQ(refused.Stdout.substr(refused.Stdout.size() - tail.size()), tail);
  EXPECT_EQ(refused.ExitCode, 3);
  EXPECT_EQ(Check("Job1").Stdout, "jobvigil: Too much XML files. Aborted.\r\n");
}

TEST_F(EndToEnd, SkipsEntriesThatAreNotReadableLogs) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "3"), 1);
  WriteLog(dir_, "BE2.xml", "", 0);
  fs::create_directory(dir_ / "BE3.xml");
  ASSERT_EQ(mkfifo((dir_ / "BE4.xml").c_str(), 0644), 0);
  fs::create_symlink(dir_ / "missing", dir_ / "BE5.xml");
  fs::create_symlink(dir_ / "BE1.xml", dir_ / "BE6.xml");
  SetLocalDate(dir_ / "BE1.xml", 1, 1, 0, 0);
  const tRunResult result = Check("Nightly", {"-d"});
  const std::string directory = PrintedDirectory(dir_);
  const std::string yesterday = DateDaysAgo(1);
  auto opened = [&](const std::string& name, const std::string& date) {
    return std::vector<std::string>{kSeparator, "Processing file : " + directory + name,
                                    "  File date : " + date};
  };
  std::vector<std::string> expected = {"Looking for files here : " + directory + "BE*.xml",
                                       "Total XML files found : 6"};
  // Wine does not list a dangling link at all.
  const bool danglingListed = !WindowsProgram();
  if (!danglingListed) expected.back() = "Total XML files found : 5";
  const std::string size = std::to_string(JobLog("Nightly", "3").size());
  auto add = [&](std::vector<std::string> lines) {
    expected.insert(expected.end(), lines.begin(), lines.end());
  };
  auto read = [&]() {
    add({"  Reading file, size (bytes) :" + size, "  Processing XML data, size (bytes): " + size,
         "  Job name : NIGHTLY", "  Status ID : 3 (Completed with exceptions)"});
  };
  add(opened("BE1.xml", yesterday));
  read();
  add(opened("BE2.xml", DateDaysAgo(0)));
  add({"  Zero-length file. Skipped. "});
  const std::string today = DateDaysAgo(0);
  add(opened("BE3.xml", today));
  add({"  Unable to open file. Skipped."});
  add(opened("BE4.xml", today));
  add({"  Unable to open file. Skipped."});
  if (danglingListed) {
    add(opened("BE5.xml", today));
    add({"  Unable to open file. Skipped."});
  }
  add(opened("BE6.xml", yesterday));
  read();
  add({kSeparator, "Searching entries for job Nightly", "Found most recent entry for job Nightly",
       "  In file : " + directory + "BE1.xml", "  File date : " + yesterday,
       "  Status ID : 3 (Completed with exceptions)",
       "Job: Nightly, Status: Completed with exceptions, Date:" + yesterday});
  EXPECT_EQ(result.Stdout, Lines(expected));
  EXPECT_EQ(result.ExitCode, 1);
}

bool TakesLeases(const fs::path& file) {
  const int fd = open(file.c_str(), O_RDONLY);
  const bool taken = fd >= 0 && fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
  if (fd >= 0) close(fd);
  return taken;
}

TEST_F(EndToEnd, SkipsALogThatIsStillBeingWritten) {
  if (WindowsProgram()) GTEST_SKIP() << "a Linux writer does not hold a Windows share mode";
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "6"), 0);
  if (!TakesLeases(dir_ / "BE1.xml")) GTEST_SKIP() << "this file system takes no leases";
  std::ofstream writer(dir_ / "BE2.xml", std::ios::app);
  ASSERT_TRUE(writer.is_open());
  const tRunResult busy = Check("Nightly", {"-d"});
  EXPECT_NE(busy.Stdout.find("BE2.xml\r\n  File date : " + DateDaysAgo(0) +
                             "\r\n  Unable to open file. Skipped.\r\n"),
            std::string::npos)
      << busy.Stdout;
  EXPECT_TRUE(busy.Stdout.ends_with("Job: Nightly, Success, Date:" + DateDaysAgo(1) + "\r\n"));

  writer.close();
  EXPECT_EQ(Check("Nightly").Stdout,
            "Job: Nightly, Status: Completed with errors, Date:" + DateDaysAgo(0) + "\r\n");
}

TEST_F(EndToEnd, ReadsALogItCannotProbeForWriters) {
  // Without CAP_LEASE no lease can be had on another owner's file, so nothing tells whether a
  // writer has it open: it is read.
  if (WindowsProgram()) GTEST_SKIP() << "leases are the Linux program's";
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                            fs::perms::group_read | fs::perms::others_read);
  std::ofstream writer(dir_ / "BE1.xml", std::ios::app);
  tRunOptions options;
  options.User = 65534;  // nobody
  const tRunResult result = Check("Nightly", {}, options);
  if (result.ExitCode == 127) GTEST_SKIP() << "user nobody cannot run the program from here";
  EXPECT_EQ(result.Stdout, "Job: Nightly, Success, Date:" + DateDaysAgo(1) + "\r\n");
  EXPECT_EQ(result.ExitCode, 0);
}

TEST_F(EndToEnd, SkipsLogsOf2GiBAndMore) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  { std::ofstream(dir_ / "BE2.xml") << JobLog("Nightly", "6"); }
  fs::resize_file(dir_ / "BE2.xml", 2147483648ull);  // sparse: takes no room on disk
  SetLocalDate(dir_ / "BE2.xml", 0, 1, 0, 0);
  const tRunResult result = Check("Nightly", {"-d"});
  EXPECT_NE(result.Stdout.find("Processing file : " + PrintedDirectory(dir_) +
                               "BE2.xml\r\n  File date : " + DateDaysAgo(0) +
                               "\r\n  File too large. Skipped.\r\n"),
            std::string::npos)
      << result.Stdout;
  EXPECT_NE(result.Stdout.find("\r\nJob: Nightly, Success, Date:" + DateDaysAgo(1) + "\r\n"),
            std::string::npos);
  EXPECT_EQ(result.ExitCode, 0);
}

// --- Diagnostic traces -------------------------------------------------------------------------

TEST_F(EndToEnd, DebugTraceOfASmallRun) {
  const std::string first = Utf16Text(JobLog("Nightly", "19"));
  const std::string second =
      "<name>Label: Weekly</name><engine_completion_status>State: Done</engine_completion_status>";
  WriteLog(dir_, "BE00101.xml", first, 0, 2, 0);
  WriteLog(dir_, "BE00102.xml", second, 3, 2, 0);
  const std::string directory = PrintedDirectory(dir_);
  const std::string today = DateDaysAgo(0);
  const tRunResult result = Check("Nightly", {"-w5", "-d", "-c9"});
  EXPECT_EQ(result.Stdout,
            Lines({"CRITICAL threshold set to 9 days",
                   "WARNING threshold set to 5 days",
                   "Looking for files here : " + directory + "BE*.xml",
                   "Total XML files found : 2",
                   kSeparator,
                   "Processing file : " + directory + "BE00101.xml",
                   "  File date : " + today,
                   "  Reading file, size (bytes) :" + std::to_string(first.size()),
                   "  Processing XML data, size (bytes): " + std::to_string(first.size()),
                   "  Job name : NIGHTLY",
                   "  Status ID : 19 (Success)",
                   kSeparator,
                   "Processing file : " + directory + "BE00102.xml",
                   "  File date : " + DateDaysAgo(3),
                   "  Reading file, size (bytes) :" + std::to_string(second.size()),
                   "  Processing XML data, size (bytes): " + std::to_string(second.size()),
                   "  Job name : WEEKLY",
                   "  Status from file : DONE",
                   kSeparator,
                   "Searching entries for job Nightly",
                   "Found most recent entry for job Nightly",
                   "  In file : " + directory + "BE00101.xml",
                   "  File date : " + today,
                   "  Status ID : 19 (Success)",
                   "Job: Nightly, Success, Date:" + today}));
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Stderr, "");
}

TEST_F(EndToEnd, VerboseTraceShowsEveryElement) {
  const std::string log = "pre<a x=\"1\">one\r\n</a><NAME>Job: Nightly<completestatus>$13<";
  WriteLog(dir_, "BE1.xml", log);
  const tRunResult result = Check("NIGHTLY", {"-D2"});
  const std::string directory = PrintedDirectory(dir_);
  const std::string today = DateDaysAgo(0);
  const std::string size = std::to_string(log.size());
  EXPECT_EQ(result.Stdout, Lines({"Looking for files here : " + directory + "BE*.xml",
                                  "  Found XML file : BE1.xml",
                                  "Total XML files found : 1",
                                  kSeparator,
                                  "Processing file : " + directory + "BE1.xml",
                                  "  File date : " + today,
                                  "  Reading file, size (bytes) :" + size,
                                  "  Processing XML data, size (bytes): " + size,
                                  "  Processing command : ",
                                  "    With data : PRE",
                                  "  Processing command : A X=\"1\"",
                                  "    With data : ONE",
                                  "  Processing command : /A",
                                  "    With data : ",
                                  "  Processing command : NAME",
                                  "    With data : JOB: NIGHTLY",
                                  "  Job name : NIGHTLY",
                                  "  Processing command : COMPLETESTATUS",
                                  "    With data : $13",
                                  "  Status ID : $13 (Success)",
                                  kSeparator,
                                  "Searching entries for job NIGHTLY",
                                  "Found most recent entry for job NIGHTLY",
                                  "  In file : " + directory + "BE1.xml",
                                  "  File date : " + today,
                                  "  Status ID : 19 (Success)",
                                  "Job: NIGHTLY, Success, Date:" + today}));
}

// --- Dates -------------------------------------------------------------------------------------

TEST_F(EndToEnd, DatesAFileWithTheOffsetInForceAtItsOwnDate) {
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

TEST_F(EndToEnd, DatesFilesOutsideThePackedRangeTruly) {
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

// --- Failures that no step handles -------------------------------------------------------------

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

TEST_F(EndToEnd, UsageOnAClosedOutputIsAFailureToo) {
  tRunOptions options;
  options.Output = OutputClosed;
  const tRunResult result = RunProgram({}, options);
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Stderr.find("Bad file descriptor"), std::string::npos);
}

TEST_F(EndToEnd, MemoryThatCannotBeHadIsAnUnhandledFailure) {
  if (WindowsProgram()) GTEST_SKIP() << "Wine does not start within a small address-space limit";
  if (JOBVIGIL_SANITIZED) GTEST_SKIP() << "AddressSanitizer reserves more than the limit";
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"));
  { std::ofstream(dir_ / "BE2.xml") << JobLog("Nightly", "6"); }
  fs::resize_file(dir_ / "BE2.xml", 1ull << 30);
  tRunOptions options;
  options.AddressSpaceLimit = 512l << 20;
  const tRunResult result = Check("Nightly", {"-d"}, options);
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Stderr, "jobvigil : unhandled failure (out of memory) : std::bad_alloc\r\n");
  // What was written before the failure is not lost.
  EXPECT_NE(result.Stdout.find("BE2.xml\r\n  File date : "), std::string::npos);
  EXPECT_TRUE(result.Stdout.ends_with("  Reading file, size (bytes) :1073741824\r\n"))
      << result.Stdout;
}

TEST_F(EndToEnd, AFailureInsideTheScannerEndsTheRunWithItsOwnLine) {
  if (WindowsProgram()) GTEST_SKIP() << "Wine does not start within a small address-space limit";
  if (JOBVIGIL_SANITIZED) GTEST_SKIP() << "AddressSanitizer reserves more than the limit";
  // The 64 MiB buffer fits within the limit; a copy of the 64 MiB job name it holds does not.
  WriteLog(dir_, "BE1.xml", "<name>" + std::string(64 << 20, 'N') + "<");
  tRunOptions options;
  options.AddressSpaceLimit = 100l << 20;
  const tRunResult result = Check("Nightly", {}, options);
  EXPECT_EQ(result.Stdout, "jobvigil : fatal exception processing XML data\r\n");
  EXPECT_EQ(result.ExitCode, 3);
  EXPECT_EQ(result.Stderr, "");
}

// --- The Windows program's own command line ---------------------------------------------------

struct LaunchCase {
  std::string commandLine;  // "@" stands for the fixture directory
  std::string expected;     // "@" stands for today's date
  int exitCode;
};

void PrintTo(const LaunchCase& c, std::ostream* os) { *os << c.commandLine; }

class WindowsCommandLine : public EndToEnd, public testing::WithParamInterface<LaunchCase> {};

TEST_P(WindowsCommandLine, IsSplitByTheProgramItself) {
  if (!WindowsProgram()) GTEST_SKIP() << "the Linux program gets its arguments split";
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

TEST_F(EndToEnd, WindowsSkipsALogThatIsStillBeingWritten) {
  if (!WindowsProgram()) GTEST_SKIP() << "share modes are the Windows program's";
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "6"), 0);
  const tRunResult result =
      LaunchWithCommandLine("x " + dir_.string() + " Nightly -d", (dir_ / "BE2.xml").string());
  EXPECT_NE(result.Stdout.find("BE2.xml\r\n  File date : " + DateDaysAgo(0) +
                               "\r\n  Unable to open file. Skipped.\r\n"),
            std::string::npos)
      << result.Stdout;
  EXPECT_TRUE(result.Stdout.ends_with("Job: Nightly, Success, Date:" + DateDaysAgo(1) + "\r\n"));
  EXPECT_EQ(result.ExitCode, 0);
}

// --- Hostile directories ---------------------------------------------------------------------

// The debug lines of one log in a -d trace, after its "File date" line.
std::vector<std::string> LinesOfLog(const std::string& trace, const std::string& heading) {
  std::vector<std::string> lines;
  std::size_t at = trace.find("Processing file : " + heading + "\r\n");
  if (at == std::string::npos) return {"(not in the trace)"};
  at = trace.find("\r\n", trace.find("  File date : ", at)) + 2;
  for (std::size_t end; (end = trace.find("\r\n", at)) != std::string::npos; at = end + 2) {
    const std::string line = trace.substr(at, end - at);
    if (!line.starts_with("  ")) break;
    lines.push_back(line);
  }
  return lines;
}

TEST_F(EndToEnd, ReadsHostileLogsForWhatTheyAre) {
  WriteLog(dir_, "BE0.xml", JobLog("Nightly", "19"), 1);
  std::mt19937 random(20261208);
  std::string junk(65536, '\0');
  for (char& c : junk) c = static_cast<char>(random());
  WriteLog(dir_, "BE1.xml", junk);
  WriteLog(dir_, "BE2.xml", std::string(1 << 20, '\0'));
  const std::string longTag = "<" + std::string(1 << 20, 'N') + ">Nightly<completestatus>6<";
  WriteLog(dir_, "BE3.xml", longTag);
  std::string run;
  while (run.size() < (30u << 20)) run += "Backed up file C:\\Data\\report.docx > 4 KB\r\n";
  WriteLog(dir_, "BE4.xml", run);

  const tRunResult result = Check("Nightly", {"-d"});
  const std::string directory = PrintedDirectory(dir_);
  auto read = [](std::size_t size) {
    return std::vector<std::string>{"  Reading file, size (bytes) :" + std::to_string(size),
                                    "  Processing XML data, size (bytes): " + std::to_string(size)};
  };
  EXPECT_EQ(LinesOfLog(result.Stdout, directory + "BE1.xml"), read(junk.size()));
  EXPECT_EQ(LinesOfLog(result.Stdout, directory + "BE2.xml"), read(1 << 20));
  std::vector<std::string> tagged = read(longTag.size());
  tagged.push_back("  Status ID : 6 (Completed with errors)");
  EXPECT_EQ(LinesOfLog(result.Stdout, directory + "BE3.xml"), tagged);
  EXPECT_EQ(LinesOfLog(result.Stdout, directory + "BE4.xml"), read(run.size()));
  EXPECT_TRUE(
      result.Stdout.ends_with("\r\nJob: Nightly, Success, Date:" + DateDaysAgo(1) + "\r\n"));
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Stderr, "");
}

TEST_F(EndToEnd, SkipsALinkThatLeadsToItself) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "3"), 1);
  fs::create_symlink("BE2.xml", dir_ / "BE2.xml");
  const tRunResult result = Check("Nightly", {"-d"});
  // Wine leaves such a link out of the listing; Linux lists it with the link's own date.
  if (!WindowsProgram()) {
    EXPECT_EQ(LinesOfLog(result.Stdout, PrintedDirectory(dir_) + "BE2.xml"),
              std::vector<std::string>{"  Unable to open file. Skipped."});
  }
  EXPECT_TRUE(result.Stdout.ends_with(
      "\r\nJob: Nightly, Status: Completed with exceptions, Date:" + DateDaysAgo(1) + "\r\n"));
  EXPECT_EQ(result.ExitCode, 1);
}

TEST_F(EndToEnd, SkipsALogThatVanishesAfterTheListing) {
  // The first log is large enough to be read for a while; as soon as it is opened, the second
  // one is deleted, after the listing has given it a slot.
  std::string run;
  while (run.size() < (30u << 20)) run += "Verified C:\\Data\\report.docx\r\n";
  WriteLog(dir_, "BE1.xml", run, 1);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "19"), 0);
  WriteLog(dir_, "BE3.xml", JobLog("Nightly", "6"), 2);
  const int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, dir_.c_str(), IN_OPEN), 0);
  std::thread remover([&] {
    alignas(inotify_event) char events[4096];
    for (;;) {
      const ssize_t got = read(watch, events, sizeof events);
      if (got <= 0) return;
      for (char* at = events; at < events + got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        if (event->len > 0 && std::string(event->name) == "BE1.xml") {
          fs::remove(dir_ / "BE2.xml");
          return;
        }
        at += sizeof(inotify_event) + event->len;
      }
    }
  });
  const tRunResult result = Check("Nightly", {"-d"});
  remover.join();
  close(watch);
  EXPECT_EQ(LinesOfLog(result.Stdout, PrintedDirectory(dir_) + "BE2.xml"),
            std::vector<std::string>{"  Unable to open file. Skipped."});
  EXPECT_TRUE(result.Stdout.ends_with(
      "\r\nJob: Nightly, Status: Completed with errors, Date:" + DateDaysAgo(2) + "\r\n"));
  EXPECT_EQ(result.ExitCode, 2);
}

// A system file that opens, claims a size, and then fails every read, even for root.
std::string UnreadableSystemFile() {
  for (const char* path : {"/sys/devices/system/cpu/power/autosuspend_delay_ms",
                           "/sys/devices/system/cpu/cpu0/power/autosuspend_delay_ms",
                           "/sys/devices/system/clockevents/power/autosuspend_delay_ms"}) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) continue;
    char byte;
    const bool fails = read(fd, &byte, 1) < 0 && errno == EIO;
    close(fd);
    if (fails) return path;
  }
  return "";
}

TEST_F(EndToEnd, ReportsALogThatCannotBeReadOrComesUpShort) {
  const std::string unreadable = UnreadableSystemFile();
  if (unreadable.empty()) GTEST_SKIP() << "no system file here fails its reads";
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  fs::create_symlink(unreadable, dir_ / "BE2.xml");
  fs::create_symlink("/sys/kernel/uevent_seqnum", dir_ / "BE3.xml");  // 4096 bytes, a few read
  const tRunResult result = Check("Nightly", {"-d"});
  const std::vector<std::string> failed = {"  Reading file, size (bytes) :4096",
                                           "  Error reading file"};
  EXPECT_EQ(LinesOfLog(result.Stdout, PrintedDirectory(dir_) + "BE2.xml"), failed);
  EXPECT_EQ(LinesOfLog(result.Stdout, PrintedDirectory(dir_) + "BE3.xml"), failed);
  EXPECT_TRUE(
      result.Stdout.ends_with("\r\nJob: Nightly, Success, Date:" + DateDaysAgo(1) + "\r\n"));
  EXPECT_EQ(result.ExitCode, 0);
}

TEST_F(EndToEnd, ReportsADirectoryArgumentThatIsAFileOrCannotBeListed) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"));
  const std::string file = (dir_ / "BE1.xml").string();
  const tRunResult notADirectory = RunProgram({file, "Nightly"});
  EXPECT_EQ(notADirectory.Stdout,
            "jobvigil : No XML files found in " + PrintedDirectory(file) + "BE*.xml\r\n");
  EXPECT_EQ(notADirectory.ExitCode, 3);

  if (WindowsProgram() || geteuid() != 0) return;  // needs root to run as another user
  fs::permissions(dir_, fs::perms::owner_all);
  tRunOptions options;
  options.User = 65534;  // nobody, who may not list the directory
  const tRunResult refused = Check("Nightly", {}, options);
  if (refused.ExitCode == 127) GTEST_SKIP() << "user nobody cannot run the program from here";
  EXPECT_EQ(refused.Stdout,
            "jobvigil : No XML files found in " + PrintedDirectory(dir_) + "BE*.xml\r\n");
  EXPECT_EQ(refused.ExitCode, 3);
}

TEST_F(EndToEnd, ReportsAListingThatFailsPartway) {
  if (WindowsProgram()) GTEST_SKIP() << "the failing listing is preloaded into the Linux program";
  if (JOBVIGIL_SANITIZED) GTEST_SKIP() << "AddressSanitizer must be the first library loaded";
  for (int i = 1; i <= 5; ++i)
    WriteLog(dir_, "BE" + std::to_string(i) + ".xml", JobLog("Nightly", "19"), i);
  // Part of a listing could miss the newest log, and answer with an older one's status.
  for (const char* failing : {"readdir", "stat"}) {
    tRunOptions options;
    options.Environment = {std::string("LD_PRELOAD=") + JOBVIGIL_FAILING_LISTING,
                           std::string("FAIL_LISTING=") + failing};
    const tRunResult result = Check("Nightly", {}, options);
    EXPECT_EQ(result.Stdout,
              "jobvigil : No XML files found in " + PrintedDirectory(dir_) + "BE*.xml\r\n")
        << failing;
    EXPECT_EQ(result.ExitCode, 3) << failing;
  }
  EXPECT_EQ(Check("Nightly").Stdout, "Job: Nightly, Success, Date:" + DateDaysAgo(1) + "\r\n");
}

TEST_F(EndToEnd, ChoosesTheFirstListedOfAThousandEquallyDatedLogs) {
  for (int i = 1000; i >= 1; --i) {
    const std::string code = i == 1 ? "3" : "6";
    WriteLog(dir_, "BE" + std::to_string(1000 + i) + ".xml", JobLog("Nightly", code), 1, 9, 30);
  }
  const tRunResult result = Check("Nightly", {"-d"});
  EXPECT_NE(result.Stdout.find("Found most recent entry for job Nightly\r\n  In file : " +
                               PrintedDirectory(dir_) + "BE1001.xml\r\n"),
            std::string::npos);
  EXPECT_TRUE(result.Stdout.ends_with(
      "\r\nJob: Nightly, Status: Completed with exceptions, Date:" + DateDaysAgo(1) + "\r\n"));
  EXPECT_EQ(result.ExitCode, 1);
}

// --- The check without diagnostics against the full pass ---------------------------------------

// Without diagnostics the logs are read newest first and reading stops at the first that names
// the job; with -d every log is read in table order. Both must end in the same line and code.
TEST_F(EndToEnd, AnswersAsTheFullPassDoesWhateverTheDirectory) {
  std::mt19937 random(20261208);
  const char* const jobs[] = {"Nightly", "Weekly", "Daily"};
  const char* const codes[] = {"19", "3", "6", "", "2"};
  const std::string unreadable = UnreadableSystemFile();
  for (int round = 0; round < 6; ++round) {
    for (const auto& entry : fs::directory_iterator(dir_)) fs::remove_all(entry.path());
    const int logs = 3 + static_cast<int>(random() % 10);
    for (int i = 0; i < logs; ++i) {
      const std::string name = "BE" + std::to_string(100 + i) + ".xml";
      // Few distinct dates, so that equally dated logs are common.
      const int daysAgo = static_cast<int>(random() % 3);
      const int hour = 1 + static_cast<int>(random() % 2);
      std::string log = JobLog(jobs[random() % 3], codes[random() % 5]);
      switch (random() % 8) {
        case 0:
          fs::create_directory(dir_ / name);
          continue;
        case 1:
          ASSERT_EQ(mkfifo((dir_ / name).c_str(), 0644), 0);
          continue;
        case 2:
          if (!unreadable.empty()) fs::create_symlink(unreadable, dir_ / name);
          continue;
        case 3:
          log.clear();
          break;
        case 4:
          // Long enough that its elements come in a later chunk, some across a chunk's end.
          log = std::string(250000 + random() % 20000, ' ') + log;
          break;
      }
      WriteLog(dir_, name, random() % 2 ? Utf16Text(log) : log, daysAgo, hour);
    }
    WriteLog(dir_, "BE999.xml", JobLog("Oldest", "19"), 5);  // the only log of its job
    for (const char* job : {"Nightly", "Weekly", "Daily", "Oldest", "Absent"}) {
      const tRunResult fast = Check(job, {"-w3"});
      const tRunResult full = Check(job, {"-w3", "-d"});
      const std::size_t lastLine = full.Stdout.rfind("\r\n", full.Stdout.size() - 3);
      EXPECT_EQ(fast.Stdout, full.Stdout.substr(lastLine + 2)) << "round " << round << ", " << job;
      EXPECT_EQ(fast.ExitCode, full.ExitCode) << "round " << round << ", " << job;
    }
  }
}

// --- Sample logs -------------------------------------------------------------------------------

TEST_F(EndToEnd, ChecksEachSampleLogAsTheReadmeSays) {
  // The bundled logs, dated today as a fresh clone dates them.
  for (const auto& entry : fs::directory_iterator(JOBVIGIL_EXAMPLES)) {
    std::ifstream in(entry.path(), std::ios::binary);
    WriteLog(dir_, entry.path().filename().string(),
             std::string(std::istreambuf_iterator<char>(in), {}), 0);
  }
  const struct {
    const char* job;
    const char* line;  // before the date
    int exitCode;
  } promised[] = {
      {"Nightly", "Job: Nightly, Success, Date:", 0},
      {"File Server", "Job: File Server, Success, Date:", 0},
      {"Weekly Full", "Job: Weekly Full, Status: Completed with exceptions, Date:", 1},
      {"Print Queue", "Job: Print Queue, Status: Dispatched, Date:", 1},
      {"Exchange", "Job: Exchange, Status: Completed with errors, Date:", 2},
      {"Archive", "Job: Archive, Status: Canceled, Date:", 2},
      {"SQL Logs", "Job: SQL Logs, Status: Unknown, Date:", 2},
  };
  for (const auto& sample : promised) {
    const tRunResult result = Check(sample.job);
    EXPECT_EQ(result.Stdout, sample.line + DateDaysAgo(0) + "\r\n");
    EXPECT_EQ(result.ExitCode, sample.exitCode) << sample.job;
  }
}

TEST_F(EndToEnd, ChecksTheLogsTheSampleToolWrites) {
  const tRunResult written = RunSampleTool({dir_.string(), "Nightly", "-s3", "-a2", "-n3"});
  ASSERT_EQ(written.ExitCode, 0) << written.Stderr;
  const std::string date = DateDaysAgo(3);  // 22:00 the evening before the day 2 days ago
  EXPECT_EQ(Check("Nightly", {"-w1", "-c4"}).Stdout,
            "Job: Nightly, last result " + date + " is older than 1 days\r\n");
  EXPECT_EQ(Check("Nightly", {"-w2"}).Stdout,
            "Job: Nightly, Status: Completed with exceptions, Date:" + date + "\r\n");

  ASSERT_EQ(RunSampleTool({dir_.string(), "SQL Logs", "-snone", "-8"}).ExitCode, 0);
  const tRunResult unknown = Check("sql logs", {"-c1"});
  EXPECT_EQ(unknown.Stdout, "Job: sql logs, Status: Unknown, Date:" + DateDaysAgo(1) + "\r\n");
  EXPECT_EQ(unknown.ExitCode, 2);

  ASSERT_EQ(RunSampleTool({dir_.string(), "Archive"}).ExitCode, 0);
  EXPECT_EQ(Check("Archive").Stdout, "Job: Archive, Success, Date:" + DateDaysAgo(1) + "\r\n");
  EXPECT_EQ(RunSampleTool({dir_.string(), "Archive", "-ax"}).ExitCode, 2);
}

}  // namespace
