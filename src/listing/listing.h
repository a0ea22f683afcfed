// The job listing, jobvigil-jobs: every job the logs of a directory name, each with the line and
// state the check answers for it and its history, written in the format its command line names
// (formats.h: a table for people; JSON, Prometheus text, Checkmk local checks, Icinga 2 or
// Nagios services, an HTML page), on standard output or into a file that replaces another. Its
// command line is a table of switch rows, from which its usage text comes too. It reads the run
// settings' directory and age limits. Called by the mains of jobvigil-jobs and jobvigil-success
// and by the formats' writers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console/console.h"
#include "joblog/joblog.h"

/// One job of the listing.
struct tListedJob {
  std::string Scanned;    // the job name as the scanner read it (upper-cased), which groups logs
  std::string Written;    // the same name as its latest log writes it, in UTF-8
  std::string Job;        // Written as typed on this platform's command line to name the job
  int Chosen;             // its latest log's slot, from 1; 0 for none
  std::string Line;       // the check's line for Job, without the line end
  tExitState State;       // the check's exit code for it
  std::vector<int> Runs;  // the slots of the logs that Scanned groups, oldest first; of logs of
                          // one date the one the check would choose comes last
  int LastSuccess;        // the index in Runs of the latest whose status is good; -1 for none
  std::optional<std::int64_t> NextRunDue;  // when its next run is due as its runs show it
                                           // (schedule.h), local; none for no schedule
  bool Overdue;                            // that time has passed
};

/// The jobs the scanned logs name, in the order of their scanned names, each answered as the
/// check answers for it, named as its latest log writes it, with the run settings' age limits.
std::vector<tListedJob> ListJobs();

/// The job's latest log; null for a job that no log answered for.
const tFichierXML* LatestLog(const tListedJob& job);

/// The job's latest log whose status is good; null for a job none of whose logs succeeded.
const tFichierXML* LastSuccessLog(const tListedJob& job);

/// How many of the job's logs came after its latest success: all of them where none succeeded.
int RunsSinceSuccess(const tListedJob& job);

/// A log's date as a true point in time, in seconds since 1/1/1970 00:00 universal time.
std::int64_t UnixSecondsOf(const tFichierXML& log);

/// The job's next run due (NextRunDue) as a true point in time; null where it has none.
std::optional<std::int64_t> UnixSecondsDue(const tListedJob& job);

/// The listing: the arguments (program name excluded) read, the directory scanned and its logs
/// read, every job written out; ends with 0, or as the check ends when the directory scan
/// fails, or with 3 after the usage text, or with 0 after the usage text or version asked for.
[[noreturn]] void RunJobList(const std::vector<std::string>& arguments,
                             const std::vector<std::u16string>& characters);
