#include <vector>

#include "app/run.h"
#include "console/console.h"
#include "joblog/joblog.h"
#include "platform/platform.h"

std::array<tFichierXML, kMaxLogFiles> LogFiles;
int LogFileCount = 0;

void ScanLogDirectory() {
  const std::string searchPattern = LogDirectory + "BE*.xml";
  LogFileCount = 0;
  PrintDebug("Looking for files here : " + searchPattern);

  // One entry more than the table holds is enough to know there are too many.
  std::vector<tListedEntry> entries;
  if (!ListLogFiles(OpenDirectory, kMaxLogFiles + 1, entries) || entries.empty())
    StopWith("jobvigil : No XML files found in " + searchPattern, StateUnknown);

  for (const tListedEntry& entry : entries) {
    PrintVerbose("  Found XML file : " + entry.Name);
    // "jobvigil:" without a blank, unlike every other message: it is the wording users match.
    if (LogFileCount == kMaxLogFiles)
      StopWith("jobvigil: Too much XML files. Aborted.", StateUnknown);
    // Status 0 is critical, so that a log without any status element reports
    // "Status: Unknown" as critical.
    LogFiles[LogFileCount++] = {entry.Name, FileDateTime(entry.LastWrite), "", 0, "Unknown"};
  }
  PrintDebug("Total XML files found : " + NumberToText(LogFileCount));
}
