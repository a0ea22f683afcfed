// End-to-end tests: jobvigil-jobs lists every job with the very answer the check gives for it,
// in each of its formats, each read back by a reader of that format.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <thread>

#include "end_to_end/listing_readers.h"
#include "sample_log.h"
#include "support.h"

using namespace e2e;

namespace {

using Listing = EndToEnd;

// Several jobs: one named in two spellings whose latest log failed, two logs of one job at the
// same time, jobs in UTF-16 beyond ASCII and beyond U+00FF, one in 8-bit Latin-1, one whose
// name has a quote and a backslash, one too old, a log without a name and one that cannot be
// read, and a status wording that is not UTF-8.
void WriteJobs(const std::filesystem::path& dir) {
  WriteLog(dir, "BE01.xml", JobLog("NIGHTLY", "19"), 2);
  WriteLog(dir, "BE02.xml", JobLog("Nightly", "6"), 0);
  WriteLog(dir, "BE03.xml", JobLog("Weekly Full", "3"), 1, 9, 30);
  WriteLog(dir, "BE04.xml", JobLog("weekly full", "19"), 1, 9, 30);
  WriteLog(dir, "BE05.xml", Utf16Text(JobLog("Sauvegarde compl\xe8te", "19")), 1);
  WriteLog(dir, "BE06.xml", JobLog("Quote \"A\\B\"", "1"), 0);
  WriteLog(dir, "BE07.xml", JobLog("Archive", "19"), 6);
  WriteLog(dir, "BE08.xml", "<log><completestatus>19</completestatus></log>", 0);
  WriteLog(dir, "BE09.xml", "", 0);
  WriteLog(dir, "BE10.xml",
           JobLog("Exchange", "") +
               "<engine_completion_status>Job: Termin\xe9</engine_completion_status><x>",
           0);
  WriteLog(dir, "BE11.xml", JobLog("Caf\xe9 du soir", "3"), 0);
  WriteLog(dir, "BE12.xml", Utf16Text(JobLog("Sicherung \u0141\u00f3d\u017a", "19")), 3);
}

// The listing's names, as JSON gives them, in the order of the scanned names.
const std::vector<std::string> kWrittenNames = {"Archive",
                                                "Caf\u00e9 du soir",
                                                "Exchange",
                                                "Nightly",
                                                "Quote \"A\\B\"",
                                                "Sauvegarde compl\u00e8te",
                                                "Sicherung \u0141\u00f3d\u017a",
                                                "Weekly Full"};

// Under this locale Wine takes the arguments as UTF-8 (its ANSI code page is then 1252); the
// zone has summer time, which the listing must undo for a point in time.
const tRunOptions kListingOptions = {.Environment = {"LC_ALL=C.UTF-8", "TZ=Europe/Berlin"}};

// The listing of WriteJobs's jobs in the format, which must end well and in silence.
std::string ListJobs(const std::filesystem::path& dir, const std::string& format,
                     std::vector<std::string> more = {}) {
  more.insert(more.begin(), {dir.string(), "-w1", "-c3", format});
  const tRunResult listed = RunJobListing(more, kListingOptions);
  EXPECT_EQ(listed.ExitCode, 0) << format << listed.Stdout << listed.Stderr;
  EXPECT_EQ(listed.Stderr, "") << format;
  return listed.Stdout;
}

// JSON, read by a JSON parser; every name typed back to the check gives the listed answer.
TEST_F(Listing, ListsEveryJobAsJsonWithTheChecksOwnAnswer) {
  WriteJobs(dir_);
  const std::string jsonText = ListJobs(dir_, "--format=json");
  EXPECT_EQ(ListJobs(dir_, "--json"), jsonText);
  const nlohmann::json jobs = nlohmann::json::parse(jsonText);
  ASSERT_TRUE(jobs.is_array());
  std::vector<std::string> names;
  for (const nlohmann::json& job : jobs) {
    const std::string name = job.at("job");
    names.push_back(name);
    // The id, which monitoring systems key the job by, is the upper-cased name's bytes in
    // hexadecimal, whichever log spells it.
    std::string bytes;
    const std::string id = job.at("id");
    for (std::size_t i = 0; i + 1 < id.size(); i += 2)
      bytes += static_cast<char>(std::stoi(id.substr(i, 2), nullptr, 16));
    // Of characters beyond U+00FF the check keeps the bytes of their UTF-16, here 41 01, 7A 01.
    std::string upper =
        name == "Sicherung \u0141\u00f3d\u017a" ? "SICHERUNG A\u0001\u00f3DZ\u0001" : name;
    for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    EXPECT_EQ(AsJsonHoldsIt(bytes), upper);
    // The Windows command line has no escape character: no argument there holds a quote. Nor
    // does its ANSI code page hold every character: the check prints those otherwise.
    // UTF-8 lead bytes from C4 begin the characters beyond U+00FF.
    const bool beyondLatin1 = std::any_of(name.begin(), name.end(), [](char c) {
      return static_cast<unsigned char>(c) >= 0xC4 && static_cast<unsigned char>(c) < 0xF8;
    });
    if (WindowsProgram() && (name.find('"') != std::string::npos || beyondLatin1)) continue;
    const tRunResult check = Check(name, {"-w1", "-c3"}, kListingOptions);
    EXPECT_EQ(job.at("line"), AsJsonHoldsIt(check.Stdout.substr(0, check.Stdout.size() - 2)))
        << name;
    EXPECT_EQ(job.at("state"), check.ExitCode) << name;
  }
  EXPECT_EQ(names, kWrittenNames);
}

// Prometheus text, linted by promtool and read back: every job's series with the listing's values,
// its last run the log's own point in time.
TEST_F(Listing, ListsEveryJobAsPrometheusText) {
  WriteJobs(dir_);
  const std::filesystem::path prom = dir_ / "jobs.prom";
  EXPECT_EQ(ListJobs(dir_, "--format=prometheus", {"--output", prom.string()}), "");
  std::ifstream in(prom, std::ios::binary);
  const std::string promText{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(ListJobs(dir_, "--format=prometheus"), promText);
  const tRunResult lint = CheckMetrics(prom);
  EXPECT_EQ(lint.ExitCode, 0) << lint.Stdout << lint.Stderr;
  EXPECT_EQ(lint.Stdout + lint.Stderr, "");
  EXPECT_EQ(promText.find('\r'), std::string::npos);
  auto series = ReadSeries(promText);
  EXPECT_EQ(series["jobvigil_directory_up"][""], 1);
  EXPECT_EQ(series["jobvigil_directory_logs"][""], 12);
  EXPECT_EQ(series["jobvigil_job_state"].size(), kWrittenNames.size());
  for (const nlohmann::json& job : nlohmann::json::parse(ListJobs(dir_, "--json"))) {
    const std::string name = job.at("job");
    EXPECT_EQ(series["jobvigil_job_state"][name], job.at("state")) << name;
    const std::filesystem::path log = dir_ / job.at("log").get<std::string>();
    EXPECT_EQ(series["jobvigil_job_last_run_timestamp_seconds"][name], UnixSeconds(log)) << name;
    EXPECT_EQ(series["jobvigil_job_completion_status"].count(name), 1u) << name;
  }
  EXPECT_EQ(series["jobvigil_job_completion_status"]["Nightly"], 6);
  EXPECT_EQ(series["jobvigil_job_completion_status"]["Caf\u00e9 du soir"], 3);
}

// Checkmk local checks, parsed by Checkmk's grammar: one service per job and the directory's.
TEST_F(Listing, ListsEveryJobAsACheckmkLocalCheck) {
  WriteJobs(dir_);
  const nlohmann::json jobs = nlohmann::json::parse(ListJobs(dir_, "--json"));
  const std::vector<std::string> lines = LfLines(ListJobs(dir_, "--format=checkmk"));
  ASSERT_EQ(lines.size(), kWrittenNames.size() + 1);
  tLocalCheck check;
  ASSERT_TRUE(ReadLocalCheck(lines.back(), check)) << lines.back();
  EXPECT_EQ(check.Service, "BackupExec log directory");
  EXPECT_EQ(check.State, "0");
  EXPECT_EQ(check.Metrics, "logs=12");
  EXPECT_TRUE(IsMetrics(check.Metrics));
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    ASSERT_TRUE(ReadLocalCheck(lines[i], check)) << lines[i];
    const nlohmann::json& job = jobs.at(i);
    EXPECT_EQ(job.at("job"), kWrittenNames[i]);
    EXPECT_EQ(check.State, std::to_string(job.at("state").get<int>())) << lines[i];
    EXPECT_EQ(check.Text, job.at("line")) << lines[i];
    EXPECT_EQ(check.Metrics == "-", job.at("last_success") == 0) << lines[i];
  }
  ASSERT_TRUE(ReadLocalCheck(lines[4], check));
  EXPECT_EQ(check.Service, "BackupExec Quote \u201dA\\B\u201d");
}

// The table, for people, names the jobs as the logs write them too, in CR LF lines.
TEST_F(Listing, ListsEveryJobInATable) {
  WriteJobs(dir_);
  const std::string table = ListJobs(dir_, "--format=table");
  EXPECT_NE(table.find("\r\nWeekly Full  "), std::string::npos) << table;
  EXPECT_NE(table.find("  Job: Weekly Full, Status: Completed with exceptions, "),
            std::string::npos)
      << table;
}

// Whatever name a job is given, Checkmk reads a service of its own for it, with the check's
// state and line, beside the directory's.
TEST_F(Listing, ChecksEveryNameAsACheckmkServiceOfItsOwn) {
  std::ifstream table(JOBVIGIL_JOB_NAMES, std::ios::binary);
  std::vector<std::string> names;
  for (std::string name; std::getline(table, name);) {
    ASSERT_EQ(RunSampleTool({dir_.string(), name, "-s" + std::to_string(names.size() % 2 ? 3 : 19)})
                  .ExitCode,
              0);
    names.push_back(name);
  }
  const nlohmann::json jobs =
      nlohmann::json::parse(RunJobListing({dir_.string(), "--json"}).Stdout);
  ASSERT_EQ(jobs.size(), names.size());
  const std::vector<std::string> lines =
      LfLines(RunJobListing({dir_.string(), "--format=checkmk"}).Stdout);
  ASSERT_EQ(lines.size(), jobs.size() + 1);
  std::set<std::string> services;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    tLocalCheck check;
    ASSERT_TRUE(ReadLocalCheck(lines[i], check)) << lines[i];
    EXPECT_TRUE(IsMetrics(check.Metrics)) << lines[i];
    services.insert(check.Service);
    if (i == jobs.size()) continue;
    EXPECT_EQ(check.State, std::to_string(jobs[i].at("state").get<int>())) << lines[i];
    // The one change to the line: a backslash before "n" as its look-alike U+29F5.
    const std::string line = jobs[i].at("line");
    EXPECT_EQ(check.Text, std::regex_replace(line, std::regex(R"(\\n)"), "\u29f5n")) << lines[i];
  }
  EXPECT_EQ(services.size(), lines.size());
  EXPECT_TRUE(services.contains("BackupExec Bob\u2019s Exchange"));
  EXPECT_TRUE(services.contains("BackupExec Say \u201dcheese\u201d"));
}

