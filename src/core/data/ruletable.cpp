#include "core/data/ruletable.h"

RuleTable::RuleTable(QObject *parent, const QSqlDatabase &db) : QSqlTableModel(parent, db) {}

bool RuleTable::post(int row, bool inserting) {
    const QSqlRecord edited = this->record(row);
    QSqlRecord record = edited;
    if (m_beforePost && !m_beforePost(row, record, inserting))
        return false;
    // Columns the rule derived are written too.
    for (int i = 0; i < record.count(); ++i)
        if (record.value(i) != edited.value(i))
            record.setGenerated(i, true);
    // Writing the posted record back is no field change of the user's.
    m_posting = true;
    const bool stored = setRecord(row, record);
    m_posting = false;
    if (!stored)
        return false;
    if (editStrategy() != OnManualSubmit && !submit())
        return false;
    if (m_afterPost)
        m_afterPost(record);
    return true;
}

bool RuleTable::deleteRow(int row) {
    if (!removeRow(row))
        return false;
    if (m_afterDelete)
        m_afterDelete();
    return true;
}

bool RuleTable::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!QSqlTableModel::setData(index, value, role))
        return false;
    if (m_fieldChange && role == Qt::EditRole && !m_posting)
        m_fieldChange(index.row(), record().fieldName(index.column()));
    return true;
}
