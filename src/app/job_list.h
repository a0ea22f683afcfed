// jobvigil-jobs, the job listing: every job the logs of a directory name, each with the line and
// state the check answers for it, as a table for people or as JSON for monitoring systems to
// discover. It reads the run settings' directory and age limits; called by its main only.
#pragma once

#include <string>
#include <vector>

/// One job of the listing.
struct tListedJob {
  std::string Scanned;  // the job name as the scanner read it
  std::string Job;      // as typed on the command line to name it
  int Chosen;           // its latest log's slot, from 1; 0 for none
  std::string Line;     // the check's line for it, without the line end
  int State;            // the check's exit code for it
};

/// The jobs the scanned logs name, in the order of their names, each answered as the check
/// answers for it with the run settings' age limits.
std::vector<tListedJob> ListJobs();

/// The text as a JSON string, quotes included, in UTF-8.
std::string JsonString(const std::string& text);

/// The listing: the arguments (program name excluded) read, the directory listed and its logs
/// read, every job written out; ends with 0, or as the check ends when the directory cannot be
/// listed, or with 3 after the usage text.
[[noreturn]] void RunJobList(const std::vector<std::string>& arguments,
                             const std::vector<std::u16string>& characters);
