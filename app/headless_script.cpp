#include "app/headless_script.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "app/device_runners.h"
#include "app/exit_codes.h"
#include "app/headless_clock.h"
#include "app/port_messages.h"
#include "master/master_engine.h"
#include "master/master_write.h"
#include "model/tag_range.h"
#include "model/tag_text.h"
#include "model/workspace.h"
#include "model/workspace_file.h"
#include "runtime/tick_clock.h"
#include "runtime/virtual_line_command.h"
#include "slave/slave_engine.h"

bool clScriptInput::Fill() {
  if (endOfInput_) return false;
  if (!clock_.WaitForInput(fd_)) return false;
  char buffer[4096];
  const ssize_t n = ::read(fd_, buffer, sizeof buffer);
  if (n > 0) {
    pending_.append(buffer, static_cast<size_t>(n));
  } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
    endOfInput_ = true;
  }
  return true;
}

bool clScriptInput::Next(std::string* line, bool* tooLong) {
  *tooLong = false;
  for (;;) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      if (*tooLong) {
        line->clear();
      } else {
        line->assign(pending_, 0, end);
      }
      pending_.erase(0, end + 1);
      return true;
    }
    if (pending_.size() > kMaxLineBytes) {
      // Keep nothing of an overlong line; its end is still to be found.
      *tooLong = true;
      pending_.clear();
    }
    if (!Fill()) {
      if (clock_.Ended() || (pending_.empty() && !*tooLong)) return false;
      line->clear();
      if (!*tooLong) line->swap(pending_);
      pending_.clear();
      return true;
    }
  }
}

namespace {

// The words of a line: blanks separate them, "#" outside quotes starts a comment,
// double quotes make one word of what they enclose. False for an unclosed quote.
bool Words(const std::string& line, std::vector<std::string>* words) {
  words->clear();
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '#') break;
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    std::string word;
    if (c == '"') {
      const size_t close = line.find('"', i + 1);
      if (close == std::string::npos) return false;
      word = line.substr(i + 1, close - i - 1);
      i = close + 1;
    } else {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])) &&
             line[i] != '#')
        word += line[i++];
    }
    words->push_back(word);
  }
  return true;
}

}  // namespace

bool clHeadlessScript::Run(clScriptInput& in) {
  std::string line;
  bool tooLong = false;
  std::vector<std::string> words;
  for (int lineNumber = 1; !quit_ && !clock_.Ended() && in.Next(&line, &tooLong); ++lineNumber) {
    bool done = true;
    if (tooLong) {
      done = Fail(lineNumber, "line longer than " + std::to_string(clScriptInput::kMaxLineBytes) +
                                  " characters");
    } else if (!Words(line, &words)) {
      done = Fail(lineNumber, "unclosed quote");
    } else if (!words.empty()) {
      done = Execute(words, lineNumber);
    }
    if (!done && strict_) return true;
  }
  return quit_;
}

int clHeadlessScript::ExitCode() const {
  if (waitTimedOut_) return kExitWaitTimedOut;
  return errors_ > 0 ? kExitScriptErrors : kExitOk;
}

bool clHeadlessScript::Fail(int lineNumber, const std::string& message) {
  std::fprintf(stderr, "telvane: script line %d: %s\n", lineNumber, message.c_str());
  ++errors_;
  return false;
}

