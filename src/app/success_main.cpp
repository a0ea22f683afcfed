// jobvigil-success: the check of a job's last successful run, for engines that alert on "no
// success for so many hours" as they alert on a check: one line, performance data as the
// Monitoring Plugins write it, and an exit code. It reads the logs as the listing does, finds
// the job as the check finds it, and judges the age of its latest log whose status is good; or,
// with --overdue, whether the job's next run, by the schedule its kept runs show, is overdue.
#include <algorithm>

#include "app/run.h"
#include "console/console.h"
#include "joblog/joblog.h"
#include "joblog/status.h"
#include "listing/formats.h"
#include "listing/listing.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "text/text.h"
#include "verdict/verdict.h"

namespace {

// Built when asked for: it holds other files' globals.
tUsage SuccessUsage() {
  return {.Program = "jobvigil-success",
          .Version = JOBVIGIL_VERSION,
          .About = {"Scans BackupExec XML files for a specific job, then returns how long ago",
                    "its last successful run was."},
          .Arguments = "\"path of XML files\" \"Name of the job\"",
          .Switches = {{"-w<n>", {"warning if the last success is older than <n> hours"}},
                       {"-c<n>", {"critical if the last success is older than <n> hours"}},
                       {"--overdue",
                        {"instead: warning once the job's next run is overdue",
                         "by the schedule its kept runs show"}},
                       HelpSwitchHelp,
                       VersionSwitchHelp}};
}

// A limit in seconds for the performance data: empty for none.
std::string Threshold(std::int32_t hours) {
  return hours > 0 ? std::to_string(std::int64_t{hours} * 3600) : "";
}

// Whether the job's next run is overdue by its schedule: WARNING once it is, OK while it is not
// due or where its runs keep no schedule (it is judged by its limits then); never returns.
[[noreturn]] void JudgeSchedule(const tListedJob& job) {
  if (!job.NextRunDue)
    StopWith("Job: " + JobName + ", no schedule in its " + std::to_string(job.Runs.size()) +
                 " kept runs",
             StateOk);
  const std::int64_t left = *UnixSecondsDue(job) - UniversalSecondsOf(LocalTimeNow());
  // Below 0 is overdue, as the range "0:" of the performance data says.
  const std::string perfdata = "|next_run_in=" + std::to_string(left) + "s;0:;;";
  if (job.Overdue)
    StopWith("Job: " + JobName + ", overdue: its next run was due by " +
                 DateAndTime(*job.NextRunDue) + perfdata,
             StateWarning);
  StopWith("Job: " + JobName + ", next run due by " + DateAndTime(*job.NextRunDue) + perfdata,
           StateOk);
}

// The age of the job's last successful run against limits in hours, as a check answers, or its
// schedule with --overdue; never returns.
[[noreturn]] void RunSuccessCheck(const std::vector<std::string>& given,
                                  const std::vector<std::u16string>& givenCharacters) {
  InitStatusTexts();
  AnswerHelpOrVersion(given, SuccessUsage());
  if (given.empty()) EndWithUsage(SuccessUsage(), StateUnknown);
  // The check's own command line, its limits taken in hours, less --overdue.
  std::vector<std::string> arguments;
  std::vector<std::u16string> characters;
  bool overdue = false;
  for (std::size_t i = 0; i < given.size(); ++i) {
    if (i >= 2 && given[i] == "--overdue") {
      overdue = true;
      continue;
    }
    arguments.push_back(given[i]);
    if (i < givenCharacters.size()) characters.push_back(givenCharacters[i]);
  }
  ReadCommandLine(arguments, characters);
  ScanLogDirectory();
  ReadEveryLogFile();
  const int chosen = ChooseLatestLog(JobKey, WideJobKey);
  if (chosen == 0) StopWith(ProgramName + " : No XML file for job name " + JobName, StateUnknown);
  const std::vector<tListedJob> jobs = ListJobs();
  const auto job = std::find_if(jobs.begin(), jobs.end(), [&](const tListedJob& listed) {
    return listed.Scanned == Slot(chosen).JobName;
  });
  if (overdue) JudgeSchedule(*job);
  const int runsSince = RunsSinceSuccess(*job);
  const std::string perfdata = "runs_since_success=" + std::to_string(runsSince) + ";;;0";
  const tFichierXML* success = LastSuccessLog(*job);
  if (!success)
    StopWith("Job: " + JobName + ", no success in its " + std::to_string(job->Runs.size()) +
                 " kept runs since " + DateAndTime(Slot(job->Runs.front())) + "|" + perfdata,
             StateCritical);
  const std::int64_t age = UniversalSecondsOf(LocalTimeNow()) - UnixSecondsOf(*success);
  const tExitState state =
      CriticalDays > 0 && age > std::int64_t{CriticalDays} * 3600 ? StateCritical
      : WarningDays > 0 && age > std::int64_t{WarningDays} * 3600 ? StateWarning
                                                                  : StateOk;
  StopWith("Job: " + JobName + ", last success " + DateAndTime(*success) + ", " +
               std::to_string(age / 3600) + " hours ago, " + std::to_string(runsSince) +
               " runs since|last_success_age=" + std::to_string(age) + "s;" +
               Threshold(WarningDays) + ";" + Threshold(CriticalDays) + ";0 " + perfdata,
           state);
}

}  // namespace

int main(int argc, char** argv) { RunProgram("jobvigil-success", argc, argv, RunSuccessCheck); }
