#include "platform/sheets/XmlScanner.h"

#include "platform/sheets/ReadError.h"
#include "platform/sheets/Utf8.h"
#include "platform/sheets/ZipEntryStream.h"

#include <algorithm>
#include <cstring>

namespace sheets {

namespace {

constexpr std::size_t kChunkBytes = 512 * 1024;
// A single tag (name and attributes) longer than this is not a workbook's.
constexpr std::size_t kMaxTagBytes = 4 * 1024 * 1024;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Names are a few characters long: plain loops beat the library's calls here, which run for every tag.
inline std::string_view localOf(std::string_view name) {
    for (std::size_t i = name.size(); i > 0; --i)
        if (name[i - 1] == ':') return name.substr(i);
    return name;
}

inline bool sameName(std::string_view open, std::string_view name) {
    if (open.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (open[i] != name[i]) return false;
    return true;
}

// Text with XML's line-end rule: CR LF and a lone CR both become LF.
void appendNormalised(std::string& out, const char* data, std::size_t length) {
    // A cell's text is a few bytes long: a plain loop finds no CR sooner than the library's call does.
    const bool hasCr = length < 64 ? std::find(data, data + length, '\r') != data + length
                                   : std::memchr(data, '\r', length) != nullptr;
    if (!hasCr) {
        out.append(data, length);
        return;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (data[i] == '\r') {
            out += '\n';
            if (i + 1 < length && data[i + 1] == '\n') ++i;
        } else {
            out += data[i];
        }
    }
}

} // namespace

XmlScanner::XmlScanner(std::unique_ptr<ZipEntryStream> stream, std::string path, std::string part)
    : m_stream(std::move(stream)), m_path(std::move(path)), m_part(std::move(part)), m_buffer(kChunkBytes) {}

XmlScanner::~XmlScanner() = default;

void XmlScanner::fail(const std::string& what) const {
    damagedPart(m_path, m_part, what + " at byte " + std::to_string(m_consumed + static_cast<std::int64_t>(m_pos)));
}

bool XmlScanner::fill(std::size_t keepFrom) {
    if (m_eof) return false;
    if (keepFrom > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + keepFrom, m_end - keepFrom);
        m_end -= keepFrom;
        m_pos -= keepFrom;
        m_consumed += static_cast<std::int64_t>(keepFrom);
    }
    if (m_end + kChunkBytes / 2 > m_buffer.size()) {
        if (m_buffer.size() >= kMaxTagBytes)
            fail("a tag longer than " + std::to_string(kMaxTagBytes / (1024 * 1024)) + " MB");
        m_buffer.resize(m_buffer.size() * 2);
    }
    const std::size_t n = m_stream->read(m_buffer.data() + m_end, m_buffer.size() - m_end);
    if (n == 0) {
        m_eof = true;
        return false;
    }
    m_end += n;
    return true;
}

void XmlScanner::skipText() {
    if (m_pos < m_end && m_buffer[m_pos] == '<') // the common case: tags back to back
        return;
    for (;;) {
        const void* lt = std::memchr(m_buffer.data() + m_pos, '<', m_end - m_pos);
        if (lt) {
            m_pos = static_cast<std::size_t>(static_cast<const char*>(lt) - m_buffer.data());
            return;
        }
        m_pos = m_end;
        if (!fill(m_end)) return;
    }
}

std::size_t XmlScanner::decodeEntity(std::size_t at, std::string& out) {
    // at is on '&'; returns the position after ';', or 0 when the buffer ends first.
    const char* begin = m_buffer.data() + at + 1;
    const std::size_t available = m_end - at - 1;
    const void* semicolon = std::memchr(begin, ';', available < 12 ? available : 12);
    if (!semicolon) {
        if (available < 12 && !m_eof) return 0;
        fail("an unterminated entity reference");
    }
    const std::string_view entity(begin, static_cast<std::size_t>(static_cast<const char*>(semicolon) - begin));
    appendReference(entity, out);
    return at + 1 + entity.size() + 1;
}

void XmlScanner::appendReference(std::string_view entity, std::string& out) const {
    // The five predefined entities and character references; a workbook part declares no others.
    if (entity == "lt")
        out += '<';
    else if (entity == "gt")
        out += '>';
    else if (entity == "amp")
        out += '&';
    else if (entity == "quot")
        out += '"';
    else if (entity == "apos")
        out += '\'';
    else if (entity.size() >= 2 && entity[0] == '#') {
        std::uint32_t code = 0;
        const bool hex = entity[1] == 'x';
        const std::string_view digits = entity.substr(hex ? 2 : 1);
        if (digits.empty()) fail("a bad character reference");
        for (char c : digits) {
            std::uint32_t d;
            if (c >= '0' && c <= '9')
                d = static_cast<std::uint32_t>(c - '0');
            else if (hex && c >= 'a' && c <= 'f')
                d = static_cast<std::uint32_t>(c - 'a' + 10);
            else if (hex && c >= 'A' && c <= 'F')
                d = static_cast<std::uint32_t>(c - 'A' + 10);
            else
                fail("a bad character reference");
            code = code * (hex ? 16 : 10) + d;
            if (code > 0x10FFFF) fail("a bad character reference");
        }
        if (code == 0 || (code >= 0xD800 && code <= 0xDFFF)) fail("a bad character reference");
        appendUtf8(out, code);
    } else {
        fail("an unknown entity &" + std::string(entity) + ";");
    }
}

void XmlScanner::appendText() {
    std::string& out = *m_text;
    for (;;) {
        const char* data = m_buffer.data();
        std::size_t stop = m_pos;
        while (stop < m_end && data[stop] != '<')
            ++stop;
        const bool lt = stop < m_end;
        while (m_pos < stop) {
            std::size_t plain = m_pos;
            while (plain < stop && data[plain] != '&')
                ++plain;
            if (out.size() <= m_textLimit)
                appendNormalised(out, data + m_pos, std::min(plain - m_pos, m_textLimit + 1 - out.size()));
            m_pos = plain;
            if (m_pos < stop) {
                const std::size_t after = decodeEntity(m_pos, out);
                if (after == 0) break; // the reference runs past the buffer: refill and continue from the '&'
                m_pos = after;
            }
        }
        if (lt && m_pos == stop) return;
        if (!fill(m_pos)) return;
    }
}

void XmlScanner::skipPast(std::string_view terminator, std::string* keep) {
    for (;;) {
        const std::string_view window(m_buffer.data() + m_pos, m_end - m_pos);
        const std::size_t found = window.find(terminator);
        if (found != std::string_view::npos) {
            if (keep) keep->append(window.data(), found);
            m_pos += found + terminator.size();
            return;
        }
        // Keep the tail that could be the start of the terminator.
        const std::size_t keepTail = terminator.size() - 1;
        const std::size_t consumed = window.size() > keepTail ? window.size() - keepTail : 0;
        if (keep) keep->append(window.data(), consumed);
        m_pos += consumed;
        if (!fill(m_pos)) fail("an unterminated comment, CDATA section or declaration");
    }
}

bool XmlScanner::parseTag() {
    // m_pos is on '<' of a start tag. Returns false when the buffer ends inside the tag (the caller refills).
    const char* data = m_buffer.data();
    std::size_t p = m_pos + 1;
    const std::size_t nameStart = p;
    while (p < m_end && !isSpace(data[p]) && data[p] != '>' && data[p] != '/')
        ++p;
    if (p >= m_end) return false;
    if (p == nameStart) fail("a tag without a name");
    const std::string_view qualified(data + nameStart, p - nameStart);
    m_attributes.clear();
    for (;;) {
        while (p < m_end && isSpace(data[p]))
            ++p;
        if (p >= m_end) return false;
        if (data[p] == '>') {
            m_pos = p + 1;
            break;
        }
        if (data[p] == '/') {
            if (p + 1 >= m_end) return false;
            if (data[p + 1] != '>') fail("a malformed tag");
            m_pos = p + 2;
            m_pendingEnd = true;
            break;
        }
        const std::size_t attrStart = p;
        while (p < m_end && !isSpace(data[p]) && data[p] != '=' && data[p] != '>' && data[p] != '/')
            ++p;
        const std::size_t attrEnd = p;
        while (p < m_end && isSpace(data[p]))
            ++p;
        if (p >= m_end) return false;
        if (data[p] != '=' || attrEnd == attrStart) fail("a malformed attribute");
        ++p;
        while (p < m_end && isSpace(data[p]))
            ++p;
        if (p >= m_end) return false;
        const char quote = data[p];
        if (quote != '"' && quote != '\'') fail("an attribute value without quotes");
        // Values are short ("A1", "s"): a plain loop beats memchr's setup.
        std::size_t valueEnd = p + 1;
        while (valueEnd < m_end && data[valueEnd] != quote)
            ++valueEnd;
        if (valueEnd >= m_end) return false;
        const std::string_view attributeName(data + attrStart, attrEnd - attrStart);
        m_attributes.push_back(
            {attributeName, localOf(attributeName), std::string_view(data + p + 1, valueEnd - p - 1)});
        p = valueEnd + 1;
    }
    m_qualified = qualified;
    m_name = localOf(qualified);
    m_sawElement = true;
    if (!m_pendingEnd) {
        if (m_depth == m_open.size()) m_open.emplace_back();
        std::string& open = m_open[m_depth++];
        if (!sameName(open, qualified)) open.assign(qualified); // mostly the same tag as last time at this depth
    }
    return true;
}

XmlScanner::Token XmlScanner::next() {
    if (m_pendingEnd) {
        m_pendingEnd = false;
        return Token::End;
    }
    for (;;) {
        if (m_text)
            appendText();
        else
            skipText();
        if (m_pos >= m_end && !fill(m_pos)) {
            if (m_depth != 0) fail("the part ends before its elements are closed");
            // A part without any element (nothing at all, as a writer that failed leaves it) is not an empty sheet.
            if (!m_sawElement) damagedPart(m_path, m_part, "it holds no XML element");
            return Token::Eof;
        }
        // On '<': make sure the longest opener we look at ("<![CDATA[") is in the buffer.
        while (m_end - m_pos < 9 && fill(m_pos)) {
        }
        const char* data = m_buffer.data() + m_pos;
        const std::size_t available = m_end - m_pos;
        if (available < 2) fail("the part ends inside a tag");
        if (data[1] == '?') {
            skipPast("?>", nullptr);
            continue;
        }
        if (data[1] == '!') {
            if (available >= 4 && std::memcmp(data, "<!--", 4) == 0) {
                m_pos += 4;
                skipPast("-->", nullptr);
            } else if (available >= 9 && std::memcmp(data, "<![CDATA[", 9) == 0) {
                m_pos += 9;
                std::string cdata;
                skipPast("]]>", m_text ? &cdata : nullptr);
                if (m_text) appendNormalised(*m_text, cdata.data(), cdata.size());
            } else {
                // A workbook's part never declares one; one that does is after entity expansion tricks.
                cannotRead(m_path, "its part " + m_part + " declares a document type");
            }
            continue;
        }
        if (data[1] == '/') {
            for (;;) {
                const char* gt = m_buffer.data() + m_pos;
                const char* bufferEnd = m_buffer.data() + m_end;
                while (gt < bufferEnd && *gt != '>')
                    ++gt;
                if (gt < bufferEnd) {
                    const char* begin = m_buffer.data() + m_pos + 2;
                    std::string_view qualified(begin, static_cast<std::size_t>(gt - begin));
                    while (!qualified.empty() && isSpace(qualified.back()))
                        qualified.remove_suffix(1);
                    if (m_depth == 0 || !sameName(m_open[m_depth - 1], qualified))
                        fail("an end tag that does not match its start tag");
                    --m_depth;
                    m_qualified = qualified;
                    m_name = localOf(qualified);
                    m_pos = static_cast<std::size_t>(gt - m_buffer.data()) + 1;
                    return Token::End;
                }
                if (!fill(m_pos)) fail("the part ends inside a tag");
            }
        }
        while (!parseTag())
            if (!fill(m_pos)) fail("the part ends inside a tag");
        return Token::Start;
    }
}

bool XmlScanner::attribute(std::string_view local, std::string_view& value) {
    for (const Attribute& attribute : m_attributes) {
        if (!sameName(attribute.local, local)) continue; // names of one or two letters: no library call
        value = decoded(attribute.raw);
        return true;
    }
    return false;
}

std::string_view XmlScanner::attributeValue(std::size_t index) {
    return decoded(m_attributes[index].raw);
}

std::string_view XmlScanner::decoded(std::string_view raw) {
    if (raw.find('&') == std::string_view::npos) return raw;
    m_decoded.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            m_decoded += raw[i];
            continue;
        }
        const std::size_t semicolon = raw.find(';', i);
        if (semicolon == std::string_view::npos) fail("an unterminated entity reference");
        appendReference(raw.substr(i + 1, semicolon - i - 1), m_decoded);
        i = semicolon;
    }
    return m_decoded;
}

} // namespace sheets
