#include "platform/db/DataLink.h"

#include "platform/db/DataSource.h"

namespace db {

DataLink::~DataLink() {
    link(nullptr);
}

void DataLink::link(DataSource* source) {
    if (m_source) m_source->removeListener(this);
    m_source = source;
    if (m_source) m_source->addListener(this);
}

TableCursor* DataLink::dataSet() const {
    return m_source ? m_source->dataSet() : nullptr;
}

} // namespace db
