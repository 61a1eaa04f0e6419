#include "app/headless_script.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <sstream>

#include "app/device_runners.h"
#include "model/tag_text.h"
#include "model/workspace.h"
#include "model/workspace_file.h"
#include "runtime/tick_clock.h"

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
  return Fail(lineNumber, "unknown command or wrong number of words: '" + command + "'");
}

bool clHeadlessScript::DoSet(const std::vector<std::string>& words, int lineNumber) {
  clDevice* device = workspace_.Slaves().FindByName(words[1]);
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
  return Fail(lineNumber, "slaves cannot run in this build");
}
