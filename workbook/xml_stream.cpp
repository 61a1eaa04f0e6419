#include "workbook/xml_stream.h"

#include <expat.h>

#include <cstring>

#include "workbook/format_readers.h"

namespace {

// Expat joins a namespace and a local name with this separator.
constexpr char kNamespaceSeparator = '\x01';

std::string_view LocalName(const char* name) {
  const char* local = std::strrchr(name, kNamespaceSeparator);
  return local ? std::string_view(local + 1) : std::string_view(name);
}

}  // namespace

const char* XmlAttribute(const char** attributes, std::string_view localName) {
  for (size_t i = 0; attributes[i]; i += 2) {
    if (LocalName(attributes[i]) == localName) return attributes[i + 1];
  }
  return nullptr;
}

const char* XmlAttribute(const char** attributes, std::string_view namespaceUri,
                         std::string_view localName) {
  for (size_t i = 0; attributes[i]; i += 2) {
    const std::string_view name(attributes[i]);
    if (name.size() == namespaceUri.size() + 1 + localName.size() &&
        name.substr(0, namespaceUri.size()) == namespaceUri &&
        name[namespaceUri.size()] == kNamespaceSeparator &&
        name.substr(namespaceUri.size() + 1) == localName)
      return attributes[i + 1];
  }
  return nullptr;
}

struct clXmlStream::Parser {
  XML_Parser xml;
};

clXmlStream::clXmlStream(clXmlHandler& handler)
    : handler_(handler), parser_(new Parser{XML_ParserCreateNS(nullptr, kNamespaceSeparator)}) {
  handler_.stream_ = this;
  XML_Parser xml = parser_->xml;
  XML_SetUserData(xml, this);
  XML_SetElementHandler(
      xml,
      [](void* self, const char* name, const char** attributes) {
        static_cast<clXmlStream*>(self)->handler_.Start(LocalName(name), attributes);
      },
      [](void* self, const char* name) {
        static_cast<clXmlStream*>(self)->handler_.End(LocalName(name));
      });
  XML_SetCharacterDataHandler(xml, [](void* self, const char* text, int length) {
    static_cast<clXmlStream*>(self)->handler_.Text(
        std::string_view(text, static_cast<size_t>(length)));
  });
  // A document type declaration is where entities are declared; refusing it
  // refuses entity expansion of every kind.
  XML_SetStartDoctypeDeclHandler(xml, [](void* self, const char*, const char*, const char*, int) {
    static_cast<clXmlStream*>(self)->Stop(State::kDeclaration, "");
  });
  XML_SetEntityDeclHandler(
      xml, [](void* self, const char*, int, const char*, int, const char*, const char*, const char*,
              const char*) { static_cast<clXmlStream*>(self)->Stop(State::kDeclaration, ""); });
  XML_SetParamEntityParsing(xml, XML_PARAM_ENTITY_PARSING_NEVER);
}

clXmlStream::~clXmlStream() {
  handler_.stream_ = nullptr;
  XML_ParserFree(parser_->xml);
  delete parser_;
}

void clXmlStream::Stop(State state, std::string reason) {
  if (state_ != State::kParsing) return;
  state_ = state;
  reason_ = std::move(reason);
  XML_StopParser(parser_->xml, XML_FALSE);
}

void clXmlHandler::Fail(std::string reason) {
  if (stream_) stream_->Stop(clXmlStream::State::kFailed, std::move(reason));
}

void clXmlHandler::Finish() {
  if (stream_) stream_->Stop(clXmlStream::State::kFinished, "");
}

bool clXmlStream::Feed(const char* data, size_t size, bool last) {
  if (state_ != State::kParsing) return false;
  if (XML_Parse(parser_->xml, data, static_cast<int>(size), last) == XML_STATUS_OK) return true;
  if (state_ == State::kParsing) {
    state_ = State::kMalformed;
    reason_ = std::string(XML_ErrorString(XML_GetErrorCode(parser_->xml))) + " at line " +
              std::to_string(XML_GetCurrentLineNumber(parser_->xml));
  }
  return false;
}

std::string clXmlStream::Result(std::string_view part) const {
  switch (state_) {
    case State::kParsing:
    case State::kFinished:
      return "";
    case State::kDeclaration:
      return std::string(part) +
             " holds an XML document type declaration, which workbooks never use";
    case State::kMalformed:
      return DamagedReason(part, reason_);
    case State::kFailed:
      break;
  }
  return reason_;
}

std::string clXmlStream::ParsePart(const clPackage& package, std::string_view name,
                                   size_t limit) {
  std::string reason = package.Read(
      name, limit, [this](const char* data, size_t size) { return Feed(data, size, false); });
  if (!reason.empty()) return reason;
  if (state_ == State::kParsing) Feed(nullptr, 0, true);
  return Result(name);
}

std::string clXmlStream::ParseText(std::string_view part, std::string_view text) {
  // Fed in pieces that fit expat's int length.
  constexpr size_t kPiece = 1 << 20;
  for (size_t pos = 0; pos < text.size(); pos += kPiece) {
    if (!Feed(text.data() + pos, std::min(kPiece, text.size() - pos), false)) break;
  }
  if (state_ == State::kParsing) Feed(nullptr, 0, true);
  return Result(part);
}
