// jobvigil-jobs, the job listing: every job the logs of a directory name, each with the line and
// state the check answers for it, written in the format its command line names (a table for
// people; JSON, Prometheus text, Checkmk local checks, Icinga 2 or Nagios services for
// monitoring systems), on standard output or into a file that replaces another. It reads the
// run settings' directory and age limits; called by its main and its formats' writers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "joblog/joblog.h"

/// One job of the listing.
struct tListedJob {
  std::string Scanned;  // the job name as the scanner read it (upper-cased), which groups logs
  std::string Written;  // the same name as its latest log writes it, in UTF-8
  std::string Job;      // Written as typed on this platform's command line to name the job
  int Chosen;           // its latest log's slot, from 1; 0 for none
  std::string Line;     // the check's line for Job, without the line end
  tExitState State;     // the check's exit code for it
};

/// The jobs the scanned logs name, in the order of their scanned names, each answered as the
/// check answers for it, named as its latest log writes it, with the run settings' age limits.
std::vector<tListedJob> ListJobs();

/// The job's latest log; null for a job that no log answered for.
const tFichierXML* LatestLog(const tListedJob& job);

/// The job's key that never changes with the spelling of its latest log: the scanned name's
/// bytes in lower-case hexadecimal, which any engine's key or filter can hold.
std::string JobId(const tListedJob& job);

/// Each job's service name for an engine: `prefix` and the name as written, passed through
/// `standIn` (the name as that engine can hold it), and " [<id>]" after each name that standIn
/// changed and that would otherwise meet another job's or one of `taken`.
std::vector<std::string> ServiceNames(const std::vector<tListedJob>& jobs,
                                      const std::string& prefix,
                                      std::string (*standIn)(const std::string& utf8),
                                      const std::vector<std::string>& taken = {});

/// The UTF-8 text with each control character and each character of `refused` (ASCII)
/// replaced: an apostrophe by U+2019, a double quote by U+201D, any other by "_".
std::string WithStandIns(const std::string& utf8, std::string_view refused);

/// The listing: the arguments (program name excluded) read, the directory listed and its logs
/// read, every job written out; ends with 0, or as the check ends when the directory cannot be
/// listed, or with 3 after the usage text.
[[noreturn]] void RunJobList(const std::vector<std::string>& arguments,
                             const std::vector<std::u16string>& characters);
