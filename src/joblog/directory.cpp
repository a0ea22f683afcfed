#include <array>
#include <vector>

#include "console/console.h"
#include "joblog/joblog.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace {

constexpr int kMaxLogFiles = 1000;

// The file table: slot k (numbered from 1) is LogFiles[k - 1].
std::array<tFichierXML, kMaxLogFiles> LogFiles;

}  // namespace

int LogFileCount = 0;
std::vector<tDirectoryEntry> DirectoryEntries;

tFichierXML& Slot(int k) { return LogFiles[static_cast<std::size_t>(k - 1)]; }

tFichierXML FreshSlot(const std::string& fileName, tDateTime fileDate) {
  return {fileName, fileDate, "", 0, "Unknown"};
}

bool NamesTheJob(const std::string& found, const std::string& jobKey,
                 const std::string& wideJobKey) {
  return found == jobKey || (!wideJobKey.empty() && found == wideJobKey);
}

void ScanLogDirectory() {
  const std::string searchPattern = LogDirectory + "BE*.xml";
  LogFileCount = 0;
  PrintDebug("Looking for files here : " + searchPattern);

  // One entry more than the table holds is enough to know there are too many.
  DirectoryEntries.clear();
  if (!ListLogFiles(OpenDirectory, kMaxLogFiles + 1, DirectoryEntries) || DirectoryEntries.empty())
    StopWith(ProgramName + " : No XML files found in " + searchPattern, StateUnknown);

  for (const tDirectoryEntry& entry : DirectoryEntries) {
    PrintVerbose("  Found XML file : " + entry.Name);
    // The program's name and ":" without a blank, unlike every other message: it is the wording
    // users match.
    if (LogFileCount == kMaxLogFiles)
      StopWith(ProgramName + ": Too much XML files. Aborted.", StateUnknown);
    LogFiles[LogFileCount++] = FreshSlot(entry.Name, FileDateTime(entry.LastWrite));
  }
  PrintDebug("Total XML files found : " + NumberToText(LogFileCount));
}
