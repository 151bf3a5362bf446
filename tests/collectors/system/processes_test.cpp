#include "collectors/system/processes.h"

#include <gtest/gtest.h>

#include "collectors/system/nt_service_list.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::CollectorRun;
using test::Win98JsonWith;
using test::XpJsonWith;
using Rows = std::vector<std::string>;

constexpr char kNotInstalled[] = "Der angegebene Dienst ist kein installierter Dienst";

/// The services member with the monitor service running (granting the given access list, or
/// all) and the spooler stopped; manager is a "managerAccess" member or nothing.
std::string Services(const std::string& manager = "", const std::string& monitorAccess = "") {
  const std::string access = monitorAccess.empty() ? "" : ", \"access\": " + monitorAccess;
  return R"("services": {)" + manager + R"("list": [
      {"name": "KDXMONX", "displayName": "Kelmo KDX Monitor", "state": 4)" +
         access + R"(},
      {"name": "Spooler", "displayName": "Druckwarteschlange", "state": 1},
      {"name": "KdxUsb", "displayName": "Kelmo KDX USB", "state": 3, "queryError": 6}]})";
}

/// The services block of CollectProcesses: from "Services:" to the empty row before the
/// process heading.
Rows ServiceRows(const CollectorRun& run) {
  Rows rows = run.Rows();
  return Rows(rows.begin(), rows.end() - 1);
}

TEST(ServiceStateText, KnownAndUnknownCodes) {
  EXPECT_EQ(ServiceStateText("KDXMONX", 4), "KDXMONX Status 4: RUNNING");
  EXPECT_EQ(ServiceStateText("S", 2), "S Status 2: START PENDING");
  EXPECT_EQ(ServiceStateText("S", 5), "S Status 5: CONTINUE PENDING");
  EXPECT_EQ(ServiceStateText("S", 7), "S Status 7: PAUSED");
  EXPECT_EQ(ServiceStateText("S", 0), "S Status 0: !unbekannter Status!");
  EXPECT_EQ(ServiceStateText("S", 8), "S Status 8: !unbekannter Status!");
  // the DWORD printed with %d
  EXPECT_EQ(ServiceStateText("S", 0xFFFFFFFF), "S Status -1: !unbekannter Status!");
}

// The four named services, the list of all with its own state names, and the flags the
// checks read later.
TEST(CollectProcesses, ServicesBlockOnNt) {
  CollectorRun run(XpJsonWith(Services()));
  CollectProcesses(run.context);
  EXPECT_EQ(run.Rows(),
            (Rows{"Services:\t", "Service\tKDXMONX Status 4: RUNNING",
                  "Service\tSPOOLER Status 1: STOPPED",
                  std::string("Error\tOpenService KDXMONGUARD failed Error 1060: ") + kNotInstalled,
                  "Error\tQueryService KDXUSB failed Error 6: Das Handle ist ung\xFCltig", "\t",
                  "\tKDXMONX(Kelmo KDX Monitor): RUNNING", "\tSpooler(Druckwarteschlange): STOPPED",
                  "\tKdxUsb(Kelmo KDX USB): STOP_PENDING", "\t", "Laufende Prozesse:\t"}));
  EXPECT_TRUE(run.context.monitorRunning);
  EXPECT_FALSE(run.context.spoolerRunning);
}

// A manager that refuses the user: one row per named service, no list, both flags false.
TEST(CollectProcesses, RefusedServiceManager) {
  CollectorRun run(XpJsonWith(Services(R"("managerAccess": [],)")));
  run.context.monitorRunning = true;
  CollectProcesses(run.context);
  const std::string refused = "Error\tOpenScManager failed Error 5: Zugriff verweigert";
  EXPECT_EQ(ServiceRows(run),
            (Rows{"Services:\t", refused, refused, refused, refused, "\t", "\t"}));
  EXPECT_FALSE(run.context.monitorRunning);
}

