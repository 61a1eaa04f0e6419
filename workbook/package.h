#pragma once
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

// The named parts of a zipped workbook package (.xlsx, .ods). Part names
// compare without regard to case, as the packaging conventions of both
// formats ask. Every failure is a reason the caller can show after "cannot
// read workbook '...': ".
class clPackage {
 public:
  virtual ~clPackage() = default;

  virtual bool Has(std::string_view name) const = 0;
  // Hands the part's bytes to `sink` piece by piece. Stops with a reason when
  // the part is missing, encrypted, damaged, or longer than `limit` bytes. When
  // `sink` returns false, reading stops and "" is returned: the sink has what
  // it wanted, or keeps its own reason.
  using Sink = std::function<bool(const char* data, size_t size)>;
  virtual std::string Read(std::string_view name, size_t limit, const Sink& sink) const = 0;
  // The whole part as text.
  std::string ReadAll(std::string_view name, size_t limit, std::string& out) const;
};

// A package whose parts are held as text (the fuzz targets build workbooks so).
class clMemoryPackage : public clPackage {
 public:
  void Add(std::string name, std::string content);
  bool Has(std::string_view name) const override;
  std::string Read(std::string_view name, size_t limit, const Sink& sink) const override;

 private:
  const std::string* Find(std::string_view name) const;
  std::map<std::string, std::string> parts_;  // by lower-case name
};
