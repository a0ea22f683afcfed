// End-to-end tests: logs on shares, where a refused lease may or may not mean a writer, a lease
// break, and job names beyond ASCII.
#include <filesystem>

#include "sample_log.h"
#include "support.h"

using namespace e2e;

namespace {

using Shares = EndToEnd;

struct tShareCase {
  const char* system;   // what fstatfs tells; empty for the machine's own
  const char* refused;  // the logs whose leases are refused, by the start of their names
  bool skipsNewest;
};

void PrintTo(const tShareCase& c, std::ostream* os) {
  *os << (*c.system ? c.system : "local") << ", leases refused on " << c.refused;
}

class Share : public EndToEnd, public testing::WithParamInterface<tShareCase> {};

// BE1.xml, a successful log of yesterday, and BE2.xml, a failed one of today whose lease may be
// refused: skipped, the job is OK; read, it failed.
TEST_P(Share, SkipsALogOnlyWhereARefusedLeaseMeansAWriter) {
  std::vector<std::string> settings = {std::string("REFUSE_LEASES=") + GetParam().refused};
  if (*GetParam().system) settings.push_back(std::string("FAKE_FILE_SYSTEM=") + GetParam().system);
  const std::optional<tRunOptions> options = PreloadFakeSystem(settings);
  if (!options) return;
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "6"), 0);
  const std::string line =
      GetParam().skipsNewest
          ? "Job: Nightly, Success, Date:" + DateDaysAgo(1)
          : "Job: Nightly, Status: Completed with errors, Date:" + DateDaysAgo(0);
  // Newest first, the refused log comes before any lease was granted.
  const tRunResult fast = Check("Nightly", {}, *options);
  EXPECT_EQ(fast.Stdout, line + "\r\n");
  EXPECT_EQ(fast.ExitCode, GetParam().skipsNewest ? 0 : 2);
  const tRunResult traced = Check("Nightly", {"-d"}, *options);
  if (GetParam().skipsNewest) {
    EXPECT_EQ(traced.Stdout, TraceWithSkippedLog(dir_, "  Unable to open file. Skipped."));
  } else {
    EXPECT_TRUE(
        traced.Stdout.ends_with("  Status ID : 6 (Completed with errors)\r\n" + line + "\r\n"))
        << traced.Stdout;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Share,
    testing::Values(tShareCase{"", "BE2", true},      // the kernel's own leases
                    tShareCase{"nfs", "BE2", false},  // no delegation: nothing known
                    tShareCase{"nfs", "BE", false},
                    tShareCase{"smb", "BE", false},    // a share that grants no leases at all
                    tShareCase{"smb", "BE2", true}));  // one that grants them, but not for BE2

TEST_F(Shares, ALeaseBreakDoesNotEndTheCheck) {
  const std::optional<tRunOptions> options = PreloadFakeSystem({"RAISE_SIGIO=1"});
  if (!options) return;
  WriteLog(dir_, "BE1.xml", JobLog("Nightly", "19"), 1);
  WriteLog(dir_, "BE2.xml", JobLog("Nightly", "3"), 0);
  for (const std::vector<std::string>& switches : {std::vector<std::string>{}, {"-d"}}) {
    const tRunResult broken = Check("Nightly", switches, *options);
    const tRunResult plain = Check("Nightly", switches);
    EXPECT_EQ(broken.Stdout, plain.Stdout);
    EXPECT_EQ(broken.ExitCode, 1);
    EXPECT_EQ(plain.ExitCode, 1);
  }
}

// A UTF-16 log of the job, its name given as UTF-16 characters.
std::string Utf16JobLog(const std::u16string& job) {
  std::string log = Utf16Text(JobLog("\x01", "19"));
  std::string name;
  for (const char16_t unit : job) {
    name += static_cast<char>(unit & 0xFF);
    name += static_cast<char>(unit >> 8);
  }
  return log.replace(log.find(std::string("\x01\0", 2)), 2, name);
}

