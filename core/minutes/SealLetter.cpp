#include "core/minutes/SealLetter.h"

#include "core/minutes/Document.h"
#include "core/verifiable/PublicList.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

// The letter is printed in the look of the program's documents.
using document::escaped;
using document::grouped;
using document::kIndonesian;
using document::Tables;

// Where the reader finds the method and its script: beside the record's documentation when installed.
QString methodDocument(const Minutes::Header& header) {
    if (header.documentation.isEmpty()) return QStringLiteral("docs/verifiable-draw.md");
    return QDir::toNativeSeparators(
        QFileInfo(header.documentation).dir().filePath(QStringLiteral("verifiable-draw.md")));
}

QString fingerprintLine(const QString& what, const std::string& hex) {
    return QStringLiteral("<p>%1:<br/>%2</p>").arg(what, grouped(QString::fromStdString(hex)));
}

QString participantsHtml(const verifiable::Seal& seal, Tables& tables) {
    QString html = tables.section(1, QStringLiteral("Daftar peserta"), false);
    html += QStringLiteral("<p>Jumlah peserta: %1. Peserta diurutkan menurut ID, dari yang terkecil.</p>")
                .arg(kIndonesian.toString(static_cast<qulonglong>(seal.count)));
    html += fingerprintLine(QStringLiteral("Sidik jari daftar peserta <b>L</b> (SHA-256 atas keempat kolom: ID, "
                                           "nomor undian, nama, nomor HP)"),
                            seal.participants);
    html += fingerprintLine(
        QStringLiteral("Sidik jari daftar publik <b>Lp</b> (kolom ID dan nomor undian saja; tertulis di baris pertama "
                       "berkas daftar publik %1, yang diumumkan bersama surat ini)")
            .arg(escaped(verifiable::publicListFileName(seal.publicList))),
        seal.publicList);
    return html;
}

QString planHtml(const verifiable::Seal& seal, Tables& tables) {
    QString html = tables.section(2, QStringLiteral("Daftar hadiah"), true);
    QList<QStringList> rows;
    for (const verifiable::PrizeRow& prize : seal.prizes)
        rows << QStringList{QString::number(prize.urut), escaped(QString::fromStdString(prize.hadiah)),
                            QString::number(prize.jumlah), QString::number(prize.perRound)};
    html += tables.table({QStringLiteral("Urut"), QStringLiteral("Hadiah"), QStringLiteral("Jumlah pemenang"),
                          QStringLiteral("Per putaran")},
                         rows, {10, 54, 18, 18});
    html += fingerprintLine(QStringLiteral("Sidik jari daftar hadiah <b>P</b>"), seal.plan);
    return html;
}

QString ruleHtml(const verifiable::Seal& seal, Tables& tables) {
    QString html = tables.section(3, QStringLiteral("Aturan pemenang"), false);
    html +=
        QStringLiteral("<p><b>R</b> = <span class=\"hash\">%1</span>: %2</p>")
            .arg(QString::fromStdString(verifiable::ruleText(seal.leaveWinnersOut)),
                 seal.leaveWinnersOut
                     ? QStringLiteral("peserta yang sudah terundi untuk suatu hadiah tidak diundi lagi untuk hadiah "
                                      "mana pun (\"Pemenang tidak diundi lagi\" aktif).")
                     : QStringLiteral("peserta yang sudah terundi untuk suatu hadiah tidak diundi lagi untuk hadiah "
                                      "itu, tetapi tetap dapat memenangkan hadiah lain."));
    html += QStringLiteral("<p>Hanya pemenang undian yang disegel ini yang dikeluarkan. Pemenang yang sudah tersimpan "
                           "sebelum segel ini tidak dikeluarkan dari undian; bila penyelenggara ingin mengeluarkannya, "
                           "mereka dihapus dari daftar peserta sebelum disegel.</p>");
    return html;
}

QString valuesHtml(const verifiable::Seal& seal, Tables& tables) {
    QString html = tables.section(4, QStringLiteral("Nilai publik dan nilai saksi"), true);
    QList<QStringList> rows;
    for (qsizetype at = 0; at < seal.sources.size(); ++at)
        rows << QStringList{QString::number(at + 1), escaped(seal.sources[at])};
    html += tables.table({QStringLiteral("No"), QStringLiteral("Sumber nilai publik (V)")}, rows, {8, 92});
    html += QStringLiteral("<p>Nilai-nilai ini belum ada saat surat ini ditandatangani. Setelah ada, nilainya dicatat "
                           "persis seperti diumumkan sumbernya, sebelum putaran pertama.</p>");
    html += seal.witnesses == 0
                ? QStringLiteral("<p>Nilai saksi (W): tidak ada.</p>")
                : QStringLiteral("<p>Nilai saksi (W): %1 nilai, diucapkan oleh saksi di tempat undian sebelum putaran "
                                 "pertama, satu per saksi.</p>")
                      .arg(seal.witnesses);
    return html;
}

