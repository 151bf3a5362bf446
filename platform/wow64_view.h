#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <optional>

#include "platform/registry_store.h"
#include "platform/system_facts.h"

namespace kdx {

/// What a 64-bit Windows shows a 32-bit program, which it runs under WOW64: the file system
/// redirector sends the system folder to SysWOW64 and the registry redirector sends most of
/// HKEY_LOCAL_MACHINE\SOFTWARE to Wow6432Node, each with the exceptions Microsoft lists ("File
/// System Redirector", "Registry Keys Affected by WOW64"), which changed with Windows Vista
/// and again with Windows 7. Pure: the simulated machine answers through it, the capture puts
/// what it recorded where it lies by it, and the run names files by where they lie.
class Wow64View {
 public:
  /// The view of a 64-bit Windows of version major.minor whose Windows folder is
  /// windowsDirectory ("C:\Windows", with or without a trailing backslash).
  Wow64View(std::uint32_t majorVersion, std::uint32_t minorVersion,
            std::string_view windowsDirectory);

  /// Where the file or folder that a 32-bit program names by fullPath (absolute and resolved,
  /// as GetFullPathNameA gives it; names compare without case) lies: the system folder and
  /// what is below it in SysWOW64, except its subfolders catroot, catroot2, drivers\etc,
  /// logfiles, spool and, from Windows 7, driverstore; Sysnative (Windows Vista and later) in
  /// the system folder; lastgood\system32 and regedit.exe likewise. Any other path is where
  /// it is named.
  std::string FilePath(std::string_view fullPath) const;

  /// True when the Windows gives 32-bit programs the Sysnative alias of the real system
  /// folder: Windows Vista and later.
  bool HasSysnative() const { return vistaOrLater_; }

  /// Where the key that a 32-bit program opens by path below root lies (path without leading
  /// backslash; consecutive and trailing backslashes count as one separator): a redirected
  /// key of HKEY_LOCAL_MACHINE\SOFTWARE below SOFTWARE\Wow6432Node, one of its Classes (and of
  /// HKEY_CURRENT_USER's or HKEY_CLASSES_ROOT's) below Classes\Wow6432Node; a shared key
  /// where it is named. The result separates names by single backslashes.
  std::string KeyPath(RegKey root, std::string_view path) const;

 private:
  bool vistaOrLater_ = false;
  bool windows7OrLater_ = false;
  std::string windowsDirectory_;  ///< without trailing backslash
};

/// The name of a Windows' processor architecture as machine directories state it: "x86" for a
/// 32-bit Windows (kNone), "x64", "arm64" or "ia64".
std::string_view ArchitectureName(NativeMachine machine);

/// The processor of an architecture's name (ArchitectureName); nothing for an unknown name.
std::optional<NativeMachine> NativeMachineNamed(std::string_view name);

}  // namespace kdx
