// Times jobvigil against cat reading all the same logs, the two started the same way and run
// alternately with a warm page cache, and reports medians, their ratio, how many logs the check
// read, and peak memory. With -d2 it also times the full pass with every element's lines.
//   measure PROGRAM DIR JOB RUNS RATIO-GOAL|- [-d2]
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "child_process.h"

namespace {

struct tSample {
  double Seconds;
  long PeakKiB;
};

// Runs the command with its output thrown away: into /dev/null, or, with `drain`, into a pipe
// that is read and discarded, so that a program writing line by line to a device is not timed.
tSample Run(const std::vector<std::string>& command, bool drain) {
  int pipeFds[2] = {-1, -1};
  if (drain && pipe(pipeFds) != 0) std::exit(1);
  const int out = drain ? pipeFds[1] : open("/dev/null", O_WRONLY);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = StartChild(command, out, -1);
  close(out);
  if (drain) {
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
    std::fprintf(stderr, "measure: %s did not run\n", command[0].c_str());
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

// How many of the directory's files the command reads, as the kernel reports reads of them.
std::size_t FilesRead(const std::vector<std::string>& command, const std::string& dir) {
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch < 0 || inotify_add_watch(watch, dir.c_str(), IN_ACCESS) < 0) {
    std::perror("measure: inotify");
    std::exit(1);
  }
  std::set<std::string> read;
  alignas(inotify_event) char events[1 << 16];
  auto drain = [&] {
    for (ssize_t got; (got = ::read(watch, events, sizeof events)) > 0;) {
      for (char* at = events; at < events + got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        if (event->mask & IN_Q_OVERFLOW) {
          std::fprintf(stderr, "measure: inotify queue overflowed\n");
          std::exit(1);
        }
        if (event->len > 0) read.insert(event->name);
        at += sizeof(inotify_event) + event->len;
      }
    }
  };
  const int out = open("/dev/null", O_WRONLY);
  const pid_t child = StartChild(command, out, -1);
  close(out);
  // Drained while the check runs, so that a long run cannot overflow the queue.
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    pollfd ready = {watch, POLLIN, 0};
    poll(&ready, 1, 10);
    drain();
  }
  drain();
  close(watch);
  return read.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6 && !(argc == 7 && std::strcmp(argv[6], "-d2") == 0)) {
    std::fprintf(stderr, "usage: measure PROGRAM DIR JOB RUNS RATIO-GOAL|- [-d2]\n");
    return 2;
  }
  const std::string program = argv[1];
  const std::string dir = argv[2];
  const std::string job = argv[3];
  const int runs = std::atoi(argv[4]);
  const bool hasGoal = std::strcmp(argv[5], "-") != 0;
  const double ratioGoal = hasGoal ? std::atof(argv[5]) : 0;
  const bool verbose = argc == 7;

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
  const std::size_t files = cat.size() - 1;

  const std::vector<std::string> check = {program, dir, job};
  std::vector<std::string> fullPass = check;
  fullPass.push_back("-d2");
  const std::size_t read = FilesRead(check, dir);

  Run(cat, false);  // warm the page cache
  Run(check, false);
  std::vector<tSample> catSamples, checkSamples, verboseSamples;
  for (int i = 0; i < runs; ++i) {
    catSamples.push_back(Run(cat, false));
    checkSamples.push_back(Run(check, false));
    // The full pass has no time goal, only one for memory: a few runs tell it.
    if (verbose && i < 3) verboseSamples.push_back(Run(fullPass, true));
  }

  const double catTime = Median(catSamples);
  const double checkTime = Median(checkSamples);
  const double ratio = checkTime / catTime;
  const long peakKiB = Peak(checkSamples);
  constexpr long kPeakLimitKiB = 4096;
  bool met = (!hasGoal || ratio <= ratioGoal) && peakKiB < kPeakLimitKiB;
  char goal[16] = "-";
  if (hasGoal) std::snprintf(goal, sizeof goal, "%.2f", ratioGoal);
  std::printf(
      "%-14s %-10s read %4zu/%-4zu  cat %6.1f ms  jobvigil %6.1f ms  ratio %5.2f (goal %s)  "
      "peak %4.1f MiB (limit %.1f)",
      dir.substr(dir.find_last_of('/') + 1).c_str(), job.c_str(), read, files, catTime * 1000,
      checkTime * 1000, ratio, goal, peakKiB / 1024.0, kPeakLimitKiB / 1024.0);
  if (verbose) {
    const long verbosePeakKiB = Peak(verboseSamples);
    const long limitKiB = static_cast<long>(largest / 1024) + kPeakLimitKiB;
    met = met && verbosePeakKiB <= limitKiB;
    std::printf("  -d2 ratio %6.1f peak %5.1f MiB (limit %5.1f)", Median(verboseSamples) / catTime,
                verbosePeakKiB / 1024.0, limitKiB / 1024.0);
  }
  std::printf("  %s\n", met ? "met" : "MISSED");
  return met ? 0 : 1;
}
