#include "app/currentconfigrowstore.h"

namespace vyn {

bool CurrentConfigRowStore::loadCurrentRow()
{
    return m_current.RePaintStatus();
}

void CurrentConfigRowStore::reloadCurrentRow()
{
    m_current.forgetLoadedRecord();
    m_current.RePaintStatus();
}

bool CurrentConfigRowStore::saveRecord(bool asNew)
{
    m_lastSave = m_current.save(asNew);
    return m_lastSave.posted;
}

void CurrentConfigRowStore::refreshCurrentRow()
{
    if (m_refresh)
        m_refresh();
}

} // namespace vyn
