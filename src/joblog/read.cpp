// The reading of the listed logs: each log whole, one at a time, in table order.
#include <memory>

#include "app/run.h"
#include "console/console.h"
#include "joblog/joblog.h"
#include "platform/platform.h"

const std::string SeparatorLine(58, '-');

void ReadLogFiles() {
  for (int k = 1; k <= LogFileCount; ++k) {
    const tFichierXML& slot = LogFiles[static_cast<std::size_t>(k - 1)];
    PrintDebug(SeparatorLine);
    PrintDebug("Processing file : " + LogDirectory + slot.FileName);
    PrintDebug("  File date : " + DateToText(slot.FileDate));

    const tFileHandle file = OpenLogFile(OpenDirectory, slot.FileName);
    if (file == kNoFile) {
      PrintDebug("  Unable to open file. Skipped.");
      continue;
    }
    const std::int64_t size = LogFileSize(file);
    if (size <= 0) {
      PrintDebug(size == 0 ? "  Zero-length file. Skipped. " : "  Unable to open file. Skipped.");
    } else if (size > INT32_MAX) {
      PrintDebug("  File too large. Skipped.");
    } else {
      PrintDebug("  Reading file, size (bytes) :" + NumberToText(static_cast<std::int32_t>(size)));
      // Memory that cannot be had is not handled here: it ends the run as an unhandled failure.
      const auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
      if (ReadLogFile(file, buffer.get(), size) != size) {
        PrintDebug("  Error reading file");
      } else {
        ScanXmlData(buffer.get(), static_cast<std::size_t>(size), k);
      }
    }
    CloseLogFile(file);
  }
}
