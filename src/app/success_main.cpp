// jobvigil-success: the check of a job's last successful run, for engines that alert on "no
// success for so many hours" as they alert on a check: one line, performance data as the
// Monitoring Plugins write it, and an exit code. It reads the logs as the listing does, finds
// the job as the check finds it, and judges the age of its latest log whose status is good.
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
                       HelpSwitchHelp,
                       VersionSwitchHelp}};
}

// A limit in seconds for the performance data: empty for none.
std::string Threshold(std::int32_t hours) {
  return hours > 0 ? std::to_string(std::int64_t{hours} * 3600) : "";
}

// The age of the job's last successful run against limits in hours, as a check answers; never
// returns.
[[noreturn]] void RunSuccessCheck(const std::vector<std::string>& arguments,
                                  const std::vector<std::u16string>& characters) {
  InitStatusTexts();
  AnswerHelpOrVersion(arguments, SuccessUsage());
  if (arguments.empty()) EndWithUsage(SuccessUsage(), StateUnknown);
  // The check's own command line, its limits taken in hours.
  ReadCommandLine(arguments, characters);
  ScanLogDirectory();
  ReadEveryLogFile();
  const int chosen = ChooseLatestLog(JobKey, WideJobKey);
  if (chosen == 0) StopWith(ProgramName + " : No XML file for job name " + JobName, StateUnknown);
  const std::vector<tListedJob> jobs = ListJobs();
  const auto job = std::find_if(jobs.begin(), jobs.end(), [&](const tListedJob& listed) {
    return listed.Scanned == Slot(chosen).JobName;
  });
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