bool clHeadlessScript::Execute(const std::vector<std::string>& words, int lineNumber) {
  const std::string& command = words[0];
  const size_t args = words.size() - 1;
  if (command == "quit" && args == 0) {
    quit_ = true;
    return true;
  }
  if (command == "sleep" && args == 1) {
    int32_t ms = 0;
    if (!ParseInt32(words[1], ms) || ms < 0)
      return Fail(lineNumber, "bad number '" + words[1] + "'");
    clock_.WaitForEnd(ms);
    return true;
  }
  if ((command == "start" || command == "stop") && args == 1) {
    clDevice* device = runners_.FindDevice(words[1]);
    if (device == nullptr) return Fail(lineNumber, "unknown device '" + words[1] + "'");
    if (command == "stop") {
      runners_.Stop(*device);
      return true;
    }
    clStartFailure failure;
    if (!runners_.Start(*device, &failure)) return Fail(lineNumber, StartFailureMessage(failure));
    return true;
  }
  if (command == "save" && args == 1) {
    std::string error = SaveWorkspaceFile(workspace_, words[1]);
    return error.empty() ? true : Fail(lineNumber, words[1] + ": " + error);
  }
  if (command == "set" && args == 4) return DoSet(words, lineNumber);
  if (command == "write" && args >= 4) return DoWrite(words, lineNumber);
  if (command == "wait" && args == 5) return DoWait(words, lineNumber);
  if (command == "gi" && args == 1) {
    clIEC101MasterEngine* engine = MasterEngine(words[1], lineNumber);
    if (engine == nullptr) return false;
    engine->RequestGeneralInterrogation();
    return true;
  }
  if (command == "line" && args >= 2) return DoLine(words, lineNumber);
  return Fail(lineNumber, "unknown command or wrong number of words: '" + command + "'");
}

bool clHeadlessScript::DoLine(const std::vector<std::string>& words, int lineNumber) {
  std::string error;
  std::vector<std::string> rest(words.begin() + 1, words.end());
  if (!ApplyLineCommand(rest, &error)) return Fail(lineNumber, error);
  const std::string& action = words[2];
  if (!faultNotice_.empty() && (action == "noise" || action == "drop" || action == "cut")) {
    std::fprintf(stderr, "%s\n", faultNotice_.c_str());
    faultNotice_.clear();
  }
  return true;
}

clTag* clHeadlessScript::SectorTag(clDevice& device, const std::string& caWord,
                                   const std::string& word, int lineNumber, clSector** sector) {
  int32_t commonAddress = 0, ioa = 0;
  if (!ParseInt32(caWord, commonAddress)) {
    Fail(lineNumber, "bad number '" + caWord + "'");
    return nullptr;
  }
  *sector = device.Sectors()->FindByCommonAddress(commonAddress);
  const bool byIoa = ParseInt32(word, ioa);
  clTag* tag = nullptr;
  if (*sector != nullptr) tag = byIoa ? (*sector)->Tags().FindByIoa(ioa) : (*sector)->Tags().FindByName(word);
  if (tag == nullptr) {
    Fail(lineNumber, "no tag " + (byIoa ? word : "'" + word + "'") + " in sector " + caWord);
  }
  return tag;
}

bool clHeadlessScript::DoSet(const std::vector<std::string>& words, int lineNumber) {
  clIEC101SlaveDevice* device = workspace_.Slaves().FindByName(words[1]);
  if (device == nullptr) return Fail(lineNumber, "unknown slave '" + words[1] + "'");
  clSector* sector = nullptr;
  clTag* tag = SectorTag(*device, words[2], words[3], lineNumber, &sector);
  if (tag == nullptr) return false;
  double number = 0;
  if (!ParseDecimal(words[4], number)) return Fail(lineNumber, "bad number '" + words[4] + "'");
  // A value the tag's element cannot carry would be wrapped or clamped on the line.
  const std::string outOfRange = CheckTagValue(tag->TagType(), number);
  if (!outOfRange.empty()) return Fail(lineNumber, outOfRange);
  auto* engine = dynamic_cast<clIEC101SlaveEngine*>(runners_.RunnerFor(*device));
  if (engine == nullptr ||
      !engine->SetTagValue(static_cast<uint32_t>(sector->CommonAddress()),
                           static_cast<uint32_t>(tag->Ioa()), number)) {
    return Fail(lineNumber, "tag " + words[3] + " in sector " + words[2] + " cannot be set");
  }
  return true;
}

clIEC101MasterEngine* clHeadlessScript::MasterEngine(const std::string& name, int lineNumber) {
  clIEC101MasterDevice* device = workspace_.Masters().FindByName(name);
  if (device == nullptr) {
    Fail(lineNumber, "unknown master '" + name + "'");
    return nullptr;
  }
  return dynamic_cast<clIEC101MasterEngine*>(runners_.RunnerFor(*device));
}

namespace {

// "YYYY-MM-DD hh:mm:ss" (two words joined by a blank); false when it is not a
// valid date and time.
bool ParseDateTime(const std::string& text, clDateTime& time) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &end) != 6)
    return false;
  if (!IsValidDate(y, mo, d) || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
    return false;
  time = clDateTime{y, mo, d, h, mi, s, 0};
  return true;
}

