// The listing's output formats, one writer each in a file of its own (listing_table.cpp,
// listing_json.cpp, listing_prometheus.cpp, listing_checkmk.cpp). Each writes the listed jobs
// through the console and says in its own form why a listing could not be made; the listing
// picks one by the format its command line names. No state.
#pragma once

#include <string>
#include <vector>

#include "app/job_list.h"
#include "console/console.h"

struct tListingWriter {
  /// Writes every job, the directory having been listed and read.
  void (*Jobs)(const std::vector<tListedJob>& jobs);
  /// The StopLineForm of the format: the check's text and state where the directory could not
  /// be listed or read; null for the check's plain line.
  void (*Stop)(const std::string& text, tExitState state);
};

/// A table for people, in the character set the check prints in; lines end in CR LF as the
/// check's do.
extern const tListingWriter TableWriter;

/// One JSON array of the jobs, in UTF-8; lines end in CR LF as the check's do.
extern const tListingWriter JsonWriter;

/// Prometheus' text exposition format, as textfile collectors read it; lines end in LF alone.
extern const tListingWriter PrometheusWriter;

/// One Checkmk local-check line per job and one for the directory; lines end in LF alone.
extern const tListingWriter CheckmkWriter;

/// The text as a JSON string, quotes included, in UTF-8.
std::string JsonString(const std::string& text);
