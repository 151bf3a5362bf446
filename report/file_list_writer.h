#pragma once

#include <string>
#include <string_view>

#include "report/report_writer.h"
#include "run/file_list.h"

namespace kdx {

/// True when two descriptions carry the same version texts (CompanyName, FileVersion,
/// ProductVersion, byte for byte); dates, times, sizes and attributes do not count.
bool SameFileVersion(const TFileVerInfo& a, const TFileVerInfo& b);

/// A text in single quotes, every quote inside doubled.
std::string Quoted(std::string_view text);

/// The lines between "[FILELIST]" and "[FILELIST END]": one per folder of each file, the later
/// folders indented and marked "{Different file}" where their version texts differ from the
/// first folder's.
void WriteFileList(const FileList& fileList, ReportWriter& writer);

}  // namespace kdx
