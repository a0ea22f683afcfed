#include "console/console.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "platform/platform.h"

bool DebugOutput = false;
bool VerboseOutput = false;
const std::string Version = "v1.1 (13/01/2009)";
void (*StopLineForm)(const std::string& text, tExitState state) = nullptr;

namespace {

constexpr std::size_t kBufferSize = 128;
char gBuffer[kBufferSize];
std::size_t gBuffered = 0;
bool gFirstLineWritten = false;

void Flush() {
  if (gBuffered == 0) return;
  const std::error_code error = WriteStandardOutput(gBuffer, gBuffered);
  if (error) throw std::system_error(error, "writing standard output");
  gBuffered = 0;
}

void Append(const char* bytes, std::size_t count) {
  while (count > 0) {
    const std::size_t taken = std::min(count, kBufferSize - gBuffered);
    std::memcpy(gBuffer + gBuffered, bytes, taken);
    gBuffered += taken;
    bytes += taken;
    count -= taken;
    if (gBuffered == kBufferSize) Flush();
  }
}

}  // namespace

void WriteLine(const std::string& text) {
  // Output that cannot be used at all fails at the first line, however little is written.
  if (!gFirstLineWritten) {
    const std::error_code error = WriteStandardOutput(nullptr, 0);
    if (error) throw std::system_error(error, "writing standard output");
    gFirstLineWritten = true;
  }
  Append(text.data(), text.size());
  Append("\r\n", 2);
  if (StandardOutputIsDevice()) Flush();
}

void PrintDebug(const std::string& text) {
  if (DebugOutput) WriteLine(text);
}

void PrintVerbose(const std::string& text) {
  if (VerboseOutput) WriteLine(text);
}

void ShowUsage() {
  WriteLine("");
  WriteLine("jobvigil " + Version);
  WriteLine("");
  WriteLine("    Scans BackupExec XML files for a specific job, then returns information");
  WriteLine("    about completion of the last occurrence of the job.");
  WriteLine("");
  WriteLine("    Usage : jobvigil \"path of XML files\" \"Name of the job\" [switches]");
  WriteLine("");
  WriteLine("    Valid switches are :");
  WriteLine("      -d : prints debug information");
  WriteLine("      -w<n> : warning if last result is older than <n> days");
  WriteLine("      -c<n> : critical if last result is older than <n> days");
  WriteLine("");
}

void EndRun(tExitState state) {
  // A verdict that never reached its reader must not pass for one that did, so a failure
  // here takes the unhandled-failure path like any other failed write.
  Flush();
  EndProcess(state);
}

void StopWith(const std::string& text, tExitState state) {
  if (StopLineForm != nullptr) {
    StopLineForm(text, state);
  } else {
    WriteLine(text);
  }
  EndRun(state);
}

void FailUnhandled(const std::string& kind, const std::string& message) {
  if (gBuffered > 0) WriteStandardOutput(gBuffer, gBuffered);
  gBuffered = 0;
  WriteStandardError("jobvigil : unhandled failure (" + kind + ") : " + message + "\r\n");
  EndProcess(kUnhandledFailureCode);
}
