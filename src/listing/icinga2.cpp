// The listing as Icinga 2 configuration: one Service object per job on the host named, which
// imports the template that gives its check command and interval. Icinga 2 loads the file
// whatever the names hold: none reaches its syntax, its object names or its macros.
#include <utility>

#include "listing/formats.h"
#include "settings/settings.h"
#include "text/text.h"

namespace {

// An Icinga 2 string literal. Where `forMacros`, each "$" is doubled: Icinga 2 resolves the
// macros of a custom variable's value again when a command uses it, and refuses a lone "$" in
// one when it loads the configuration.
std::string String(const std::string& text, bool forMacros) {
  std::string literal = "\"";
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      literal += '\\';
      literal += c;
    } else if (c == '$' && forMacros) {
      literal += "$$";
    } else if (b < 0x20 || b == 0x7F) {
      // Three octal digits, so that a digit after it is not taken into the escape.
      literal += '\\';
      for (const int shift : {6, 3, 0}) literal += static_cast<char>('0' + (b >> shift & 7));
    } else {
      literal += c;
    }
  }
  return literal + "\"";
}

// Object names may not hold "!", which joins a service's name to its host's.
std::string StandIn(const std::string& utf8) { return WithStandIns(utf8, "!"); }

// One Service object: `vars` each a custom variable and its value, already a literal. The
// template is imported last, so that it can read what is set before (command_endpoint =
// host_name).
void WriteService(const std::string& name, const std::string& displayName, const std::string& host,
                  const std::vector<std::pair<std::string, std::string>>& vars,
                  const std::string& templateName) {
  WriteLfLine("");
  WriteLfLine("object Service " + String(name, false) + " {");
  WriteLfLine("  host_name = " + String(host, false));
  WriteLfLine("  display_name = " + String(displayName, false));
  for (const auto& [variable, value] : vars) WriteLfLine("  vars." + variable + " = " + value);
  WriteLfLine("  import " + String(templateName, false));
  WriteLfLine("}");
}

void WriteIcinga2(const std::vector<tListedJob>& jobs, const tListingRequest& request) {
  WriteLfLine("/* Written by jobvigil-jobs: a service for each BackupExec job the logs name. Each");
  WriteLfLine(" * listing replaces this file; changes made here are lost. */");
  const std::vector<std::string> names = ServiceNames(jobs, "BackupExec ", StandIn);
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    std::vector<std::pair<std::string, std::string>> vars = {
        {"backupexec_directory", String(request.Directory, true)},
        {"backupexec_job", String(jobs[i].Written, true)}};
    if (WarningDays > 0) vars.emplace_back("backupexec_warning_days", NumberToText(WarningDays));
    if (CriticalDays > 0) vars.emplace_back("backupexec_critical_days", NumberToText(CriticalDays));
    WriteService(names[i], "BackupExec " + jobs[i].Written, request.Host, vars,
                 request.Template.empty() ? "backupexec-job" : request.Template);
    // No job's name holds ": " (the logs' label), so no other service meets these.
    vars.resize(2);
    if (request.OverdueServices)
      WriteService(
          names[i] + ": schedule", "BackupExec " + jobs[i].Written + ": schedule", request.Host,
          vars, request.OverdueTemplate.empty() ? "backupexec-overdue" : request.OverdueTemplate);
    if (request.SuccessWarningHours == 0) continue;
    vars.emplace_back("backupexec_success_warning_hours",
                      NumberToText(request.SuccessWarningHours));
    vars.emplace_back("backupexec_success_critical_hours",
                      NumberToText(request.SuccessCriticalHours));
    WriteService(names[i] + ": last success", "BackupExec " + jobs[i].Written + ": last success",
                 request.Host, vars,
                 request.SuccessTemplate.empty() ? "backupexec-success" : request.SuccessTemplate);
  }
}

}  // namespace

const tListingWriter Icinga2Writer = {WriteIcinga2, StopKeepingTheFile};
