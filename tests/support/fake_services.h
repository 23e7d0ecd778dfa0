// A recording stand-in for the window and the file system, for driving the
// commands without a display or a disk.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "messages.h"
#include "services.h"

namespace quorix::testing {

struct ShownMessage {
  std::string prompt;
  Buttons buttons;
  std::optional<std::string> title;
};

// A dialog answer: how the dialog ends, and the path the user picked.
struct DialogAnswer {
  DialogOutcome outcome = DialogOutcome::Chosen;
  std::string path;
};

class FakeServices : public WindowServices {
 public:
  // Field contents, starting as the window starts.
  std::map<Field, std::string> fields{{Field::Text1, std::string(kDefaultByteText)},
                                      {Field::Text2, "02000004FFFF"},
                                      {Field::Text3, "Text3"},
                                      {Field::Text5, "0000"}};
  float barMax = 100;
  float barValue = 0;
  std::vector<float> barMaxHistory;
  std::vector<float> barValueHistory;
  std::size_t selTextCalls = 0;

  std::string filter;
  std::string dialogFileName;
  std::deque<DialogAnswer> openAnswers;  // an empty queue cancels
  std::deque<DialogAnswer> saveAnswers;
  int opensShown = 0;
  int savesShown = 0;
  std::vector<std::string> fileNamesAtSave;  // the preset name each save dialog showed

  std::vector<ShownMessage> messages;
  std::deque<Answer> messageAnswers;  // an empty queue answers OK

  // Files on the fake disk. Paths in `unreadable` cannot be read, those in
  // `tooLarge` are refused as too large to read, those in
  // `unwritable` cannot be replaced; `failWriteAfter` lines succeed before
  // writes start failing, and `failCommit` makes the final replace fail.
  std::map<std::string, std::string> files;
  std::set<std::string> unreadable;
  std::set<std::string> tooLarge;
  std::set<std::string> unwritable;
  std::optional<std::size_t> failWriteAfter;
  bool failCommit = false;
  // Why a path may not be replaced (replaceRefusal), and why a failed write or
  // commit failed; empty means not known.
  std::map<std::string, std::string> refusals;
  std::string writeFailure;
  int openFiles = 0;  // writers not yet destroyed

  std::string clipboard;
  bool clipboardHasText = true;
  int clipboardClears = 0;

  // Everything in call order, for tests that care about sequence.
  std::vector<std::string> log;

  std::string text(Field field) override { return fields[field]; }
  void setText(Field field, std::string_view text) override {
    fields[field] = std::string(text);
    if (field == Field::Text1) log.emplace_back("Text1=" + std::string(text.substr(0, 16)));
  }
  void setSelText(std::string_view text) override {
    ++selTextCalls;
    fields[Field::Text1].append(text);
  }

  void setBarMax(float max) override {
    barMax = max;
    barMaxHistory.push_back(max);
    log.emplace_back("Max");
  }
  void setBarValue(float value) override {
    barValue = value;
    barValueHistory.push_back(value);
  }

  void setFilter(std::string_view f) override {
    filter = std::string(f);
    log.emplace_back("Filter");
  }
  DialogOutcome showOpen() override {
    ++opensShown;
    log.emplace_back("ShowOpen");
    return answer(openAnswers);
  }
  DialogOutcome showSave() override {
    ++savesShown;
    fileNamesAtSave.push_back(dialogFileName);
    log.emplace_back("ShowSave");
    return answer(saveAnswers);
  }
  std::string fileName() override { return dialogFileName; }
  void setFileName(std::string_view path) override { dialogFileName = std::string(path); }

  Answer messageBox(std::string_view prompt, Buttons buttons, std::optional<std::string_view> title) override {
    messages.push_back({std::string(prompt), buttons, title ? std::optional<std::string>(*title) : std::nullopt});
    log.emplace_back("Message:" + std::string(prompt));
    if (messageAnswers.empty()) return Answer::Ok;
    const Answer a = messageAnswers.front();
    messageAnswers.pop_front();
    return a;
  }

  FileContents readFile(const std::string& path) override {
    log.emplace_back("Read:" + path);
    if (tooLarge.count(path) != 0) return {FileContents::Status::TooLarge, {}};
    const auto it = files.find(path);
    if (it == files.end() || unreadable.count(path) != 0) return {FileContents::Status::Unreadable, {}};
    return {FileContents::Status::Read, it->second};
  }
  std::optional<std::uintmax_t> fileLength(const std::string& path) override {
    const auto it = files.find(path);
    if (it == files.end() || unreadable.count(path) != 0) return std::nullopt;
    return it->second.size();
  }
  std::unique_ptr<LineWriter> replaceFile(const std::string& path) override {
    log.emplace_back("Replace:" + path);
    if (unwritable.count(path) != 0) return nullptr;
    return std::make_unique<Writer>(*this, path);
  }

  std::string replaceRefusal(const std::string& path) override {
    const auto it = refusals.find(path);
    return it == refusals.end() ? std::string() : it->second;
  }

  void clearClipboard() override {
    ++clipboardClears;
    clipboard.clear();
  }
  void setClipboardText(std::string_view text) override {
    clipboard = std::string(text);
    clipboardHasText = true;
  }
  std::string clipboardText() override { return clipboardHasText ? clipboard : std::string(); }

 private:
  class Writer : public LineWriter {
   public:
    Writer(FakeServices& owner, std::string path) : owner_(owner), path_(std::move(path)) { ++owner_.openFiles; }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    Writer(Writer&&) = delete;
    Writer& operator=(Writer&&) = delete;
    ~Writer() override { --owner_.openFiles; }

    bool writeLine(std::string_view line) override {
      if (owner_.failWriteAfter && lines_ >= *owner_.failWriteAfter) return false;
      ++lines_;
      content_.append(line).append("\r\n");
      owner_.log.emplace_back("Line:" + std::string(line));
      return true;
    }
    bool commit() override {
      owner_.log.emplace_back("Commit:" + path_);
      if (owner_.failCommit) return false;
      owner_.files[path_] = content_;
      return true;
    }
    std::string failure() const override { return owner_.writeFailure; }

   private:
    FakeServices& owner_;
    std::string path_;
    std::string content_;
    std::size_t lines_ = 0;
  };

  DialogOutcome answer(std::deque<DialogAnswer>& answers) {
    if (answers.empty()) return DialogOutcome::Cancelled;
    DialogAnswer a = answers.front();
    answers.pop_front();
    if (a.outcome == DialogOutcome::Chosen) dialogFileName = a.path;
    return a.outcome;
  }
};

}  // namespace quorix::testing
