#pragma once

#include <string>

#include "platform/system_facts.h"
#include "run/run_context.h"

namespace kdx {

/// The block "[Check TEMP Dir]" ... "[END Check TEMP Dir]": what changed today in the
/// system-wide temporary folder (NT only, from the registry) and in the user's (the process's
/// TEMP). Each file found enters the file list. Raises what the registry read or a subfolder
/// scan raises; the closing row is then missing.
void CheckTempDir(RunContext& context);

/// Appends a row per entry of folder that is neither hidden nor system and was last written
/// on today's date, with a subfolder's files below it; describes each file for the file list,
/// a file that fails becoming an "ERROR(CheckTMPDir)" row. A missing folder gives the row
/// "Verzeichnis nicht gefunden".
void ListChangedToday(RunContext& context, const std::string& folder, const SystemTime& today);

}  // namespace kdx