// The tag a "wait" watches: by common address and object address or name in a
// master's or slave's sectors, or among a monitor's tags.
clTag* FindWatchedTag(clDevice& device, int32_t commonAddress, const std::string& word) {
  int32_t ioa = 0;
  const bool byIoa = ParseInt32(word, ioa);
  const auto matches = [&](const clTag& tag) {
    return byIoa ? tag.Ioa() == ioa : EqualsNoCase(tag.Name(), word);
  };
  if (clTags* tags = device.Tags()) {
    for (clTag* tag : tags->Items())
      if (tag->CommonAddress() == commonAddress && matches(*tag)) return tag;
    return nullptr;
  }
  clSector* sector = device.Sectors()->FindByCommonAddress(commonAddress);
  if (sector == nullptr) return nullptr;
  for (clTag* tag : sector->Tags().Items())
    if (matches(*tag)) return tag;
  return nullptr;
}

// Values travel as normalized words and single-precision floats, so "the tag
// shows the value" allows for that rounding.
bool SameValue(double shown, double wanted) {
  const double scale = std::max(1.0, std::fabs(wanted));
  return std::fabs(shown - wanted) <= 1e-4 * scale;
}

}  // namespace

bool clHeadlessScript::DoWrite(const std::vector<std::string>& words, int lineNumber) {
  clIEC101MasterDevice* device = workspace_.Masters().FindByName(words[1]);
  if (device == nullptr) return Fail(lineNumber, "unknown master '" + words[1] + "'");
  clSector* sector = nullptr;
  clTag* tag = SectorTag(*device, words[2], words[3], lineNumber, &sector);
  if (tag == nullptr) return false;
  std::string text = words[4];
  for (size_t i = 5; i < words.size(); ++i) text += " " + words[i];
  clMasterWrite write;
  if (tag->TagType() == clTag::kClockSync) {
    if (text == "now") {
      write.timeMode = 1;
    } else if (ParseDateTime(text, write.customTime)) {
      write.timeMode = 2;
    } else {
      return Fail(lineNumber, "bad time '" + text + "': expected now or YYYY-MM-DD hh:mm:ss");
    }
  } else if (words.size() != 5 || !ParseDecimal(text, write.value)) {
    return Fail(lineNumber, "bad number '" + text + "'");
  }
  auto* engine = dynamic_cast<clIEC101MasterEngine*>(runners_.RunnerFor(*device));
  std::string refusal = WriteMasterTag(engine, *sector, *tag, write, &writeMemory_);
  return refusal.empty() ? true : Fail(lineNumber, refusal);
}

bool clHeadlessScript::DoWait(const std::vector<std::string>& words, int lineNumber) {
  clDevice* device = runners_.FindDevice(words[1]);
  if (device == nullptr) return Fail(lineNumber, "unknown device '" + words[1] + "'");
  int32_t commonAddress = 0, ms = 0;
  double wanted = 0;
  if (!ParseInt32(words[2], commonAddress))
    return Fail(lineNumber, "bad number '" + words[2] + "'");
  if (!ParseDecimal(words[4], wanted)) return Fail(lineNumber, "bad number '" + words[4] + "'");
  if (!ParseInt32(words[5], ms) || ms < 0) return Fail(lineNumber, "bad number '" + words[5] + "'");
  constexpr int64_t kCheckEveryMs = 10;
  const uint64_t deadline = TickNowMs() + static_cast<uint64_t>(ms);
  for (;;) {
    // A monitor creates its tags as objects arrive, so look again each time.
    clTag* tag = FindWatchedTag(*device, commonAddress, words[3]);
    if (tag != nullptr && SameValue(tag->Value(), wanted)) return true;
    const uint64_t now = TickNowMs();
    if (now >= deadline || clock_.Ended()) break;
    if (clock_.WaitForEnd(std::min<int64_t>(kCheckEveryMs, static_cast<int64_t>(deadline - now))))
      break;
  }
  waitTimedOut_ = true;
  return Fail(lineNumber, "wait timed out");
}
