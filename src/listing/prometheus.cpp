// The listing as Prometheus' text exposition format, the file that node_exporter's and
// windows_exporter's textfile collectors serve: gauges, each with HELP and TYPE, a job's name
// in the label backup_job (a scrape gives every series a `job` label of its own, which would
// rename one of ours), no label that changes from run to run, and no timestamps, which a
// textfile collector refuses.
#include <cstdint>
#include <string>

#include "listing/formats.h"
#include "platform/platform.h"
#include "text/text.h"

namespace {

void WriteFamily(const std::string& name, const std::string& help) {
  WriteLfLine("# HELP " + name + " " + help);
  WriteLfLine("# TYPE " + name + " gauge");
}

// A label value: only backslash, double quote and line feed are escaped.
std::string LabelValue(const std::string& utf8) {
  std::string value = "\"";
  for (const char c : utf8) {
    if (c == '\\' || c == '"') {
      value += '\\';
      value += c;
    } else if (c == '\n') {
      value += "\\n";
    } else {
      value += c;
    }
  }
  return value + "\"";
}

void WriteDirectory(bool up, int logs) {
  WriteFamily("jobvigil_directory_up",
              "Whether the log directory was listed and its logs read (1) or not (0).");
  WriteLfLine(std::string("jobvigil_directory_up ") + (up ? "1" : "0"));
  WriteFamily("jobvigil_directory_logs", "The number of BE*.xml logs listed in the log directory.");
  WriteLfLine("jobvigil_directory_logs " + NumberToText(logs));
}

void WritePrometheus(const std::vector<tListedJob>& jobs, const tListingRequest&) {
  WriteDirectory(true, LogFileCount);
  std::vector<std::string> labels;
  for (const tListedJob& job : jobs)
    labels.push_back("{backup_job=" + LabelValue(job.Written) + "}");
  WriteFamily("jobvigil_job_state",
              "The state jobvigil gives the job: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.");
  for (std::size_t i = 0; i < jobs.size(); ++i)
    WriteLfLine("jobvigil_job_state" + labels[i] + " " + NumberToText(jobs[i].State));
  WriteFamily("jobvigil_job_completion_status",
              "The completion status number of the job's latest log (19 is Success).");
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const tFichierXML* log = LatestLog(jobs[i]);
    if (log)
      WriteLfLine("jobvigil_job_completion_status" + labels[i] + " " + NumberToText(log->StatusId));
  }
  WriteFamily("jobvigil_job_last_run_timestamp_seconds",
              "The last-write time of the job's latest log, in seconds since the Unix epoch.");
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const tFichierXML* log = LatestLog(jobs[i]);
    if (log)
      WriteLfLine("jobvigil_job_last_run_timestamp_seconds" + labels[i] + " " +
                  std::to_string(UnixSecondsOf(*log)));
  }
  // 0, the epoch, where no kept log succeeded: the age of the last success is then beyond any
  // limit, and an alert on it fires rather than finding no series.
  WriteFamily("jobvigil_job_last_success_timestamp_seconds",
              "The last-write time of the job's latest successful log, in seconds since the Unix "
              "epoch; 0 when none of its logs succeeded.");
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const tFichierXML* success = LastSuccessLog(jobs[i]);
    WriteLfLine("jobvigil_job_last_success_timestamp_seconds" + labels[i] + " " +
                std::to_string(success ? UnixSecondsOf(*success) : 0));
  }
  WriteFamily(
      "jobvigil_job_runs_since_last_success",
      "The job's logs after its latest successful one: its failures and warnings in a row.");
  for (std::size_t i = 0; i < jobs.size(); ++i)
    WriteLfLine("jobvigil_job_runs_since_last_success" + labels[i] + " " +
                std::to_string(RunsSinceSuccess(jobs[i])));
  WriteFamily("jobvigil_job_kept_runs", "The job's logs that the log directory keeps.");
  for (std::size_t i = 0; i < jobs.size(); ++i)
    WriteLfLine("jobvigil_job_kept_runs" + labels[i] + " " + std::to_string(jobs[i].Runs.size()));
  WriteFamily("jobvigil_job_oldest_run_timestamp_seconds",
              "The last-write time of the job's oldest kept log, in seconds since the Unix epoch.");
  for (std::size_t i = 0; i < jobs.size(); ++i)
    WriteLfLine("jobvigil_job_oldest_run_timestamp_seconds" + labels[i] + " " +
                std::to_string(UnixSecondsOf(Slot(jobs[i].Runs.front()))));
  // No series for a job whose runs keep no schedule: an alert on time() past it stays silent
  // there, and the job is judged by its limits.
  WriteFamily("jobvigil_job_next_run_due_timestamp_seconds",
              "When the job's next run is due as its kept runs show its schedule, in seconds since "
              "the Unix epoch; no series where they show none.");
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (const std::optional<std::int64_t> due = UnixSecondsDue(jobs[i]))
      WriteLfLine("jobvigil_job_next_run_due_timestamp_seconds" + labels[i] + " " +
                  std::to_string(*due));
  }
}

// The directory's series at 0, so that an alert fires where the data would otherwise go stale,
// after the check's line as a comment for whoever reads the file.
void WritePrometheusStop(const std::string& text, tExitState) {
  WriteLfLine("# " + Utf8OfMixed(text));
  WriteDirectory(false, 0);
}

}  // namespace

const tListingWriter PrometheusWriter = {WritePrometheus, WritePrometheusStop};