// Each job's history from the logs the directory keeps, in every format that gives it: its last
// success, the runs after it, how many runs are kept and the oldest. Runs are (days ago, status
// code), written in this order; the history counts them by their dates.
TEST_F(Listing, ListsEachJobsHistoryAsTheLogsKeepIt) {
  struct tHistory {
    std::string Job;
    std::vector<std::pair<int, std::string>> Runs;
    int Latest;       // the index in Runs of the latest run
    int LastSuccess;  // that of the last success; -1 for none
    int RunsSince;
    int SuccessState;  // what jobvigil-success -w72 -c120 answers
    bool Scheduled;    // whether the runs keep a schedule, failed ones too
  };
  const std::vector<tHistory> histories = {
      {"Daily", {{4, "19"}, {3, "6"}, {2, "6"}, {1, "6"}}, 3, 0, 3, 1, true},
      {"Weekly", {{1, "2"}, {15, "19"}, {8, "3"}}, 0, 0, 0, 0, true},
      {"Never", {{3, "6"}, {2, "1"}, {1, "3"}}, 2, -1, 3, 2, true},
      {"Once", {{9, "19"}}, 0, 0, 0, 2, false},
      // Of logs of one date the check chooses the first listed, and so does the history.
      {"Tied", {{2, "19"}, {2, "6"}}, 0, 0, 0, 0, false}};
  std::map<std::string, std::vector<std::filesystem::path>> files;
  for (const tHistory& history : histories) {
    for (const auto& [days, code] : history.Runs) {
      const std::string name =
          "BE" + std::to_string(10 + files.size() * 10 + files[history.Job].size()) + ".xml";
      WriteLog(dir_, name, JobLog(history.Job, code), days);
      files[history.Job].push_back(dir_ / name);
    }
  }
  const nlohmann::json jobs =
      nlohmann::json::parse(RunJobListing({dir_.string(), "--json"}).Stdout);
  const auto series = ReadSeries(RunJobListing({dir_.string(), "--format=prometheus"}).Stdout);
  const std::vector<std::string> lines =
      LfLines(RunJobListing({dir_.string(), "--format=checkmk"}).Stdout);
  const std::string table = RunJobListing({dir_.string()}).Stdout;
  const long long now = std::chrono::duration_cast<std::chrono::seconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
  ASSERT_EQ(jobs.size(), histories.size());
  for (const tHistory& history : histories) {
    const auto job = std::find_if(jobs.begin(), jobs.end(), [&](const nlohmann::json& j) {
      return j.at("job") == history.Job;
    });
    ASSERT_NE(job, jobs.end()) << history.Job;
    const std::vector<std::filesystem::path>& logs = files[history.Job];
    long long oldest = UnixSeconds(logs[0]);
    for (const auto& log : logs) oldest = std::min(oldest, UnixSeconds(log));
    const long long success = history.LastSuccess < 0 ? 0 : UnixSeconds(logs[history.LastSuccess]);
    EXPECT_EQ(job->at("last_run"), UnixSeconds(logs[history.Latest])) << history.Job;
    EXPECT_EQ(job->at("last_success"), success) << history.Job;
    EXPECT_EQ(job->at("runs_since_success"), history.RunsSince) << history.Job;
    EXPECT_EQ(job->at("runs"), history.Runs.size()) << history.Job;
    EXPECT_EQ(job->at("oldest"), oldest) << history.Job;
    EXPECT_EQ(series.at("jobvigil_job_last_success_timestamp_seconds").at(history.Job), success);
    EXPECT_EQ(series.at("jobvigil_job_runs_since_last_success").at(history.Job), history.RunsSince);
    EXPECT_EQ(series.at("jobvigil_job_kept_runs").at(history.Job), history.Runs.size());
    EXPECT_EQ(series.at("jobvigil_job_oldest_run_timestamp_seconds").at(history.Job), oldest);
    // The next run due, where the runs keep a schedule, after the latest, passed or not.
    const auto& due = series.at("jobvigil_job_next_run_due_timestamp_seconds");
    EXPECT_EQ(!job->at("next_run_due").is_null(), history.Scheduled) << history.Job;
    EXPECT_EQ(due.count(history.Job), history.Scheduled ? 1u : 0u) << history.Job;
    if (history.Scheduled) {
      const long long next = job->at("next_run_due");
      EXPECT_EQ(due.at(history.Job), next) << history.Job;
      EXPECT_GT(next, UnixSeconds(logs[history.Latest])) << history.Job;
      EXPECT_EQ(job->at("overdue"), now > next) << history.Job;
    } else {
      EXPECT_EQ(job->at("overdue"), false) << history.Job;
    }
    // And judged as a plugin: WARNING once overdue, OK before it or without a schedule.
    const tRunResult judged =
        RunBeside("jobvigil-success", {dir_.string(), history.Job, "--overdue"});
    EXPECT_EQ(judged.ExitCode, job->at("overdue") ? 1 : 0) << judged.Stdout;
    EXPECT_TRUE(std::regex_match(
        judged.Stdout,
        std::regex("Job: " + history.Job +
                   (history.Scheduled
                        ? ", (next run due by|overdue: its next run was due by) [0-9/]+ [0-9:]+"
                          "[|]next_run_in=-?[0-9]+s;0:;;\r\n"
                        : ", no schedule in its " + std::to_string(history.Runs.size()) +
                              " kept runs\r\n"))))
        << judged.Stdout;
    // Checkmk graphs the age of the last success; a job that never succeeded has none.
    const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.find("\"BackupExec " + history.Job + "\"") != std::string::npos;
    });
    ASSERT_NE(line, lines.end()) << history.Job;
    // jobvigil-success answers as a check, with the same history.
    const tRunResult answer =
        RunBeside("jobvigil-success", {dir_.string(), history.Job, "-w72", "-c120"});
    EXPECT_EQ(answer.ExitCode, history.SuccessState) << answer.Stdout;
    const std::string since = std::to_string(history.RunsSince) + " runs since";
    EXPECT_TRUE(std::regex_match(
        answer.Stdout,
        std::regex(success == 0 ? "Job: " + history.Job + ", no success in its " +
                                      std::to_string(history.Runs.size()) +
                                      " kept runs since [0-9/]+ 01:00[|]runs_since_success=" +
                                      std::to_string(history.RunsSince) + ";;;0\r\n"
                                : "Job: " + history.Job +
                                      ", last success [0-9/]+ 01:00, [0-9]+ hours ago, " + since +
                                      "[|]last_success_age=[0-9]+s;259200;432000;0 " +
                                      "runs_since_success=" + std::to_string(history.RunsSince) +
                                      ";;;0\r\n")))
        << answer.Stdout;
    tLocalCheck check;
    ASSERT_TRUE(ReadLocalCheck(*line, check)) << *line;
    EXPECT_TRUE(IsMetrics(check.Metrics)) << *line;
    if (success == 0) {
      EXPECT_EQ(check.Metrics.find("last_success_age="), std::string::npos) << *line;
    } else {
      ASSERT_TRUE(check.Metrics.starts_with("last_success_age=")) << *line;
      EXPECT_NEAR(std::stoll(check.Metrics.substr(17)), now - success, 60) << *line;
    }
    // And the job's schedule, a service of its own, WARNING once overdue.
    const std::string schedule = "\"BackupExec " + history.Job + ": schedule\"";
    const auto scheduleLine = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.find(schedule) != std::string::npos;
    });
    ASSERT_EQ(scheduleLine != lines.end(), history.Scheduled) << history.Job;
    if (history.Scheduled) {
      const long long next = job->at("next_run_due");
      const std::size_t in = check.Metrics.find("next_run_in=");
      ASSERT_NE(in, std::string::npos) << *line;
      EXPECT_NEAR(std::stoll(check.Metrics.substr(in + 12)), next - now, 60) << *line;
      ASSERT_TRUE(ReadLocalCheck(*scheduleLine, check)) << *scheduleLine;
      EXPECT_EQ(check.State, now > next ? "1" : "0") << *scheduleLine;
    }
  }
  const tRunResult absent = RunBeside("jobvigil-success", {dir_.string(), "Absent", "-w1"});
  EXPECT_EQ(absent.Stdout, "jobvigil-success : No XML file for job name Absent\r\n");
  EXPECT_EQ(absent.ExitCode, 3);
  EXPECT_TRUE(
      std::regex_search(table, std::regex("\r\nNever +WARNING +[0-9/]+ +BE[0-9]+[.]xml +"
                                          "never +3 +[0-9/]+ [0-9:]+( OVERDUE)? +Job: Never, ")))
      << table;
}

