#include "platform/db/ServerSql.h"

#include "platform/Error.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace db::server {

namespace {

enum class Kind { Space, Comment, Word, Quoted, String, Number, Parameter, Symbol };

struct Token {
    Kind kind;
    std::string_view text;
    bool significant() const { return kind != Kind::Space && kind != Kind::Comment; }
};

bool wordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}
bool wordPart(char c) {
    return wordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$';
}

// Splits SQL into tokens; their texts together are the SQL again.
std::vector<Token> tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    const std::size_t n = sql.size();
    auto add = [&](Kind kind, std::size_t end) {
        tokens.push_back({kind, sql.substr(i, end - i)});
        i = end;
    };
    // The end of a run quoted by `close`, where a doubled `close` stands for itself; the whole rest if unclosed.
    auto quotedEnd = [&](char close) {
        std::size_t j = i + 1;
        while (j < n) {
            if (sql[j] == close) {
                if (j + 1 < n && sql[j + 1] == close) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return n;
    };
    while (i < n) {
        const char c = sql[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            std::size_t j = i;
            while (j < n && std::isspace(static_cast<unsigned char>(sql[j])))
                ++j;
            add(Kind::Space, j);
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            const std::size_t j = sql.find('\n', i);
            add(Kind::Comment, j == std::string_view::npos ? n : j);
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const std::size_t j = sql.find("*/", i + 2);
            add(Kind::Comment, j == std::string_view::npos ? n : j + 2);
        } else if (c == '\'') {
            add(Kind::String, quotedEnd('\''));
        } else if (c == '"' || c == '`') {
            add(Kind::Quoted, quotedEnd(c));
        } else if (c == '[') {
            const std::size_t j = sql.find(']', i);
            add(Kind::Quoted, j == std::string_view::npos ? n : j + 1);
        } else if (wordStart(c)) {
            std::size_t j = i;
            while (j < n && wordPart(sql[j]))
                ++j;
            add(Kind::Word, j);
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
            std::size_t j = i;
            while (j < n && (std::isalnum(static_cast<unsigned char>(sql[j])) || sql[j] == '.' ||
                             ((sql[j] == '+' || sql[j] == '-') && (sql[j - 1] == 'e' || sql[j - 1] == 'E'))))
                ++j;
            add(Kind::Number, j);
        } else if (c == '?') {
            std::size_t j = i + 1;
            while (j < n && std::isdigit(static_cast<unsigned char>(sql[j])))
                ++j;
            add(Kind::Parameter, j);
        } else {
            static constexpr std::string_view twoCharacter[] = {"<=", ">=", "<>", "!=", "==", "||", "<<", ">>"};
            const std::string_view two = sql.substr(i, 2);
            const bool pair =
                std::find(std::begin(twoCharacter), std::end(twoCharacter), two) != std::end(twoCharacter);
            add(Kind::Symbol, i + (pair ? 2 : 1));
        }
    }
    return tokens;
}

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::toupper(c); });
    return out;
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

bool isWord(const Token& token, std::string_view word) {
    return token.kind == Kind::Word && upper(token.text) == word;
}

bool isSymbol(const Token& token, std::string_view symbol) {
    return token.kind == Kind::Symbol && token.text == symbol;
}

bool isIdentifier(const Token& token) {
    return token.kind == Kind::Word || token.kind == Kind::Quoted;
}

// The name an identifier token stands for: a quoted one without its quotes.
std::string identifierName(const Token& token) {
    if (token.kind != Kind::Quoted) return std::string(token.text);
    const char close = token.text.front() == '[' ? ']' : token.text.front();
    std::string name;
    const std::string_view inner = token.text.substr(1, token.text.size() >= 2 ? token.text.size() - 2 : 0);
    for (std::size_t i = 0; i < inner.size(); ++i) {
        name += inner[i];
        if (inner[i] == close && i + 1 < inner.size() && inner[i + 1] == close) ++i;
    }
    return name;
}

