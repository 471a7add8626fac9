#include "core/record/EntryHash.h"

#include "core/record/Fingerprint.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <optional>

namespace record {

std::string entryHash(std::string_view previousHex, std::int64_t seq, std::string_view time, std::string_view kind,
                      std::string_view details) {
    const std::string number = std::to_string(seq);
    const std::optional<std::string_view> fields[] = {number, time, kind, details};
    const std::string bytes = Fingerprint::rowBytes(fields);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::fromHex(QByteArray(previousHex.data(), static_cast<qsizetype>(previousHex.size()))));
    hash.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return hash.result().toHex().toStdString();
}

} // namespace record
