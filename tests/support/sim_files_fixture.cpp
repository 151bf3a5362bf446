#include "support/sim_files_fixture.h"

#include <filesystem>

namespace kdx::test {

namespace {

constexpr char kRoot[] = "C:\\KDXTEST\\";

/// A Windows path as a JSON member name: backslashes doubled.
std::string JsonText(const std::string& text) {
  std::string json;
  for (const char c : text) {
    if (c == '\\' || c == '"') json += '\\';
    json += c;
  }
  return "\"" + json + "\"";
}

}  // namespace

void SimFilesFixture::Put(const std::string& relative, const std::string& bytes) {
  machine_.AddFile(kRoot + relative, bytes);
}

void SimFilesFixture::Folder(const std::string& relative) {
  std::string host = relative;
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  std::filesystem::create_directories(machine_.Dir() / "drive_c" / "KDXTEST" / host);
}

void SimFilesFixture::SetAttributes(const std::string& relative, const std::string& letters) {
  facts_[kRoot + relative]["attributes"] = JsonText(letters);
}

void SimFilesFixture::SetLastWrite(const std::string& relative, const std::string& localTime) {
  facts_[kRoot + relative]["lastWrite"] = JsonText(localTime);
}

void SimFilesFixture::Lock(const std::string& relative) {
  facts_[kRoot + relative]["openError"] = "32";
}

std::optional<std::string> SimFilesFixture::EmptyDriveRoot() {
  std::filesystem::create_directories(machine_.Dir() / "drive_e");
  return "E:\\";
}

Platform& SimFilesFixture::Machine() {
  if (!platform_) {
    std::string files;
    for (const auto& [path, members] : facts_) {
      std::string object;
      for (const auto& [name, value] : members) {
        object += (object.empty() ? "" : ", ") + JsonText(name) + ": " + value;
      }
      files += (files.empty() ? "" : ", ") + JsonText(path) + ": {" + object + "}";
    }
    machine_.SetJson(XpJsonWith("\"files\": {" + files + "}"));
    platform_ = machine_.Load();
  }
  return *platform_;
}

}  // namespace kdx::test
