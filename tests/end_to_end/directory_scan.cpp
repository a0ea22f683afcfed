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

}  // namespace
