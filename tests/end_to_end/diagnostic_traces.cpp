// End-to-end tests: the lines written with -d and -d2.
#include <filesystem>

#include "sample_log.h"
#include "support.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {

using Diagnostics = EndToEnd;

TEST_F(Diagnostics, DebugTraceOfASmallRun) {
  const std::string first = Utf16Text(JobLog("Nightly", "19"));
  const std::string second =
      "<name>Label: Weekly</name><engine_completion_status>State: Done</engine_completion_status>";
  WriteLog(dir_, "BE00101.xml", first, 0, 2, 0);
  WriteLog(dir_, "BE00102.xml", second, 3, 2, 0);
  const std::string directory = PrintedDirectory(dir_);
  const std::string today = DateDaysAgo(0);
  const tRunResult result = Check("Nightly", {"-w5", "-d", "-c9"});
  EXPECT_EQ(result.Stdout,
            Lines({"CRITICAL threshold set to 9 days",
                   "WARNING threshold set to 5 days",
                   "Looking for files here : " + directory + "BE*.xml",
                   "Total XML files found : 2",
                   kSeparator,
                   "Processing file : " + directory + "BE00101.xml",
                   "  File date : " + today,
                   "  Reading file, size (bytes) :" + std::to_string(first.size()),
                   "  Processing XML data, size (bytes): " + std::to_string(first.size()),
                   "  Job name : NIGHTLY",
                   "  Status ID : 19 (Success)",
                   kSeparator,
                   "Processing file : " + directory + "BE00102.xml",
                   "  File date : " + DateDaysAgo(3),
                   "  Reading file, size (bytes) :" + std::to_string(second.size()),
                   "  Processing XML data, size (bytes): " + std::to_string(second.size()),
                   "  Job name : WEEKLY",
                   "  Status from file : DONE",
                   kSeparator,
                   "Searching entries for job Nightly",
                   "Found most recent entry for job Nightly",
                   "  In file : " + directory + "BE00101.xml",
                   "  File date : " + today,
                   "  Status ID : 19 (Success)",
                   "Job: Nightly, Success, Date:" + today}));
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Stderr, "");
}

TEST_F(Diagnostics, VerboseTraceShowsEveryElement) {
  const std::string log = "pre<a x=\"1\">one\r\n</a><NAME>Job: Nightly<completestatus>$13<";
  WriteLog(dir_, "BE1.xml", log);
  const tRunResult result = Check("NIGHTLY", {"-D2"});
  const std::string directory = PrintedDirectory(dir_);
  const std::string today = DateDaysAgo(0);
  const std::string size = std::to_string(log.size());
  EXPECT_EQ(result.Stdout, Lines({"Looking for files here : " + directory + "BE*.xml",
                                  "  Found XML file : BE1.xml",
                                  "Total XML files found : 1",
                                  kSeparator,
                                  "Processing file : " + directory + "BE1.xml",
                                  "  File date : " + today,
                                  "  Reading file, size (bytes) :" + size,
                                  "  Processing XML data, size (bytes): " + size,
                                  "  Processing command : ",
                                  "    With data : PRE",
                                  "  Processing command : A X=\"1\"",
                                  "    With data : ONE",
                                  "  Processing command : /A",
                                  "    With data : ",
                                  "  Processing command : NAME",
                                  "    With data : JOB: NIGHTLY",
                                  "  Job name : NIGHTLY",
                                  "  Processing command : COMPLETESTATUS",
                                  "    With data : $13",
                                  "  Status ID : $13 (Success)",
                                  kSeparator,
                                  "Searching entries for job NIGHTLY",
                                  "Found most recent entry for job NIGHTLY",
                                  "  In file : " + directory + "BE1.xml",
                                  "  File date : " + today,
                                  "  Status ID : 19 (Success)",
                                  "Job: NIGHTLY, Success, Date:" + today}));
}

}  // namespace
