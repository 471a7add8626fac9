#include "core/plan/PlanImport.h"

#include "core/plan/PrizePlan.h"
#include "platform/sheets/RowStream.h"
#include "platform/text/Integer.h"

#include <algorithm>

namespace core {

namespace {

QString cellText(const sheets::RowStream::Batch& rows, std::size_t row, int column) {
    const std::string_view cell = rows.cell(row, column);
    return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size())).trimmed();
}

bool holdsValue(const sheets::RowStream::Batch& rows, std::size_t row) {
    for (int column = 1; column <= rows.cellCount(row); ++column)
        if (!rows.cell(row, column).empty()) return true;
    return rows.uncalculatedColumn(row) != 0;
}

const char* columnName(int column) {
    switch (column) {
    case 1:
        return "nama hadiah";
    case 2:
        return "jumlah";
    default:
        return "per putaran";
    }
}

// What is wrong with one prize row; empty when nothing is.
QString rowFault(const sheets::RowStream::Batch& rows, std::size_t row, PlanImport::Row& prize) {
    if (const int column = rows.uncalculatedColumn(row); column != 0)
        return QStringLiteral("%1 berisi rumus tanpa hasil tersimpan: buka dan simpan file itu di program "
                              "spreadsheet-nya, lalu import lagi")
            .arg(QLatin1String(columnName(std::min(column, PlanImport::kColumns))));
    prize.name = cellText(rows, row, 1);
    if (prize.name.isEmpty()) return QStringLiteral("nama hadiah kosong");
    const QString quantity = cellText(rows, row, 2);
    if (quantity.isEmpty()) return QStringLiteral("jumlah pemenang kosong");
    const auto number = text::parseInteger(quantity.toStdString());
    if (!number) return QStringLiteral("jumlah pemenang \"%1\" bukan bilangan bulat").arg(quantity);
    if (*number < 1) return QStringLiteral("jumlah pemenang paling sedikit 1, bukan %1").arg(*number);
    prize.quantity = *number;
    const QString perRound = cellText(rows, row, 3);
    if (perRound.isEmpty()) {
        prize.perRound = 1;
        return {};
    }
    const auto each = text::parseInteger(perRound.toStdString());
    if (!each) return QStringLiteral("pemenang per putaran \"%1\" bukan bilangan bulat").arg(perRound);
    if (*each < 1 || *each > PrizePlan::kLargestRound)
        return QStringLiteral("pemenang per putaran harus 1 sampai %1, bukan %2")
            .arg(PrizePlan::kLargestRound)
            .arg(*each);
    if (*each > prize.quantity)
        return QStringLiteral("pemenang per putaran (%1) lebih dari jumlah pemenang (%2)")
            .arg(*each)
            .arg(prize.quantity);
    prize.perRound = static_cast<int>(*each);
    return {};
}

} // namespace

PlanImport::Result PlanImport::read(const std::string& path) {
    Result result;
    sheets::RowStream stream(path);
    sheets::RowStream::Batch batch;
    std::size_t sheetRow = 0;
    int columns = 0;
    while (stream.next(batch)) {
        for (std::size_t row = 0; row < batch.size(); ++row) {
            ++sheetRow;
            columns = std::max(columns, batch.cellCount(row));
            if (sheetRow == 1 || !holdsValue(batch, row) || result.refused()) continue;
            Row prize;
            if (const QString fault = rowFault(batch, row, prize); !fault.isEmpty()) {
                result.refusal = QStringLiteral("Baris %1: %2.").arg(sheetRow).arg(fault);
                result.sheetRow = sheetRow;
                continue; // the rest is read for its columns
            }
            result.rows.push_back(prize);
        }
    }
    if (columns > kColumns) {
        result.refusal = QStringLiteral("File ini berisi %1 kolom; daftar hadiah hanya %2: nama hadiah, jumlah "
                                        "pemenang, pemenang per putaran.")
                             .arg(columns)
                             .arg(kColumns);
        result.sheetRow = 0;
    } else if (!result.refused() && result.rows.empty()) {
        result.refusal = QStringLiteral("File ini tidak berisi hadiah: di bawah judul di baris 1 tidak ada baris yang "
                                        "berisi.");
    }
    if (result.refused()) result.rows.clear();
    return result;
}

} // namespace core
