// End-to-end tests: the listing: which entries are logs, how many, and which are skipped.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "sample_log.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

using DirectoryScan = EndToEnd;

TEST_F(DirectoryScan, MatchesLogNamesWithoutRegardToCase) {
  // Logs without any tag, so that -d2 writes no element lines.
  for (const char* name : {"be123.XML", "BE124.xml", "BE.xml", "job.xml", "XBE1.xml", "BE1.xml2",
                           "BE1.xm", "BE1xml", "bE9.XmL"})
    WriteLog(dir_, name, "x");
  std::vector<std::string> listed = {"BE.xml", "be123.XML", "BE124.xml", "bE9.XmL"};
  // Windows wildcards also match a longer extension, through the file's short name BE1~1.XML.
  if (WindowsProgram()) listed.insert(listed.begin() + 1, "BE1.xml2");
  std::vector<std::string> listing = {"Looking for files here : " + PrintedDirectory(dir_) +
                                      "BE*.xml"};
  std::string logs;
  for (const std::string& name : listed) {
    listing.push_back("  Found XML file : " + name);
    logs += Lines(LogTrace(dir_, name, DateDaysAgo(0), ReadTrace(1)));
  }
  listing.push_back("Total XML files found : " + std::to_string(listed.size()));
  const tRunResult result = Check("Nightly", {"-d2"});
  EXPECT_EQ(result.Stdout, Lines(listing) + logs +
                               Lines({kSeparator, "Searching entries for job Nightly",
                                      "jobvigil : No XML file for job name Nightly"}));
  EXPECT_EQ(result.ExitCode, 3);
}

TEST_F(DirectoryScan, AcceptsAThousandLogsButNotOneMore) {
  for (int i = 1; i <= 1000; ++i)
    WriteLog(dir_, "BE" + std::to_string(10000 + i) + ".xml",
             JobLog("Job" + std::to_string(i), "19"), i % 7);
  const tRunResult accepted = Check("job1000");
  EXPECT_EQ(accepted.Stdout, "Job: job1000, Success, Date:" + DateDaysAgo(1000 % 7) + "\r\n");
  EXPECT_EQ(accepted.ExitCode, 0);

  // The 1001st entry is listed, and then the run ends.
  WriteLog(dir_, "BE99999.xml", JobLog("Job1", "19"));
  std::vector<std::string> expected = {"Looking for files here : " + PrintedDirectory(dir_) +
                                       "BE*.xml"};
  for (int i = 1; i <= 1000; ++i)
    expected.push_back("  Found XML file : BE" + std::to_string(10000 + i) + ".xml");
  expected.push_back("  Found XML file : BE99999.xml");
  expected.push_back("jobvigil: Too much XML files. Aborted.");
  const tRunResult refused = Check("Job1", {"-d2"});
  EXPECT_EQ(refused.Stdout, Lines(expected));
  EXPECT_EQ(refused.ExitCode, 3);
  EXPECT_EQ(Check("Job1").Stdout, "jobvigil: Too much XML files. Aborted.\r\n");
}

TEST_F(DirectoryScan, SkipsEntriesThatAreNotReadableLogs) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "3"), 1);
  WriteLog(dir_, "BE2.xml", "", 0);
  fs::create_directory(dir_ / "BE3.xml");
  ASSERT_EQ(mkfifo((dir_ / "BE4.xml").c_str(), 0644), 0);
  fs::create_symlink(dir_ / "missing", dir_ / "BE5.xml");
  fs::create_symlink(dir_ / "BE1.xml", dir_ / "BE6.xml");
  SetLocalDate(dir_ / "BE1.xml", 1, 1, 0, 0);
  const tRunResult result = Check("Nightly", {"-d"});
  const std::string today = DateDaysAgo(0);
  const std::string yesterday = DateDaysAgo(1);
  const std::vector<std::string> read = ReadJobLog("Nightly", "3", "Completed with exceptions");
  const std::vector<std::string> unopened = {"  Unable to open file. Skipped."};
  // Wine does not list a dangling link at all.
  const bool danglingListed = !WindowsProgram();
  EXPECT_EQ(
      result.Stdout,
      Trace(
          {ListingTrace(dir_, danglingListed ? 6 : 5),
           LogTrace(dir_, "BE1.xml", yesterday, read),
           LogTrace(dir_, "BE2.xml", today, {"  Zero-length file. Skipped. "}),
           LogTrace(dir_, "BE3.xml", today, unopened),
           LogTrace(dir_, "BE4.xml", today, unopened),
           danglingListed ? LogTrace(dir_, "BE5.xml", today, unopened) : std::vector<std::string>{},
           LogTrace(dir_, "BE6.xml", yesterday, read),
           ChoiceTrace(dir_, "Nightly", "BE1.xml", yesterday, "3 (Completed with exceptions)"),
           {"Job: Nightly, Status: Completed with exceptions, Date:" + yesterday}}));
  EXPECT_EQ(result.ExitCode, 1);
}

bool TakesLeases(const fs::path& file) {
  const int fd = open(file.c_str(), O_RDONLY);
  const bool taken = fd >= 0 && fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
  if (fd >= 0) close(fd);
  return taken;
}

TEST_F(DirectoryScan, SkipsALogThatIsStillBeingWritten) {
  if (SkipUnlessBuild(LinuxBuild, "a Linux writer does not hold a Windows share mode")) return;
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "6"), 0);
  if (!TakesLeases(dir_ / "BE1.xml")) GTEST_SKIP() << "this file system takes no leases";
  std::ofstream writer(dir_ / "BE2.xml", std::ios::app);
  ASSERT_TRUE(writer.is_open());
  const tRunResult busy = Check("Nightly", {"-d"});
  EXPECT_EQ(busy.Stdout, TraceWithSkippedLog(dir_, "  Unable to open file. Skipped."));

  writer.close();
  EXPECT_EQ(Check("Nightly").Stdout,
            "Job: Nightly, Status: Completed with errors, Date:" + DateDaysAgo(0) + "\r\n");
}

TEST_F(DirectoryScan, ReadsALogItCannotProbeForWriters) {
  // Without CAP_LEASE no lease can be had on another owner's file, so nothing tells whether a
  // writer has it open: it is read.
  if (SkipUnlessBuild(LinuxBuild, "leases are the Linux program's")) return;
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                            fs::perms::group_read | fs::perms::others_read);
  std::ofstream writer(dir_ / "BE1.xml", std::ios::app);
  const tRunResult result = Check("Nightly", {}, {.User = 65534});  // nobody
  if (result.ExitCode == 127) GTEST_SKIP() << "user nobody cannot run the program from here";
  EXPECT_EQ(result.Stdout, "Job: Nightly, Success, Date:" + DateDaysAgo(1) + "\r\n");
  EXPECT_EQ(result.ExitCode, 0);
}

TEST_F(DirectoryScan, SkipsLogsOf2GiBAndMore) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  { std::ofstream(dir_ / "BE2.xml") << JobLog("Nightly", "6"); }
  fs::resize_file(dir_ / "BE2.xml", 2147483648ull);  // sparse: takes no room on disk
  SetLocalDate(dir_ / "BE2.xml", 0, 1, 0, 0);
  const tRunResult result = Check("Nightly", {"-d"});
  EXPECT_EQ(result.Stdout, TraceWithSkippedLog(dir_, "  File too large. Skipped."));
  EXPECT_EQ(result.ExitCode, 0);
}

}  // namespace
