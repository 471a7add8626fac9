#pragma once

#include "platform/db/DataSource.h"
#include "platform/db/TableCursor.h"

#include <QWidget>

// The winners screen: lists, deletes and exports the saved winners.
class TfPemenang : public QWidget {
    Q_OBJECT
public:
    explicit TfPemenang(QWidget* parent = nullptr);

    db::TableCursor ADOTable1{"ADOTable1"};
    db::DataSource DataSource1;

    void FormCreate(QObject* Sender);
};

extern TfPemenang* fPemenang;