// What a user without administrator rights is granted suffices: connect and enumerate on the
// manager, the status query on a service. Less than that is refused service by service.
TEST(CollectProcesses, LeastAccessIsWhatAUserIsGranted) {
  CollectorRun granted(XpJsonWith(Services(R"("managerAccess": ["0x20015"],)", R"(["0x2018D"])")));
  CollectProcesses(granted.context);
  EXPECT_EQ(granted.Rows()[1], "Service\tKDXMONX Status 4: RUNNING");
  EXPECT_EQ(granted.Rows()[6], "\tKDXMONX(Kelmo KDX Monitor): RUNNING");
  EXPECT_TRUE(granted.context.monitorRunning);

  CollectorRun refused(XpJsonWith(Services("", R"(["0x20001"])")));
  CollectProcesses(refused.context);
  EXPECT_EQ(refused.Rows()[1], "Error\tOpenService KDXMONX failed Error 5: Zugriff verweigert");
  EXPECT_FALSE(refused.context.monitorRunning);
}

// A list that does not fit the one buffer of 36,864 bytes shows the entries that fit.
TEST(TNTServiceList, ListsWhatFitsTheBuffer) {
  std::string list;
  for (int i = 1000; i < 2000; ++i) {
    if (i > 1000) list += ',';
    list += R"({"name": "Svc)" + std::to_string(i) + R"(", "displayName": "Dienst )";
    list += std::to_string(i) + R"(", "state": 9})";
  }
  CollectorRun run(XpJsonWith(R"("services": {"list": [)" + list + "]}"));
  TNTServiceList services(run.context);
  const auto& lines = services.ServiceList();
  // 36 bytes a record, 8 and 12 for the names with their NULs
  ASSERT_EQ(lines.size(), 36864u / 56u);
  // a state outside 1 to 7 has no name
  EXPECT_EQ(lines.front(), "Svc1000(Dienst 1000): ");
}

// Without the shutdown privilege, or when the enumeration fails, the list stays empty and no
// error row is written.
TEST(TNTServiceList, EmptyWithoutPrivilegeOrEnumeration) {
  for (const char* member :
       {R"("shutdownPrivilege": {"tokenError": 5})", R"("shutdownPrivilege": {"lookupError": 5})",
        R"("shutdownPrivilege": {"held": false})",
        R"("services": {"enumError": 1722, "list": [{"name": "A"}]})"}) {
    CollectorRun run(XpJsonWith(member));
    TNTServiceList services(run.context);
    EXPECT_TRUE(services.ServiceList().empty()) << member;
    EXPECT_TRUE(run.Rows().empty()) << member;
  }
}

// Messages run before every entry; closing the program stops the list there.
TEST(TNTServiceList, StopsWhenTheProgramEnds) {
  CollectorRun run(XpJsonWith(R"("services": {"list": [{"name": "A"}, {"name": "B"},
                                                       {"name": "C"}]})"));
  run.ui.terminateAtPump = 2;
  TNTServiceList services(run.context);
  EXPECT_EQ(services.ServiceList(), (Rows{"A(): STOPPED"}));
  EXPECT_EQ(run.ui.messagePumps, 2);
}

// The event reports every entry with "n/a" as the old state, only while it is enabled.
TEST(TNTServiceList, StatusChangeEventWhenEnabled) {
  CollectorRun run(XpJsonWith(R"("services": {"list": [{"name": "Spooler",
      "displayName": "Druckwarteschlange", "state": 4}]})"));
  TNTServiceList services(run.context);
  Rows events;
  services.SetOnStatusChange([&](TNTServiceList& sender, const std::string& display,
                                 const std::string& name, const std::string& current,
                                 const std::string& old) {
    EXPECT_EQ(&sender, &services);
    events.push_back(display + "|" + name + "|" + current + "|" + old);
  });
  services.ServiceList();
  EXPECT_TRUE(events.empty());
  services.SetEventEnabled(true);
  // a second reading adds the services again
  EXPECT_EQ(services.ServiceList().size(), 2u);
  EXPECT_EQ(events, (Rows{"Druckwarteschlange|Spooler|RUNNING|n/a"}));
}

