// Writes the benchmark's job-log workloads, deterministically from a seed: the same seed gives
// the same bytes and the same file dates relative to the moment of writing.
//   make_logs typical|heavy|worst-content|worst-tags DIR [SEED]
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

std::mt19937_64 gRandom;

// A number from 0 to n - 1; the engine's output is fixed by the standard, unlike distributions.
std::size_t Pick(std::size_t n) { return static_cast<std::size_t>(gRandom() % n); }

const char* const kJobs[] = {"Nightly",           "Weekly Full",  "Exchange",    "SQL Logs",
                             "File Server",       "Archive",      "Print Queue", "SharePoint",
                             "Domain Controller", "Monthly Tape", "HR Share",    "Finance DB"};
const char* const kServers[] = {"BKSRV01", "MAIL01", "SQL01", "FS01", "DC01", "WEB02"};
const char* const kFolders[] = {"Users",   "Projects",      "Finance", "HR",      "Shared",
                                "Windows", "Program Files", "Data",    "Archive", "Temp"};
const char* const kWords[] = {"report", "budget", "minutes", "draft",  "invoice", "backup",
                              "setup",  "photo",  "notes",   "export", "archive", "plan"};
const char* const kExtensions[] = {"docx", "xlsx", "pdf", "txt", "msg", "jpg", "dll", "log"};

struct tOutcome {
  int Code;
  const char* Wording;
};
const tOutcome kOutcomes[] = {
    {19, "Successful"}, {19, "Successful"}, {19, "Successful"}, {3, "Completed with exceptions"},
    {6, "Failed"},      {1, "Canceled"},    {19, "Successful"}};

std::string DateText(std::time_t when) {
  char text[64];
  std::tm local{};
  localtime_r(&when, &local);
  std::strftime(text, sizeof text, "%A, %B %d, %Y at %I:%M:%S %p", &local);
  return text;
}

std::string FilePath() {
  std::string path = "C:\\";
  for (std::size_t depth = 1 + Pick(4); depth > 0; --depth) {
    path += kFolders[Pick(std::size(kFolders))];
    path += "\\";
  }
  path += kWords[Pick(std::size(kWords))];
  path += '_';
  path += std::to_string(Pick(100000));
  path += '.';
  path += kExtensions[Pick(std::size(kExtensions))];
  return path;
}

// A line of log text that holds no "<".
std::string DetailLine() {
  return "Backed up file " + FilePath() + ", " + std::to_string(Pick(10000000)) +
         " bytes, attributes " + std::to_string(Pick(64));
}

// One job log as text, its detail section grown until the text reaches `targetChars`; every
// `longRunEvery` files of detail (0 for never) a verification element of `longRunChars`
// characters of content without any tag.
std::string JobLogText(const std::string& job, std::time_t started, std::size_t targetChars,
                       std::size_t longRunEvery, std::size_t longRunChars) {
  const char* server = kServers[Pick(std::size(kServers))];
  const tOutcome& outcome = kOutcomes[Pick(std::size(kOutcomes))];
  std::string log;
  auto line = [&log](const std::string& text) { log += text + "\r\n"; };
  line("<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"yes\" ?>");
  line("<joblog>");
  line("<header>");
  line("<filler>Backup Exec job log</filler>");
  line("<name>Job name: " + job + "</name>");
  line(std::string("<server>Job server: ") + server + "</server>");
  line("<type>Job type: Backup</type>");
  line("<start_time>Job started: " + DateText(started) + "</start_time>");
  line(std::string("<log_name>Job Log: BEX_") + server + "_" + std::to_string(Pick(99999)) +
       ".xml</log_name>");
  line("</header>");
  line("<media_mount_date>Drive and media mount requested: " + DateText(started) +
       "</media_mount_date>");
  line("<machine>");
  line(std::string("<machine_name>") + server + "</machine_name>");
  line("<set>");
  line(std::string("<set_resource_name>\\\\") + server + "\\C:</set_resource_name>");
  line("<verify>Verify: On</verify>");
  line("<compression>Compression Type: Hardware [if available, otherwise none]</compression>");
  const std::string footerStart = "</set>";
  std::size_t files = 0;
  while (log.size() < targetChars) {
    line("<file>" + DetailLine() + "</file>");
    if (++files % 97 == 0) line("<directory>" + FilePath() + "</directory>");
    if (files % 1013 == 0)
      line("<exception>The item " + FilePath() + " in use - skipped.</exception>");
    if (longRunEvery > 0 && files % longRunEvery == 0) {
      log += "<verify_detail>";
      const std::size_t stop = log.size() + longRunChars;
      while (log.size() < stop) line(DetailLine());
      line("</verify_detail>");
    }
  }
  line(footerStart);
  line("<totalbytes>Processed " + std::to_string(Pick(1000000000)) + " bytes in " +
       std::to_string(Pick(60)) + " minutes.</totalbytes>");
  line("</machine>");
  line("<footer>");
  line("<end_time>Job ended: " + DateText(started + 3600) + "</end_time>");
  line(std::string("<engine_completion_status>Job completion status: ") + outcome.Wording +
       "</engine_completion_status>");
  line("<completestatus>" + std::to_string(outcome.Code) + "</completestatus>");
  line("</footer>");
  line("</joblog>");
  return log;
}

