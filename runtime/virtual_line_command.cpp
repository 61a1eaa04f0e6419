#include "runtime/virtual_line_command.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>

#include "runtime/text_compare.h"
#include "runtime/virtual_lines.h"

namespace {

struct ActionName {
  std::string_view word;
  VirtualLineCommand::Action action;
  bool takesProbability;
};
constexpr ActionName kActions[] = {
    {"noise", VirtualLineCommand::kNoise, true},  {"drop", VirtualLineCommand::kDrop, true},
    {"cut", VirtualLineCommand::kCut, false},     {"restore", VirtualLineCommand::kRestore, false},
    {"clear", VirtualLineCommand::kClear, false},
};
constexpr std::string_view kActionList = "noise, drop, cut, restore or clear";
constexpr size_t kMaxQuoted = 40;  // a message quotes at most this much of a word

// The word in quotes, shortened when a script holds something very long.
std::string Quoted(std::string_view word) {
  // Appended piece by piece: GCC 12 at -O3 takes prepending to a temporary
  // string for an overlapping copy (-Wrestrict).
  std::string text(1, '"');
  text.append(word.substr(0, kMaxQuoted));
  if (word.size() > kMaxQuoted) text.append("...");
  text.push_back('"');
  return text;
}

bool Fail(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
  return false;
}

// A cable number as the port names write it: 1 to 99, no sign, no leading zero.
bool ParseCable(std::string_view word, int32_t* cable) {
  if (word.empty() || word.size() > 2 || word[0] < '1' || word[0] > '9') return false;
  int32_t value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size()) return false;
  if (value < clVirtualLines::kFirstCable || value > clVirtualLines::kLastCable) return false;
  *cable = value;
  return true;
}

// A plain decimal number (exponent allowed) from 0 to 1; no NaN, no infinity.
bool ParseProbability(std::string_view word, double* probability) {
  if (word.empty() || word[0] == '-' || word[0] == '+') return false;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size()) return false;
  if (!std::isfinite(value) || value < 0.0 || value > 1.0) return false;
  *probability = value;
  return true;
}

bool ParseDirection(std::string_view word, VirtualLineCommand* command) {
  command->fromA = EqualsNoCase(word, "A") || EqualsNoCase(word, "both");
  command->fromB = EqualsNoCase(word, "B") || EqualsNoCase(word, "both");
  return command->fromA || command->fromB;
}

}  // namespace

bool ParseLineCommand(const std::vector<std::string>& words, VirtualLineCommand* out,
                      std::string* error) {
  VirtualLineCommand command;
  if (words.empty()) return Fail(error, "missing cable number after \"line\"");
  if (!ParseCable(words[0], &command.cable))
    return Fail(error, "bad cable number " + Quoted(words[0]) + ": expected 1 to 99");
  if (words.size() < 2)
    return Fail(error,
                "missing what to do with line " + words[0] + ": " + std::string(kActionList));
  const ActionName* action = nullptr;
  for (const ActionName& a : kActions)
    if (EqualsNoCase(words[1], a.word)) action = &a;
  if (action == nullptr)
    return Fail(error, "unknown line command " + Quoted(words[1]) + ": expected " +
                           std::string(kActionList));
  command.action = action->action;

  size_t used = 2;
  if (action->takesProbability) {
    const std::string after = Quoted(action->word);
    if (words.size() < 3)
      return Fail(error, "missing direction after " + after + ": expected A, B or both");
    if (!ParseDirection(words[2], &command))
      return Fail(error, "bad direction " + Quoted(words[2]) + ": expected A, B or both");
    if (words.size() < 4)
      return Fail(error, "missing probability after " + after + ": expected a number from 0 to 1");
    if (!ParseProbability(words[3], &command.probability))
      return Fail(error, "bad probability " + Quoted(words[3]) + ": expected a number from 0 to 1");
    used = 4;
  }
  if (words.size() > used)
    return Fail(error, "unexpected " + Quoted(words[used]) + " after " + Quoted(words[used - 1]));
  if (out != nullptr) *out = command;
  return true;
}

bool ApplyLineCommand(const VirtualLineCommand& command) {
  clVirtualLine* cable = clVirtualLines::Instance().Cable(command.cable);
  if (cable == nullptr) return false;
  switch (command.action) {
    case VirtualLineCommand::kNoise:
    case VirtualLineCommand::kDrop: {
      if (!command.fromA && !command.fromB) return false;
      const bool noise = command.action == VirtualLineCommand::kNoise;
      auto set = [&](int32_t side) {
        return noise ? cable->SetNoise(side, command.probability)
                     : cable->SetDrop(side, command.probability);
      };
      const bool okA = !command.fromA || set(0);
      const bool okB = !command.fromB || set(1);
      return okA && okB;
    }
    case VirtualLineCommand::kCut:
      cable->SetCut(true);
      return true;
    case VirtualLineCommand::kRestore:
      cable->SetCut(false);
      return true;
    case VirtualLineCommand::kClear:
      cable->ClearFaults();
      return true;
  }
  return false;
}

bool ApplyLineCommand(const std::vector<std::string>& wordsAfterLine, std::string* error) {
  VirtualLineCommand command;
  if (!ParseLineCommand(wordsAfterLine, &command, error)) return false;
  if (!ApplyLineCommand(command)) return Fail(error, "line command could not be applied");
  return true;
}
