// jobvigil-sample: writes realistic BackupExec job logs for one job, with a chosen completion
// status and age, so that the check and its thresholds can be tried without a backup server.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "console/console.h"
#include "joblog/status.h"
#include "platform/platform.h"
#include "sample_log.h"
#include "text/text.h"
#include "verdict/verdict.h"

namespace {

const char kUsage[] =
    "jobvigil-sample " JOBVIGIL_VERSION
    "\n"
    "\n"
    "Usage : jobvigil-sample \"path of XML files\" \"Name of the job\" [switches]\n"
    "\n"
    "    Writes BackupExec job logs of the job into the directory (made if need be).\n"
    "\n"
    "    Valid switches are :\n"
    "      -s<n>   : completion status of the newest log (default 19, Success)\n"
    "      -snone  : the newest log carries no completion status at all\n"
    "      -a<n>   : the newest log is <n> days old as the check counts age (default 0)\n"
    "      -n<n>   : logs to write, the older ones a day apart and successful (default 1)\n"
    "      -f<n>   : the newest <n> logs take the status of -s, a run of failures (default 1)\n"
    "      -i<n>   : days between one log and the next (default 1; 7 for a weekly job)\n"
    "      -8      : 8-bit text instead of UTF-16\n"
    "      -h, --help    : this text\n"
    "      -V, --version : the program and its version\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "jobvigil-sample : %s\n%s", message.c_str(), kUsage);
  return 2;
}

// A whole number written plainly, nothing before or after it.
bool ReadNumber(const std::string& text, int& number) {
  number = TextToNumber(text);
  return !text.empty() && NumberToText(number) == text;
}

// The log's own wording of its status, as BackupExec puts it.
std::string EngineWording(std::int32_t code) {
  switch (ClassifyStatus(code)) {
    case OutcomeGood:
      return "Successful";
    case OutcomeCritical:
      return code == 6 ? "Failed" : StatusTextOf(code);
    case OutcomeWarning:
      break;
  }
  return StatusTextOf(code);
}

// The first BEX_<server>_<number>.xml that does not exist yet.
std::filesystem::path FreeName(const std::filesystem::path& dir) {
  for (std::size_t number = 1;; ++number) {
    if (!std::filesystem::exists(dir / SampleLogName(number))) return dir / SampleLogName(number);
  }
}

// 22:00 local time on the evening before the day `age` days ago: what the check counts as `age`
// whole days old, since age runs from today's midnight.
std::chrono::system_clock::time_point EveningBefore(int age) {
  const std::time_t now = std::time(nullptr);
  std::tm day = *std::localtime(&now);
  day.tm_mday -= age + 1;
  day.tm_hour = 22;
  day.tm_min = 0;
  day.tm_sec = 0;
  day.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&day));
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
  switch (HelpOrVersionAskedFor(arguments)) {
    case AskedForHelp:
      std::fputs(kUsage, stdout);
      return 0;
    case AskedForVersion:
      std::puts("jobvigil-sample " JOBVIGIL_VERSION);
      return 0;
    case AskedForNothing:
      break;
  }
  if (arguments.size() < 2) return Fail("a directory and a job name are needed");
  const std::filesystem::path dir = arguments[0];
  const std::string job = arguments[1];
  // A UTF-16 log holds the name's characters: those of the UTF-8 or wide command line where the
  // platform tells them, else each byte as the character of that number.
  const std::u16string characters = CommandLineCharacters(arguments)[1];
  const std::string logName = characters.empty() ? job : Utf8OfUtf16(characters);
  std::string status = "19";
  int age = 0;
  int count = 1;
  int failing = 1;
  int interval = 1;
  bool utf16 = true;
  for (std::size_t i = 2; i < arguments.size(); ++i) {
    const std::string item = UpperText(arguments[i]);
    const std::string prefix = LeftText(item, 2);
    int number = 0;
    const bool numbered = ReadNumber(TextAfter(item, 2), number);
    if (item == "-SNONE") {
      status.clear();
    } else if (prefix == "-S" && numbered) {
      status = NumberToText(number);
    } else if (prefix == "-A" && numbered && number >= 0) {
      age = number;
    } else if (prefix == "-N" && numbered && number > 0) {
      count = number;
    } else if (prefix == "-F" && numbered && number > 0) {
      failing = number;
    } else if (prefix == "-I" && numbered && number > 0) {
      interval = number;
    } else if (item == "-8") {
      utf16 = false;
    } else {
      return Fail("unknown switch " + arguments[i]);
    }
  }

  InitStatusTexts();
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  std::mt19937_64 random(static_cast<std::uint64_t>(std::time(nullptr)));
  for (int i = count - 1; i >= 0; --i) {
    const std::string code = i < failing ? status : "19";
    const auto written = EveningBefore(age + i * interval);
    const tSampleLog log = {utf16 ? logName : job,
                            "BKSRV01",
                            std::chrono::system_clock::to_time_t(written - std::chrono::hours(1)),
                            code.empty() ? "" : EngineWording(TextToNumber(code)),
                            code,
                            16000,
                            0,
                            0};
    // The wording comes first, so that the check shows the status table's wording of the code.
    const std::string text = SampleLogText(log, random);
    const std::filesystem::path file = FreeName(dir);
    if (!WriteSampleLog(file, utf16 ? Utf16Text(text) : text, written))
      return Fail("cannot write " + file.string());
    std::printf("%s : job %s, status %s, %d days old\n", file.string().c_str(), job.c_str(),
                code.empty() ? "none" : code.c_str(), age + i * interval);
  }
  return 0;
}
