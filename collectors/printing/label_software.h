#pragma once

#include <string>

#include "platform/registry.h"
#include "run/run_context.h"

namespace kdx {

/// The port, printer and label library that version 4 of the label software has selected.
struct ActualPrinter {
  std::string port;
  std::string printer;
  std::string library;
};

/// The rows of one INI file: its path, then each section (all of the file's when section is
/// empty) with its keys and values in file order; a missing file gives one row.
void DumpIniFile(RunContext& context, const std::string& path, const std::string& section);

/// Reads the three 256-byte slots of appDir\kdxwin.kdx. Raises an error when the file cannot be
/// opened or the library slot cannot be read; a later slot that cannot be read leaves the
/// printer "nicht feststellbar".
ActualPrinter GetActualPrinter(FileSystem& files, const std::string& appDir);

/// The rows of the shortcut "Dexta Label.lnk" on the user's desktop, up to the first text the
/// shell link cannot give; nothing when there is no such file.
void DescribeDesktopShortcut(RunContext& context);

/// The label software section: kelmokdx.ini, the version 4 and 5 program keys with what
/// version 4 has selected and its kdxwin.ini, and the desktop shortcut. The Windows folder
/// loses its trailing backslash here for the rest of the run.
void CollectLabelSoftware(RunContext& context, TRegistry& registry);

}  // namespace kdx
