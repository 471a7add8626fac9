#pragma once

#include <exception>
#include <expat.h>
#include <memory>
#include <string>

namespace sheets {

class ZipEntryStream;

// Feeds one zip part to expat in chunks. The owner's handler may suspend the parse (a row is complete) and the next
// parse() resumes where it stopped, so a push parser serves a pull reader without queueing rows. Exceptions thrown
// by the handler are carried across expat's C frames and rethrown from parse().
class XmlPartParser {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        virtual void startElement(const char* name, const char** attributes) = 0;
        virtual void endElement(const char* name) = 0;
        virtual void characters(const char* data, int length) = 0;
    };

    // With namespaces, element and attribute names arrive as "<namespace URI> <local name>".
    XmlPartParser(std::unique_ptr<ZipEntryStream> stream, std::string path, std::string part, Handler& handler,
                  bool namespaces);
    ~XmlPartParser();
    XmlPartParser(const XmlPartParser&) = delete;
    XmlPartParser& operator=(const XmlPartParser&) = delete;

    // Parses until the handler suspends (true) or the part ends (false). Throws platform::Error on malformed XML.
    bool parse();
    // From a handler: stop after the current event; parse() returns true.
    void suspend();
    // Character data goes to the handler only while wanted, which spares a call for every run of text not needed.
    void setWantCharacters(bool want);

    // Parses a whole small document held in memory (workbook, relationships, styles) with the same handler calls.
    static void parseDocument(const std::string& xml, const std::string& path, const std::string& part,
                              Handler& handler, bool namespaces);

private:
    static void onStart(void* self, const XML_Char* name, const XML_Char** attributes);
    static void onEnd(void* self, const XML_Char* name);
    static void onCharacters(void* self, const XML_Char* data, int length);
    static void onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int);
    void fail(std::exception_ptr error);
    [[noreturn]] void throwError();

    std::unique_ptr<ZipEntryStream> m_stream;
    std::string m_path;
    std::string m_part;
    Handler& m_handler;
    XML_Parser m_parser;
    std::exception_ptr m_error;
    bool m_suspended = false;
    bool m_finalFed = false;
    bool m_done = false;
};

} // namespace sheets
