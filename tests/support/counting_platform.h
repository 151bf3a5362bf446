#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/forwarding.h"

namespace kdx::test {

/// The files of a machine, counting per path how often the run asks it to open a file, to
/// list a folder and for a path's attributes.
class CountingFiles final : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override {
    ++opens[path];
    return ForwardingFileSystem::OpenInputFile(path, file);
  }
  long GetFileAttributesA(const std::string& path, std::uint32_t& attributes) override {
    ++attributeQueries[path];
    return ForwardingFileSystem::GetFileAttributesA(path, attributes);
  }
  long ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) override {
    ++listings[folder];
    return ForwardingFileSystem::ListFolder(folder, entries);
  }

  std::map<std::string, int> opens;
  std::map<std::string, int> attributeQueries;
  std::map<std::string, int> listings;
};

/// A machine whose file questions are counted; every other area is the machine's own.
class CountingPlatform final : public LayeredPlatform {
 public:
  explicit CountingPlatform(Platform& machine) : LayeredPlatform(machine) {
    auto files = std::make_unique<CountingFiles>(machine.Files());
    files_ = files.get();
    Layer(std::move(files));
  }

  CountingFiles& Files() override { return *files_; }

 private:
  CountingFiles* files_;
};

}  // namespace kdx::test
