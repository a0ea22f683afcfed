// The job logs: the file table (process-wide, one record per listed log, filled by the
// directory scan and completed by the scanner), the directory scan, the reading of each log
// and the tag scanner that picks out the job name and completion status. Called by the driver.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/text.h"

/// What one log says of its job.
struct tFichierXML {
  std::string FileName;  // as listed, without the directory
  tDateTime FileDate;    // last-write time, local
  std::string JobName;   // upper-cased; empty until a name element is read
  std::int32_t StatusId;
  std::string StatusText;
};

constexpr int kMaxLogFiles = 1000;

/// Slot k (numbered from 1) is LogFiles[k - 1]; slots 1 to LogFileCount are in use.
extern std::array<tFichierXML, kMaxLogFiles> LogFiles;
extern int LogFileCount;

extern const std::string SeparatorLine;  // before each log's lines and the search for the latest

/// Lists the logs matching BE*.xml in the log directory into the file table, or ends the run
/// when there are none or more than the table holds.
void ScanLogDirectory();

/// Reads each listed log whole and scans it; logs that cannot be read are skipped.
void ReadLogFiles();

/// Scans `size` bytes of one log and fills slot k with its job name and status; ends the run
/// when anything fails inside.
void ScanXmlData(const char* bytes, std::size_t size, int k);

/// What follows the first blank after a colon ('LABEL: VALUE' gives 'VALUE'); the whole text
/// when there is no such blank. The empty text when it fails.
std::string ValueAfterColon(const std::string& text);
