#include "participants/uPeserta.h"

TfPeserta* fPeserta = nullptr;

TfPeserta::TfPeserta(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("fPeserta"));
    setWindowTitle(QStringLiteral("DATA PESERTA"));
    resize(856, 734);
    ADOTable3.setTableName("tb_peserta");
    ADOTable1.setTableName("tb_peserta");
    DataSource2.setDataSet(&ADOTable3);
}
