#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"

namespace kdx::analysis {

// The rules by what they look at; Catalogue() lists them all.
std::vector<Rule> ReportRules();
std::vector<Rule> ServiceRules();
std::vector<Rule> CheckLineRules();
std::vector<Rule> PrinterRules();
std::vector<Rule> LabelSoftwareRules();
std::vector<Rule> FileRules();
std::vector<Rule> LogRules();

// The check lines about the two services the rules of services read together with the service
// rows; the check line rules leave them to those.
inline constexpr std::string_view kMonitorNotStarted = "KDXMONX ist nicht gestartet";
inline constexpr std::string_view kMonitorKeyMissing =
    "Registry Key KDXMONX konnte nicht geöffnet werden";
inline constexpr std::string_view kMonitorStartType = "Falsche Startart für KDXMONX";
inline constexpr std::string_view kSpoolerNotStarted = "Spooler ist nicht gestartet";

inline constexpr std::string_view kFileNotFound = "Fehler: Datei nicht gefunden";
inline constexpr std::string_view kNotDeterminable = "nicht feststellbar";

/// Whether the report ran without administrator rights (Administrator FALSE, or its check
/// failed): the service manager then answers nothing, and the checks take every service for
/// stopped.
bool WithoutAdministratorRights(const ReportFacts& facts);

/// Whether the report knows a printing service's state; an unknown one (no rights, another
/// error of the service manager) says nothing of whether it runs.
bool StateKnown(const ReportFacts& facts, std::string_view service);

/// The line of the first check line of this text; 0 when there is none.
std::size_t CheckLine(const ReportFacts& facts, std::string_view text);

/// "a, b und c" (German) or "a, b and c".
std::string ListOf(const std::vector<std::string>& names, bool german);

/// Whether two port names are the same port: case aside, and with or without the colon that
/// the 95 family and the spooler's list put behind COM1 and LPT1.
bool SamePort(std::string_view a, std::string_view b);

/// Whether the spooler lists a port of this name; true when the report lists no ports.
bool SpoolerHasPort(const ReportFacts& facts, std::string_view port);

/// Whether the PC has a printer of this name: in the printer section or the spooler's list.
bool IsWindowsPrinter(const ReportFacts& facts, std::string_view name);

}  // namespace kdx::analysis
