#include "winners/uPemenang.h"

#include "data/uData.h"

TfPemenang* fPemenang = nullptr;

TfPemenang::TfPemenang(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("fPemenang"));
    setWindowTitle(QStringLiteral("DATA PEMENANG"));
    resize(538, 662);
    ADOTable1.setTableName("tb_pemenang");
    DataSource1.setDataSet(&ADOTable1);
}

void TfPemenang::FormCreate(QObject*) {
    ADOTable1.setConnection(&DTModule->cn);
    ADOTable1.open();
}
