// Times jobvigil against cat reading the same logs, the two started the same way and run
// alternately with a warm page cache, and reports medians, ratios and peak memory.
// Beside them it times read_whole, which only reads each log whole and runs memchr over it: the
// floor for a check that holds each log in memory.
//   measure PROGRAM READ-WHOLE DIR JOB RUNS RATIO-GOAL
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct tSample {
  double Seconds;
  long PeakKiB;
};

// Runs the command with its output thrown away: into /dev/null, or, with `drain`, into a pipe
// that is read and discarded, so that a program writing line by line to a device is not timed.
tSample Run(std::vector<std::string> command, bool drain) {
  std::vector<char*> argv;
  for (std::string& item : command) argv.push_back(item.data());
  argv.push_back(nullptr);
  int pipeFds[2] = {-1, -1};
  if (drain && pipe(pipeFds) != 0) std::exit(1);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int out = drain ? pipeFds[1] : open("/dev/null", O_WRONLY);
    dup2(out, STDOUT_FILENO);
    if (drain) close(pipeFds[0]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (drain) {
    close(pipeFds[1]);
    static char sink[1 << 16];
    while (read(pipeFds[0], sink, sizeof sink) > 0) {
    }
    close(pipeFds[0]);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const auto stop = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) {
    std::fprintf(stderr, "measure: %s did not run\n", argv[0]);
    std::exit(1);
  }
  return {std::chrono::duration<double>(stop - start).count(), usage.ru_maxrss};
}

double Median(std::vector<tSample> samples) {
  std::sort(samples.begin(), samples.end(),
            [](const tSample& a, const tSample& b) { return a.Seconds < b.Seconds; });
  return samples[samples.size() / 2].Seconds;
}

long Peak(const std::vector<tSample>& samples) {
  long peak = 0;
  for (const tSample& sample : samples) peak = std::max(peak, sample.PeakKiB);
  return peak;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: measure PROGRAM READ-WHOLE DIR JOB RUNS RATIO-GOAL\n");
    return 2;
  }
  const std::string program = argv[1];
  const std::string readWhole = argv[2];
  const std::string dir = argv[3];
  const std::string job = argv[4];
  const int runs = std::atoi(argv[5]);
  const double ratioGoal = std::atof(argv[6]);

  std::vector<std::string> cat = {"/bin/cat"};
  long long largest = 0;
  DIR* listing = opendir(dir.c_str());
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_name[0] == '.') continue;
    const std::string path = dir + "/" + entry->d_name;
    struct stat status;
    if (stat(path.c_str(), &status) == 0) largest = std::max<long long>(largest, status.st_size);
    cat.push_back(path);
  }
  closedir(listing);
  std::sort(cat.begin() + 1, cat.end());

  const std::vector<std::string> check = {program, dir, job};
  std::vector<std::string> verbose = check;
  verbose.push_back("-d2");
  std::vector<std::string> floor = cat;
  floor[0] = readWhole;

  Run(cat, false);  // warm the page cache
  Run(check, false);
  std::vector<tSample> catSamples, checkSamples, verboseSamples, floorSamples;
  for (int i = 0; i < runs; ++i) {
    catSamples.push_back(Run(cat, false));
    checkSamples.push_back(Run(check, false));
    catSamples.push_back(Run(cat, false));
    floorSamples.push_back(Run(floor, false));
    catSamples.push_back(Run(cat, false));
    verboseSamples.push_back(Run(verbose, true));
  }

  const double catTime = Median(catSamples);
  const double checkTime = Median(checkSamples);
  const double verboseTime = Median(verboseSamples);
  const double floorTime = Median(floorSamples);
  const double ratio = checkTime / catTime;
  const long peakKiB = std::max(Peak(checkSamples), Peak(verboseSamples));
  const long limitKiB = static_cast<long>(largest / 1024) + 4096;
  const bool met = ratio <= ratioGoal && peakKiB <= limitKiB;
  std::printf(
      "%-14s %4zu files  cat %6.1f ms  jobvigil %6.1f ms  ratio %5.2f (goal %.1f)  "
      "read-whole %5.2f  -d2 %6.2f  peak %5.1f MiB (limit %5.1f)  %s\n",
      dir.substr(dir.find_last_of('/') + 1).c_str(), cat.size() - 1, catTime * 1000,
      checkTime * 1000, ratio, ratioGoal, floorTime / catTime, verboseTime / catTime,
      peakKiB / 1024.0, limitKiB / 1024.0, met ? "met" : "MISSED");
  return met ? 0 : 1;
}
