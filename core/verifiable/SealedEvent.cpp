#include "core/verifiable/SealedEvent.h"

#include <QJsonArray>

namespace verifiable {

namespace {

QJsonArray texts(const std::vector<QString>& values) {
    QJsonArray array;
    for (const QString& value : values)
        array.append(value);
    return array;
}

std::vector<QString> textsOf(const QJsonValue& value) {
    std::vector<QString> out;
    for (const QJsonValue& text : value.toArray())
        out.push_back(text.toString());
    return out;
}

std::string hexOf(const QJsonObject& details, const char* key) {
    return details.value(QLatin1String(key)).toString().toStdString();
}

std::int64_t integer(const QJsonValue& value) {
    return static_cast<std::int64_t>(value.toDouble());
}

} // namespace

QJsonObject Seal::details() const {
    if (!on) return {{QStringLiteral("terverifikasi"), false}, {QStringLiteral("waktu"), time}};
    QJsonArray rows;
    for (const PrizeRow& row : prizes)
        rows.append(QJsonArray{static_cast<double>(row.urut), QString::fromStdString(row.hadiah),
                               static_cast<double>(row.jumlah), static_cast<double>(row.perRound)});
    return {{QStringLiteral("terverifikasi"), true},
            {QStringLiteral("L"), QString::fromStdString(participants)},
            {QStringLiteral("Lp"), QString::fromStdString(publicList)},
            {QStringLiteral("P"), QString::fromStdString(plan)},
            {QStringLiteral("R"), QString::fromStdString(ruleText(leaveWinnersOut))},
            {QStringLiteral("participants"), static_cast<double>(count)},
            {QStringLiteral("plan"), rows},
            {QStringLiteral("sources"), QJsonArray::fromStringList(sources)},
            {QStringLiteral("witnesses"), witnesses},
            {QStringLiteral("waktu"), time}};
}

Seal Seal::fromDetails(const QJsonObject& details, std::int64_t entry, const QString& time) {
    Seal seal;
    seal.entry = entry;
    seal.time = details.value(QStringLiteral("waktu")).toString(time);
    seal.on = details.value(QStringLiteral("terverifikasi")).toBool();
    if (!seal.on) return seal;
    seal.participants = hexOf(details, "L");
    seal.publicList = hexOf(details, "Lp");
    seal.plan = hexOf(details, "P");
    seal.leaveWinnersOut = details.value(QStringLiteral("R")).toString().toStdString() == ruleText(true);
    seal.count = static_cast<std::uint64_t>(details.value(QStringLiteral("participants")).toDouble());
    for (const QJsonValue& value : details.value(QStringLiteral("plan")).toArray()) {
        const QJsonArray row = value.toArray();
        seal.prizes.push_back(
            {integer(row.at(0)), row.at(1).toString().toStdString(), integer(row.at(2)), integer(row.at(3))});
    }
    for (const QJsonValue& source : details.value(QStringLiteral("sources")).toArray())
        seal.sources << source.toString();
    seal.witnesses = details.value(QStringLiteral("witnesses")).toInt();
    return seal;
}

QJsonObject FixedKey::details() const {
    return {{QStringLiteral("seal"), static_cast<double>(seal)},
            {QStringLiteral("V"), texts(publicValues)},
            {QStringLiteral("W"), texts(witnessValues)},
            {QStringLiteral("K"), QString::fromLatin1(key.toHex())}};
}

FixedKey FixedKey::fromDetails(const QJsonObject& details, std::int64_t entry, const QString& time) {
    FixedKey fixed;
    fixed.entry = entry;
    fixed.time = time;
    fixed.seal = integer(details.value(QStringLiteral("seal")));
    fixed.publicValues = textsOf(details.value(QStringLiteral("V")));
    fixed.witnessValues = textsOf(details.value(QStringLiteral("W")));
    fixed.key = QByteArray::fromHex(details.value(QStringLiteral("K")).toString().toLatin1());
    return fixed;
}

QString FixedKey::shortKey() const {
    return groupedHex(QString::fromLatin1(key.toHex()));
}

KeyInputs keyInputs(const Seal& seal, std::vector<QString> publicValues, std::vector<QString> witnessValues) {
    return {seal.participants,    seal.publicList,         seal.plan,
            seal.leaveWinnersOut, std::move(publicValues), std::move(witnessValues)};
}

QString groupedHex(const QString& hex, int digits) {
    QStringList groups;
    for (int at = 0; at < digits && at < hex.size(); at += 4)
        groups << hex.mid(at, 4);
    return groups.join(QLatin1Char(' '));
}

} // namespace verifiable
