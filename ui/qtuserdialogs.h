#pragma once
// The user-dialogs port shown with real Qt dialogs, modal to a parent window.
// Buttons and labels are in Russian, like every other text of the programs.

#include "model/userdialogs.h"

#include <QPointer>
#include <QWidget>

namespace vyn {

class QtUserDialogs : public UserDialogs
{
public:
    explicit QtUserDialogs(QWidget* parent = nullptr) : m_parent(parent) {}

    void setParentWidget(QWidget* parent) { m_parent = parent; }

    void inform(const QString& text, const QString& caption,
                MessageKind kind = MessageKind::Information) override;
    bool ask(const QString& text, const QString& caption, bool defaultYes) override;
    bool askWithIcon(const QString& text, const QString& caption, bool defaultYes, MessageKind icon) override;
    std::optional<bool> askYesNoCancel(const QString& text, const QString& caption) override;
    std::optional<QString> askText(const QString& prompt, const QString& caption,
                                   const QString& initial = {}) override;
    std::optional<QString> askPassword(const QString& prompt, const QString& caption) override;
    QString chooseOpenFile(const FileChoice& choice) override;
    QStringList chooseOpenFiles(const FileChoice& choice) override;
    QString chooseSaveFile(const FileChoice& choice) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace vyn