// The significant tokens, by index into the whole list.
std::vector<std::size_t> significantOf(const std::vector<Token>& tokens) {
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (tokens[i].significant()) indexes.push_back(i);
    return indexes;
}

bool isRowidWord(const Token& token) {
    if (token.kind != Kind::Word) return false;
    const std::string word = upper(token.text);
    return word == "ROWID" || word == "_ROWID_" || word == "OID";
}

// Whether "IS" before this token compares two values, as the file's IS does with any value ("IS ?", "IS 'x'"),
// rather than asking the server's own questions (IS NULL, IS TRUE, IS DISTINCT FROM, IS NOT ...).
bool comparesByIs(const Token& after) {
    static const std::set<std::string> questions = {"NULL", "NOT", "TRUE", "FALSE", "UNKNOWN", "DISTINCT"};
    return !(after.kind == Kind::Word && questions.count(upper(after.text)));
}

// Names that the server would read as its keywords when left unquoted.
bool isReserved(const std::string& name) {
    static const std::set<std::string> reserved = {
        "all",    "and",     "any",     "array",   "as",         "asc",       "both",    "case",      "cast",
        "check",  "collate", "column",  "create",  "constraint", "default",   "desc",    "distinct",  "do",
        "else",   "end",     "except",  "false",   "for",        "foreign",   "from",    "grant",     "group",
        "having", "in",      "into",    "is",      "join",       "limit",     "not",     "null",      "offset",
        "on",     "or",      "order",   "primary", "references", "returning", "select",  "table",     "then",
        "to",     "true",    "union",   "unique",  "user",       "using",     "when",    "where",     "with",
        "window", "analyse", "analyze", "leading", "trailing",   "only",      "placing", "symmetric", "variadic"};
    return reserved.count(name) != 0;
}

// The server's column type for a type the file declares, by the file's rules of affinity.
std::string serverType(const std::string& declared) {
    const std::string type = upper(declared);
    if (type.find("INT") != std::string::npos) return "BIGINT";
    if (type.find("CHAR") != std::string::npos || type.find("CLOB") != std::string::npos ||
        type.find("TEXT") != std::string::npos || type.empty())
        return "TEXT";
    if (type.find("BLOB") != std::string::npos) return "BYTEA";
    if (type.find("REAL") != std::string::npos || type.find("FLOA") != std::string::npos ||
        type.find("DOUB") != std::string::npos)
        return "DOUBLE PRECISION";
    return "NUMERIC";
}

// Tokens [first, last) as text, with identifiers that name one of `columns` (in any case) written as the server
// keeps them.
std::string rewrittenRange(const std::vector<Token>& tokens, std::size_t first, std::size_t last,
                           const std::map<std::string, std::string>& columns) {
    std::string out;
    for (std::size_t i = first; i < last; ++i) {
        const Token& token = tokens[i];
        if (isIdentifier(token)) {
            const auto column = columns.find(lower(identifierName(token)));
            if (column != columns.end()) {
                out += serverIdentifier(column->second);
                continue;
            }
        }
        if (isSymbol(token, "=="))
            out += '=';
        else
            out += token.text;
    }
    return out;
}

// The index of the ')' that closes the '(' at `open`, or tokens.size().
std::size_t closing(const std::vector<Token>& tokens, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < tokens.size(); ++i) {
        if (isSymbol(tokens[i], "(")) ++depth;
        if (isSymbol(tokens[i], ")") && --depth == 0) return i;
    }
    return tokens.size();
}

// Ranges [first, last) between top-level commas of tokens (first, last).
std::vector<std::pair<std::size_t, std::size_t>> commaSeparated(const std::vector<Token>& tokens, std::size_t first,
                                                                std::size_t last) {
    std::vector<std::pair<std::size_t, std::size_t>> parts;
    int depth = 0;
    std::size_t start = first;
    for (std::size_t i = first; i < last; ++i) {
        if (isSymbol(tokens[i], "(")) ++depth;
        if (isSymbol(tokens[i], ")")) --depth;
        if (depth == 0 && isSymbol(tokens[i], ",")) {
            parts.emplace_back(start, i);
            start = i + 1;
        }
    }
    parts.emplace_back(start, last);
    return parts;
}