TEST_F(Listing, ListsJobsAsATableForPeople) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  WriteLog(dir_, "BE2.xml", JobLog("Weekly Full", "3"), 4);
  const std::string yesterday = DateDaysAgo(1);
  const std::string older = DateDaysAgo(4);
  const auto date = [&](const std::string& text) {
    return text + std::string(std::max(yesterday.size(), older.size()) - text.size(), ' ');
  };
  const std::string success = yesterday + " 01:00";
  const auto last = [&](const std::string& text) {
    return text + std::string(success.size() - text.size(), ' ');
  };
  const tRunResult listed = RunJobListing({dir_.string(), "-c2"});
  EXPECT_EQ(listed.Stdout,
            Lines({"JOB          STATE     " + date("DATE") + "  LOG      " + last("LAST SUCCESS") +
                       "  SINCE  NEXT RUN DUE  LINE",
                   "Nightly      OK        " + date(yesterday) + "  BE1.xml  " + success +
                       "  0      no schedule   Job: Nightly, Success, Date:" + yesterday,
                   "Weekly Full  CRITICAL  " + date(older) + "  BE2.xml  " + last("never") +
                       "  1      no schedule   Job: Weekly Full, last " + "result " + older +
                       " is older than 2 days"}));
  EXPECT_EQ(listed.ExitCode, 0);
  EXPECT_EQ(RunJobListing({dir_.string(), "-c2", "--format=table"}).Stdout, listed.Stdout);
}