QString methodHtml(const Minutes::Header& header, Tables& tables) {
    QString html = tables.section(5, QStringLiteral("Cara undian"), false);
    html += QStringLiteral(
        "<ol>"
        "<li>Setiap nilai diambil seperti ditulis, dengan setiap deret spasi (termasuk tab dan baris baru) dijadikan "
        "satu "
        "spasi dan tanpa spasi di kedua ujungnya.</li>"
        "<li><b>Kunci undian K</b> adalah SHA-256 atas satu baris berisi <span "
        "class=\"hash\">tombolika-undian/1</span>, "
        "L, Lp, P, R, banyaknya nilai publik, nilai publik 1 sampai terakhir, banyaknya nilai saksi, dan nilai saksi 1 "
        "sampai terakhir, dalam bentuk baris yang sama dengan sidik jari daftar peserta.</li>"
        "<li>Pemenang diambil satu per satu dan diberi nomor <b>i</b> = 1, 2, 3, ... sepanjang acara. Untuk "
        "pengambilan "
        "ke-i, daftar <b>E</b> adalah peserta yang disegel menurut urutan ID, tanpa peserta yang sudah terambil "
        "sebelumnya untuk hadiah yang sama (dengan R = 1: tanpa semua peserta yang sudah terambil); <b>n</b> adalah "
        "banyaknya peserta dalam E.</li>"
        "<li>Untuk c = 0, 1, 2, ...: x adalah 8 byte pertama (big-endian) dari HMAC-SHA256 dengan kunci K atas i (8 "
        "byte) diikuti c (4 byte). Nilai x pertama yang kurang dari 2<sup>64</sup> &minus; (2<sup>64</sup> mod n) "
        "menentukan urutan <b>r</b> = x mod n, dan pemenangnya adalah peserta ke-r dalam E (dihitung dari 0). Dengan "
        "begitu setiap peserta dalam E berpeluang sama.</li>"
        "<li>Hadiah diundi menurut nomor urutnya: setiap putaran untuk hadiah pertama yang masih punya tempat kosong, "
        "sebanyak pemenang per putarannya (atau sisa tempatnya bila lebih sedikit).</li>"
        "<li>Pemenang yang gugur (tidak hadir, tidak memenuhi syarat, menolak hadiah) tetap tidak diundi lagi untuk "
        "hadiah itu; tempatnya diisi putaran berikutnya untuk hadiah yang sama.</li>"
        "</ol>");
    html +=
        QStringLiteral("<p>Siapa pun yang memegang daftar publik, surat ini dan nilai-nilai di atas dapat menghitung "
                       "ulang setiap pemenang tanpa program ini, dengan skrip dalam dokumentasi program (%1).</p>")
            .arg(escaped(methodDocument(header)));
    return html;
}

QString letterHtml(const verifiable::Seal& seal, const Minutes::Header& header, const QString& database,
                   const QString& eventName, Tables& tables) {
    QString html = document::title(QStringLiteral("SURAT SEGEL UNDIAN"), eventName);
    html += QStringLiteral("<p align=\"center\">Undian Terverifikasi</p>");
    html += document::madeWith(header.program, header.version, header.madeAt);
    html +=
        QStringLiteral("<p>Berkas data: %1<br/>Disegel pada %2 (waktu setempat), dicatat dalam jurnal undian sebagai "
                       "entri #%3.</p>")
            .arg(escaped(QDir::toNativeSeparators(QFileInfo(database).absoluteFilePath())),
                 document::localTime(seal.time))
            .arg(seal.entry);
    html += QStringLiteral("<p>Pengundian hadiah di bawah ini dilakukan dengan kunci undian yang baru dapat dihitung "
                           "setelah nilai-nilai publik yang disebut dalam surat ini diumumkan. Yang disegel: daftar "
                           "peserta, daftar hadiah, aturan pemenang dan sumber nilainya.</p>");
    html += participantsHtml(seal, tables);
    html += planHtml(seal, tables);
    html += ruleHtml(seal, tables);
    html += valuesHtml(seal, tables);
    html += methodHtml(header, tables);
    html += QStringLiteral("<p>Demikian surat segel ini dibuat dengan sebenarnya dan diumumkan bersama daftar publik "
                           "sebelum nilai-nilai publik di atas ada.</p>");
    html += document::signatures(document::drawSigners());
    return html;
}

} // namespace

QString SealLetter::html(const verifiable::Seal& seal, const Minutes::Header& header, const QString& database,
                         const QString& eventName) {
    return document::html([&](Tables& tables) { return letterHtml(seal, header, database, eventName, tables); });
}

void SealLetter::writePdf(const verifiable::Seal& seal, const Minutes::Header& header, const QString& database,
                          const QString& eventName, const QString& path) {
    document::writePdf([&](Tables& tables) { return letterHtml(seal, header, database, eventName, tables); },
                       QStringLiteral("Surat Segel Undian"), header.creator(), path);
}

QString SealLetter::fileName(const QDateTime& madeAt) {
    return QStringLiteral("surat-segel-%1.pdf").arg(madeAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd-HHmm")));
}
