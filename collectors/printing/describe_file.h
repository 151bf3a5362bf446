#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "run/run_context.h"

namespace kdx {

/// The version texts of a file's resource (CompanyName, FileVersion, ProductVersion) from its
/// first translation; all empty when it has no resource or no translation.
void ReadVersionInfo(FileSystem& files, const std::string& path, TFileVerInfo& record);

/// The attribute letters of the report: "N" for a normal file, else A C D H R S T in this
/// order for the bits that are set.
std::string AttributeLetters(std::uint32_t attributes);

/// A path made absolute by the system (GetFullPathNameA); the path itself when the system
/// refuses it.
std::string FullPath(FileSystem& files, const std::string& path);

/// The value of the row of a file that DescribeFile cannot open, wherever a collector shows
/// that instead of the description.
inline constexpr char kFileMissing[] = "Fehler: Datei nicht gefunden";

/// Describes one file ("19.12.2007 10:15:02; 45056 Byte; A; Version: 2.0 / 2.0.0.14") and
/// enters it into the run's file list. Raises EFOpenError when the file cannot be opened for
/// reading; the list is then unchanged. Lets messages run afterwards, also on failure.
std::string DescribeFile(RunContext& context, const std::string& path);

/// DescribeFile for callers that put a fixed text of their own in place of the open failure:
/// nothing when the file cannot be opened, with no message made.
std::optional<std::string> TryDescribeFile(RunContext& context, const std::string& path);

}  // namespace kdx
