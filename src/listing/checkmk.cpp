// The listing as Checkmk local checks: one line per job, `<state> "<service name>" <metrics>
// <text>`, with the check's state and line, the age of the job's last success and the time to
// its next run due; one for each job's schedule, WARNING once its next run is overdue, so that
// the job's own service keeps the check's state; and one for the log directory itself, so that
// a host whose directory cannot be read is never silent.
#include "joblog/joblog.h"
#include "listing/formats.h"
#include "platform/platform.h"
#include "text/text.h"

namespace {

const char kDirectoryService[] = "BackupExec log directory";

// Checkmk reads a service name in double quotes, in single quotes or bare, and none of the three
// may hold either quote: a line with one is dropped without a word. They take typographic
// stand-ins, and a control character (which no line of Checkmk's may end in) a "_".
std::string StandIn(const std::string& utf8) { return WithStandIns(utf8, "'\""); }

// Checkmk turns each backslash-n of the text into a line break; such a backslash is written as
// U+29F5, its look-alike, so that the text reads as the check's line.
std::string Text(const std::string& line) {
  std::string text;
  const std::string utf8 = Utf8OfMixed(line);
  for (std::size_t i = 0; i < utf8.size(); ++i)
    text += utf8[i] == '\\' && i + 1 < utf8.size() && utf8[i + 1] == 'n' ? "\xe2\xa7\xb5"
                                                                         : std::string(1, utf8[i]);
  return text;
}

void WriteCheckmk(const std::vector<tListedJob>& jobs, const tListingRequest&) {
  const std::vector<std::string> names =
      ServiceNames(jobs, "BackupExec ", StandIn, {kDirectoryService});
  // The age of each job's last success, in seconds, as a metric that Checkmk graphs, none for a
  // job none of whose logs succeeded, whose state says so; and the seconds until its next run is
  // due, below 0 once overdue, for a job with a schedule.
  const std::int64_t now = UniversalSecondsOf(LocalTimeNow());
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const tFichierXML* success = LastSuccessLog(jobs[i]);
    const std::optional<std::int64_t> due = UnixSecondsDue(jobs[i]);
    // Appended piece by piece: GCC 12 misreads a sum of a literal and a string in Release.
    std::string metrics;
    if (success)
      metrics.append("last_success_age=").append(std::to_string(now - UnixSecondsOf(*success)));
    if (due) {
      if (!metrics.empty()) metrics.append("|");
      metrics.append("next_run_in=").append(std::to_string(*due - now));
    }
    WriteLfLine(NumberToText(jobs[i].State) + " \"" + names[i] + "\" " +
                (metrics.empty() ? "-" : metrics) + " " + Text(jobs[i].Line));
  }
  // A job's schedule is the service of its name and ": schedule": no job's name holds ": ",
  // the logs' label, so no other service meets it.
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (!jobs[i].NextRunDue) continue;
    const std::string due = DateAndTime(*jobs[i].NextRunDue);
    WriteLfLine(jobs[i].Overdue
                    ? "1 \"" + names[i] + ": schedule\" - Overdue: its next run was due by " + due
                    : "0 \"" + names[i] + ": schedule\" - Its next run is due by " + due);
  }
  WriteLfLine(std::string("0 \"") + kDirectoryService + "\" logs=" + NumberToText(LogFileCount) +
              " " + NumberToText(LogFileCount) + " logs, " +
              NumberToText(static_cast<std::int32_t>(jobs.size())) + " jobs");
}

void WriteCheckmkStop(const std::string& text, tExitState state) {
  WriteLfLine(NumberToText(state) + " \"" + kDirectoryService + "\" - " + Text(text));
}

}  // namespace

const tListingWriter CheckmkWriter = {WriteCheckmk, WriteCheckmkStop};
