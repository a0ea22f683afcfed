// The reading of the logs the directory scan found: with diagnostics each log whole in table
// order, every line of the trace as it comes; without them newest first through one small buffer,
// stopping at the first log of the job.
#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

#include "console/console.h"
#include "joblog/joblog.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace {

// Streamed logs all go through this one buffer, reused from log to log so that its pages stay
// mapped and in the processor's cache. Its size came out best of those measured; it is
// page-aligned because the kernel copies into a buffer off a page boundary markedly slower.
constexpr std::int32_t kChunkSize = 256 * 1024;
alignas(4096) char gChunk[kChunkSize];

// Opens the slot's log and takes its size, with the debug lines of a log that is skipped;
// kNoFile when it is skipped.
tFileHandle OpenForReading(const tFichierXML& slot, std::int32_t& size) {
  PrintDebug(SeparatorLine);
  PrintDebug("Processing file : " + LogDirectory + slot.FileName);
  PrintDebug("  File date : " + DateToText(slot.FileDate));
  const tFileHandle file = OpenLogFile(OpenDirectory, slot.FileName, DirectoryEntries);
  if (file == kNoFile) {
    PrintDebug("  Unable to open file. Skipped.");
    return kNoFile;
  }
  const std::int64_t length = LogFileSize(file);
  if (length > 0 && length <= INT32_MAX) {
    size = static_cast<std::int32_t>(length);
    // "(bytes) :" here and "(bytes): " in the scanner's line, as users' rules match them.
    PrintDebug("  Reading file, size (bytes) :" + NumberToText(size));
    return file;
  }
  if (length == 0) {
    PrintDebug("  Zero-length file. Skipped. ");  // the trailing blank is part of the line
  } else {
    PrintDebug(length < 0 ? "  Unable to open file. Skipped." : "  File too large. Skipped.");
  }
  CloseLogFile(file);
  return kNoFile;
}

// Streams the log through the chunk buffer into its scan. What the log's elements say reaches
// the slot only once all its bytes were read, so a failed or short read leaves the slot as the
// directory scan filled it.
void StreamLog(tFileHandle file, std::int32_t size, tFichierXML& slot) {
  tXmlScan scan = StartXmlScan(slot);
  for (std::int32_t left = size; left > 0;) {
    const std::int32_t count = std::min(left, kChunkSize);
    if (ReadLogFile(file, gChunk, count) != count) {
      PrintDebug("  Error reading file");
      return;
    }
    left -= count;
    ScanXmlChunk(scan, gChunk, static_cast<std::size_t>(count), left == 0);
  }
  slot = std::move(scan.Found);
}

// The verdict chooses the latest log of the job and, of equally dated ones, the first in the
// table; read in this order, the first log that names the job is that one, and no later log
// can change the verdict.
void ReadNewestFirst() {
  std::vector<int> order(static_cast<std::size_t>(LogFileCount));
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(),
                   [](int a, int b) { return Slot(a).FileDate > Slot(b).FileDate; });
  for (const int k : order) {
    tFichierXML& slot = Slot(k);
    std::int32_t size = 0;
    const tFileHandle file = OpenForReading(slot, size);
    if (file == kNoFile) continue;
    StreamLog(file, size, slot);
    CloseLogFile(file);
    if (NamesTheJob(slot.JobName, JobKey, WideJobKey)) return;
  }
}

}  // namespace

void ReadEveryLogFile() {
  for (int k = 1; k <= LogFileCount; ++k) {
    std::int32_t size = 0;
    const tFileHandle file = OpenForReading(Slot(k), size);
    if (file == kNoFile) continue;
    // Memory that cannot be had is not handled here: it ends the run as an unhandled failure.
    const auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
    if (ReadLogFile(file, buffer.get(), size) != size) {
      PrintDebug("  Error reading file");
    } else {
      ScanXmlData(buffer.get(), static_cast<std::size_t>(size), k);
    }
    CloseLogFile(file);
  }
}

void ReadLogFiles() {
  if (DebugOutput) {
    ReadEveryLogFile();
  } else {
    ReadNewestFirst();
  }
}
