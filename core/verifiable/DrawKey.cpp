#include "core/verifiable/DrawKey.h"

#include "core/record/Fingerprint.h"
#include "core/verifiable/ParticipantList.h"
#include "platform/Error.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <algorithm>
#include <array>
#include <optional>

namespace verifiable {

namespace {

constexpr std::string_view kMethod = "tombolika-undian/1";

bool isWhiteSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0d) || c == 0x20 || c == 0x85 || c == 0xa0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200a) || c == 0x2028 || c == 0x2029 || c == 0x202f || c == 0x205f || c == 0x3000;
}

template <typename Number> std::array<char, sizeof(Number)> bigEndian(Number value) {
    std::array<char, sizeof(Number)> bytes{};
    for (std::size_t at = bytes.size(); at-- > 0; value >>= 8)
        bytes[at] = static_cast<char>(value & 0xff);
    return bytes;
}

std::uint64_t firstEightBytes(const QByteArray& digest) {
    std::uint64_t x = 0;
    for (int at = 0; at < 8; ++at)
        x = (x << 8) | static_cast<unsigned char>(digest[at]);
    return x;
}

std::vector<std::string> normalizedValues(const std::vector<QString>& typed, const char* kind) {
    std::vector<std::string> values;
    for (const QString& value : typed) {
        const QString normalized = normalizedValue(value);
        if (normalized.isEmpty())
            throw platform::Error(std::string(kind) + " value " + std::to_string(values.size() + 1) + " is empty");
        values.push_back(normalized.toStdString());
    }
    return values;
}

} // namespace

QString normalizedValue(const QString& typed) {
    QString out;
    out.reserve(typed.size());
    bool space = false;
    for (const QChar c : typed) {
        if (isWhiteSpace(c.unicode())) {
            space = !out.isEmpty();
            continue;
        }
        if (space) out += QLatin1Char(' ');
        space = false;
        out += c;
    }
    return out;
}

std::string ruleText(bool leaveWinnersOut) {
    return leaveWinnersOut ? "pemenang_tidak_diundi_lagi=1" : "pemenang_tidak_diundi_lagi=0";
}

std::string publicListFingerprint(const ParticipantList& participants) {
    record::Fingerprint fingerprint;
    for (std::size_t rank = 0; rank < participants.size(); ++rank) {
        const std::string id = std::to_string(participants.id(rank));
        const std::optional<std::string> number = participants.number(rank);
        const std::optional<std::string_view> fields[] = {id, number ? std::optional<std::string_view>(*number)
                                                                     : std::nullopt};
        fingerprint.addRow(fields);
    }
    return fingerprint.result().sha256;
}

std::string planFingerprint(std::span<const PrizeRow> plan) {
    std::vector<PrizeRow> rows(plan.begin(), plan.end());
    std::sort(rows.begin(), rows.end(), [](const PrizeRow& a, const PrizeRow& b) { return a.urut < b.urut; });
    record::Fingerprint fingerprint;
    for (const PrizeRow& row : rows) {
        const std::string urut = std::to_string(row.urut);
        const std::string jumlah = std::to_string(row.jumlah);
        const std::string perRound = std::to_string(row.perRound);
        const std::optional<std::string_view> fields[] = {urut, row.hadiah, jumlah, perRound};
        fingerprint.addRow(fields);
    }
    return fingerprint.result().sha256;
}

QByteArray drawKey(const KeyInputs& inputs) {
    const auto& publicValues = inputs.publicValues;
    if (publicValues.empty() || publicValues.size() > kMaxPublicValues)
        throw platform::Error("A keyed draw takes 1 to " + std::to_string(kMaxPublicValues) + " public values, not " +
                              std::to_string(publicValues.size()));
    if (inputs.witnessValues.size() > kMaxWitnessValues)
        throw platform::Error("A keyed draw takes at most " + std::to_string(kMaxWitnessValues) +
                              " witness values, not " + std::to_string(inputs.witnessValues.size()));
    const std::vector<std::string> v = normalizedValues(publicValues, "Public");
    const std::vector<std::string> w = normalizedValues(inputs.witnessValues, "Witness");
    const std::string rule = ruleText(inputs.leaveWinnersOut);
    const std::string m = std::to_string(v.size());
    const std::string wCount = std::to_string(w.size());

    std::vector<std::optional<std::string_view>> fields = {
        kMethod, inputs.participants, inputs.publicList, inputs.plan, rule, m};
    fields.insert(fields.end(), v.begin(), v.end());
    fields.push_back(wCount);
    fields.insert(fields.end(), w.begin(), w.end());
    const std::string row = record::Fingerprint::rowBytes(fields);
    return QCryptographicHash::hash(QByteArrayView(row.data(), static_cast<qsizetype>(row.size())),
                                    QCryptographicHash::Sha256);
}

KeyedRank keyedRank(const QByteArray& key, std::uint64_t i, std::uint64_t n) {
    if (n == 0) throw platform::Error("A keyed pick needs at least one participant to pick from");
    // 2^64 mod n, in 64-bit arithmetic: (2^64 - n) mod n.
    const std::uint64_t leftOver = (0 - n) % n;
    const auto number = bigEndian(i);
    QMessageAuthenticationCode code(QCryptographicHash::Sha256, key);
    for (std::uint32_t c = 0;; ++c) {
        code.reset();
        code.addData(number.data(), static_cast<qsizetype>(number.size()));
        const auto counter = bigEndian(c);
        code.addData(counter.data(), static_cast<qsizetype>(counter.size()));
        const std::uint64_t x = firstEightBytes(code.result());
        // x below 2^64 - leftOver, written so that nothing overflows when leftOver is 0.
        if (x <= UINT64_MAX - leftOver) return {x % n, c};
    }
}

} // namespace verifiable
