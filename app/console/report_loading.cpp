#include "app/console/report_loading.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>

#include "app/console/folder_listing.h"

namespace kdx {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The reader addresses lines with 32 bits; no report comes near it.
constexpr std::uint64_t kLargestReport = std::numeric_limits<std::uint32_t>::max() - 1;

std::optional<LoadProblem> ReadWholeFile(const std::string& path, std::string& bytes) {
  if (IsFolder(path)) {
    return LoadProblem{"ist ein Ordner, keine Berichtsdatei", "is a folder, not a report file"};
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return LoadProblem{"keine solche Datei", "no such file"};
    const std::string why = std::strerror(errno);
    return LoadProblem{"nicht lesbar: " + why, "cannot be read: " + why};
  }
  if (static_cast<std::uint64_t>(info.st_size) > kLargestReport) {
    return LoadProblem{"über 4 GB groß, kein Bericht", "over 4 GB, no report"};
  }
  const File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    const std::string why = std::strerror(errno);
    return LoadProblem{"nicht zu öffnen: " + why, "cannot be opened: " + why};
  }
  if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
  if (std::ferror(file.get()) != 0) return LoadProblem{"nicht lesbar", "cannot be read"};
  return std::nullopt;
}

}  // namespace

std::unique_ptr<LoadedReport> LoadReport(const std::string& path, LoadProblem& problem) {
  std::string bytes;
  if (const auto unreadable = ReadWholeFile(path, bytes)) {
    problem = *unreadable;
    return nullptr;
  }
  if (bytes.empty()) {
    problem = {"die Datei ist leer, kein Bericht", "the file is empty, not a report"};
    return nullptr;
  }
  auto loaded = std::make_unique<LoadedReport>();
  loaded->decoded = analysis::DecodeReport(std::move(bytes));
  loaded->report = analysis::ReadReport(loaded->decoded.bytes);
  if (loaded->report.marker.empty()) {
    problem = {"kein KDXInfo-Bericht (seine erste Zeile ist keine Kennung wie [KDXINFO2.9.2])",
               "not a KDXInfo report (its first line is not a marker such as [KDXINFO2.9.2])"};
    return nullptr;
  }
  if (!loaded->decoded.lossless) {
    const analysis::ReportEncoding encoding = loaded->decoded.encoding;
    problem = {"als " + analysis::EncodingName(encoding, true) +
                   " gespeichert und mit Zeichen, die Windows-1252 nicht kennt: nicht gelesen",
               "saved as " + analysis::EncodingName(encoding, false) +
                   ", and it holds characters Windows-1252 cannot: not read"};
    return nullptr;
  }
  loaded->facts.emplace(analysis::GatherFacts(loaded->report));
  loaded->findings = analysis::FindFindings(*loaded->facts);
  return loaded;
}

int StatusOf(const LoadedReport& loaded) {
  if (loaded.Altered()) return kExitBadInput;
  const bool error = std::any_of(loaded.findings.begin(), loaded.findings.end(), [](const auto& f) {
    return f.severity == analysis::Severity::Error;
  });
  return error ? kExitFound : kExitClean;
}

void Print(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

bool WritePage(const std::string& path, const std::function<void(analysis::Output&)>& render,
               analysis::Language language, std::FILE* err) {
  const File file(std::fopen(path.c_str(), "wb"));
  bool written = file != nullptr;
  if (written) {
    analysis::Output page([&](std::string_view piece) {
      written = written && std::fwrite(piece.data(), 1, piece.size(), file.get()) == piece.size();
    });
    render(page);
  }
  if (!written || std::fflush(file.get()) != 0) {
    Print(err, "kdxinfo: " + path +
                   (language == analysis::Language::German ? ": nicht zu schreiben: "
                                                           : ": cannot be written: ") +
                   std::strerror(errno) + "\n");
    return false;
  }
  return true;
}

}  // namespace kdx