TEST_F(Listing, ListingAnswersAsTheCheckWhereItCannotList) {
  const tRunResult empty = RunJobListing({dir_.string()});
  const std::string line = empty.Stdout.substr(0, empty.Stdout.size() - 2);
  EXPECT_EQ(empty.Stdout,
            "jobvigil-jobs : No XML files found in " + PrintedDirectory(dir_) + "BE*.xml\r\n");
  EXPECT_EQ(empty.ExitCode, 3);
  // As JSON, the same line in an object where the jobs' array would stand.
  const tRunResult json = RunJobListing({dir_.string(), "--json"});
  EXPECT_EQ(nlohmann::json::parse(json.Stdout), nlohmann::json({{"state", 3}, {"line", line}}));
  EXPECT_EQ(json.ExitCode, 3);
  // As PRTG, its error object with the line, and exit code 0, which PRTG reads the JSON after.
  const tRunResult prtg = RunJobListing({dir_.string(), "--format=prtg"});
  EXPECT_EQ(nlohmann::json::parse(prtg.Stdout),
            nlohmann::json({{"prtg", {{"error", 1}, {"text", line}}}}));
  EXPECT_EQ(prtg.ExitCode, 0);
  // As Prometheus text, the directory's series at 0, in a file promtool passes.
  const std::filesystem::path prom = dir_ / "jobs.prom";
  const tRunResult failed =
      RunJobListing({dir_.string(), "--format=prometheus", "--output=" + prom.string()});
  EXPECT_EQ(failed.ExitCode, 3);
  const tRunResult lint = CheckMetrics(prom);
  EXPECT_EQ(lint.ExitCode, 0) << lint.Stdout << lint.Stderr;
  std::ifstream in(prom, std::ios::binary);
  auto series = ReadSeries({std::istreambuf_iterator<char>(in), {}});
  EXPECT_EQ(series["jobvigil_directory_up"][""], 0);
  EXPECT_EQ(series.size(), 2u);
  // As Checkmk, the directory's service UNKNOWN with the check's line.
  const tRunResult checkmk = RunJobListing({dir_.string(), "--format=checkmk"});
  EXPECT_EQ(checkmk.Stdout, "3 \"BackupExec log directory\" - " + line + "\n");
  EXPECT_EQ(checkmk.ExitCode, 3);
  // As an engine's configuration, nothing: the file it would replace stays, and no job loses
  // its service.
  for (const std::string format : {"--format=icinga2", "--format=nagios"}) {
    const std::filesystem::path conf = dir_ / "jobs.conf";
    std::ofstream(conf) << "kept";
    const tRunResult kept = RunJobListing(
        {dir_.string(), "-w1", "-c2", format, "--host", "bksrv01", "--output", conf.string()});
    EXPECT_EQ(kept.Stdout, empty.Stdout) << format;
    EXPECT_EQ(kept.ExitCode, 3) << format;
    std::ifstream file(conf, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "kept") << format;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 2) << format;
  }
}

