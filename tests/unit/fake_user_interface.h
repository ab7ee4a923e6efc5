// A user interface that records what the launcher asked of it and answers
// the prompts as a test scripted them.
#pragma once

#include <string>
#include <vector>

#include "ui/user_interface.h"

namespace carafe {

struct ShownMessage {
  std::string text;
  std::string caption;
  bool ownedByProgress = false;
};

class FakeUserInterface : public UserInterface {
 public:
  int bundledPromptAnswer = kDialogOk;
  int browseAnswer = kDialogCancel;
  std::string browsePath;
  bool abortDuringLoop = false;  // the user confirms the abort prompt

  // "create", "loop", "quit", "status <text>", "hide", "show", "bundled prompt", ...
  std::vector<std::string> events;
  std::vector<ShownMessage> messages;

  bool CreateProgress() override { return events.push_back("create"), true; }
  void RunMessageLoop() override { events.push_back("loop"); }
  void PostQuit(std::uint32_t) override { events.push_back("quit"); }
  bool Aborted() const override { return abortDuringLoop; }
  void SetStatus(const std::string& text) override { events.push_back("status " + text); }
  void HideProgress() override { events.push_back("hide"); }
  void ShowProgress() override { events.push_back("show"); }
  int RunBundledJvmPrompt() override {
    events.push_back("bundled prompt");
    return bundledPromptAnswer;
  }
  int RunBrowseDialog(std::string* path) override {
    events.push_back("browse");
    if (browseAnswer == kDialogOk) *path = browsePath;
    return browseAnswer;
  }
  void ShowStopMessage(const std::string& text, const std::string& caption,
                       bool ownedByProgress) override {
    events.push_back("message " + text);
    messages.push_back({text, caption, ownedByProgress});
  }
};

}  // namespace carafe