// Processes that cannot be opened or whose modules cannot be listed are left out; a path that
// cannot be read shows as "unknown".
TEST(CollectProcesses, ProgramPathsOnNt) {
  CollectorRun run(XpJsonWith(R"("processes": {"list": [
      {"id": 0, "openError": 87}, {"id": 4, "path": "System", "openError": 5},
      {"id": 704, "path": "C:\\WINDOWS\\system32\\services.exe"},
      {"id": 1760, "path": "C:\\WINDOWS\\system32\\ctfmon.exe", "pathError": 6},
      {"id": 1984, "path": "C:\\WINDOWS\\system32\\wuauclt.exe", "modulesError": 299}]})"));
  CollectProcesses(run.context);
  const Rows rows = run.Rows();
  EXPECT_EQ(Rows(rows.end() - 3, rows.end()),
            (Rows{"Laufende Prozesse:\t", "\tC:\\WINDOWS\\system32\\services.exe", "\tunknown"}));
}

// The id buffer holds 1,024 ids: later processes are not listed.
TEST(CollectProcesses, AtMost1024ProcessesOnNt) {
  std::string list;
  for (int id = 1; id <= 1030; ++id) {
    if (id > 1) list += ',';
    list += R"({"id": )" + std::to_string(id) + R"(, "path": "P)";
    list += std::to_string(id) + R"("})";
  }
  CollectorRun run(XpJsonWith(R"("processes": {"list": [)" + list + "]}"));
  CollectProcesses(run.context);
  const Rows rows = run.Rows();
  EXPECT_EQ(rows.back(), "\tP1024");
  EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                          [](const std::string& row) { return row.rfind("\tP", 0) == 0; }),
            1024);
}

// Windows 95 to ME: no services block, the snapshot's full program paths.
TEST(CollectProcesses, SnapshotOnWindows9x) {
  CollectorRun run(Win98JsonWith(R"("processes": {"list": [
      {"id": 4294850563, "path": "C:\\WINDOWS\\SYSTEM\\KERNEL32.DLL"},
      {"id": 4294960155, "path": "C:\\KDX4\\KDX4.EXE"}]})"));
  CollectProcesses(run.context);
  EXPECT_EQ(run.Rows(), (Rows{"Laufende Prozesse:\t", "\tC:\\WINDOWS\\SYSTEM\\KERNEL32.DLL",
                              "\tC:\\KDX4\\KDX4.EXE"}));
  EXPECT_TRUE(run.ui.messageBoxes.empty());
}

// A failed snapshot shows the one message box of the program and lists no process.
TEST(CollectProcesses, FailedSnapshotShowsAMessageBox) {
  CollectorRun run(Win98JsonWith(R"("processes": {"snapshotError": 8,
                                                  "list": [{"id": 1, "path": "C:\\X.EXE"}]})"));
  CollectProcesses(run.context);
  EXPECT_EQ(run.Rows(), (Rows{"Laufende Prozesse:\t"}));
  EXPECT_EQ(run.ui.messageBoxes, (Rows{"Tarnwel Duvoridedud: CreateToolhelp32Snapshot failed"}));
}

TEST(CheckPmMutex, OpenedMissingOrRefused) {
  CollectorRun present(XpJsonWith(R"("mutexes": [{"name": "KdxPmMutex"}])"));
  EXPECT_EQ(CheckPmMutex(present.context), "successfully created");
  // names compare with case
  CollectorRun other(XpJsonWith(R"("mutexes": [{"name": "KDXPMMUTEX"}])"));
  EXPECT_EQ(CheckPmMutex(other.context),
            "Error 2: Das System kann die angegebene Datei nicht finden");
  CollectorRun refused(
      XpJsonWith(R"("mutexes": [{"name": "KdxPmMutex", "access": ["0x100000"]}])"));
  EXPECT_EQ(CheckPmMutex(refused.context), "Error 5: Zugriff verweigert");
}

}  // namespace
}  // namespace kdx