bool mentionsTypeof(const std::vector<Token>& tokens, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i < last; ++i)
        if (isWord(tokens[i], "TYPEOF")) return true;
    return false;
}

struct ColumnDefinition {
    std::string name;
    std::string text;
    bool integerKey = false;
};

// One column of a CREATE TABLE or ADD COLUMN: the server's type, the file's type checks left out (the server's types
// are strict), text compared byte by byte as the file compares it.
ColumnDefinition columnDefinition(const std::vector<Token>& tokens, std::size_t first, std::size_t last,
                                  const std::map<std::string, std::string>& columns) {
    static const std::set<std::string> constraintWords = {"CONSTRAINT", "PRIMARY",   "NOT",     "NULL",
                                                          "UNIQUE",     "CHECK",     "DEFAULT", "COLLATE",
                                                          "REFERENCES", "GENERATED", "AS"};
    ColumnDefinition column;
    std::size_t i = first;
    while (i < last && !tokens[i].significant())
        ++i;
    column.name = identifierName(tokens[i++]);
    std::string declared;
    while (i < last) {
        const Token& token = tokens[i];
        if (token.kind == Kind::Word && constraintWords.count(upper(token.text))) break;
        if (isSymbol(token, "(")) {
            i = closing(tokens, i) + 1; // a length (VARCHAR(20)) the server's TEXT does without
            continue;
        }
        if (token.significant()) declared += (declared.empty() ? "" : " ") + upper(token.text);
        ++i;
    }
    const std::string type = serverType(declared);
    std::string constraints;
    bool collated = false;
    bool primaryKey = false;
    while (i < last) {
        const Token& token = tokens[i];
        if (isWord(token, "CHECK")) {
            std::size_t open = i + 1;
            while (open < last && !isSymbol(tokens[open], "("))
                ++open;
            const std::size_t close = closing(tokens, open);
            if (!mentionsTypeof(tokens, open, close)) constraints += rewrittenRange(tokens, i, close + 1, columns);
            i = close + 1;
            continue;
        }
        if (isWord(token, "AUTOINCREMENT")) {
            ++i;
            continue;
        }
        if (isWord(token, "COLLATE")) {
            // The file's BINARY is the server's "C"; its NOCASE and RTRIM have no match and are left out.
            std::size_t name = i + 1;
            while (name < last && !tokens[name].significant())
                ++name;
            if (name < last && upper(identifierName(tokens[name])) == "BINARY") {
                constraints += "COLLATE \"C\"";
                collated = true;
            }
            i = name + 1;
            continue;
        }
        if (isWord(token, "PRIMARY")) primaryKey = true;
        constraints += rewrittenRange(tokens, i, i + 1, columns);
        ++i;
    }
    column.integerKey = primaryKey && declared == "INTEGER";
    column.text = serverIdentifier(column.name) + " " + type;
    if (type == "TEXT" && !collated) column.text += " COLLATE \"C\"";
    const auto trimmed = constraints.find_last_not_of(" \t\r\n");
    if (trimmed != std::string::npos) {
        constraints.erase(trimmed + 1);
        const auto start = constraints.find_first_not_of(" \t\r\n");
        column.text += " " + constraints.substr(start);
    }
    return column;
}

std::size_t nextSignificant(const std::vector<Token>& tokens, std::size_t i) {
    ++i;
    while (i < tokens.size() && !tokens[i].significant())
        ++i;
    return i;
}

