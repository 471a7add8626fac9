#include "platform/sheets/XmlPartParser.h"

#include "platform/sheets/ReadError.h"
#include "platform/sheets/ZipEntryStream.h"

namespace sheets {

namespace {
// Large enough that expat's per-call cost disappears, small enough to stay in cache.
constexpr int kChunkBytes = 256 * 1024;
} // namespace

XmlPartParser::XmlPartParser(std::unique_ptr<ZipEntryStream> stream, std::string path, std::string part,
                             Handler& handler, bool namespaces)
    : m_stream(std::move(stream)), m_path(std::move(path)), m_part(std::move(part)), m_handler(handler),
      m_parser(namespaces ? XML_ParserCreateNS("UTF-8", ' ') : XML_ParserCreate("UTF-8")) {
    if (!m_parser) throw std::bad_alloc();
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, &XmlPartParser::onStart, &XmlPartParser::onEnd);
    XML_SetStartDoctypeDeclHandler(m_parser, &XmlPartParser::onDoctype);
}

XmlPartParser::~XmlPartParser() {
    XML_ParserFree(m_parser);
}

void XmlPartParser::setWantCharacters(bool want) {
    XML_SetCharacterDataHandler(m_parser, want ? &XmlPartParser::onCharacters : nullptr);
}

void XmlPartParser::suspend() {
    XML_StopParser(m_parser, XML_TRUE);
}

void XmlPartParser::fail(std::exception_ptr error) {
    if (!m_error) m_error = error;
    XML_StopParser(m_parser, XML_FALSE);
}

void XmlPartParser::onStart(void* self, const XML_Char* name, const XML_Char** attributes) {
    auto* p = static_cast<XmlPartParser*>(self);
    try {
        p->m_handler.startElement(name, attributes);
    } catch (...) {
        p->fail(std::current_exception());
    }
}

void XmlPartParser::onEnd(void* self, const XML_Char* name) {
    auto* p = static_cast<XmlPartParser*>(self);
    try {
        p->m_handler.endElement(name);
    } catch (...) {
        p->fail(std::current_exception());
    }
}

void XmlPartParser::onCharacters(void* self, const XML_Char* data, int length) {
    auto* p = static_cast<XmlPartParser*>(self);
    try {
        p->m_handler.characters(data, length);
    } catch (...) {
        p->fail(std::current_exception());
    }
}

void XmlPartParser::onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    // Workbook parts never declare a document type; one that does is after entity expansion tricks.
    auto* p = static_cast<XmlPartParser*>(self);
    p->fail(std::make_exception_ptr(readError(p->m_path, "its part " + p->m_part + " declares a document type")));
}

void XmlPartParser::throwError() {
    m_done = true;
    if (m_error) std::rethrow_exception(m_error);
    const XML_Error code = XML_GetErrorCode(m_parser);
    damagedPart(m_path, m_part,
                std::string(XML_ErrorString(code)) + " at line " + std::to_string(XML_GetCurrentLineNumber(m_parser)));
}

bool XmlPartParser::parse() {
    for (;;) {
        if (m_done) return false;
        XML_Status status;
        if (m_suspended) {
            m_suspended = false;
            status = XML_ResumeParser(m_parser);
        } else {
            void* buffer = XML_GetBuffer(m_parser, kChunkBytes);
            if (!buffer) throw std::bad_alloc();
            const std::size_t n = m_stream->read(static_cast<char*>(buffer), kChunkBytes);
            m_finalFed = n == 0;
            status = XML_ParseBuffer(m_parser, static_cast<int>(n), m_finalFed);
        }
        if (status == XML_STATUS_SUSPENDED) {
            m_suspended = true;
            return true;
        }
        if (status == XML_STATUS_ERROR) throwError();
        if (m_finalFed) {
            m_done = true;
            return false;
        }
    }
}

void XmlPartParser::parseDocument(const std::string& xml, const std::string& path, const std::string& part,
                                  Handler& handler, bool namespaces) {
    XmlPartParser parser(nullptr, path, part, handler, namespaces);
    parser.setWantCharacters(true);
    if (XML_Parse(parser.m_parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE) != XML_STATUS_OK)
        parser.throwError();
}

} // namespace sheets
