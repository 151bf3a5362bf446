#pragma once

#include "report/report_writer.h"
#include "run/run_context.h"

namespace kdx {

/// "Falscher Datentyp für HKLM\...\Port" for each label software printer entry whose "Port"
/// value is no REG_SZ.
void CheckPrinterPortTypes(RunContext& context, ReportWriter& writer);

/// "Falscher Ländercode für Label Types: <name>" for each label type set whose name is none
/// of the accepted country codes.
void CheckLabelTypeCountryCodes(RunContext& context, ReportWriter& writer);

/// "Leerer Default Devmode für: <printer>" for each printer whose "Default DevMode" value
/// holds no bytes.
void CheckDefaultDevModes(RunContext& context, ReportWriter& writer);

/// On NT: whether the monitor service and the spooler were found running, and whether the
/// monitor service starts automatically. A "Start" value that is missing or no DWORD raises
/// ERegistryException; a DWORD whose read fails a moment later gives the line
/// "Startart von KDXMONX nicht lesbar: " and the failure's message.
void CheckMonitorServiceStart(RunContext& context, ReportWriter& writer);

/// The four checks in the report's order, the devmode check on NT only; each writes one line
/// per fault it finds, none when all is well.
void WriteConsistencyChecks(RunContext& context, ReportWriter& writer);

}  // namespace kdx
