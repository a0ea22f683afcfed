#include "console/console.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "platform/platform.h"

std::string ProgramName = "jobvigil";
bool DebugOutput = false;
bool VerboseOutput = false;
const std::string SeparatorLine(58, '-');
void (*StopLineForm)(const std::string& text, tExitState state) = nullptr;

namespace {

// The exit code of a failure that no step handles (output that cannot be written, memory for a
// whole log): 1 and not UNKNOWN's 3, as the check has always ended on such a failure and as
// the rules that watch it expect, although no warning about the job is meant.
constexpr int kUnhandledFailureCode = 1;

constexpr std::size_t kBufferSize = 128;
char gBuffer[kBufferSize];
std::size_t gBuffered = 0;
bool gFirstLineWritten = false;

// Where LinesOf gathers the lines; null while they are written out.
std::string* gGathered = nullptr;

// The file the lines go into instead of standard output, and the one it is to replace.
tFileHandle gOutputFile = kNoFile;
std::string gTemporaryPath;
std::string gOutputPath;

void Flush() {
  if (gBuffered == 0) return;
  const std::error_code error = gOutputFile != kNoFile
                                    ? WriteOutputFile(gOutputFile, gBuffer, gBuffered)
                                    : WriteStandardOutput(gBuffer, gBuffered);
  if (error)
    throw std::system_error(
        error, gOutputFile != kNoFile ? "writing " + gTemporaryPath : "writing standard output");
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

void WriteLineEndedBy(const std::string& text, const char* end, std::size_t endSize) {
  if (gGathered != nullptr) {
    gGathered->append(text).append(end, endSize);
    return;
  }
  // Output that cannot be used at all fails at the first line, however little is written.
  if (!gFirstLineWritten && gOutputFile == kNoFile) {
    const std::error_code error = WriteStandardOutput(nullptr, 0);
    if (error) throw std::system_error(error, "writing standard output");
    gFirstLineWritten = true;
  }
  Append(text.data(), text.size());
  Append(end, endSize);
  if (gOutputFile == kNoFile && StandardOutputIsDevice()) Flush();
}

}  // namespace

std::string LinesOf(const std::function<void()>& write) {
  std::string lines;
  std::string* const outer = gGathered;
  gGathered = &lines;
  try {
    write();
  } catch (...) {
    gGathered = outer;
    throw;
  }
  gGathered = outer;
  return lines;
}

const char* StateName(tExitState state) {
  switch (state) {
    case StateOk:
      return "OK";
    case StateWarning:
      return "WARNING";
    case StateCritical:
      return "CRITICAL";
    case StateUnknown:
      break;
  }
  return "UNKNOWN";
}

void WriteLine(const std::string& text) { WriteLineEndedBy(text, "\r\n", 2); }

void WriteLfLine(const std::string& text) { WriteLineEndedBy(text, "\n", 1); }

void SendOutputTo(const std::string& path) {
  Flush();
  const std::string temporary = path + ".tmp." + std::to_string(ProcessNumber());
  tFileHandle file = kNoFile;
  const std::error_code error = CreateOutputFile(temporary, file);
  if (error) throw std::system_error(error, "creating " + temporary);
  gOutputFile = file;
  gTemporaryPath = temporary;
  gOutputPath = path;
}

void PrintDebug(const std::string& text) {
  if (DebugOutput) WriteLine(text);
}

void PrintVerbose(const std::string& text) {
  if (VerboseOutput) WriteLine(text);
}

const tSwitchHelp HelpSwitchHelp = {"-h, --help", {"this text"}};
const tSwitchHelp VersionSwitchHelp = {"-V, --version", {"the program and its version"}};

void EndWithUsage(const tUsage& usage, tExitState state) {
  WriteLine("");
  WriteLine(usage.Program + " " + usage.Version);
  WriteLine("");
  for (const std::string& line : usage.About) WriteLine("    " + line);
  WriteLine("");
  WriteLine("    Usage : " + usage.Program + " " + usage.Arguments + " [switches]");
  WriteLine("");
  WriteLine("    Valid switches are :");
  for (const tSwitchHelp& item : usage.Switches) {
    WriteLine("      " + item.Switch + " : " + item.Help.front());
    for (std::size_t i = 1; i < item.Help.size(); ++i) WriteLine("        " + item.Help[i]);
  }
  WriteLine("");
  EndRun(state);
}

tAskedFor HelpOrVersionAskedFor(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "-h" || argument == "-H" || argument == "--help") return AskedForHelp;
    if (argument == "-V" || argument == "--version") return AskedForVersion;
  }
  return AskedForNothing;
}

void AnswerHelpOrVersion(const std::vector<std::string>& arguments, const tUsage& usage) {
  switch (HelpOrVersionAskedFor(arguments)) {
    case AskedForHelp:
      EndWithUsage(usage, StateOk);
    case AskedForVersion:
      WriteLine(usage.Program + " " + usage.Version);
      EndRun(StateOk);
    case AskedForNothing:
      break;
  }
}

void EndRun(tExitState state) {
  // A verdict that never reached its reader must not pass for one that did, so a failure
  // here takes the unhandled-failure path like any other failed write.
  Flush();
  if (gOutputFile != kNoFile) {
    const tFileHandle file = gOutputFile;
    gOutputFile = kNoFile;
    std::error_code error = CloseOutputFile(file);
    if (!error) error = RenameOverFile(gTemporaryPath, gOutputPath);
    if (error) {
      RemoveFile(gTemporaryPath);
      throw std::system_error(error, "replacing " + gOutputPath);
    }
  }
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

void AbandonOutputFile() {
  if (gOutputFile == kNoFile) return;
  gBuffered = 0;
  CloseOutputFile(gOutputFile);
  RemoveFile(gTemporaryPath);
  gOutputFile = kNoFile;
}

void FailUnhandled(const std::string& kind, const std::string& message) {
  if (gOutputFile != kNoFile) {
    AbandonOutputFile();
  } else if (gBuffered > 0) {
    WriteStandardOutput(gBuffer, gBuffered);
  }
  gBuffered = 0;
  WriteStandardError(ProgramName + " : unhandled failure (" + kind + ") : " + message + "\r\n");
  EndProcess(kUnhandledFailureCode);
}
