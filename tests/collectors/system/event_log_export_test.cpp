#include "collectors/system/event_log_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/formats/event_log.h"
#include "platform/formats/pe_image.h"
#include "support/pe_builder.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::TestMachine;
using Rows = std::vector<std::string>;

constexpr char kOpening[] =
    "##############################################################################################"
    "######\t";
constexpr char kReadError[] = "Fehler beim Lesen des EventLogs\t";

/// An ANSI message entry: the text with its NUL, padded to whole DWORDs.
test::TestMessage Ansi(const std::string& text) {
  return {text + std::string(4 - text.size() % 4, '\0'), 0};
}

/// The message file of the source "Kdx": two inserts, inserts the other way round, three
/// inserts, and a text without inserts.
std::string KdxMessageFile() {
  const std::string table =
      test::MessageTable({{1,
                           {Ansi("Dienst %1 meldet %2.\r\n"), Ansi("%2 vor %1\r\n"),
                            Ansi("Drei: %1, %2, %3.\r\n"), Ansi("Ohne Einf\xFCgungen\r\n")}}});
  return test::ResourceImage({{kResourceTypeMessageTable, 1, 0x0407, table}});
}

/// A source key of the System log with its "EventMessageFile" line (empty: no value).
std::string SourceKey(const std::string& source, const std::string& valueLine) {
  return "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Eventlog\\System\\" + source +
         "]\r\n" + (valueLine.empty() ? "" : "\"EventMessageFile\"=" + valueLine + "\r\n") + "\r\n";
}

/// "%SystemRoot%\system32\kdxmsg.dll" as REG_EXPAND_SZ.
std::string ExpandedKdxPath() {
  std::string hex = "hex(2):";
  for (const char c : std::string("%SystemRoot%\\system32\\kdxmsg.dll")) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02x,", static_cast<unsigned char>(c));
    hex += pair;
  }
  return hex + "00";
}

/// A record of the text form; time in UTC.
std::string Record(const std::string& source, const std::string& type, const std::string& id,
                   const std::string& time, const std::vector<std::string>& strings = {}) {
  std::string text = "source: " + source + "\ntype: " + type + "\nid: " + id + "\ntime: " + time +
                     "\ncomputer: PC\n";
  for (const std::string& s : strings) text += "string: " + s + "\n";
  return text + "\n";
}

/// A machine one hour east of UTC with the message file C:\WINDOWS\system32\kdxmsg.dll, the
/// given System log (oldest record first) and registry lines.
class EventLogRun {
 public:
  EventLogRun(const std::string& systemLog, const std::string& regLines,
              const std::string& machineJson = test::XpJsonWith(R"("utcOffsetMinutes": 60)")) {
    machine_ = std::make_unique<TestMachine>(machineJson);
    machine_->AddReg("t.reg", "REGEDIT4\r\n\r\n" + regLines);
    machine_->AddFile("C:\\WINDOWS\\system32\\kdxmsg.dll", KdxMessageFile());
    if (!systemLog.empty()) machine_->AddEventLog("System.txt", systemLog);
    platform_ = machine_->Load();
    context_ = std::make_unique<RunContext>(*platform_, ui_);
  }

  /// The rows after the three opening rows; the opening rows are checked here.
  Rows Export() {
    ExportEventLog(*context_, "System");
    Rows rows = test::TableLines(*context_);
    EXPECT_GE(rows.size(), 3u);
    EXPECT_EQ(Rows(rows.begin(), rows.begin() + 3), (Rows{"\t", kOpening, "EventLog\tSystem"}));
    return Rows(rows.begin() + 3, rows.end());
  }

  test::RecordingFrontEnd ui_;

 private:
  std::unique_ptr<TestMachine> machine_;
  std::unique_ptr<SimPlatform> platform_;
  std::unique_ptr<RunContext> context_;
};

/// The simulated machine with its event logs replaced: each read hands out the next of the
/// given buffers (ReadEventLogA's bytes as they are, malformed ones included), and loads of
/// message files are counted.
class ScriptedPlatform final : public Platform {
 public:
  ScriptedPlatform(SimPlatform& sim, std::vector<std::string> buffers)
      : sim_(sim), logs_(sim.EventLogs(), std::move(buffers)) {}

  RegistryStore& Registry() override { return sim_.Registry(); }
  SystemFacts& System() override { return sim_.System(); }
  FileSystem& Files() override { return sim_.Files(); }
  ServicesProcesses& Services() override { return sim_.Services(); }
  PrintSpooler& Spooler() override { return sim_.Spooler(); }
  kdx::EventLogs& EventLogs() override { return logs_; }
  int Loads() const { return logs_.loads; }

