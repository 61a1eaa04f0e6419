#include "runtime/port_settings.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

#include "runtime/text_compare.h"
#include "runtime/virtual_line.h"

namespace {

constexpr const char* kPortsGroup = "Ports";

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

void AppendUtf8Char(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out += static_cast<char>(ch);
  } else if (ch < 0x800) {
    out += static_cast<char>(0xC0 | (ch >> 6));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (ch >> 12));
    out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A value as QSettings writes it to an INI file: parts in double quotes keep
// their blanks, a backslash escapes the next character (\\, \", \t, \n, \r,
// \xhhhh for a character code), and ';' outside quotes starts a comment.
// Unquoted blanks at either end do not belong to the value.
std::string UnescapeIniValue(const std::string& raw) {
  std::string out;
  size_t kept = 0;  // out's length up to its last character that is not an unquoted blank
  bool quoted = false;
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '"') {
      quoted = !quoted;
      kept = out.size();
      continue;
    }
    if (c == ';' && !quoted) break;
    if (c == '\\' && i + 1 < raw.size()) {
      c = raw[++i];
      if (c == 'x') {
        char32_t code = 0;
        for (int digits = 0; digits < 4 && i + 1 < raw.size() && HexDigit(raw[i + 1]) >= 0;
             ++digits)
          code = code * 16 + static_cast<char32_t>(HexDigit(raw[++i]));
        AppendUtf8Char(out, code);
      } else {
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
      }
      kept = out.size();
      continue;
    }
    if (out.empty() && !quoted && std::isspace(static_cast<unsigned char>(c))) continue;
    out += c;
    if (quoted || !std::isspace(static_cast<unsigned char>(c))) kept = out.size();
  }
  out.resize(kept);
  return out;
}

// Value of `key` in group [Ports] of a QSettings-style INI file, or "".
std::string LookUpPortMapping(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  if (!in) return "";
  std::string line;
  bool inPorts = false;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      inPorts = EqualsNoCase(Trim(line.substr(1, line.size() - 2)), kPortsGroup);
      continue;
    }
    size_t eq = line.find('=');
    if (!inPorts || eq == std::string::npos) continue;
    if (!EqualsNoCase(Trim(line.substr(0, eq)), key)) continue;
    return UnescapeIniValue(line.substr(eq + 1));
  }
  return "";
}

}  // namespace

std::string UserSettingsPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg != nullptr && xdg[0] != '\0') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.config";
  }
  return base + "/Telvane/Telvane.conf";
}

int ComPortNumber(const std::string& name) {
  if (name.size() < 4 || !EqualsNoCase(name.substr(0, 3), "COM")) return 0;
  int n = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i])) || n > 100000) return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

std::string PortMapping(const std::string& name, const std::string& settingsPath) {
  if (ComPortNumber(name) < 1) return "";
  return LookUpPortMapping(settingsPath, name);
}

std::string ResolvePortDevice(const std::string& name) {
  return ResolvePortDevice(name, UserSettingsPath());
}

std::string ResolvePortDevice(const std::string& name, const std::string& settingsPath) {
  if (!name.empty() && name[0] == '/') return name;
  int n = ComPortNumber(name);
  if (n < 1) return "";
  std::string mapped = LookUpPortMapping(settingsPath, name);
  if (!mapped.empty()) return mapped;
  return "/dev/ttyS" + std::to_string(n - 1);
}

std::string ResolvePortTarget(const std::string& name) {
  return ResolvePortTarget(name, UserSettingsPath());
}

std::string ResolvePortTarget(const std::string& name, const std::string& settingsPath) {
  if (ParseVirtualLineName(name, nullptr)) return name;
  return ResolvePortDevice(name, settingsPath);
}
