#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sheets {

class ZipEntryStream;

// A small pull tokenizer for the big xlsx parts (worksheet, shared strings), fed from the zip in chunks. Expat needs
// about 10 ns a byte on a worksheet; these parts use a tiny part of XML (elements, attributes, the five entities,
// character references, comments, CDATA), so scanning them directly is several times faster. It checks that end
// tags match, refuses document types and parts without any element, and names the part and byte offset in its
// errors.
class XmlScanner {
public:
    enum class Token { Start, End, Eof };

    XmlScanner(std::unique_ptr<ZipEntryStream> stream, std::string path, std::string part);
    ~XmlScanner();

    // The next start or end tag. A self-closing tag gives Start and then End. Text between tags is skipped unless
    // collectText was set: then it is decoded and appended to that string.
    Token next();
    // Local name of the current tag ("x:row" -> "row"); valid until the next call.
    std::string_view name() const { return m_name; }
    // Its name as written, prefix and all ("x:row").
    std::string_view qualifiedName() const { return m_qualified; }
    // Attribute of the current start tag by local name, entity references decoded; false when absent.
    bool attribute(std::string_view local, std::string_view& value);
    // The current start tag's attributes one by one: the name as written, and the value with entity references
    // decoded (valid until the next value asked for).
    std::size_t attributeCount() const { return m_attributes.size(); }
    std::string_view attributeName(std::size_t index) const { return m_attributes[index].qualified; }
    std::string_view attributeValue(std::size_t index);
    // Appends the text that follows (until the next tag) to text, or stops collecting (nullptr). Past limit bytes
    // the rest is dropped (the caller sees text longer than it allows and refuses it), so memory stays bounded.
    void collectText(std::string* text, std::size_t limit = SIZE_MAX) {
        m_text = text;
        m_textLimit = limit;
    }

private:
    bool fill(std::size_t keepFrom);
    bool parseTag();
    void skipText();
    void appendText();
    void skipPast(std::string_view terminator, std::string* keep);
    [[noreturn]] void fail(const std::string& what) const;
    std::size_t decodeEntity(std::size_t at, std::string& out);
    void appendReference(std::string_view entity, std::string& out) const;

    std::unique_ptr<ZipEntryStream> m_stream;
    std::string m_path;
    std::string m_part;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    std::int64_t m_consumed = 0; // bytes dropped from the front of the buffer, for error offsets

    struct Attribute {
        std::string_view qualified;
        std::string_view local;
        std::string_view raw;
    };
    std::string_view decoded(std::string_view raw);

    std::string_view m_name;
    std::string_view m_qualified;
    std::vector<Attribute> m_attributes;
    std::string m_decoded;
    bool m_pendingEnd = false;
    bool m_sawElement = false;
    std::vector<std::string> m_open;
    std::size_t m_depth = 0;
    std::string* m_text = nullptr;
    std::size_t m_textLimit = SIZE_MAX;
};

} // namespace sheets
