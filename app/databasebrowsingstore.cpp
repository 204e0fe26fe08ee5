#include "app/databasebrowsingstore.h"

#include "model/userdialogs.h"

namespace vyn {

DatabaseBrowsingStore::DatabaseBrowsingStore(VynBaseModel& model, CurrentConfiguration& current,
                                             UserDialogs& dialogs)
    : m_model(model), m_current(current), m_dialogs(dialogs)
{
}

bool DatabaseBrowsingStore::isOpen() const
{
    return m_current.database().isOpen();
}

int DatabaseBrowsingStore::currentRow() const
{
    const auto id = m_current.database().currentId();
    return id ? m_model.rowOfId(*id) : -1;
}

void DatabaseBrowsingStore::setCurrentRow(int row)
{
    if (const qint64 id = m_model.idAt(row))
        m_current.database().setCurrentId(id);
}

void DatabaseBrowsingStore::setHighlight(int column, const QString& text)
{
    m_model.setSearch(text, column);
}

void DatabaseBrowsingStore::applyFilter(int column, const QString& text)
{
    m_model.setSearch(text, column);
    m_model.setFiltered(true);
    // A filtered table stands on its first row when its row is not among them.
    if (currentRow() < 0)
        setCurrentRow(0);
}

void DatabaseBrowsingStore::clearFilter()
{
    if (m_model.isFiltered())
        m_model.setFiltered(false);
}

void DatabaseBrowsingStore::refresh()
{
    // The next command reads the row as it is in the file now.
    m_current.forgetLoadedRecord();
    m_model.refresh();
}

bool DatabaseBrowsingStore::deleteCurrentRow()
{
    // The cursor may stand on a row the filter hides: that one is not deleted.
    return currentRow() >= 0 && m_current.deleteCurrent();
}

bool DatabaseBrowsingStore::RePaintStatus()
{
    return currentRow() >= 0 && m_current.RePaintStatus();
}

bool DatabaseBrowsingStore::copyCurrentRow()
{
    if (currentRow() < 0)
        return false;
    const CurrentConfiguration::SaveOutcome outcome = m_current.copyCurrent();
    if (!outcome.posted && !outcome.error.isEmpty() && !outcome.reported)
        m_dialogs.inform(postFailureMessage(), QStringLiteral("Сообщение"), MessageKind::Error);
    return outcome.posted;
}

} // namespace vyn
