#pragma once

#include <QSqlRecord>
#include <QSqlTableModel>

#include <functional>

// A table dataset whose writes run rules that can be attached and detached one by one, as
// the windows switch them (the settings window validates sector rows, the progress window
// writes them without rules, the dump keeps only some).
//
// "Posting" a row hands its edited record to the table: with held changes (manual submit)
// it waits in the table's cache until submitAll(); otherwise it is written at once.
class RuleTable : public QSqlTableModel {
    Q_OBJECT
public:
    // May change the record (derived columns); returns false to refuse the write, which
    // leaves the row as it was being edited.
    using BeforePost = std::function<bool(int row, QSqlRecord &record, bool inserting)>;
    using AfterPost = std::function<void(const QSqlRecord &record)>;
    using AfterDelete = std::function<void()>;
    // Runs when a field of a row changes through setData.
    using FieldChange = std::function<void(int row, const QString &field)>;

    RuleTable(QObject *parent, const QSqlDatabase &db);

    void attachBeforePost(BeforePost rule) { m_beforePost = std::move(rule); }
    void detachBeforePost() { m_beforePost = nullptr; }
    bool hasBeforePost() const { return bool(m_beforePost); }
    void attachAfterPost(AfterPost rule) { m_afterPost = std::move(rule); }
    void detachAfterPost() { m_afterPost = nullptr; }
    bool hasAfterPost() const { return bool(m_afterPost); }
    void attachAfterDelete(AfterDelete rule) { m_afterDelete = std::move(rule); }
    void detachAfterDelete() { m_afterDelete = nullptr; }
    bool hasAfterDelete() const { return bool(m_afterDelete); }
    void attachFieldChange(FieldChange rule) { m_fieldChange = std::move(rule); }
    void detachFieldChange() { m_fieldChange = nullptr; }

    // Posts row (inserting: a row added by insertRow, not yet written): the before-post rule
    // may refuse it; the after-post rule follows a write.
    bool post(int row, bool inserting);
    // Deletes row, then runs the after-delete rule.
    bool deleteRow(int row);

    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    BeforePost m_beforePost;
    AfterPost m_afterPost;
    AfterDelete m_afterDelete;
    FieldChange m_fieldChange;
    bool m_posting = false;
};
