#pragma once

#include <string>

#include "platform/error_codes.h"
#include "platform/file_system.h"

namespace kdx::test {

/// A report file that lands in a string, for tests of what the writers write.
class MemoryFile final : public OutputFile {
 public:
  explicit MemoryFile(std::string& bytes) : bytes_(bytes) {}
  long Write(const char* data, std::size_t size) override {
    bytes_.append(data, size);
    return kErrorSuccess;
  }
  long Close() override { return kErrorSuccess; }

 private:
  std::string& bytes_;
};

}  // namespace kdx::test
