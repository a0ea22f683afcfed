// The job logs: the file table (process-wide, one record per log the directory scan found,
// filled by it from the directory's entries, which it also keeps, and completed by the scanner),
// the directory scan, the reading of each log and the tag scanner that picks out the job name and
// completion status. Called by the driver, the listing and its writers, the success check and the
// verdict; the tests and the scanner's fuzz target fill slots and scan logs themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "joblog/tags/tags.h"
#include "platform/platform.h"
#include "text/text.h"

/// What one log says of its job ("fichier XML": XML file).
struct tFichierXML {
  std::string FileName;  // the directory entry's name, without the directory
  tDateTime FileDate;    // last-write time, local
  std::string JobName;   // upper-cased; empty until a name element is read
  std::int32_t StatusId;
  std::string StatusText;
  std::string WrittenName = "";  // JobName before upper-casing: as the log writes it
  // The same name as a UTF-16 log writes it, every character of it, in UTF-8; empty for a log
  // in 8-bit text.
  std::string WrittenUtf8 = "";
};

/// How many slots of the file table are in use, from slot 1 on.
extern int LogFileCount;

/// The directory's entries as the platform read them, from which the table was filled; opening a
/// log may ask of the others.
extern std::vector<tDirectoryEntry> DirectoryEntries;

/// Slot k of the file table, numbered from 1.
tFichierXML& Slot(int k);

/// A log's slot before it is read: no job name yet, and status 0, so that a log without
/// any status element reports "Status: Unknown" as critical.
tFichierXML FreshSlot(const std::string& fileName, tDateTime fileDate);

/// Whether a log's job name is the job's: its key as typed, or as a UTF-16 log reads it (when
/// known, that is when wideJobKey is not empty).
bool NamesTheJob(const std::string& found, const std::string& jobKey,
                 const std::string& wideJobKey);

/// Lists the logs matching BE*.xml in the log directory into the file table, or ends the run
/// when there are none or more than the table holds.
void ScanLogDirectory();

/// Reads and scans the table's logs; logs that cannot be read are skipped. With diagnostics every
/// log is read whole, in table order. Without them only the verdict line is written, so the logs
/// are streamed newest first and reading stops at the first that names the job: that is the one
/// the verdict would choose from a reading of them all.
void ReadLogFiles();

/// Reads and scans every log whole, in table order, as the check's full pass does; with
/// diagnostics off it writes nothing.
void ReadEveryLogFile();

/// Which of the three element names the scanner looks for a tag reads as.
enum tElementKind { OtherElement, NameElement, CompleteStatusElement, EngineStatusElement };

/// How the tag scanner reads a log, as the run's diagnostics ask: every tag in order (each
/// element's lines, -d2), every element of the wanted kinds in order (their lines, -d), or only
/// the latest element of each kind (no diagnostics: each element only overwrites the one of its
/// kind before it).
enum tScanPath { EveryTag, EveryWantedElement, LatestOfEachKind };

/// The tag scanner's state between two chunks of one log, and the slot as the log's elements
/// have filled it so far. Of a pending tag or content run it keeps only what handling the
/// element will need.
struct tXmlScan {
  tScanPath Path = LatestOfEachKind;
  bool InTag = false;                // between a "<" and its ">"
  std::string Tag;                   // that tag, or the last closed one: kept bytes, upper-cased
  tElementKind Kind = OtherElement;  // what the last closed tag reads as
  std::string Content;               // the content after it so far, kept, in its own case
  std::string NameBytes;             // the same content of a name, every byte of it
  std::string LogStart;              // the log's first two bytes, which tell UTF-16
  bool CandidatesFrequent = false;   // whether the last chunk's words held candidates often
                                     // (FindWantedTags), as the next chunk's most likely do
  tFichierXML Found;
};

/// A scan of a log about to fill the slot, positioned before its first byte, on the path the
/// run's diagnostics ask for.
tXmlScan StartXmlScan(const tFichierXML& slot);

/// Scans the next `size` bytes of the log into scan.Found; `endsLog` for its last chunk. Chunks
/// of any size, fed in order, give what the whole log fed at once gives. Ends the run when
/// anything fails inside.
void ScanXmlChunk(tXmlScan& scan, const char* bytes, std::size_t size, bool endsLog);

/// Scans `size` bytes of one log and fills slot k with its job name and status; ends the run
/// when anything fails inside.
void ScanXmlData(const char* bytes, std::size_t size, int k);

/// The job name as the scanner reads it from a log in UTF-16 little-endian: each character's
/// two bytes, less those the scanner drops, a-z upper-cased; the empty text for a name that
/// holds a line end, which names no log.
std::string Utf16JobKey(const std::u16string& name);

/// What follows the first blank after a colon ('LABEL: VALUE' gives 'VALUE'), with every later
/// colon dropped and the first blank after each ('Job: A: B' gives 'AB'); the whole text when no
/// blank follows a colon. The empty text when it fails.
std::string ValueAfterColon(const std::string& text);