// The companion programs' usage texts and versions, asked for (exit 0) or after a command line
// they cannot use (exit 3), and the lines that name the program that could not answer.
TEST_F(Listing, CompanionProgramsAnswerAsThePluginsDo) {
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  const std::string d = dir_.string();
  const std::string jobs = "\r\njobvigil-jobs " JOBVIGIL_VERSION "\r\n";
  const std::string success = "\r\njobvigil-success " JOBVIGIL_VERSION "\r\n";
  const std::string sample = "jobvigil-sample " JOBVIGIL_VERSION "\n";
  struct tAnswer {
    std::string Program;
    std::vector<std::string> Arguments;
    std::string Begins;  // what standard output begins with; all of it where Whole
    int ExitCode;
    bool Whole = false;
  };
  for (const tAnswer& answer : std::vector<tAnswer>{
           {"jobvigil-jobs", {}, jobs, 3},
           {"jobvigil-jobs", {d, "-d"}, jobs, 3},
           {"jobvigil-jobs", {d, "-w0"}, jobs, 3},
           {"jobvigil-jobs", {d, "--format=xml"}, jobs, 3},
           {"jobvigil-jobs", {d, "--output"}, jobs, 3},
           {"jobvigil-jobs", {d, "--format=icinga2"}, jobs, 3},
           {"jobvigil-jobs", {d, "--format=icinga2", "--host", "a!b"}, jobs, 3},
           {"jobvigil-jobs", {d, "--format=nagios", "--host", "b"}, jobs, 3},
           {"jobvigil-jobs", {d, "-w1", "--format=nagios", "--host", "b"}, jobs, 3},
           {"jobvigil-jobs",
            {d, "-w1", "-c2", "--format=nagios", "--host", "b", "--template", "t;"},
            jobs,
            3},
           {"jobvigil-jobs", {d, "--format=mail"}, jobs, 3},
           {"jobvigil-jobs", {d, "--format=mail", "--to", "a@b\nBcc: c@d"}, jobs, 3},
           {"jobvigil-jobs", {d, "--format=mail", "--to", "a@b", "--from", "\xc3\xa9@b"}, jobs, 3},
           {"jobvigil-jobs", {"--help"}, jobs + "\r\n    Lists every BackupExec job", 0},
           {"jobvigil-jobs", {d, "-h"}, jobs, 0},
           {"jobvigil-jobs", {"--version"}, "jobvigil-jobs " JOBVIGIL_VERSION "\r\n", 0, true},
           {"jobvigil-jobs", {d, "-V"}, "jobvigil-jobs " JOBVIGIL_VERSION "\r\n", 0, true},
           {"jobvigil-success", {}, success, 3},
           {"jobvigil-success", {"--help"}, success + "\r\n    Scans BackupExec XML files", 0},
           {"jobvigil-success", {d, "Nightly", "-H"}, success, 0},
           {"jobvigil-success", {"-V"}, "jobvigil-success " JOBVIGIL_VERSION "\r\n", 0, true},
           {"jobvigil-success",
            {d},
            "jobvigil-success : Too few parameters. Use -h for help\r\n",
            3,
            true},
           {"jobvigil-success",
            {d, "Nightly", "-q"},
            "jobvigil-success : Syntax error. Use -h for help\r\n",
            3,
            true},
           {"jobvigil-sample", {"--help"}, sample + "\nUsage : jobvigil-sample ", 0},
           {"jobvigil-sample", {"--version"}, sample, 0, true}}) {
    // The sample-log writer is the Linux one wherever the tests run.
    const tRunResult run = answer.Program == "jobvigil-sample"
                               ? RunSampleTool(answer.Arguments)
                               : RunBeside(answer.Program, answer.Arguments);
    const std::string called =
        answer.Program + " with " + std::to_string(answer.Arguments.size()) + " arguments";
    if (answer.Whole) {
      EXPECT_EQ(run.Stdout, answer.Begins) << called;
    } else {
      EXPECT_TRUE(run.Stdout.starts_with(answer.Begins)) << called << ": " << run.Stdout;
    }
    EXPECT_EQ(run.ExitCode, answer.ExitCode) << called << ": " << run.Stderr;
  }
}