struct tNameCase {
  std::string typed;        // UTF-8, unless the case is Linux's alone
  std::u16string utf16Log;  // the name in a UTF-16 log; empty for an 8-bit log
  std::string eightBitLog;  // the name in an 8-bit log
  bool matches;
  const char* printedOnWindows;  // the name as the ANSI code page 1252 gives it; null: Linux only
};

void PrintTo(const tNameCase& c, std::ostream* os) {
  *os << c.typed << " for "
      << (c.utf16Log.empty() ? c.eightBitLog
                             : std::filesystem::path(c.utf16Log).string() + " in UTF-16");
}

class JobName : public EndToEnd, public testing::WithParamInterface<tNameCase> {};

TEST_P(JobName, MatchesTheLogsAsTheScannerReadsThem) {
  const tNameCase& c = GetParam();
  if (c.printedOnWindows == nullptr && SkipUnlessBuild(LinuxBuild, "not UTF-8")) return;
  WriteLog(dir_, "BE1.xml",
           c.utf16Log.empty() ? JobLog(c.eightBitLog, "19") : Utf16JobLog(c.utf16Log), 1);
  // Under this locale Wine takes the arguments as UTF-8 and its ANSI code page is 1252.
  tRunOptions options;
  options.Environment = {"LC_ALL=C.UTF-8"};
  const tRunResult result = Check(c.typed, {}, options);
  const std::string printed = WindowsProgram() ? c.printedOnWindows : c.typed;
  EXPECT_EQ(result.Stdout, (c.matches ? "Job: " + printed + ", Success, Date:" + DateDaysAgo(1)
                                      : "jobvigil : No XML file for job name " + printed) +
                               "\r\n");
  EXPECT_EQ(result.ExitCode, c.matches ? 0 : 3);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JobName,
    testing::Values(
        tNameCase{"nightly", u"Nightly", "", true, "nightly"},
        tNameCase{"Sauvegarde compl\u00e8te", u"Sauvegarde compl\u00e8te", "", true,
                  "Sauvegarde compl\xe8te"},
        tNameCase{"SAUVEGARDE COMPL\u00e8TE", u"Sauvegarde compl\u00e8te", "", true,
                  "SAUVEGARDE COMPL\xe8TE"},
        // Only ASCII letters ignore case.
        tNameCase{"Sauvegarde compl\u00c8te", u"Sauvegarde compl\u00e8te", "", false,
                  "Sauvegarde compl\xc8te"},
        tNameCase{"\u0141\u00f3d\u017a Backup", u"\u0141\u00f3d\u017a Backup", "", true,
                  "L\xf3"
                  "dz Backup"},
        tNameCase{"\u0142\u00f3d\u017a backup", u"\u0141\u00f3d\u017a Backup", "", false,
                  "l\xf3"
                  "dz backup"},
        // The scanner keeps bytes: U+017A and U+015A both read as "Z" and byte 1.
        tNameCase{"\u0141\u00f3d\u017a Backup", u"\u0141\u00f3d\u015a Backup", "", true,
                  "L\xf3"
                  "dz Backup"},
        tNameCase{"\u0141\u00f3d\u017a Backup ", u"\u0141\u00f3d\u017a Backup", "", false,
                  "L\xf3"
                  "dz Backup "},
        tNameCase{"Backup \U0001F4BE", u"Backup \U0001F4BE", "", true, "Backup ??"},
        // An 8-bit log of Latin-1 text reads as the UTF-16 one does.
        tNameCase{"Sauvegarde compl\u00e8te", u"", "Sauvegarde compl\xe8te", true,
                  "Sauvegarde compl\xe8te"},
        // Bytes typed that are not UTF-8 still match as they stand.
        tNameCase{"Sauvegarde compl\xe8te", u"", "Sauvegarde compl\xe8te", true, nullptr},
        tNameCase{"Sauvegarde compl\xe8te", u"Sauvegarde compl\u00e8te", "", true, nullptr}));

}  // namespace
