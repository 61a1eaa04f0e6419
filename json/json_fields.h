// Reading the fields of a JSON object with errors that name where they are.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

using clJson = nlohmann::json;

// What is wrong with a description, and where ("ports[0].parity: ...").
struct clJsonError {
  std::string text;
};

// A name that stands for a code ("Even" for parity 0x400).
struct clNamedCode {
  const char* name;
  int32_t code;
};

// The fields of one JSON object at a path. Every reader returns the fallback when
// the field is missing and throws clJsonError when it is there but wrong.
class clJsonFields {
 public:
  // Throws when value is not an object or has a field not among `known`.
  clJsonFields(const clJson& value, std::string path,
               std::initializer_list<std::string_view> known);

  bool Has(const char* key) const { return object_.contains(key); }
  int32_t Int(const char* key, int32_t fallback) const;
  // A number, or one of the names (compared without regard to letter case).
  int32_t IntOrName(const char* key, int32_t fallback, const clNamedCode* names, size_t count,
                    const char* what) const;
  double Double(const char* key, double fallback) const;
  bool Bool(const char* key, bool fallback) const;
  // A string the workspace file can hold (its 8-bit code page).
  std::string Text(const char* key, const std::string& fallback) const;
  // The array, or null when missing.
  const clJson* Array(const char* key) const;
  const clJson& At(const char* key) const { return object_.at(key); }

  std::string PathOf(const char* key) const;
  [[noreturn]] void Fail(const char* key, const std::string& what) const;

 private:
  const clJson& object_;
  std::string path_;
};

// The path of an array's element: "masters[2]".
std::string ElementPath(const std::string& arrayPath, size_t index);
// value as an int32, or throws clJsonError naming path.
int32_t JsonInt(const clJson& value, const std::string& path);
