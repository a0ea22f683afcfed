// End-to-end tests: jobvigil-jobs lists every job with the very answer the check gives for it.
#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "sample_log.h"
#include "support.h"

using namespace e2e;

namespace {

// A line the check printed as the listing's JSON holds it: a line that is not UTF-8 (a wording
// from a log, a name in code page 1252) with each byte as the ISO-8859-1 character.
std::string AsJsonHoldsIt(const std::string& bytes) {
  try {
    nlohmann::json(bytes).dump();
    return bytes;
  } catch (const nlohmann::json::type_error&) {
  }
  std::string utf8;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | b >> 6);
      utf8 += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return utf8;
}

// Several jobs: one failed after it succeeded, two logs of one job at the same time, a job in
// UTF-16 beyond ASCII, one whose name has a quote and a backslash, one too old, a log without a
// name and one that cannot be read, and a status wording that is not UTF-8.
void WriteJobs(const std::filesystem::path& dir) {
  WriteLog(dir, "BE01.xml", JobLog("Nightly", "19"), 2);
  WriteLog(dir, "BE02.xml", JobLog("Nightly", "6"), 0);
  WriteLog(dir, "BE03.xml", JobLog("Weekly Full", "3"), 1, 9, 30);
  WriteLog(dir, "BE04.xml", JobLog("Weekly Full", "19"), 1, 9, 30);
  WriteLog(dir, "BE05.xml", Utf16Text(JobLog("Sauvegarde compl\xe8te", "19")), 1);
  WriteLog(dir, "BE06.xml", JobLog("Quote \"A\\B\"", "1"), 0);
  WriteLog(dir, "BE07.xml", JobLog("Archive", "19"), 6);
  WriteLog(dir, "BE08.xml", "<log><completestatus>19</completestatus></log>", 0);
  WriteLog(dir, "BE09.xml", "", 0);
  WriteLog(dir, "BE10.xml",
           JobLog("Exchange", "") +
               "<engine_completion_status>Job: Termin\xe9</engine_completion_status><x>",
           0);
}

TEST_F(EndToEnd, ListsEveryJobWithTheChecksOwnAnswer) {
  WriteJobs(dir_);
  // Under this locale Wine takes the arguments as UTF-8 (its ANSI code page is then 1252).
  tRunOptions options;
  options.Environment = {"LC_ALL=C.UTF-8"};
  const tRunResult listed = RunJobListing({dir_.string(), "-w1", "-c3", "--json"}, options);
  ASSERT_EQ(listed.ExitCode, 0) << listed.Stdout << listed.Stderr;
  const nlohmann::json jobs = nlohmann::json::parse(listed.Stdout);
  ASSERT_TRUE(jobs.is_array());
  std::vector<std::string> names;
  for (const nlohmann::json& job : jobs) {
    const std::string name = job.at("job");
    names.push_back(name);
    // The id, which monitoring systems key the job by, is the name's bytes in hexadecimal.
    std::string bytes;
    const std::string id = job.at("id");
    for (std::size_t i = 0; i + 1 < id.size(); i += 2)
      bytes += static_cast<char>(std::stoi(id.substr(i, 2), nullptr, 16));
    EXPECT_EQ(AsJsonHoldsIt(bytes), name);
    // The Windows command line has no escape character: no argument there holds a quote.
    if (WindowsProgram() && name.find('"') != std::string::npos) continue;
    const tRunResult check = Check(name, {"-w1", "-c3"}, options);
    EXPECT_EQ(job.at("line"), AsJsonHoldsIt(check.Stdout.substr(0, check.Stdout.size() - 2)))
        << name;
    EXPECT_EQ(job.at("state"), check.ExitCode) << name;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"ARCHIVE", "EXCHANGE", "NIGHTLY", "QUOTE \"A\\B\"",
                                             "SAUVEGARDE COMPL\u00e8TE", "WEEKLY FULL"}));
}

TEST_F(EndToEnd, ListsJobsAsATableForPeople) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  WriteLog(dir_, "BE2.xml", JobLog("Weekly Full", "3"), 4);
  const std::string yesterday = DateDaysAgo(1);
  const std::string older = DateDaysAgo(4);
  const auto date = [&](const std::string& text) {
    return text + std::string(std::max(yesterday.size(), older.size()) - text.size(), ' ');
  };
  const tRunResult listed = RunJobListing({dir_.string(), "-c2"});
  EXPECT_EQ(listed.Stdout, Lines({"JOB          STATE     " + date("DATE") + "  LOG      LINE",
                                  "NIGHTLY      OK        " + date(yesterday) +
                                      "  BE1.xml  Job: NIGHTLY, Success, Date:" + yesterday,
                                  "WEEKLY FULL  CRITICAL  " + date(older) +
                                      "  BE2.xml  Job: WEEKLY FULL, last result " + older +
                                      " is older than 2 days"}));
  EXPECT_EQ(listed.ExitCode, 0);
}

TEST_F(EndToEnd, ListingAnswersAsTheCheckWhereItCannotList) {
  const tRunResult empty = RunJobListing({dir_.string()});
  EXPECT_EQ(empty.Stdout,
            "jobvigil : No XML files found in " + PrintedDirectory(dir_) + "BE*.xml\r\n");
  EXPECT_EQ(empty.ExitCode, 3);
  // As JSON, the same line in an object where the jobs' array would stand.
  const tRunResult json = RunJobListing({dir_.string(), "--json"});
  EXPECT_EQ(
      nlohmann::json::parse(json.Stdout),
      nlohmann::json({{"state", 3}, {"line", empty.Stdout.substr(0, empty.Stdout.size() - 2)}}));
  EXPECT_EQ(json.ExitCode, 3);
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{}, {dir_.string(), "-d"}, {dir_.string(), "-w0"}}) {
    const tRunResult usage = RunJobListing(bad);
    EXPECT_TRUE(usage.Stdout.starts_with("\r\njobvigil-jobs v1.1")) << usage.Stdout;
    EXPECT_EQ(usage.ExitCode, 3);
  }
}

// A limit switch left empty, as an agent without a shell passes one, is no limit.
TEST_F(EndToEnd, ListingTakesAnEmptyLimitForNone) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 9);
  const std::string none = RunJobListing({dir_.string(), "--json"}).Stdout;
  EXPECT_NE(RunJobListing({dir_.string(), "-w3", "-c5", "--json"}).Stdout, none);
  for (const std::vector<std::string>& empty :
       {std::vector<std::string>{"-w", "-c"}, {"-w3", "-c5", "-W", "-C"}, {"-c5", "-c"}}) {
    std::vector<std::string> arguments = {dir_.string()};
    arguments.insert(arguments.end(), empty.begin(), empty.end());
    arguments.push_back("--json");
    const tRunResult listed = RunJobListing(arguments);
    EXPECT_EQ(listed.Stdout, none) << empty[0];
    EXPECT_EQ(listed.ExitCode, 0);
  }
}

}  // namespace
