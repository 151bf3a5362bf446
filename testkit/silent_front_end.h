#pragma once

#include <optional>
#include <string>
#include <utility>

#include "run/front_end.h"

namespace kdx::test {

/// A front end that shows nothing and answers the save dialog with a fixed path, or cancels.
class SilentFrontEnd final : public FrontEnd {
 public:
  explicit SilentFrontEnd(std::optional<std::string> savePath = std::nullopt)
      : savePath_(std::move(savePath)) {}
  void ShowInstructions() override {}
  void ShowStatus(const std::string&) override {}
  void ProcessMessages() override {}
  bool Terminated() const override { return false; }
  std::optional<std::string> AskSavePath(const std::string&, const std::string&) override {
    return savePath_;
  }
  void ShowError(const std::string&) override {}
  void ShowMessageBox(const std::string&, const std::string&) override {}

 private:
  std::optional<std::string> savePath_;
};

}  // namespace kdx::test
