#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

struct MachineConfig;

namespace machine_json {

/// The path of a member: object member names, array indices as decimal text.
using Path = std::vector<std::string>;

/// path with name appended.
Path Child(const Path& path, const std::string& name);

/// Walks machine.json with the path of the member being read, so that every complaint can
/// name the line it is about. Every reading method throws MachineError naming the file, the
/// member's line and what was expected there.
class Reader {
 public:
  Reader(std::string_view text, std::string fileName) : text_(text), file_(std::move(fileName)) {}

  [[noreturn]] void Fail(const Path& path, const std::string& expected) const;
  /// Refuses a value that is no object, or an object with a member not in known.
  void CheckMembers(const nlohmann::json& object, const Path& path,
                    std::span<const char* const> known) const;
  /// A text, converted to Windows-1252.
  std::string Text(const nlohmann::json& value, const Path& path) const;
  /// A whole number up to max, written as a number or as "0x..." text.
  std::uint32_t Unsigned(const nlohmann::json& value, const Path& path,
                         std::uint64_t max = 0xFFFFFFFF) const;
  /// As Unsigned, for figures beyond 32 bits.
  std::uint64_t Unsigned64(const nlohmann::json& value, const Path& path, std::uint64_t max) const;
  bool Flag(const nlohmann::json& value, const Path& path) const;
  /// A list of access masks such as ["0x20009", 1].
  std::vector<std::uint32_t> Masks(const nlohmann::json& value, const Path& path) const;

  const std::string& File() const { return file_; }

 private:
  std::string_view text_;
  std::string file_;
};

/// Reads the members of what runs on the machine and what it holds (memory, drives,
/// services, processes, mutexes, the shutdown privilege, the spooler) into config
/// (machine_facts.cpp).
void ReadMachineFacts(const Reader& r, const nlohmann::json& doc, MachineConfig& config);

}  // namespace machine_json
}  // namespace kdx