 private:
  class ScriptedLog final : public EventLog {
   public:
    explicit ScriptedLog(const std::vector<std::string>& buffers) : buffers_(buffers) {}
    long ReadEventLogA(std::span<char> buffer, std::uint32_t& bytesRead, std::uint32_t&) override {
      if (next_ == buffers_.size()) return kErrorHandleEof;
      const std::string& bytes = buffers_[next_++];
      std::copy(bytes.begin(), bytes.end(), buffer.begin());
      bytesRead = static_cast<std::uint32_t>(bytes.size());
      return kErrorSuccess;
    }

   private:
    const std::vector<std::string>& buffers_;
    std::size_t next_ = 0;
  };

  class ScriptedLogs final : public kdx::EventLogs {
   public:
    ScriptedLogs(kdx::EventLogs& sim, std::vector<std::string> buffers)
        : sim_(sim), buffers_(std::move(buffers)) {}
    std::unique_ptr<EventLog> OpenEventLogA(const std::string&, long&) override {
      return std::make_unique<ScriptedLog>(buffers_);
    }
    std::unique_ptr<MessageModule> LoadLibraryExA(const std::string& path, long& error) override {
      ++loads;
      return sim_.LoadLibraryExA(path, error);
    }
    int loads = 0;

   private:
    kdx::EventLogs& sim_;
    std::vector<std::string> buffers_;
  };

  SimPlatform& sim_;
  ScriptedLogs logs_;
};

/// A record as ReadEventLogA lays it out: 06.12.2026 09:00:00 UTC plus seconds.
std::string RawRecord(const std::string& source, std::uint32_t eventId, std::uint32_t seconds,
                      const std::vector<std::string>& strings = {}) {
  EventLogEntry entry;
  entry.timeGenerated = 1796547600 + seconds;
  entry.eventId = eventId;
  entry.eventType = 4;
  entry.sourceName = source;
  entry.computerName = "PC";
  entry.strings = strings;
  return AnsiEventRecord(entry);
}

/// The rows ExportEventLog makes of the buffers, after the three opening rows; loads receives
/// how many message files were loaded.
Rows ScriptedExport(const std::vector<std::string>& buffers, int& loads) {
  TestMachine machine(test::XpJsonWith(R"("utcOffsetMinutes": 60)"));
  machine.AddReg("t.reg", "REGEDIT4\r\n\r\n" + SourceKey("Kdx", ExpandedKdxPath()) +
                              SourceKey("Zwei", R"("C:\\WINDOWS\\system32\\kdxmsg.dll")"));
  machine.AddFile("C:\\WINDOWS\\system32\\kdxmsg.dll", KdxMessageFile());
  const std::unique_ptr<SimPlatform> sim = machine.Load();
  ScriptedPlatform platform(*sim, buffers);
  test::RecordingFrontEnd ui;
  RunContext context(platform, ui);
  ExportEventLog(context, "System");
  loads = platform.Loads();
  const Rows rows = test::TableLines(context);
  return Rows(rows.begin() + 3, rows.end());
}

TEST(EventTypeText, NamesAndNumbers) {
  EXPECT_EQ(EventTypeText(0), "Success");
  EXPECT_EQ(EventTypeText(1), "ERROR");
  EXPECT_EQ(EventTypeText(2), "Warning");
  EXPECT_EQ(EventTypeText(4), "Information");
  EXPECT_EQ(EventTypeText(8), "Audit Success");
  EXPECT_EQ(EventTypeText(16), "Audit Failure");
  // no type of Windows': the number rather than nothing
  EXPECT_EQ(EventTypeText(3), "3");
}

// An empty log gives the three opening rows alone; so does a log that does not open (the
// Windows 95 family keeps none).
TEST(ExportEventLog, EmptyAndUnopenedLogs) {
  EXPECT_EQ(EventLogRun("", "").Export(), Rows{});
  EventLogRun win98(Record("Kdx", "error", "1", "2026-12-06 10:00:00"), "",
                    test::Win98JsonWith(""));
  EXPECT_EQ(win98.Export(), Rows{});
}

// Newest first, across many refills of the 2,048-byte buffer, with one message pump a record.
TEST(ExportEventLog, RecordsNewestFirstAcrossRefills) {
  std::string log;
  for (int i = 10; i < 50; ++i) {
    log += Record("Quelle" + std::to_string(i), "warning", "1",
                  "2026-12-06 10:00:" + std::to_string(i));
  }
  EventLogRun run(log, "");
  const Rows rows = run.Export();
  ASSERT_EQ(rows.size(), 40u);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(rows[i], "Warning|Quelle" + std::to_string(49 - i) +
                           "\t06.12.2026 11:00:" + std::to_string(49 - i));
  }
  EXPECT_EQ(run.ui_.messagePumps, 40);
}

