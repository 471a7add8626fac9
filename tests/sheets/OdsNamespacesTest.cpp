// An ods names its elements by namespace, whatever prefixes its writer bound to them: the same table read through
// other prefixes, the default namespace or a prefix bound anew inside it is read as the namespaces say.
#include "platform/sheets/WorkbookReader.h"
#include "tests/sheets/TestFiles.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

using sheets::test::readAll;
using sheets::test::Rows;

constexpr const char* kTableUri = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr const char* kOfficeUri = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr const char* kTextUri = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";

struct NamespaceCase {
    const char* name;
    std::string content; // the whole content.xml
    Rows rows;
};
void PrintTo(const NamespaceCase& c, std::ostream* os) {
    *os << c.name;
}

// content.xml with the usual namespaces bound to the given prefixes, around body (the children of the first table).
std::string content(const std::string& table, const std::string& office, const std::string& text,
                    const std::string& body) {
    const auto tag = [](const std::string& prefix, const std::string& local) {
        return prefix.empty() ? local : prefix + ":" + local;
    };
    const auto bind = [](const std::string& prefix, const char* uri) {
        return std::string(" xmlns") + (prefix.empty() ? "" : ":" + prefix) + "=\"" + uri + "\"";
    };
    return "<" + tag(office, "document-content") + bind(office, kOfficeUri) + bind(table, kTableUri) +
           bind(text, kTextUri) + "><" + tag(office, "body") + "><" + tag(office, "spreadsheet") + "><" +
           tag(table, "table") + ">" + body + "</" + tag(table, "table") + "></" + tag(office, "spreadsheet") + "></" +
           tag(office, "body") + "></" + tag(office, "document-content") + ">";
}

// Two rows, spelled with the given prefixes.
std::string rows(const std::string& t, const std::string& o, const std::string& x) {
    const auto p = [](const std::string& prefix) { return prefix.empty() ? std::string() : prefix + ":"; };
    return "<" + p(t) + "table-row><" + p(t) + "table-cell " + p(o) + "value-type=\"float\" " + p(o) + "value=\"1\"><" +
           p(x) + "p>1</" + p(x) + "p></" + p(t) + "table-cell><" + p(t) + "table-cell " + p(o) +
           "value-type=\"string\"><" + p(x) + "p>Budi</" + p(x) + "p></" + p(t) + "table-cell></" + p(t) +
           "table-row><" + p(t) + "table-row><" + p(t) + "table-cell><" + p(x) + "p>2</" + p(x) + "p></" + p(t) +
           "table-cell></" + p(t) + "table-row>";
}

const Rows kTwoRows = {{"1", "Budi"}, {"2"}};

class OdsNamespaces : public ::testing::TestWithParam<NamespaceCase> {};

TEST_P(OdsNamespaces, ReadAsTheNamespacesSay) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("book.ods").toStdString();
    sheets::test::writeZip(
        path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", GetParam().content}});
    EXPECT_EQ(readAll(path), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OdsNamespaces,
    ::testing::Values(
        NamespaceCase{"UsualPrefixes", content("table", "office", "text", rows("table", "office", "text")), kTwoRows},
        NamespaceCase{"OtherPrefixes", content("t", "o", "x", rows("t", "o", "x")), kTwoRows},
        NamespaceCase{"TableAsDefaultNamespace", content("", "office", "text", rows("", "office", "text")), kTwoRows},
        // Bound again further in, on the element that uses it.
        NamespaceCase{"PrefixBoundOnTheRow",
                      content("table", "office", "text",
                              std::string("<r:table-row xmlns:r=\"") + kTableUri +
                                  "\"><r:table-cell><text:p>7</text:p></r:table-cell></r:table-row>"),
                      {{"7"}}},
        // The prefix "table" bound to another namespace: those are not rows of the table.
        NamespaceCase{"PrefixBoundToAnotherNamespace",
                      content("table", "office", "text",
                              "<table:table-row><table:table-cell><text:p>1</text:p></table:table-cell>"
                              "</table:table-row><other xmlns:table=\"urn:example:other\"><table:table-row>"
                              "<table:table-cell><text:p>no</text:p></table:table-cell></table:table-row></other>"
                              "<table:table-row><table:table-cell><text:p>2</text:p></table:table-cell>"
                              "</table:table-row>"),
                      {{"1"}, {"2"}}},
        // A paragraph's text around its spans, spaces and a note: in order, without the note.
        NamespaceCase{"TextAroundItsParts",
                      content("table", "office", "text",
                              "<table:table-row><table:table-cell><text:p>a<text:span>b</text:span><text:s "
                              "text:c=\"2\"/>c<office:annotation><text:p>note</text:p></office:annotation>d"
                              "</text:p></table:table-cell></table:table-row>"),
                      {{"ab  cd"}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
