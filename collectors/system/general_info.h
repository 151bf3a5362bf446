#pragma once

#include <string>

#include "platform/registry.h"
#include "run/run_context.h"

namespace kdx {

/// The first section of the report: folders, Windows version, date and time, computer, user,
/// administrator flag, session and processors; settles the run-wide facts in context.
/// Returns false when the Windows or system folder cannot be had: the collection ends then.
bool CollectGeneralInfo(RunContext& context, TRegistry& registry);

/// The name of a Windows version ("Windows XP", "Windows 98 SE", "NT based", ...).
std::string WindowsVersionName(const OsVersionInfo& version);

/// The version row: name, major.minor, service pack text and the build's low 16 bits.
std::string VersionRowText(const std::string& name, const OsVersionInfo& version);

/// True when the thread's token, or else the process's, holds the Administrators group.
bool isAdmin(SystemFacts& system);

/// An environment variable's value, on NT with its %NAME% references expanded (as it is set
/// when it cannot be expanded).
std::string ReadEnvironmentVariable(RunContext& context, const std::string& name);

/// "%d.%d.%d" of day, month, year.
std::string DateRowText(const SystemTime& time);

/// "%.2d:%.2d:%.2d" of hour, minute, second.
std::string TimeRowText(const SystemTime& time);

}  // namespace kdx