// Local midnight shows the date alone; a second later the time comes back.
TEST(ExportEventLog, MidnightShowsTheDateAlone) {
  EventLogRun run(Record("EventLog", "information", "1", "2026-12-05 23:00:00") +
                      Record("EventLog", "information", "1", "2026-12-05 23:00:01"),
                  "");
  EXPECT_EQ(run.Export(), (Rows{"Information|EventLog\t06.12.2026 00:00:01",
                                "Information|EventLog\t06.12.2026"}));
}

// The strings go in by their numbers, the expanded REG_EXPAND_SZ names the file, and a
// message that names more strings than the record holds shows the missing ones as their
// placeholders.
TEST(ExportEventLog, MessagesWithTheirInsertionStrings) {
  EventLogRun run(Record("Kdx", "error", "1", "2026-12-06 09:00:00", {"KDXUSB", "Fehler"}) +
                      Record("Kdx", "error", "2", "2026-12-06 09:00:01", {"erst", "zweit"}) +
                      Record("Kdx", "error", "3", "2026-12-06 09:00:02", {"eins"}) +
                      Record("Kdx", "error", "4", "2026-12-06 09:00:03", {"zu viel"}),
                  SourceKey("Kdx", ExpandedKdxPath()));
  EXPECT_EQ(run.Export(),
            (Rows{"ERROR|Kdx\t06.12.2026 10:00:03", "\tOhne Einf\xFCgungen\r\n",
                  "ERROR|Kdx\t06.12.2026 10:00:02", "\tDrei: eins, %2, %3.\r\n",
                  "ERROR|Kdx\t06.12.2026 10:00:01", "\tzweit vor erst\r\n",
                  "ERROR|Kdx\t06.12.2026 10:00:00", "\tDienst KDXUSB meldet Fehler.\r\n"}));
}

// No message row where there is no message: no source key, no value, an empty value, a list
// of files, a missing file, an id neither the file nor the system has. An id only the system
// has gives the system's text.
TEST(ExportEventLog, RecordsWithoutMessage) {
  const std::string kdx = R"("C:\\WINDOWS\\system32\\kdxmsg.dll")";
  EventLogRun run(Record("Ohne", "warning", "1", "2026-12-06 09:00:00") +
                      Record("KeinWert", "warning", "1", "2026-12-06 09:00:01") +
                      Record("Leer", "warning", "1", "2026-12-06 09:00:02") +
                      Record("Liste", "warning", "1", "2026-12-06 09:00:03") +
                      Record("Fehlt", "warning", "1", "2026-12-06 09:00:04") +
                      Record("Kdx", "warning", "7", "2026-12-06 09:00:05") +
                      Record("Kdx", "warning", "5", "2026-12-06 09:00:06"),
                  SourceKey("KeinWert", "") + SourceKey("Leer", "\"\"") +
                      SourceKey("Liste", R"("C:\\WINDOWS\\system32\\kdxmsg.dll;C:\\x.dll")") +
                      SourceKey("Fehlt", R"("C:\\WINDOWS\\fehlt.dll")") + SourceKey("Kdx", kdx));
  EXPECT_EQ(run.Export(),
            (Rows{"Warning|Kdx\t06.12.2026 10:00:06", "\tZugriff verweigert\r\n",
                  "Warning|Kdx\t06.12.2026 10:00:05", "Warning|Fehlt\t06.12.2026 10:00:04",
                  "Warning|Liste\t06.12.2026 10:00:03", "Warning|Leer\t06.12.2026 10:00:02",
                  "Warning|KeinWert\t06.12.2026 10:00:01", "Warning|Ohne\t06.12.2026 10:00:00"}));
}

// A message file value that is no text ends the log with the error row after its record.
TEST(ExportEventLog, ValueOfTheWrongTypeEndsTheLog) {
  EventLogRun run(Record("Kdx", "error", "4", "2026-12-06 09:00:00") +
                      Record("Zahl", "error", "4", "2026-12-06 09:00:01") +
                      Record("Kdx", "error", "4", "2026-12-06 09:00:02"),
                  SourceKey("Zahl", "dword:00000001") +
                      SourceKey("Kdx", R"("C:\\WINDOWS\\system32\\kdxmsg.dll")"));
  EXPECT_EQ(run.Export(),
            (Rows{"ERROR|Kdx\t06.12.2026 10:00:02", "\tOhne Einf\xFCgungen\r\n",
                  "ERROR|Zahl\t06.12.2026 10:00:01",
                  std::string(kReadError) + "Ung\xFCltiger Datentyp f\xFCr 'EventMessageFile'"}));
}

// A record larger than the buffer ends the log there without an error row; the newer records
// stay.
TEST(ExportEventLog, RecordLargerThanTheBufferEndsTheLog) {
  EventLogRun run(
      Record("Alt", "error", "1", "2026-12-06 09:00:00") +
          Record("Gross", "error", "1", "2026-12-06 09:00:01", {std::string(2000, 'x')}) +
          Record("Neu", "error", "1", "2026-12-06 09:00:02"),
      "");
  EXPECT_EQ(run.Export(), (Rows{"ERROR|Neu\t06.12.2026 10:00:02"}));
}

