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

using HostileDirectories = EndToEnd;

TEST_F(HostileDirectories, ReadsHostileLogsForWhatTheyAre) {
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
  const std::string today = DateDaysAgo(0);
  EXPECT_EQ(
      result.Stdout,
      Trace({ListingTrace(dir_, 5),
             LogTrace(dir_, "BE0.xml", DateDaysAgo(1), ReadJobLog("Nightly", "19", "Success")),
             LogTrace(dir_, "BE1.xml", today, ReadTrace(junk.size())),
             LogTrace(dir_, "BE2.xml", today, ReadTrace(1 << 20)),
             LogTrace(dir_, "BE3.xml", today,
                      ReadTrace(longTag.size(), {"  Status ID : 6 (Completed with errors)"})),
             LogTrace(dir_, "BE4.xml", today, ReadTrace(run.size())),
             ChoiceTrace(dir_, "Nightly", "BE0.xml", DateDaysAgo(1), "19 (Success)"),
             {"Job: Nightly, Success, Date:" + DateDaysAgo(1)}}));
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Stderr, "");
}

TEST_F(HostileDirectories, SkipsALinkThatLeadsToItself) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "3"), 1);
  fs::create_symlink("BE2.xml", dir_ / "BE2.xml");
  const tRunResult result = Check("Nightly", {"-d"});
  const std::string yesterday = DateDaysAgo(1);
  // Wine leaves such a link out of the listing; Linux lists it with the link's own date.
  const bool listed = !WindowsProgram();
  EXPECT_EQ(
      result.Stdout,
      Trace({ListingTrace(dir_, listed ? 2 : 1),
             LogTrace(dir_, "BE1.xml", yesterday,
                      ReadJobLog("Nightly", "3", "Completed with exceptions")),
             listed ? LogTrace(dir_, "BE2.xml", DateDaysAgo(0), {"  Unable to open file. Skipped."})
                    : std::vector<std::string>{},
             ChoiceTrace(dir_, "Nightly", "BE1.xml", yesterday, "3 (Completed with exceptions)"),
             {"Job: Nightly, Status: Completed with exceptions, Date:" + yesterday}}));
  EXPECT_EQ(result.ExitCode, 1);
}

TEST_F(HostileDirectories, SkipsALogThatVanishesAfterTheListing) {
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
  EXPECT_EQ(
      result.Stdout,
      Trace({ListingTrace(dir_, 3),
             LogTrace(dir_, "BE1.xml", DateDaysAgo(1), ReadTrace(run.size())),
             LogTrace(dir_, "BE2.xml", DateDaysAgo(0), {"  Unable to open file. Skipped."}),
             LogTrace(dir_, "BE3.xml", DateDaysAgo(2),
                      ReadJobLog("Nightly", "6", "Completed with errors")),
             ChoiceTrace(dir_, "Nightly", "BE3.xml", DateDaysAgo(2), "6 (Completed with errors)"),
             {"Job: Nightly, Status: Completed with errors, Date:" + DateDaysAgo(2)}}));
  EXPECT_EQ(result.ExitCode, 2);
}

TEST_F(HostileDirectories, ReportsALogThatCannotBeReadOrComesUpShort) {
  const std::string unreadable = UnreadableSystemFile();
  if (unreadable.empty()) GTEST_SKIP() << "no system file here fails its reads";
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  fs::create_symlink(unreadable, dir_ / "BE2.xml");
  fs::create_symlink("/sys/kernel/uevent_seqnum", dir_ / "BE3.xml");  // 4096 bytes, a few read
  const tRunResult result = Check("Nightly", {"-d"});
  const std::vector<std::string> failed = {"  Reading file, size (bytes) :4096",
                                           "  Error reading file"};
  EXPECT_EQ(
      result.Stdout,
      Trace({ListingTrace(dir_, 3),
             LogTrace(dir_, "BE1.xml", DateDaysAgo(1), ReadJobLog("Nightly", "19", "Success")),
             LogTrace(dir_, "BE2.xml", FileDate(dir_ / "BE2.xml"), failed),
             LogTrace(dir_, "BE3.xml", FileDate(dir_ / "BE3.xml"), failed),
             ChoiceTrace(dir_, "Nightly", "BE1.xml", DateDaysAgo(1), "19 (Success)"),
             {"Job: Nightly, Success, Date:" + DateDaysAgo(1)}}));
  EXPECT_EQ(result.ExitCode, 0);
}

TEST_F(HostileDirectories, ReportsADirectoryArgumentThatIsAFileOrCannotBeListed) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"));
  const std::string file = (dir_ / "BE1.xml").string();
  const tRunResult notADirectory = RunProgram({file, "Nightly"});
  EXPECT_EQ(notADirectory.Stdout,
            "jobvigil : No XML files found in " + PrintedDirectory(file) + "BE*.xml\r\n");
  EXPECT_EQ(notADirectory.ExitCode, 3);

  if (SkipUnlessBuild(LinuxBuild, "only the Linux program is run as another user")) return;
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  fs::permissions(dir_, fs::perms::owner_all);
  const tRunResult refused = Check("Nightly", {}, {.User = 65534});  // nobody may not list it
  if (refused.ExitCode == 127) GTEST_SKIP() << "user nobody cannot run the program from here";
  EXPECT_EQ(refused.Stdout,
            "jobvigil : No XML files found in " + PrintedDirectory(dir_) + "BE*.xml\r\n");
  EXPECT_EQ(refused.ExitCode, 3);
}

TEST_F(HostileDirectories, ReportsAListingThatFailsPartway) {
  for (int i = 1; i <= 5; ++i)
    WriteLog(dir_, "BE" + std::to_string(i) + ".xml", JobLog("Nightly", "19"), i);
  // Part of a listing could miss the newest log, and answer with an older one's status.
  for (const std::string failing : {"readdir", "stat"}) {
    const std::optional<tRunOptions> options = PreloadFakeSystem({"FAIL_LISTING=" + failing});
    if (!options) return;
    const tRunResult result = Check("Nightly", {}, *options);
    EXPECT_EQ(result.Stdout,
              "jobvigil : No XML files found in " + PrintedDirectory(dir_) + "BE*.xml\r\n")
        << failing;
    EXPECT_EQ(result.ExitCode, 3) << failing;
  }
  EXPECT_EQ(Check("Nightly").Stdout, "Job: Nightly, Success, Date:" + DateDaysAgo(1) + "\r\n");
}

TEST_F(HostileDirectories, ChoosesTheFirstListedOfAThousandEquallyDatedLogs) {
  for (int i = 1000; i >= 1; --i) {
    const std::string code = i == 1 ? "3" : "6";
    WriteLog(dir_, "BE" + std::to_string(1000 + i) + ".xml", JobLog("Nightly", code), 1, 9, 30);
  }
  const tRunResult result = Check("Nightly", {"-d"});
  const std::string date = DateDaysAgo(1);
  std::string expected = Lines(ListingTrace(dir_, 1000));
  for (int i = 1; i <= 1000; ++i) {
    expected += Lines(LogTrace(dir_, "BE" + std::to_string(1000 + i) + ".xml", date,
                               i == 1 ? ReadJobLog("Nightly", "3", "Completed with exceptions")
                                      : ReadJobLog("Nightly", "6", "Completed with errors")));
  }
  EXPECT_EQ(result.Stdout,
            expected + Trace({ChoiceTrace(dir_, "Nightly", "BE1001.xml", date,
                                          "3 (Completed with exceptions)"),
                              {"Job: Nightly, Status: Completed with exceptions, Date:" + date}}));
  EXPECT_EQ(result.ExitCode, 1);
}

}  // namespace