Translation createTable(const std::vector<Token>& tokens) {
    Translation result;
    result.changesSchema = true;
    std::size_t open = 0;
    while (open < tokens.size() && !isSymbol(tokens[open], "("))
        ++open;
    if (open == tokens.size()) throw platform::Error("CREATE TABLE without columns is not supported on a server");
    const std::size_t close = closing(tokens, open);
    // The table's name: the last identifier before its columns; IF NOT EXISTS asks whether the server has it.
    std::string head;
    for (std::size_t i = 0; i < open; ++i) {
        head += tokens[i].text;
        if (isIdentifier(tokens[i]) && !isWord(tokens[i], "EXISTS") && !isWord(tokens[i], "TABLE"))
            result.createsIfMissing = identifierName(tokens[i]);
    }
    const bool ifNotExists = upper(head).find("IF NOT EXISTS") != std::string::npos;
    result.table = result.createsIfMissing;
    if (!ifNotExists) result.createsIfMissing.clear();

    static const std::set<std::string> tableConstraints = {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"};
    const auto parts = commaSeparated(tokens, open + 1, close);
    std::map<std::string, std::string> names;
    for (const auto& [first, last] : parts) {
        const std::size_t word = first < last && tokens[first].significant() ? first : nextSignificant(tokens, first);
        if (word < last && !(tokens[word].kind == Kind::Word && tableConstraints.count(upper(tokens[word].text))))
            names[lower(identifierName(tokens[word]))] = identifierName(tokens[word]);
    }
    std::vector<std::string> columns, constraints;
    bool keyed = false;
    for (const auto& [first, last] : parts) {
        const std::size_t word = first < last && tokens[first].significant() ? first : nextSignificant(tokens, first);
        if (word >= last) continue;
        if (tokens[word].kind == Kind::Word && tableConstraints.count(upper(tokens[word].text))) {
            if (!mentionsTypeof(tokens, word, last)) constraints.push_back(rewrittenRange(tokens, word, last, names));
            continue;
        }
        ColumnDefinition column = columnDefinition(tokens, word, last, names);
        if (column.integerKey) result.integerKey = column.name;
        keyed = keyed || column.integerKey;
        columns.push_back(std::move(column.text));
    }
    // Where the file keeps its rowid, the server gets a key column of its own, last, so that an INSERT naming only
    // the file's columns fills it by itself.
    if (!keyed)
        columns.push_back(std::string(TableShape::kHiddenKey) + " BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    result.sql = head;
    const auto headEnd = result.sql.find_last_not_of(" \t\r\n");
    result.sql.erase(headEnd + 1);
    result.sql += " (";
    bool firstPart = true;
    for (const auto* list : {&columns, &constraints})
        for (const std::string& part : *list) {
            result.sql += (firstPart ? "" : ", ") + part;
            firstPart = false;
        }
    result.sql += ")"; // the file's table options (WITHOUT ROWID, STRICT) mean nothing to the server
    return result;
}

Translation alterTable(const std::vector<Token>& tokens, const Shapes& shapes) {
    const std::vector<std::size_t> words = significantOf(tokens);
    // ALTER TABLE name ADD [COLUMN] definition
    if (words.size() < 5 || !isWord(tokens[words[3]], "ADD")) {
        Translation passed;
        passed.changesSchema = true;
        for (const Token& token : tokens)
            passed.sql += token.text;
        return passed;
    }
    const std::string table = identifierName(tokens[words[2]]);
    std::size_t definition = words[4];
    if (isWord(tokens[definition], "COLUMN")) definition = nextSignificant(tokens, definition);
    std::map<std::string, std::string> names;
    if (const TableShape* shape = shapes(table))
        for (const std::string& column : shape->columns)
            names[lower(column)] = column;
    names[lower(identifierName(tokens[definition]))] = identifierName(tokens[definition]);
    Translation result;
    result.changesSchema = true;
    result.sql = "ALTER TABLE " + std::string(tokens[words[2]].text) + " ADD COLUMN " +
                 columnDefinition(tokens, definition, tokens.size(), names).text;
    return result;
}

// The number of row groups after VALUES at the top level: 1 for a single-row INSERT.
int valueRows(const std::vector<Token>& tokens) {
    int depth = 0;
    int rows = 0;
    bool afterValues = false;
    for (const Token& token : tokens) {
        if (depth == 0 && isWord(token, "VALUES")) afterValues = true;
        if (isSymbol(token, "(")) {
            if (depth == 0 && afterValues) ++rows;
            ++depth;
        }
        if (isSymbol(token, ")")) --depth;
    }
    return rows;
}

} // namespace

std::string serverIdentifier(const std::string& name) {
    const bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0])) &&
                       std::all_of(name.begin(), name.end(),
                                   [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; });
    if (plain && !isReserved(name)) return name;
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string integerKeyTrigger(const std::string& table, const std::string& column) {
    auto literal = [](const std::string& text) {
        std::string out = "'";
        for (char c : text)
            out += c == '\'' ? std::string("''") : std::string(1, c);
        return out + "'";
    };
    return "CREATE OR REPLACE FUNCTION tombolika_integer_key() RETURNS trigger LANGUAGE plpgsql AS $key$ "
           "DECLARE next bigint; "
           "BEGIN "
           "IF to_jsonb(NEW) -> TG_ARGV[0] = 'null'::jsonb THEN "
           "PERFORM pg_catalog.pg_advisory_xact_lock(7205, (TG_RELID::bigint % 2147483647)::integer); "
           "EXECUTE format('SELECT coalesce(max(%I), 0) + 1 FROM %I.%I', TG_ARGV[0], TG_TABLE_SCHEMA, TG_TABLE_NAME) "
           "INTO next; "
           "NEW := jsonb_populate_record(NEW, jsonb_build_object(TG_ARGV[0], next)); "
           "END IF; "
           "RETURN NEW; "
           "END $key$; "
           "CREATE TRIGGER " +
           serverIdentifier(table + "_key") + " BEFORE INSERT ON " + serverIdentifier(table) +
           " FOR EACH ROW EXECUTE FUNCTION tombolika_integer_key(" + literal(column) + ")";
}

