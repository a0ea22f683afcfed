#include "sample_log.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "text/text.h"

namespace {

const char* const kFolders[] = {"Users",   "Projects",      "Finance", "HR",      "Shared",
                                "Windows", "Program Files", "Data",    "Archive", "Temp"};
const char* const kWords[] = {"report", "budget", "minutes", "draft",  "invoice", "backup",
                              "setup",  "photo",  "notes",   "export", "archive", "plan"};
const char* const kExtensions[] = {"docx", "xlsx", "pdf", "txt", "msg", "jpg", "dll", "log"};

std::string DateText(std::time_t when) {
  char text[64];
  std::strftime(text, sizeof text, "%A, %B %d, %Y at %I:%M:%S %p", std::localtime(&when));
  return text;
}

std::string FilePath(std::mt19937_64& random) {
  std::string path = "C:\\";
  for (std::size_t depth = 1 + Pick(random, 4); depth > 0; --depth) {
    path += kFolders[Pick(random, std::size(kFolders))];
    path += '\\';
  }
  path += kWords[Pick(random, std::size(kWords))];
  path += '_';
  path += std::to_string(Pick(random, 100000));
  path += '.';
  path += kExtensions[Pick(random, std::size(kExtensions))];
  return path;
}

}  // namespace

std::size_t Pick(std::mt19937_64& random, std::size_t n) {
  return static_cast<std::size_t>(random() % n);
}

std::string SampleLogName(std::size_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "BEX_BKSRV01_%05zu.xml", number);
  return name;
}

std::string SampleDetailLine(std::mt19937_64& random) {
  return "Backed up file " + FilePath(random) + ", " + std::to_string(Pick(random, 10000000)) +
         " bytes, attributes " + std::to_string(Pick(random, 64));
}

std::string SampleLogText(const tSampleLog& log, std::mt19937_64& random) {
  std::string text;
  auto line = [&text](const std::string& item) { text += item + "\r\n"; };
  line("<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"yes\" ?>");
  line("<joblog>");
  line("<header>");
  line("<filler>Backup Exec job log</filler>");
  line("<name>Job name: " + log.Job + "</name>");
  line("<server>Job server: " + log.Server + "</server>");
  line("<type>Job type: Backup</type>");
  line("<start_time>Job started: " + DateText(log.Started) + "</start_time>");
  line("<log_name>Job Log: BEX_" + log.Server + "_" + std::to_string(Pick(random, 99999)) +
       ".xml</log_name>");
  line("</header>");
  line("<media_mount_date>Drive and media mount requested: " + DateText(log.Started) +
       "</media_mount_date>");
  line("<machine>");
  line("<machine_name>" + log.Server + "</machine_name>");
  line("<set>");
  line("<set_resource_name>\\\\" + log.Server + "\\C:</set_resource_name>");
  line("<verify>Verify: On</verify>");
  line("<compression>Compression Type: Hardware [if available, otherwise none]</compression>");
  for (std::size_t files = 1; text.size() < log.TextSize; ++files) {
    line("<file>" + SampleDetailLine(random) + "</file>");
    if (files % 97 == 0) line("<directory>" + FilePath(random) + "</directory>");
    if (files % 1013 == 0)
      line("<exception>The item " + FilePath(random) + " in use - skipped.</exception>");
    if (log.LongRunEvery > 0 && files % log.LongRunEvery == 0) {
      text += "<verify_detail>";
      const std::size_t stop = text.size() + log.LongRunSize;
      while (text.size() < stop) line(SampleDetailLine(random));
      line("</verify_detail>");
    }
  }
  line("</set>");
  line("<totalbytes>Processed " + std::to_string(Pick(random, 1000000000)) + " bytes in " +
       std::to_string(Pick(random, 60)) + " minutes.</totalbytes>");
  line("</machine>");
  line("<footer>");
  line("<end_time>Job ended: " + DateText(log.Started + 3600) + "</end_time>");
  if (!log.EngineWording.empty())
    line("<engine_completion_status>Job completion status: " + log.EngineWording +
         "</engine_completion_status>");
  if (!log.StatusCode.empty()) line("<completestatus>" + log.StatusCode + "</completestatus>");
  line("</footer>");
  line("</joblog>");
  return text;
}

std::string Utf16Text(const std::string& text) {
  std::string wide = "\xff\xfe";
  for (const char16_t unit : Utf16OfUtf8(Utf8OfMixed(text))) {
    wide += static_cast<char>(unit & 0xFF);
    wide += static_cast<char>(unit >> 8);
  }
  return wide;
}

bool WriteSampleLog(const std::filesystem::path& file, const std::string& bytes,
                    std::chrono::system_clock::time_point written) {
  {
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  const auto seconds = std::chrono::time_point_cast<std::chrono::seconds>(written);
  std::error_code error;
  std::filesystem::last_write_time(file, std::chrono::file_clock::from_sys(seconds), error);
  return !error;
}
