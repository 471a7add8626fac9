#pragma once

#include "platform/db/DataSource.h"
#include "platform/db/SqlCommand.h"
#include "platform/db/TableCursor.h"

#include <QWidget>

// The participants screen: entry form, table and spreadsheet upload.
class TfPeserta : public QWidget {
    Q_OBJECT
public:
    explicit TfPeserta(QWidget* parent = nullptr);

    db::TableCursor ADOTable3{"ADOTable3"};
    db::TableCursor ADOTable1{"ADOTable1"};
    db::DataSource DataSource2;
    db::SqlCommand ADOCommand1;
};

extern TfPeserta* fPeserta;
