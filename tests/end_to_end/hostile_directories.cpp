// End-to-end tests: directories that try to hang, crash or fool the check.
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <thread>

#include "sample_log.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

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

}  // namespace
