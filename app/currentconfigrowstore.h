#pragma once
// The editor's row store over the current configuration: loading goes through
// RePaintStatus, saving through CurrentConfiguration::save.

#include "app/currentconfig.h"
#include "editor/editorrowstore.h"

#include <functional>

namespace vyn {

class CurrentConfigRowStore final : public EditorRowStore
{
public:
    // refresh: how the main window takes up its current row after a save.
    explicit CurrentConfigRowStore(CurrentConfiguration& current, std::function<void()> refresh = {})
        : m_current(current), m_refresh(std::move(refresh))
    {
    }

    bool loadCurrentRow() override;
    void reloadCurrentRow() override;
    bool saveRecord(bool asNew) override;
    bool lastSaveReported() const override { return m_lastSave.reported; }
    bool lastSaveComplete() const override { return m_lastSave.failedGroups.isEmpty(); }
    bool lastSaveDeclined() const override { return m_lastSave.declined; }
    bool lastSaveRowGone() const override { return m_lastSave.rowGone; }
    void refreshCurrentRow() override;

    // The outcome of the last saveRecord (the posted row's id, the reason of a failure).
    const CurrentConfiguration::SaveOutcome& lastSave() const { return m_lastSave; }

private:
    CurrentConfiguration& m_current;
    std::function<void()> m_refresh;
    CurrentConfiguration::SaveOutcome m_lastSave;
};

} // namespace vyn
