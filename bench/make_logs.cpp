// Writes the benchmark's job-log workloads, deterministically from a seed: the same seed gives
// the same bytes and the same file dates relative to the moment of writing.
//   make_logs typical|heavy|worst-content|worst-tags DIR [SEED]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "sample_log.h"

namespace {

std::mt19937_64 gRandom;

std::size_t Pick(std::size_t n) { return ::Pick(gRandom, n); }

const char* const kJobs[] = {"Nightly",      "Weekly Full", "Exchange",          "SQL Logs",
                             "File Server",  "Archive",     "Print Queue",       "SharePoint",
                             "Monthly Tape", "HR Share",    "Domain Controller", "Finance DB"};
const char* const kServers[] = {"BKSRV01", "MAIL01", "SQL01", "FS01", "DC01", "WEB02"};

struct tOutcome {
  const char* Code;
  const char* Wording;
};
const tOutcome kOutcomes[] = {{"19", "Successful"}, {"19", "Successful"},
                              {"19", "Successful"}, {"3", "Completed with exceptions"},
                              {"6", "Failed"},      {"1", "Canceled"}};

using Clock = std::chrono::system_clock;
constexpr std::size_t kMiB = 1 << 20;

// One log of the job, started `hoursAgo` hours ago and written an hour later.
void WriteJobLog(const std::filesystem::path& file, const std::string& job, long hoursAgo,
                 std::size_t textSize, std::size_t longRunEvery, std::size_t longRunSize) {
  const tOutcome& outcome = kOutcomes[Pick(std::size(kOutcomes))];
  const Clock::time_point started = Clock::now() - std::chrono::hours(hoursAgo);
  const tSampleLog log = {job,
                          kServers[Pick(std::size(kServers))],
                          Clock::to_time_t(started),
                          outcome.Wording,
                          outcome.Code,
                          textSize,
                          longRunEvery,
                          longRunSize};
  WriteSampleLog(file, Utf16Text(SampleLogText(log, gRandom)), started + std::chrono::hours(1));
}

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
  const Clock::time_point now = Clock::now();

  if (workload == "typical") {
    // 1000 logs of about 40 KiB, the jobs taking turns, about one an hour.
    for (std::size_t i = 0; i < 1000; ++i)
      WriteJobLog(dir / SampleLogName(i + 1), kJobs[Pick(std::size(kJobs))],
                  static_cast<long>(1000 - i), 20000 - Pick(2000), 0, 0);
  } else if (workload == "heavy") {
    // 20 logs of about 25 MiB: long detail sections, and now and then a long content run.
    for (std::size_t i = 0; i < 20; ++i)
      WriteJobLog(dir / SampleLogName(i + 1),
                  i % 2 == 0 ? "Nightly" : kJobs[Pick(std::size(kJobs))],
                  static_cast<long>(24 * (20 - i)), 25 * kMiB / 2, 20000, 256 * 1024 + Pick(kMiB));
  } else if (workload == "worst-content") {
    // 5 logs of 25 MiB that are one content run: no "<" at all.
    for (std::size_t i = 0; i < 5; ++i) {
      std::string text;
      while (text.size() < 25 * kMiB / 2) text += SampleDetailLine(gRandom) + "\r\n";
      WriteSampleLog(dir / SampleLogName(i + 1), Utf16Text(text), now - std::chrono::hours(5 - i));
    }
  } else if (workload == "worst-tags") {
    // 5 logs of 25 MiB that are tags only, in 8-bit text: an element every few bytes.
    const char* const tags[] = {"set",    "/set",          "file",      "/file", "machine_name",
                                "verify", "/verify",       "directory", "x",     "name",
                                "/name",  "completestatus"};
    for (std::size_t i = 0; i < 5; ++i) {
      std::string text;
      while (text.size() < 25 * kMiB) text += std::string("<") + tags[Pick(std::size(tags))] + ">";
      WriteSampleLog(dir / SampleLogName(i + 1), text, now - std::chrono::hours(5 - i));
    }
  } else {
    std::fprintf(stderr, "make_logs: unknown workload %s\n", workload.c_str());
    return 2;
  }
  return 0;
}
