#pragma once

#include <memory>

#include "platform/platform.h"

namespace kdx {

/// Which kernel32 calls an area may take: those the running Windows exports, or only those
/// every Windows has, as on the first Windows 95 (to try the fallbacks on any system).
enum class Kernel32Calls { AsExported, OldestOnly };

/// The machine the program runs on, each area served by the ANSI Win32 calls. Every handle an
/// area opens is owned by the object it returns or closed before the call returns.
class Win32Platform final : public Platform {
 public:
  explicit Win32Platform(Kernel32Calls calls = Kernel32Calls::AsExported);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  RegistryStore& Registry() override { return *registry_; }
  SystemFacts& System() override { return *system_; }
  FileSystem& Files() override { return *files_; }
  ServicesProcesses& Services() override { return *services_; }
  PrintSpooler& Spooler() override { return *spooler_; }
  kdx::EventLogs& EventLogs() override { return *eventLogs_; }

 private:
  std::unique_ptr<RegistryStore> registry_;
  std::unique_ptr<SystemFacts> system_;
  std::unique_ptr<FileSystem> files_;
  std::unique_ptr<ServicesProcesses> services_;
  std::unique_ptr<PrintSpooler> spooler_;
  std::unique_ptr<kdx::EventLogs> eventLogs_;
};

/// The registry through advapi32 (win32_registry.cpp).
std::unique_ptr<RegistryStore> NewWin32Registry();
/// Folders, version, clock, locale, user, tokens, environment and messages (win32_system.cpp).
std::unique_ptr<SystemFacts> NewWin32System();
/// Files through kernel32 (win32_files.cpp).
std::unique_ptr<FileSystem> NewWin32Files(Kernel32Calls calls = Kernel32Calls::AsExported);
/// The service manager, processes, mutexes and privileges (win32_services_processes.cpp).
std::unique_ptr<ServicesProcesses> NewWin32Services();
/// Ports and printers through winspool (win32_spooler.cpp).
std::unique_ptr<PrintSpooler> NewWin32Spooler();
/// Event logs and message files through advapi32 and kernel32 (win32_event_logs.cpp).
std::unique_ptr<EventLogs> NewWin32EventLogs();

}  // namespace kdx
