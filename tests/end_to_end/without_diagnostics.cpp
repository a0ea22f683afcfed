// End-to-end tests: the check without diagnostics, which reads newest first and stops early,
// against the full pass.
#include <sys/stat.h>

#include <filesystem>
#include <random>

#include "sample_log.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

using NewestFirst = EndToEnd;

// Without diagnostics the logs are read newest first and reading stops at the first that names
// the job; with -d every log is read in table order. Both must end in the same line and code.
TEST_F(NewestFirst, AnswersAsTheFullPassDoesWhateverTheDirectory) {
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

}  // namespace