// A reader of the file never sees it partly written while the listing rewrites it over and
// over; a write that fails leaves what was there and says so.
TEST_F(Listing, ListingReplacesItsOutputFileInOneStep) {
  // Enough jobs that the file takes hundreds of writes.
  for (int i = 0; i < 100; ++i)
    WriteLog(dir_, "BE" + std::to_string(i) + ".xml",
             JobLog("Job number " + std::to_string(i) + std::string(40, 'x'), "19"), 1);
  const std::filesystem::path out = MakeFixtureDirectory();
  const std::filesystem::path prom = out / "jobs.prom";
  const std::vector<std::string> arguments = {dir_.string(), "--format=prometheus", "--output",
                                              prom.string()};
  const std::string whole = RunJobListing({dir_.string(), "--format=prometheus"}).Stdout;
  ASSERT_GT(whole.size(), 20000u);
  std::atomic<bool> done = false;
  std::thread writer([&] {
    for (int i = 0; i < (WindowsProgram() ? 8 : 40); ++i)
      EXPECT_EQ(RunJobListing(arguments).ExitCode, 0);
    done = true;
  });
  int reads = 0;
  while (!done) {
    std::ifstream in(prom, std::ios::binary);
    if (!in) continue;
    const std::string seen{std::istreambuf_iterator<char>(in), {}};
    ++reads;
    if (seen != whole) {
      ADD_FAILURE() << "read " << seen.size() << " of " << whole.size() << " bytes";
      break;
    }
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
      if (entry.path() != prom) {
        EXPECT_NE(entry.path().extension(), ".prom") << entry.path();
      }
    }
  }
  writer.join();
  EXPECT_GT(reads, 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 1);

  // A file that cannot replace its target (here a folder) leaves it, and no temporary file.
  const std::filesystem::path folder = out / "folder.prom";
  std::filesystem::create_directory(folder);
  std::ofstream(folder / "kept") << "kept";
  for (const std::filesystem::path& target : {folder, out / "missing" / "jobs.prom"}) {
    const tRunResult failed =
        RunJobListing({dir_.string(), "--format=prometheus", "--output", target.string()});
    EXPECT_EQ(failed.ExitCode, 1) << target;
    EXPECT_TRUE(failed.Stderr.starts_with("jobvigil-jobs : unhandled failure (I/O error) : "))
        << failed.Stderr;
  }
  EXPECT_TRUE(std::filesystem::exists(folder / "kept"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 2);
}

