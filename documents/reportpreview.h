#pragma once
// The report shown in the print preview window, with printing and saving as PDF.

#include "reportengine.h"

#include "model/userdialogs.h"

#include <QPointer>
#include <QWidget>

namespace vyn {

class PreviewReportOutput final : public ReportOutput
{
public:
    explicit PreviewReportOutput(UserDialogs& dialogs, QWidget* parent = nullptr)
        : m_dialogs(dialogs), m_parent(parent)
    {
    }
    // Modal; returns when the window is closed.
    void present(const RenderedReport& report) override;

private:
    UserDialogs& m_dialogs;
    QPointer<QWidget> m_parent;
};

} // namespace vyn
