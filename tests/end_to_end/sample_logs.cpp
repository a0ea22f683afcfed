// End-to-end tests: the bundled sample logs and those jobvigil-sample writes.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "sample_log.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

using SampleLogs = EndToEnd;

TEST_F(SampleLogs, ChecksEachSampleLogAsTheReadmeSays) {
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

TEST_F(SampleLogs, ChecksTheLogsTheSampleToolWrites) {
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

  // A history: a success, then three failures, two days apart.
  ASSERT_EQ(RunSampleTool({dir_.string(), "Exchange", "-s6", "-n4", "-f3", "-i2"}).ExitCode, 0);
  EXPECT_EQ(Check("Exchange").Stdout,
            "Job: Exchange, Status: Completed with errors, Date:" + DateDaysAgo(1) + "\r\n");
  const std::string listed = RunJobListing({dir_.string()}).Stdout;
  EXPECT_NE(listed.find(" " + DateDaysAgo(7) + " 22:00  3  "), std::string::npos) << listed;

  ASSERT_EQ(RunSampleTool({dir_.string(), "Archive"}).ExitCode, 0);
  EXPECT_EQ(Check("Archive").Stdout, "Job: Archive, Success, Date:" + DateDaysAgo(1) + "\r\n");
  EXPECT_EQ(RunSampleTool({dir_.string(), "Archive", "-ax"}).ExitCode, 2);
}

// A name typed in UTF-8 is written as its characters, not as one character a byte.
TEST_F(SampleLogs, SampleToolWritesANameAsItsCharacters) {
  const struct {
    const char* typed;
    std::u16string characters;
  } names[] = {
      {"Sauvegarde compl\xc3\xa8te", u"Sauvegarde compl\u00e8te"},
      {"\xd0\xa0\xd0\xb5\xd0\xb7\xd0\xb5\xd1\x80\xd0\xb2", u"\u0420\u0435\u0437\u0435\u0440\u0432"},
      {"\xf0\x9f\x92\xbe \xe2\x82\xac", u"\U0001f4be \u20ac"},
      {"Caf\xe9", u"Caf\u00e9"}};  // not UTF-8: each byte a character
  for (const auto& name : names) {
    const fs::path dir = dir_ / std::to_string(&name - names);
    ASSERT_EQ(RunSampleTool({dir.string(), name.typed}).ExitCode, 0);
    std::ifstream in(dir / SampleLogName(1), std::ios::binary);
    const std::string log(std::istreambuf_iterator<char>(in), {});
    std::string expected;
    for (const char16_t unit : u"<name>Job name: " + name.characters + u"</name>") {
      expected += static_cast<char>(unit & 0xFF);
      expected += static_cast<char>(unit >> 8);
    }
    EXPECT_NE(log.find(expected), std::string::npos) << name.typed;
  }
}

}  // namespace