// --include and --exclude keep jobs in and out of every format by their names' patterns: "*"
// any characters, "?" one (a character beyond ASCII too), ASCII letters of either case alike.
TEST_F(Listing, KeepsJobsInAndOutByTheirNamesPatterns) {
  const std::vector<std::string> names = {"Nightly", "Restore Mail", "restore files", "Job *",
                                          "Sauvegarde compl\u00e8te"};
  for (std::size_t i = 0; i < names.size(); ++i)
    WriteLog(dir_, "BE" + std::to_string(i) + ".xml", Utf16Text(JobLog(names[i], "19")), 1);
  struct tKept {
    std::vector<std::string> Switches;
    std::vector<std::string> Jobs;  // as JSON lists them
  };
  for (const tKept& kept : std::vector<tKept>{
           {{"--exclude", "RESTORE*"}, {"Job *", "Nightly", "Sauvegarde compl\u00e8te"}},
           {{"--include=*e", "--exclude", "?ightly"}, {"Sauvegarde compl\u00e8te"}},
           {{"--include", "Job ?", "--include", "*compl?te"},
            {"Job *", "Sauvegarde compl\u00e8te"}},
           {{"--include", "Job \\*"}, {}},
           {{"--exclude", "*"}, {}}}) {
    std::vector<std::string> arguments = {dir_.string(), "--json"};
    arguments.insert(arguments.end(), kept.Switches.begin(), kept.Switches.end());
    const tRunResult listed = RunJobListing(arguments, kListingOptions);
    std::vector<std::string> jobs;
    for (const nlohmann::json& job : nlohmann::json::parse(listed.Stdout))
      jobs.push_back(job.at("job"));
    EXPECT_EQ(jobs, kept.Jobs) << kept.Switches[1];
    EXPECT_EQ(listed.ExitCode, 0);
  }
}

// A limit switch left empty, as an agent without a shell passes one, is no limit.
TEST_F(Listing, ListingTakesAnEmptyLimitForNone) {
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
