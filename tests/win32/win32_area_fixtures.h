#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"
#include "support/sim_area_fixtures.h"
#include "win32_test_support.h"

namespace kdx::test {

/// The running system for the contract suites of memory and drives, services and processes,
/// and the spooler. It installs the contract's services, mutex, port and printer through the
/// raw API (the program itself changes nothing) and removes them before and after each test.
class Win32AreaFixture {
 public:
  static constexpr const char* kName = "Win32";

  Win32AreaFixture() {
    RemoveContractFacts();
    InstallServices();
    mutex_ = win32::UniqueHandle(::CreateMutexA(nullptr, FALSE, kContractMutex));
    AddPortAndPrinter();
  }
  ~Win32AreaFixture() { RemoveContractFacts(); }
  Win32AreaFixture(const Win32AreaFixture&) = delete;
  Win32AreaFixture& operator=(const Win32AreaFixture&) = delete;

  SystemFacts& System() { return platform_.System(); }
  ServicesProcesses& Services() { return platform_.Services(); }
  PrintSpooler& Spooler() { return platform_.Spooler(); }
  kdx::EventLogs& EventLogs() { return platform_.EventLogs(); }
  std::string MessageFilePath() const {
    return std::string(KDX_SOURCE_DIR) + "/tests/data/pe/" + kContractMessageFile;
  }
  std::string MissingFilePath() const { return "C:\\windows\\system32\\kdx_missing.dll"; }
  std::uint32_t OwnProcessId() const { return ::GetCurrentProcessId(); }
  std::string OwnProgramPath() const {
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
  }

  static std::optional<std::string> Differs(AreaDifference difference) {
    if (!testing::RunningUnderWine()) return std::nullopt;
    switch (difference) {
      case AreaDifference::ServiceAccessNotChecked:
        return "Wine's service manager opens every service with any access asked for";
      case AreaDifference::NoEntriesWithMoreData:
        return "Wine's EnumServicesStatusA counts the entries that fit a small buffer but "
               "writes none of them";
      case AreaDifference::NoEventRecords:
        return "Wine keeps no event records: every log reads as empty";
    }
    return std::nullopt;
  }

 private:
  static constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
  static constexpr char kPrintersKey[] = "System\\CurrentControlSet\\Control\\Print\\Printers\\";
  static constexpr char kServiceProgram[] = "C:\\windows\\system32\\kdxcontract.exe";

  /// Owns a service manager or service handle.
  class ScHandle {
   public:
    explicit ScHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ScHandle() {
      if (handle_ != nullptr) ::CloseServiceHandle(handle_);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE Get() const { return handle_; }

   private:
    SC_HANDLE handle_;
  };

  static ScHandle Create(SC_HANDLE manager, const char* name, const char* display) {
    return ScHandle(::CreateServiceA(
        manager, name, display, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
        SERVICE_ERROR_IGNORE, kServiceProgram, nullptr, nullptr, nullptr, nullptr, nullptr));
  }

  /// The contract service, and the locked one whose security lets everyone query its
  /// configuration and nothing else.
  static void InstallServices() {
    const ScHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    Create(manager.Get(), kContractService, kContractServiceDisplay);
    const ScHandle locked = Create(manager.Get(), kLockedContractService, "KDX Contract Locked");
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    alignas(DWORD) BYTE aclBuffer[128];
    auto* acl = reinterpret_cast<ACL*>(aclBuffer);
    ::InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    ::AddAccessAllowedAce(acl, ACL_REVISION, SERVICE_QUERY_CONFIG, everyone);
    SECURITY_DESCRIPTOR descriptor;
    ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    ::SetServiceObjectSecurity(locked.Get(), DACL_SECURITY_INFORMATION, &descriptor);
    ::FreeSid(everyone);
  }

  /// A local port the monitor reads from its registry key, and a printer on it. Wine's
  /// spooler reads both from the registry on every call.
  static void AddPortAndPrinter() {
    testing::UniqueKey ports;
    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      ports.Receive(), nullptr);
    ::RegSetValueExA(ports.Get(), kContractPort, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    testing::UniqueKey printer;
    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kPrintersKey) + kContractPrinter).c_str(), 0,
                      nullptr, 0, KEY_ALL_ACCESS, nullptr, printer.Receive(), nullptr);
    for (const auto& [name, text] :
         {std::pair{"Name", kContractPrinter}, std::pair{"Port", kContractPort}}) {
      ::RegSetValueExA(printer.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::strlen(text) + 1));
    }
  }

  void RemoveContractFacts() {
    mutex_.Close();
    const ScHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    for (const char* name : {kContractService, kLockedContractService}) {
      const ScHandle service(::OpenServiceA(manager.Get(), name, DELETE));
      if (service.Get() != nullptr) ::DeleteService(service.Get());
    }
    testing::UniqueKey ports;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPortsKey, 0, KEY_SET_VALUE, ports.Receive()) ==
        ERROR_SUCCESS) {
      ::RegDeleteValueA(ports.Get(), kContractPort);
    }
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kPrintersKey) + kContractPrinter).c_str());
  }

  Win32Platform platform_;
  win32::UniqueHandle mutex_;
};

}  // namespace kdx::test