std::string Utf16(const std::string& text) {
  std::string wide;
  wide.reserve(2 + 2 * text.size());
  wide += "\xff\xfe";
  for (const char c : text) {
    wide += c;
    wide += '\0';
  }
  return wide;
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes, std::time_t date) {
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const timespec times[2] = {{date, 0}, {date, 0}};
  utimensat(AT_FDCWD, file.c_str(), times, 0);
}

std::string FileName(std::size_t index) {
  char name[32];
  std::snprintf(name, sizeof name, "BEX_BKSRV01_%05zu.xml", index + 1);
  return name;
}

constexpr std::size_t kMiB = 1 << 20;

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_logs typical|heavy|worst-content|worst-tags DIR [SEED]\n");
    return 2;
  }
  const std::string workload = argv[1];
  const std::filesystem::path dir = argv[2];
  gRandom.seed(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1);
  std::filesystem::create_directories(dir);
  const std::time_t now = std::time(nullptr);

  if (workload == "typical") {
    // 1000 logs of about 40 KiB, the jobs taking turns, one every 40 minutes.
    for (std::size_t i = 0; i < 1000; ++i) {
      const std::time_t started = now - static_cast<std::time_t>(1000 - i) * 2400;
      const std::string job = kJobs[Pick(std::size(kJobs))];
      WriteFile(dir / FileName(i), Utf16(JobLogText(job, started, 20000 - Pick(2000), 0, 0)),
                started + 3600);
    }
  } else if (workload == "heavy") {
    // 20 logs of about 25 MiB: long detail sections, and now and then a long content run.
    for (std::size_t i = 0; i < 20; ++i) {
      const std::time_t started = now - static_cast<std::time_t>(20 - i) * 86400;
      const std::string job = i % 2 == 0 ? "Nightly" : kJobs[Pick(std::size(kJobs))];
      WriteFile(dir / FileName(i),
                Utf16(JobLogText(job, started, 25 * kMiB / 2, 20000, 256 * 1024 + Pick(kMiB))),
                started + 3600);
    }
  } else if (workload == "worst-content") {
    // 5 logs of 25 MiB that are one content run: no "<" at all.
    for (std::size_t i = 0; i < 5; ++i) {
      std::string text;
      while (text.size() < 25 * kMiB / 2) text += DetailLine() + "\r\n";
      WriteFile(dir / FileName(i), Utf16(text), now - static_cast<std::time_t>(5 - i) * 3600);
    }
  } else if (workload == "worst-tags") {
    // 5 logs of 25 MiB that are tags only, in 8-bit text: an element every few bytes.
    const char* const tags[] = {"set",    "/set",          "file",      "/file", "machine_name",
                                "verify", "/verify",       "directory", "x",     "name",
                                "/name",  "completestatus"};
    for (std::size_t i = 0; i < 5; ++i) {
      std::string text;
      while (text.size() < 25 * kMiB) {
        text += '<';
        text += tags[Pick(std::size(tags))];
        text += '>';
      }
      WriteFile(dir / FileName(i), text, now - static_cast<std::time_t>(5 - i) * 3600);
    }
  } else {
    std::fprintf(stderr, "make_logs: unknown workload %s\n", workload.c_str());
    return 2;
  }
  return 0;
}
