#include "qtuserdialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace vyn {

namespace {

QMessageBox::Icon iconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Information:
        break;
    }
    return QMessageBox::Information;
}

// Qt's own dialog texts are English without translations installed; the
// labels the user reads are set here.
void prepare(QFileDialog& dialog, const FileChoice& choice, bool save)
{
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!choice.filter.isEmpty())
        dialog.setNameFilter(choice.filter);
    // Only a new name gets the suffix: an open dialog would turn the typed name
    // of an existing file into one that does not exist.
    if (save && !choice.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(choice.defaultSuffix);
    const QFileInfo start(choice.directory);
    if (!choice.directory.isEmpty() && !start.isDir()) {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    } else if (!choice.directory.isEmpty()) {
        dialog.setDirectory(choice.directory);
    }
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Папка:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Имя файла:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Тип файла:"));
    dialog.setLabelText(QFileDialog::Accept,
                        save ? QStringLiteral("Сохранить") : QStringLiteral("Открыть"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));
}

} // namespace

void QtUserDialogs::inform(const QString& text, const QString& caption, MessageKind kind)
{
    QMessageBox box(iconOf(kind), caption, text, QMessageBox::Ok, m_parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

bool QtUserDialogs::ask(const QString& text, const QString& caption, bool defaultYes)
{
    return askWithIcon(text, caption, defaultYes, MessageKind::Information);
}

bool QtUserDialogs::askWithIcon(const QString& text, const QString& caption, bool defaultYes,
                                MessageKind icon)
{
    // A plain question shows the question mark; a warning or error its own icon.
    const QMessageBox::Icon shown = icon == MessageKind::Information ? QMessageBox::Question : iconOf(icon);
    QMessageBox box(shown, caption, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<bool> QtUserDialogs::askYesNoCancel(const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::Question, caption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return true;
    if (answer == QMessageBox::No)
        return false;
    return std::nullopt;
}

std::optional<QString> QtUserDialogs::askText(const QString& prompt, const QString& caption,
                                              const QString& initial)
{
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Отмена"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtUserDialogs::askPassword(const QString& prompt, const QString& caption)
{
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Отмена"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString QtUserDialogs::chooseOpenFile(const FileChoice& choice)
{
    QFileDialog dialog(m_parent, choice.caption);
    prepare(dialog, choice, false);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QStringList QtUserDialogs::chooseOpenFiles(const FileChoice& choice)
{
    QFileDialog dialog(m_parent, choice.caption);
    prepare(dialog, choice, false);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtUserDialogs::chooseSaveFile(const FileChoice& choice)
{
    QFileDialog dialog(m_parent, choice.caption);
    prepare(dialog, choice, true);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted)
            return {};
        // A platform dialog may ignore the default suffix; add it here as well.
        const QString name =
            withDefaultSuffix(dialog.selectedFiles().value(0), choice.defaultSuffix);
        if (name.isEmpty())
            return {};
        if (!QFileInfo::exists(name) ||
            ask(QStringLiteral("Файл «%1» уже существует.\nЗаменить его?")
                    .arg(QFileInfo(name).fileName()),
                choice.caption, false))
            return name;
        dialog.selectFile(QFileInfo(name).fileName());
    }
}

} // namespace vyn
