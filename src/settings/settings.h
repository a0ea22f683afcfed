// The run settings: process-wide, filled once from the command line by the driver's readers
// (app/run.cpp) and the listing's, and read by every later phase: the directory scan, the
// reading of the logs, the verdict, the listing and its writers, and the success check.
#pragma once

#include <cstdint>
#include <string>

extern std::string LogDirectory;   // as printed: upper-cased, ending in "\"
extern std::string OpenDirectory;  // the same directory as the platform opens it
extern std::string JobName;        // as typed
extern std::string JobKey;         // upper-cased, compared with each log's job name
extern std::string WideJobKey;     // the name as read from a UTF-16 log; empty when not known
extern std::int32_t WarningDays;   // 0 for no limit
extern std::int32_t CriticalDays;  // 0 for no limit
