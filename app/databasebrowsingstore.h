#pragma once
// The browsing store over the configuration database: the list is VynBaseModel,
// the cursor is ConfigDatabase's, the row-level commands are CurrentConfiguration's.

#include "app/browsingstore.h"
#include "app/currentconfig.h"
#include "app/vynbasemodel.h"

namespace vyn {

class DatabaseBrowsingStore final : public BrowsingStore
{
public:
    // The model is the database's list model; current is the program's one
    // current configuration over the same database.
    DatabaseBrowsingStore(VynBaseModel& model, CurrentConfiguration& current, UserDialogs& dialogs);

    QAbstractItemModel* model() override { return &m_model; }
    bool isOpen() const override;
    int currentRow() const override;
    void setCurrentRow(int row) override;
    void setHighlight(int column, const QString& text) override;
    void applyFilter(int column, const QString& text) override;
    void clearFilter() override;
    bool isFiltering() const override { return m_model.isFiltered(); }
    void refresh() override;
    bool deleteCurrentRow() override;
    bool RePaintStatus() override;
    bool copyCurrentRow() override;

private:
    VynBaseModel& m_model;
    CurrentConfiguration& m_current;
    UserDialogs& m_dialogs;
};

} // namespace vyn
