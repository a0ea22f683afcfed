// Realistic job logs, laid out as BackupExec writes them: the text of one log, its UTF-16 form,
// and its file. Used by the sample tool (trying the check without a backup server), the
// benchmark's workload generator and the tests; the check itself never links it.
#pragma once

#include <chrono>
#include <cstddef>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>

struct tSampleLog {
  std::string Job;
  std::string Server;
  std::time_t Started;
  std::string EngineWording;  // the log's own wording; empty for no such element
  std::string StatusCode;     // the numeric completion status; empty for no such element
  std::size_t TextSize;       // the detail section grows until the text is this long
  std::size_t LongRunEvery;   // every so many files of detail, a long run without tags; 0: none
  std::size_t LongRunSize;
};

/// A number from 0 to n - 1 drawn from `random`; the engine's output is fixed by the standard,
/// unlike the distributions', so a seed always gives the same logs.
std::size_t Pick(std::mt19937_64& random, std::size_t n);

/// The name BackupExec gives its number-th log of the server BKSRV01: BEX_BKSRV01_00042.xml.
std::string SampleLogName(std::size_t number);

/// The log's text, 8-bit, with CR LF line ends; the detail lines are drawn from `random`.
std::string SampleLogText(const tSampleLog& log, std::mt19937_64& random);

/// A line of detail that holds no "<".
std::string SampleDetailLine(std::mt19937_64& random);

/// UTF-16 little-endian with a byte-order mark, as BackupExec writes its logs: the text's valid
/// UTF-8 as the characters it encodes, every other byte as the ISO-8859-1 character of that
/// number.
std::string Utf16Text(const std::string& text);

/// Writes the bytes to the file and sets its last-write time. False when it cannot.
bool WriteSampleLog(const std::filesystem::path& file, const std::string& bytes,
                    std::chrono::system_clock::time_point written);
