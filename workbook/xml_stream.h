#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "workbook/package.h"

class clXmlStream;

// Receives the events of one XML part. Names are local names: the namespace
// prefix a producer chose does not matter ("x:row" and "row" are the same).
class clXmlHandler {
 public:
  virtual ~clXmlHandler() = default;
  // `attributes` alternates names and values and ends with a null; use
  // XmlAttribute to look one up by local name.
  virtual void Start(std::string_view name, const char** attributes) = 0;
  virtual void End(std::string_view name) = 0;
  virtual void Text(std::string_view) {}

 protected:
  // Stop the parse with a reason, or because nothing more is needed.
  void Fail(std::string reason);
  void Finish();

 private:
  friend class clXmlStream;
  clXmlStream* stream_ = nullptr;  // the parse the handler is attached to
};

// The value of the attribute with that local name, or null.
const char* XmlAttribute(const char** attributes, std::string_view localName);
// The same, for a name in the given namespace only (where two vocabularies of
// one file use the same local name).
const char* XmlAttribute(const char** attributes, std::string_view namespaceUri,
                         std::string_view localName);

// Parses one XML part of a zipped workbook as its bytes come out of the package.
// Workbook parts never need a document type declaration, so one is refused
// before any entity it declares could be expanded. The handler may stop the
// parse with a reason (Fail) or because it has all it needs (Finish).
class clXmlStream {
 public:
  explicit clXmlStream(clXmlHandler& handler);
  ~clXmlStream();
  clXmlStream(const clXmlStream&) = delete;
  clXmlStream& operator=(const clXmlStream&) = delete;

  // Reads the part `name` of `package`, at most `limit` bytes unpacked. "" when
  // the part was parsed to its end or the handler finished early; otherwise the
  // reason.
  std::string ParsePart(const clPackage& package, std::string_view name, size_t limit);
  // Parses a whole document held in memory (used for tests and small parts).
  std::string ParseText(std::string_view part, std::string_view text);

 private:
  friend class clXmlHandler;
  enum class State { kParsing, kFinished, kFailed, kDeclaration, kMalformed };
  void Stop(State state, std::string reason);
  bool Feed(const char* data, size_t size, bool last);
  std::string Result(std::string_view part) const;

  clXmlHandler& handler_;
  struct Parser;
  Parser* parser_;
  State state_ = State::kParsing;
  std::string reason_;
};