std::vector<std::string> statementsOf(std::string_view sql) {
    std::vector<std::string> statements;
    std::string current;
    bool any = false;
    for (const Token& token : tokenize(sql)) {
        if (isSymbol(token, ";")) {
            if (any) statements.push_back(current);
            current.clear();
            any = false;
            continue;
        }
        if (!token.significant() && !any) continue; // leading space and comments
        current += token.text;
        any = any || token.significant();
    }
    if (any) statements.push_back(current);
    for (std::string& statement : statements)
        statement.erase(statement.find_last_not_of(" \t\r\n") + 1);
    return statements;
}

Translation translate(std::string_view sql, const Shapes& shapes) {
    const std::vector<Token> tokens = tokenize(sql);
    const std::vector<std::size_t> words = significantOf(tokens);
    Translation result;
    if (words.empty()) return result;
    const std::string verb = upper(tokens[words[0]].text);
    if (verb == "PRAGMA") throw platform::Error("PRAGMA is not understood by a database server: " + std::string(sql));
    if (verb == "BEGIN") {
        result.sql = "BEGIN"; // IMMEDIATE, DEFERRED, EXCLUSIVE: a server locks rows as they are written
        return result;
    }
    if (verb == "CREATE" && words.size() > 1 &&
        (isWord(tokens[words[1]], "TABLE") ||
         (words.size() > 2 && (isWord(tokens[words[1]], "TEMP") || isWord(tokens[words[1]], "TEMPORARY")) &&
          isWord(tokens[words[2]], "TABLE"))))
        return createTable(tokens);
    if (verb == "ALTER" && words.size() > 1 && isWord(tokens[words[1]], "TABLE")) return alterTable(tokens, shapes);

    // The tables the statement names, the first being the one its rowid and * belong to.
    static const std::set<std::string> beforeTable = {"FROM", "INTO", "UPDATE", "JOIN", "TABLE"};
    std::vector<const TableShape*> named;
    for (std::size_t w = 0; w + 1 < words.size(); ++w) {
        const Token& token = tokens[words[w]];
        const bool introduces = token.kind == Kind::Word && (beforeTable.count(upper(token.text)) ||
                                                             (verb == "CREATE" && upper(token.text) == "ON"));
        if (introduces && isIdentifier(tokens[words[w + 1]]))
            if (const TableShape* shape = shapes(identifierName(tokens[words[w + 1]]))) named.push_back(shape);
    }
    const TableShape* table = named.empty() ? nullptr : named.front();
    std::map<std::string, std::string> columns;
    for (const TableShape* shape : named)
        for (const std::string& column : shape->columns)
            columns.emplace(lower(column), column);

    int nextParameter = 0;
    bool returning = false;
    std::size_t skipped = tokens.size();
    for (std::size_t w = 0; w < words.size(); ++w) {
        const std::size_t i = words[w];
        const Token& token = tokens[i];
        const Token* before = w > 0 ? &tokens[words[w - 1]] : nullptr;
        const Token* after = w + 1 < words.size() ? &tokens[words[w + 1]] : nullptr;
        // What lies between this token and the one before is copied as it is.
        const std::size_t from = w > 0 ? words[w - 1] + 1 : 0;
        for (std::size_t k = from; k < i; ++k)
            result.sql += tokens[k].text;
        if (token.kind == Kind::Parameter) {
            const int number = token.text.size() > 1 ? std::stoi(std::string(token.text.substr(1))) : nextParameter + 1;
            nextParameter = std::max(nextParameter, number);
            result.sql += "$" + std::to_string(number);
        } else if (isWord(token, "IS") && after && comparesByIs(*after)) {
            result.sql += "IS NOT DISTINCT FROM";
        } else if (isWord(token, "IS") && after && isWord(*after, "NOT") && w + 2 < words.size() &&
                   comparesByIs(tokens[words[w + 2]])) {
            result.sql += "IS DISTINCT FROM";
            skipped = words[w + 1];
        } else if (i == skipped) {
            // the NOT of "IS NOT ?", said above
        } else if (isRowidWord(token) && table && !(before && isSymbol(*before, "."))) {
            result.sql += table->hiddenKey() ? std::string(TableShape::kHiddenKey) : serverIdentifier(table->key);
        } else if (isIdentifier(token) && columns.count(lower(identifierName(token))) &&
                   !(after && isSymbol(*after, "("))) {
            result.sql += serverIdentifier(columns.at(lower(identifierName(token))));
        } else if (isSymbol(token, "*") && table && before && after &&
                   (isWord(*before, "SELECT") || isWord(*before, "DISTINCT") || isSymbol(*before, ",")) &&
                   (isWord(*after, "FROM") || isSymbol(*after, ","))) {
            std::string list;
            for (const std::string& column : table->columns)
                if (!(table->hiddenKey() && column == TableShape::kHiddenKey))
                    list += (list.empty() ? "" : ", ") + serverIdentifier(column);
            result.sql += list;
        } else if (isSymbol(token, "==")) {
            result.sql += "=";
        } else {
            if (isWord(token, "RETURNING")) returning = true;
            result.sql += token.text;
        }
    }
    for (std::size_t k = words.back() + 1; k < tokens.size(); ++k)
        result.sql += tokens[k].text;
    result.parameters = nextParameter;
    result.returnsRows = verb == "SELECT" || verb == "WITH" || verb == "VALUES";
    result.changesSchema = verb == "CREATE" || verb == "ALTER" || verb == "DROP";
    if (verb == "INSERT" && !returning && table && valueRows(tokens) == 1) {
        while (!result.sql.empty() &&
               (std::isspace(static_cast<unsigned char>(result.sql.back())) || result.sql.back() == ';'))
            result.sql.pop_back();
        result.sql +=
            " RETURNING " + (table->hiddenKey() ? std::string(TableShape::kHiddenKey) : serverIdentifier(table->key));
        result.returnsNewKey = true;
    }
    return result;
}

} // namespace db::server
