// The table of the listing's formats. A new format is one row here and one writer file.
#include "app/listing_formats.h"

#include <algorithm>
#include <array>

extern const tListingWriter TableWriter;
extern const tListingWriter JsonWriter;
extern const tListingWriter PrometheusWriter;
extern const tListingWriter CheckmkWriter;
extern const tListingWriter Icinga2Writer;
extern const tListingWriter NagiosWriter;

namespace {

const std::array kFormats = {
    tListingFormat{"table", "a table for people (the default)", &TableWriter, false, false},
    tListingFormat{"json", "one JSON array of the jobs, in UTF-8", &JsonWriter, false, false},
    tListingFormat{"prometheus", "Prometheus text, for a textfile collector", &PrometheusWriter,
                   false, false},
    tListingFormat{"checkmk", "Checkmk local checks, one per job and the directory's",
                   &CheckmkWriter, false, false},
    tListingFormat{"icinga2", "Icinga 2 services of the --host, one per job", &Icinga2Writer, true,
                   false},
    tListingFormat{"nagios", "Nagios services of the --host, one per job, -w and -c needed",
                   &NagiosWriter, true, true},
};

}  // namespace

const std::span<const tListingFormat> ListingFormats = kFormats;

const tListingFormat* ListingFormatNamed(const std::string& name) {
  const auto* found =
      std::find_if(kFormats.begin(), kFormats.end(),
                   [&](const tListingFormat& format) { return format.Name == name; });
  return found == kFormats.end() ? nullptr : found;
}

void StopKeepingTheFile(const std::string& text, tExitState) {
  AbandonOutputFile();
  WriteLine(text);
}
