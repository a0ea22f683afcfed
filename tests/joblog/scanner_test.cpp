#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "joblog/best_instruction_set.h"
#include "joblog/joblog.h"
#include "joblog/status.h"
#include "log_text.h"
#include "sample_log.h"

namespace {

using namespace std::string_literals;

// Scans the bytes into slot 1 of a fresh table and gives back the slot.
tFichierXML Scan(const std::string& bytes) {
  InitStatusTexts();
  LogFileCount = 1;
  Slot(1) = FreshSlot("BE1.xml", 0.0);
  ScanXmlData(bytes.data(), bytes.size(), 1);
  return Slot(1);
}

const std::string kNightly =
    "<log><name>Label: Nightly</name><completestatus>19</completestatus></log>";

TEST(ScanXmlData, ReadsJobNameAndStatus) {
  const tFichierXML slot = Scan(kNightly);
  EXPECT_EQ(slot.JobName, "NIGHTLY");
  EXPECT_EQ(slot.StatusId, 19);
  EXPECT_EQ(slot.StatusText, "Success");
  EXPECT_EQ(slot.FileName, "BE1.xml");
}

TEST(ScanXmlData, ReadsUtf16LikeEightBitText) {
  const tFichierXML slot = Scan(Utf16Text(kNightly));
  EXPECT_EQ(slot.JobName, "NIGHTLY");
  EXPECT_EQ(slot.StatusId, 19);
  EXPECT_EQ(slot.StatusText, "Success");
}

// The listing shows a job as its log writes it: a UTF-16 log's name with all its characters.
TEST(ScanXmlData, KeepsTheCharactersOfAUtf16LogsName) {
  const struct {
    std::string text;
    std::string written;
  } cases[] = {
      {Utf16Text("<name>Job name: Sicherung \u0141\u00f3d\u017a</name><x>"),
       "Sicherung \u0141\u00f3d\u017a"},
      {Utf16Text("<NAME>\r\n\U0001f4be Caf\u00e9 \u00fe\r\n</NAME><x>"),
       "\U0001f4be Caf\u00e9 \u00fe"},
      {Utf16Text("<name>A</name><name>\u0420\u0435\u0437\u0435\u0440\u0432</name>"),
       "\u0420\u0435\u0437\u0435\u0440\u0432"},
      {"<name>Job name: Sicherung \xc5\x81</name><x>", ""},  // 8-bit text: its bytes only
  };
  for (const auto& c : cases) EXPECT_EQ(Scan(c.text).WrittenUtf8, c.written) << c.written;
}

TEST(ScanXmlData, DropsNulLineEndsAnd254And255Anywhere) {
  const tFichierXML slot =
      Scan("\xfe<na\rme>\xffLab\nel:\0 Ni\xfeghtly</name><complete\0status>1\r\n9<"s);
  EXPECT_EQ(slot.JobName, "NIGHTLY");
  EXPECT_EQ(slot.StatusId, 19);
}

TEST(ScanXmlData, LaterStatusElementDecidesTheWording) {
  const tFichierXML engineLast = Scan(
      "<completestatus>19</completestatus>"
      "<engine_completion_status>State: Successful</engine_completion_status>");
  EXPECT_EQ(engineLast.StatusText, "SUCCESSFUL");
  EXPECT_EQ(engineLast.StatusId, 19);

  const tFichierXML codeLast = Scan(
      "<engine_completion_status>State: Successful</engine_completion_status>"
      "<completestatus>19</completestatus>");
  EXPECT_EQ(codeLast.StatusText, "Success");
}

TEST(ScanXmlData, LastNameElementWins) {
  EXPECT_EQ(Scan("<name>First</name><x>y</x><NAME>Second</NAME>").JobName, "SECOND");
}

TEST(ScanXmlData, KeepsBlanksAndTabsButNotLineEndsOfContent) {
  EXPECT_EQ(Scan("<name>Label: Nightly </name>").JobName, "NIGHTLY ");
  EXPECT_EQ(Scan("<name>\r\n  Nightly\r\n</name>").JobName, "  NIGHTLY");
  EXPECT_EQ(Scan("<name>\tNightly</name>").JobName, "\tNIGHTLY");
}

TEST(ScanXmlData, MatchesOnlyBareOpeningTags) {
  EXPECT_EQ(Scan("<name id=\"1\">Nightly</name>").JobName, "");
  EXPECT_EQ(Scan("<name/>Nightly<x>").JobName, "");
  EXPECT_EQ(Scan("<Name>Nightly</Name>").JobName, "NIGHTLY");
  EXPECT_EQ(Scan("< name>Nightly</name>").JobName, "");
  EXPECT_EQ(Scan("<namex>Nightly</namex>").JobName, "");
  EXPECT_EQ(Scan("<engine_completion_statusx>A</x>").StatusText, "Unknown");
  EXPECT_EQ(Scan("<engine_completion_status>A</x>").StatusText, "A");
}

TEST(ScanXmlData, TreatsAngleBracketsByMode) {
  // "<" inside a tag and ">" inside content are ordinary characters.
  EXPECT_EQ(Scan("<na<me>x</na<me>").JobName, "");
  EXPECT_EQ(Scan("<name>a>b</name>").JobName, "A>B");
  // The first "<" completes an element of its own with an empty tag; ">" before it is content.
  EXPECT_EQ(Scan("name>Nightly<x>").JobName, "");
}

TEST(ScanXmlData, NeverHandlesTextAfterTheLastTagOpens) {
  EXPECT_EQ(Scan("<name>Nightly").JobName, "");
  EXPECT_EQ(Scan("<name>Nightly<").JobName, "NIGHTLY");
  EXPECT_EQ(Scan("<completestatus>19</complete").StatusId, 19);
  EXPECT_EQ(Scan("<completestatus>19").StatusId, 0);
}

TEST(ScanXmlData, LeavesSlotAloneWithoutAnyTag) {
  const tFichierXML slot = Scan("Nightly completestatus 19 > name");
  EXPECT_EQ(slot.JobName, "");
  EXPECT_EQ(slot.StatusId, 0);
  EXPECT_EQ(slot.StatusText, "Unknown");
}

TEST(ScanXmlData, ReadsStatusCodesByTheNumberRules) {
  EXPECT_EQ(Scan("<completestatus> 6 </completestatus>").StatusId, 6);
  EXPECT_EQ(Scan("<completestatus>$13</completestatus>").StatusId, 19);
  EXPECT_EQ(Scan("<completestatus>abc</completestatus>").StatusText, "Not defined");
  const tFichierXML unknown = Scan("<completestatus>100</completestatus>");
  EXPECT_EQ(unknown.StatusId, 100);
  EXPECT_EQ(unknown.StatusText, "Unknown status code 100");
  EXPECT_EQ(Scan("<completestatus>-1</completestatus>").StatusText, "Unknown status code -1");
  EXPECT_EQ(Scan("<completestatus>24</completestatus>").StatusText, "");
}

TEST(ScanXmlData, IgnoresLongTagsThatOnlyStartLikeWantedOnes) {
  const std::string longTag(100000, 'N');
  EXPECT_EQ(Scan("<" + longTag + ">Nightly<name>Weekly<").JobName, "WEEKLY");
  EXPECT_EQ(Scan("<ENGINE_COMPLETION_STATUSS>x<").StatusText, "Unknown");
  EXPECT_EQ(Scan("<ENGINE_COMPLETION_STATUS\r\n>x<").StatusText, "X");
}

TEST(ScanXmlData, KeepsLongContentWhole) {
  const std::string name(1 << 20, 'a');
  EXPECT_EQ(Scan("<name>" + name + "</name>").JobName, std::string(1 << 20, 'A'));
}

// --- Chunks ----------------------------------------------------------------------------------

// The texts of the sample logs, and crafted ones whose names, UTF-16 pairs, line ends and bytes
// 254/255 come at every offset of a chunk.
std::vector<std::string> ChunkTexts() {
  std::vector<std::string> texts;
  for (const auto& entry : std::filesystem::directory_iterator(JOBVIGIL_EXAMPLES)) {
    std::ifstream in(entry.path(), std::ios::binary);
    texts.push_back((std::stringstream() << in.rdbuf()).str());
  }
  const std::string crafted[] = {
      kNightly,
      "pre\r\n<NAME>Job: Night\r\nly</NAME>\xfe\xff<completestatus>\r\n3\r\n<x>\r\n"
      "<engine_completion_status>State: Done</engine_completion_status>\xff",
      "<engine_completion_status>Late</engine_completion_status>"
      "<completestatus>6</completestatus><name>A</name><name>B</name><nam",
      "<name>Z:</name>\r\n<completestatus>19</complete",
      "<n<ame>x</name><ENGINE_COMPLETION_STATUSX>y</x><c>z<name>\r\n>q<",
      "<name>Job name: \r\nSicherung \u0141\u00f3d\u017a \U0001f4be</name><x>",
      // Dropped bytes between a "<" and its tag's first letter.
      "<\r\nname>Nightly</name><\xfe\xff\ncompletestatus>3<\rengine_completion_status>X<",
      "<x>a<\0\0name>Two NULs<"s,
  };
  for (const std::string& text : crafted) {
    texts.push_back(text);
    texts.push_back(Utf16Text(text));
  }
  // Elements spread over several of the scanner's blocks, and a name 40 KiB long.
  std::string spread;
  for (int i = 0; spread.size() < 100000; ++i)
    spread += "<file>F" + std::to_string(i) + "</file>\r\n" + (i % 997 == 0 ? kNightly : "");
  texts.push_back(spread + "<name>" + std::string(40000, 'q') + "<");
  return texts;
}

// Scans the text fed as chunks of the given sizes, the last one repeated to its end.
tFichierXML ScanInChunks(const std::string& text, const std::vector<std::size_t>& sizes) {
  tXmlScan scan = StartXmlScan(FreshSlot("BE1.xml", 0.0));
  for (std::size_t at = 0, i = 0; at < text.size(); ++i) {
    const std::size_t count = std::min(sizes[std::min(i, sizes.size() - 1)], text.size() - at);
    at += count;
    ScanXmlChunk(scan, text.data() + at - count, count, at == text.size());
  }
  return scan.Found;
}

TEST(ScanXmlChunk, FillsTheSlotAsTheWholeTextDoesWhereverChunksEnd) {
  InitStatusTexts();
  const std::vector<std::string> texts = ChunkTexts();
  std::vector<tFichierXML> whole;
  const tBestSetAtEnd bestSetAtEnd;
  ASSERT_TRUE(UseInstructionSet(ScanPlain));
  for (const std::string& text : texts) whole.push_back(ScanInChunks(text, {text.size() + 1}));
  ASSERT_EQ(whole[texts.size() - 1].JobName, std::string(40000, 'Q'));

  int sets = 0;
  for (const tInstructionSet set : {ScanPlain, ScanSse2, ScanAvx2, ScanAvx512}) {
    if (!UseInstructionSet(set)) continue;
    ++sets;
    for (std::size_t t = 0; t < texts.size(); ++t) {
      const std::string& text = texts[t];
      std::vector<std::vector<std::size_t>> chunkings;
      for (std::size_t size = 1; size <= 8; ++size) chunkings.push_back({size});
      // Every split in two of the small texts; the long ones at a stride.
      const std::size_t stride = text.size() < 5000 ? 1 : 97;
      for (std::size_t split = 1; split < text.size(); split += stride)
        chunkings.push_back({split, text.size()});
      chunkings.push_back({text.size()});
      for (const auto& chunking : chunkings) {
        const tFichierXML got = ScanInChunks(text, chunking);
        ASSERT_EQ(got.JobName, whole[t].JobName)
            << "set " << set << ", text " << t << ", first chunk " << chunking[0];
        ASSERT_EQ(got.StatusId, whole[t].StatusId) << "set " << set << ", text " << t;
        ASSERT_EQ(got.StatusText, whole[t].StatusText) << "set " << set << ", text " << t;
        ASSERT_EQ(got.WrittenName, whole[t].WrittenName) << "set " << set << ", text " << t;
        ASSERT_EQ(got.WrittenUtf8, whole[t].WrittenUtf8)
            << "set " << set << ", text " << t << ", first chunk " << chunking[0];
      }
    }
  }
  EXPECT_GE(sets, 1);
}

struct ColonCase {
  const char* text;
  const char* expected;
};

void PrintTo(const ColonCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }

class ValueAfterColonTest : public testing::TestWithParam<ColonCase> {};

TEST_P(ValueAfterColonTest, TakesWhatFollowsTheBlankAfterAColon) {
  EXPECT_EQ(ValueAfterColon(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ValueAfterColonTest,
                         testing::Values(ColonCase{"LABEL: DAILY BACKUP", "DAILY BACKUP"},
                                         ColonCase{"DAILY", "DAILY"}, ColonCase{"JOB: A: B", "AB"},
                                         ColonCase{"JOB:A", "JOB:A"},
                                         ColonCase{"TIME:12:30 X", "X"}, ColonCase{"", ""},
                                         ColonCase{": ", ""}, ColonCase{"A:  B", " B"},
                                         ColonCase{"A B: C D ", "C D "}, ColonCase{"A::  B", " B"},
                                         ColonCase{"A: B C: D", "B CD"}));

}  // namespace
