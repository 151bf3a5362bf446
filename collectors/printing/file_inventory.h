#pragma once

#include <string>

#include "platform/registry.h"
#include "run/run_context.h"

namespace kdx {

/// The value of a missing folder's row.
inline constexpr char kFolderMissing[] = "Verzeichnis nicht gefunden";

/// The row of a folder that exists but refuses its listing: it says why, rather than look
/// empty ("Verzeichnis nicht lesbar: " and the system's text for error).
void AddUnreadableFolderRow(RunContext& context, const std::string& folder, long error);

/// Describes the files of one folder whose upper-cased names contain the upper-cased filter
/// (every file when it is empty), in the locale's order of names, hidden and system files
/// left out; with rows, one report row per file. A missing folder gives its row
/// "Verzeichnis nicht gefunden" whatever withRows says, and so does a file that opens but
/// cannot be described its row "Fehler: " and the failure's message.
void ScanFolder(RunContext& context, const std::string& folder, const std::string& filter,
                bool withRows);

/// ScanFolder on a folder and on every folder below it, depth first: a folder's own files
/// before its subfolders', each subfolder done before the next.
void ScanFolderTree(RunContext& context, const std::string& folder, const std::string& filter,
                    bool withRows);

/// The section "Datei-Infos (KDX und Druckertreiber)": the driver folders, the driver store,
/// the INF and system folders, the label software's folders and its shared libraries.
void CollectFileInventory(RunContext& context, TRegistry& registry);

}  // namespace kdx
