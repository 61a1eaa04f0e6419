#include "app/headless_script.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <sstream>

#include "app/device_runners.h"
#include "master/master_engine.h"
#include "master/master_write.h"
#include "model/tag_text.h"
#include "model/workspace.h"
#include "model/workspace_file.h"
#include "runtime/tick_clock.h"
#include "runtime/virtual_line_command.h"
#include "slave/slave_engine.h"

clHeadlessClock::clHeadlessClock(double seconds) : hasLength_(seconds >= 0) {
  sigemptyset(&signals_);
  sigaddset(&signals_, SIGINT);
  sigaddset(&signals_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
  if (hasLength_) endAtMs_ = TickNowMs() + static_cast<uint64_t>(seconds * 1000.0);
}

bool clHeadlessClock::WaitForEnd(int64_t ms) {
  const uint64_t start = TickNowMs();
  while (!ended_) {
    const uint64_t now = TickNowMs();
    if (hasLength_ && now >= endAtMs_) {
      ended_ = true;
      break;
    }
    // An endless wait still wakes once a second.
    uint64_t waitMs = 1000;
    if (ms >= 0) {
      const uint64_t elapsed = now - start;
      if (elapsed >= static_cast<uint64_t>(ms)) return false;
      waitMs = static_cast<uint64_t>(ms) - elapsed;
    }
    if (hasLength_ && endAtMs_ - now < waitMs) waitMs = endAtMs_ - now;
    timespec timeout{static_cast<time_t>(waitMs / 1000),
                     static_cast<long>(waitMs % 1000) * 1000000L};
    int signal = sigtimedwait(&signals_, nullptr, &timeout);
    if (signal == SIGINT || signal == SIGTERM) ended_ = true;
  }
  return true;
}

namespace {

std::vector<std::string> Words(const std::string& line) {
  std::string text = line.substr(0, line.find('#'));
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace

bool clHeadlessScript::Run(std::istream& in) {
  std::string line;
  for (int lineNumber = 1; !quit_ && !clock_.Ended() && std::getline(in, line); ++lineNumber) {
    std::vector<std::string> words = Words(line);
    if (!words.empty()) Execute(words, lineNumber);
  }
  return quit_;
}

bool clHeadlessScript::Fail(int lineNumber, const std::string& message) {
  std::fprintf(stderr, "telvane: script line %d: %s\n", lineNumber, message.c_str());
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
    std::string failure;
    if (!runners_.Start(*device, &failure)) return Fail(lineNumber, failure);
    return true;
  }
  if (command == "save" && args == 1) {
    std::string error = SaveWorkspaceFile(workspace_, words[1]);
    return error.empty() ? true : Fail(lineNumber, error);
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
  if (command == "line" && args >= 2) {
    std::string error;
    std::vector<std::string> rest(words.begin() + 1, words.end());
    return ApplyLineCommand(rest, &error) ? true : Fail(lineNumber, error);
  }
  return Fail(lineNumber, "unknown command or wrong number of words: '" + command + "'");
}

bool clHeadlessScript::DoSet(const std::vector<std::string>& words, int lineNumber) {
  clIEC101SlaveDevice* device = workspace_.Slaves().FindByName(words[1]);
  if (device == nullptr) return Fail(lineNumber, "unknown slave '" + words[1] + "'");
  int32_t commonAddress = 0, ioa = 0;
  double number = 0;
  if (!ParseInt32(words[2], commonAddress))
    return Fail(lineNumber, "bad number '" + words[2] + "'");
  if (!ParseInt32(words[3], ioa)) return Fail(lineNumber, "bad number '" + words[3] + "'");
  if (!ParseDecimal(words[4], number)) return Fail(lineNumber, "bad number '" + words[4] + "'");
  clSector* sector = device->Sectors()->FindByCommonAddress(commonAddress);
  clTag* tag = sector ? sector->Tags().FindByIoa(ioa) : nullptr;
  if (tag == nullptr) return Fail(lineNumber, "no tag " + words[3] + " in sector " + words[2]);
  // The list's own text parsing decides what the text means for this tag type
  // (a single point takes any positive number as 1, a double point is clamped).
  clTag parsed(*tag);
  parsed.SetProperty("value", words[4]);
  auto* engine = dynamic_cast<clIEC101SlaveEngine*>(runners_.RunnerFor(*device));
  if (engine == nullptr || !engine->SetTagValue(static_cast<uint32_t>(commonAddress),
                                                static_cast<uint32_t>(ioa), parsed.Value())) {
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

// The tag a "wait" watches: by common address and object address in a master's
// or slave's sectors, or among a monitor's tags.
clTag* FindWatchedTag(clDevice& device, int32_t commonAddress, int32_t ioa) {
  if (clTags* tags = device.Tags()) {
    for (clTag* tag : tags->Items())
      if (tag->CommonAddress() == commonAddress && tag->Ioa() == ioa) return tag;
    return nullptr;
  }
  clSector* sector = device.Sectors()->FindByCommonAddress(commonAddress);
  return sector ? sector->Tags().FindByIoa(ioa) : nullptr;
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
  int32_t commonAddress = 0, ioa = 0;
  if (!ParseInt32(words[2], commonAddress))
    return Fail(lineNumber, "bad number '" + words[2] + "'");
  if (!ParseInt32(words[3], ioa)) return Fail(lineNumber, "bad number '" + words[3] + "'");
  clSector* sector = device->Sectors()->FindByCommonAddress(commonAddress);
  clTag* tag = sector ? sector->Tags().FindByIoa(ioa) : nullptr;
  if (tag == nullptr) return Fail(lineNumber, "no tag " + words[3] + " in sector " + words[2]);
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
  int32_t commonAddress = 0, ioa = 0, ms = 0;
  double wanted = 0;
  if (!ParseInt32(words[2], commonAddress))
    return Fail(lineNumber, "bad number '" + words[2] + "'");
  if (!ParseInt32(words[3], ioa)) return Fail(lineNumber, "bad number '" + words[3] + "'");
  if (!ParseDecimal(words[4], wanted)) return Fail(lineNumber, "bad number '" + words[4] + "'");
  if (!ParseInt32(words[5], ms) || ms < 0) return Fail(lineNumber, "bad number '" + words[5] + "'");
  constexpr int64_t kCheckEveryMs = 10;
  const uint64_t deadline = TickNowMs() + static_cast<uint64_t>(ms);
  for (;;) {
    // A monitor creates its tags as objects arrive, so look again each time.
    clTag* tag = FindWatchedTag(*device, commonAddress, ioa);
    if (tag != nullptr && SameValue(tag->Value(), wanted)) return true;
    const uint64_t now = TickNowMs();
    if (now >= deadline || clock_.Ended()) break;
    if (clock_.WaitForEnd(std::min<int64_t>(kCheckEveryMs, static_cast<int64_t>(deadline - now))))
      break;
  }
  exitCode_ = kWaitTimedOutExitCode;
  return Fail(lineNumber, "wait timed out");
}
