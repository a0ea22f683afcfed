// The listing's output formats: one table of them, each row a name, its help line and its
// writer, from which the usage text, the lookup by --format= and the writing all come. Each
// writer sits in a file of its own (<name>.cpp in this folder), declared here, writes the listed
// jobs through the console and says in its own form why a listing could not be made; what the
// writers share is here too: a job's id, the naming of its service, dates. A new format is a
// writer file and its row. Called by the listing, its writers and the success check.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "listing/listing.h"

/// What the listing was asked for beyond the run settings, which the formats that write an
/// engine's configuration put into each job's service.
struct tListingRequest {
  std::string Directory;  // the log directory as typed, which each service's check is given
  std::string Host;       // the host the services belong to; empty where none was named
  std::string Template;   // the template they take their other settings from; empty for the
                          // format's own
  std::int32_t SuccessWarningHours;   // with the critical hours, above 0: each job also gets a
  std::int32_t SuccessCriticalHours;  // service for the age of its last success
  std::string SuccessTemplate;        // the template of those; empty for the format's own
  bool OverdueServices;               // each job also gets a service for its schedule
  std::string OverdueTemplate;        // the template of those; empty for the format's own
  std::string MailTo;                 // the mail's recipients (--to), its sender (--from, empty
  std::string MailFrom;               // for the default) and what its subject begins with
  std::string SubjectPrefix;
};

struct tListingWriter {
  /// Writes every job, the directory having been scanned and its logs read.
  void (*Jobs)(const std::vector<tListedJob>& jobs, const tListingRequest& request);
  /// The StopLineForm of the format: the check's text and state where the directory could not
  /// be scanned or its logs read; null for the check's plain line.
  void (*Stop)(const std::string& text, tExitState state);
};

struct tListingFormat {
  const char* Name;  // as --format= names it
  const char* Help;  // what it writes, for the usage text
  const tListingWriter* Writer;
  bool ForHost;                  // its services need a host (--host)
  bool NeedsLimits;              // its services' command takes both age limits
  bool NeedsRecipients = false;  // it is a mail, which needs --to
};

/// The writers, one file each.
extern const tListingWriter TableWriter, JsonWriter, PrometheusWriter, CheckmkWriter, Icinga2Writer,
    NagiosWriter, HtmlWriter, PrtgWriter, MailWriter;

/// Every format, the default (the table) first.
extern const std::span<const tListingFormat> ListingFormats;

/// The format of that name; null for none.
const tListingFormat* ListingFormatNamed(const std::string& name);

/// The job's key that never changes with the spelling of its latest log: the scanned name's
/// bytes in lower-case hexadecimal, which any engine's key or filter can hold.
std::string JobId(const tListedJob& job);

/// Each job's service name for an engine: `prefix` and the name as written, passed through
/// `standIn` (the name as that engine can hold it), and " [<id>]" after each name that standIn
/// changed and that would otherwise meet another job's or one of `taken`.
std::vector<std::string> ServiceNames(const std::vector<tListedJob>& jobs,
                                      const std::string& prefix,
                                      std::string (*standIn)(const std::string& utf8),
                                      const std::vector<std::string>& taken = {});

/// The UTF-8 text with each control character and each character of `refused` (ASCII)
/// replaced: an apostrophe by U+2019, a double quote by U+201D, any other by "_".
std::string WithStandIns(const std::string& utf8, std::string_view refused);

/// The jobs counted by state, worst first, and those overdue, as a subject line gives them:
/// "1 critical, 2 warning, 14 OK, 1 overdue"; "none" for no job.
std::string StateCounts(const std::vector<tListedJob>& jobs);

/// The listing's request, for a writer's Stop, which is not given it: set before the directory
/// is scanned.
extern tListingRequest StopRequest;

/// A log's local date and time to the minute: '7/12/2026 22:00'.
std::string DateAndTime(const tFichierXML& log);

/// The same of a local wall-clock time in seconds since 1/1/1970 00:00.
std::string DateAndTime(std::int64_t localSeconds);

/// What Nagios refuses in an object's name: the characters of illegal_object_name_chars in
/// Debian's nagios.cfg, with the comment sign and the backslash (a line continues after one at
/// its end).
inline constexpr std::string_view kRefusedInNagiosNames = "`~!$%^&*|'\"<>?,()=;\\";

/// The Stop of the formats that write an engine's configuration: the file it would replace
/// stays as it was, so that no job loses its service for a share that is not mounted, and the
/// check's line goes to standard output.
void StopKeepingTheFile(const std::string& text, tExitState state);
