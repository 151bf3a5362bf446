#pragma once

#include <map>
#include <string>

#include "platform/platform.h"

namespace kdx::test {

/// The files of a machine, counting per path how often the run asks it to open a file, to
/// list a folder and for a path's attributes.
class CountingFiles final : public FileSystem {
 public:
  explicit CountingFiles(FileSystem& files) : files_(files) {}

  bool FileExists(const std::string& path) override { return files_.FileExists(path); }
  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override {
    ++opens[path];
    return files_.OpenInputFile(path, file);
  }
  long GetFileAttributesA(const std::string& path, std::uint32_t& attributes) override {
    ++attributeQueries[path];
    return files_.GetFileAttributesA(path, attributes);
  }
  long ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) override {
    ++listings[folder];
    return files_.ListFolder(folder, entries);
  }
  long GetFileVersionInfoA(const std::string& path, std::string& block) override {
    return files_.GetFileVersionInfoA(path, block);
  }
  std::optional<std::string> VerQueryValueA(std::string& block,
                                            const std::string& subBlock) override {
    return files_.VerQueryValueA(block, subBlock);
  }
  std::string GetPrivateProfileStringA(const std::optional<std::string>& section,
                                       const std::optional<std::string>& key,
                                       const std::string& defaultText, std::size_t size,
                                       const std::string& path) override {
    return files_.GetPrivateProfileStringA(section, key, defaultText, size, path);
  }
  ShellLinkAnswers ReadShellLink(const std::string& path) override {
    return files_.ReadShellLink(path);
  }
  long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    return files_.CreateOutputFile(path, file);
  }
  long GetFullPathNameA(const std::string& path, std::string& fullPath) override {
    return files_.GetFullPathNameA(path, fullPath);
  }

  std::map<std::string, int> opens;
  std::map<std::string, int> attributeQueries;
  std::map<std::string, int> listings;

 private:
  FileSystem& files_;
};

/// A machine whose file questions are counted; every other area is the machine's own.
class CountingPlatform final : public Platform {
 public:
  explicit CountingPlatform(Platform& machine) : machine_(machine), files_(machine.Files()) {}

  RegistryStore& Registry() override { return machine_.Registry(); }
  SystemFacts& System() override { return machine_.System(); }
  CountingFiles& Files() override { return files_; }
  ServicesProcesses& Services() override { return machine_.Services(); }
  PrintSpooler& Spooler() override { return machine_.Spooler(); }
  kdx::EventLogs& EventLogs() override { return machine_.EventLogs(); }

 private:
  Platform& machine_;
  CountingFiles files_;
};

}  // namespace kdx::test