// Offsets that point outside the record stop the log with the error row; the rows of the
// records before it, in this buffer and the ones before, stay.
TEST(ExportEventLog, MalformedRecordEndsTheLogWithTheErrorRow) {
  std::string bad = RawRecord("Kdx", 4, 3);
  bad[36] = '\x7F';  // StringOffset 127 past the record's end
  int loads = 0;
  EXPECT_EQ(ScriptedExport({RawRecord("Kdx", 4, 1), RawRecord("Kdx", 4, 2) + bad}, loads),
            (Rows{"Information|Kdx\t06.12.2026 10:00:01", "\tOhne Einf\xFCgungen\r\n",
                  "Information|Kdx\t06.12.2026 10:00:02", "\tOhne Einf\xFCgungen\r\n",
                  std::string(kReadError) +
                      "Fehlerhafter Ereignisdatensatz bei Offset 72: StringOffset 127 liegt "
                      "nicht im Datensatz (Length 72)"}));
}

// Each source's message file is looked up once per log, whatever the order of the records, and
// the two sources that name one file (one spelling with %SystemRoot%, one without) share its
// one load; the rows are those of a load per record.
TEST(ExportEventLog, LoadsEachMessageFileOnce) {
  int loads = 0;
  EXPECT_EQ(
      ScriptedExport({RawRecord("Kdx", 1, 1, {"a", "b"}) + RawRecord("Zwei", 2, 2, {"c", "d"}),
                      RawRecord("Kdx", 3, 3, {"e"}) + RawRecord("Zwei", 1, 4),
                      RawRecord("Ohne", 1, 5) + RawRecord("Ohne", 1, 6)},
                     loads),
      (Rows{"Information|Kdx\t06.12.2026 10:00:01", "\tDienst a meldet b.\r\n",
            "Information|Zwei\t06.12.2026 10:00:02", "\td vor c\r\n",
            "Information|Kdx\t06.12.2026 10:00:03", "\tDrei: e, %2, %3.\r\n",
            "Information|Zwei\t06.12.2026 10:00:04", "\tDienst %1 meldet %2.\r\n",
            "Information|Ohne\t06.12.2026 10:00:05", "Information|Ohne\t06.12.2026 10:00:06"}));
  EXPECT_EQ(loads, 1);
}

// More message files than the export keeps loaded, each source's record twice in turn: files
// that dropped out are loaded again, and every record still has its message.
TEST(ExportEventLog, MessageFilesBeyondTheLoadedOnesLoadAgain) {
  std::string log;
  std::string reg;
  Rows expected;
  for (int round = 0; round < 2; ++round) {
    for (int n = 0; n < 20; ++n) {
      const std::string source = "Quelle" + std::to_string(n);
      char time[32];
      std::snprintf(time, sizeof time, "2026-12-06 09:%02d:%02d", round, n);
      log = Record(source, "error", "4", time) + log;
      expected.push_back("ERROR|" + source + "\t" +
                         "06.12.2026 10:" + std::string(time).substr(14));
      expected.push_back("\tOhne Einf\xFCgungen\r\n");
      if (round > 0) continue;
      // twenty spellings of one file, so that each is a file of its own to the export
      std::string path = "C:\\\\WINDOWS";
      for (int dot = 0; dot < n; ++dot) path += "\\\\.";
      reg += SourceKey(source, "\"" + path + "\\\\system32\\\\..\\\\system32\\\\kdxmsg.dll\"");
    }
  }
  EventLogRun run(log, reg);
  EXPECT_EQ(run.Export(), expected);
}

// A real System log whose ring has wrapped: every live record, newest first, each one row
// (no source has a message file here), from the newest record to the oldest.
TEST(ExportEventLog, WrappedXpLogFromItsNewestToItsOldestRecord) {
  TestMachine machine(test::XpJsonWith(R"("utcOffsetMinutes": 60)"));
  machine.AddEventLog("System.evt", test::ReadFileBytes(std::filesystem::path(KDX_SOURCE_DIR) /
                                                        "tests/data/evt/plaso_SysEvent.Evt"));
  const auto platform = machine.Load();
  test::RecordingFrontEnd ui;
  RunContext context(*platform, ui);
  ExportEventLog(context, "System");
  const Rows rows = test::TableLines(context);
  ASSERT_EQ(rows.size(), 3u + 6063u);
  EXPECT_EQ(rows[3], "Information|Service Control Manager\t07.04.2012 05:58:01");
  EXPECT_EQ(rows.back(), "Warning|LSASRV\t27.07.2011 07:41:47");
}

}  // namespace
}  // namespace kdx
