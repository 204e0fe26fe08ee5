#pragma once
// The port through which logic talks to the user: messages, questions, an input
// box and file choices. Windows pass the Qt implementation (ui/qtuserdialogs.h);
// tests pass a scripted fake and check the exact texts.

#include <QString>
#include <QStringList>
#include <optional>

namespace vyn {

enum class MessageKind { Information, Warning, Error };

// What a file dialog starts with. The filter is in Qt's syntax
// ("Описание (*.ext);;Другое (*.a *.b)"); qtFileFilter() converts the
// "описание|маска" form.
struct FileChoice
{
    QString caption;
    QString directory;     // a directory or a file name to start at; empty: current
    QString filter;
    QString defaultSuffix; // without the dot; added to a save name without extension
};

class UserDialogs
{
public:
    virtual ~UserDialogs() = default;

    virtual void inform(const QString& text, const QString& caption,
                        MessageKind kind = MessageKind::Information) = 0;
    // A Yes/No question; true for Yes.
    virtual bool ask(const QString& text, const QString& caption, bool defaultYes) = 0;
    // The same question with the icon of a message kind (a question that warns).
    virtual bool askWithIcon(const QString& text, const QString& caption, bool defaultYes, MessageKind icon)
    {
        (void)icon;
        return ask(text, caption, defaultYes);
    }
    // A Yes/No/Cancel question ("Да", "Нет", "Отмена", Yes the default): true for
    // Yes, false for No, no value for Cancel.
    virtual std::optional<bool> askYesNoCancel(const QString& text, const QString& caption)
    {
        return ask(text, caption, true);
    }
    // An input box; no value when cancelled.
    virtual std::optional<QString> askText(const QString& prompt, const QString& caption,
                                           const QString& initial = {}) = 0;
    // An input box whose text is not shown; no value when cancelled.
    virtual std::optional<QString> askPassword(const QString& prompt, const QString& caption)
    {
        return askText(prompt, caption);
    }
    // The chosen path, or empty when the user cancelled.
    virtual QString chooseOpenFile(const FileChoice& choice) = 0;
    virtual QString chooseSaveFile(const FileChoice& choice) = 0;
    // Several existing files at once; empty when cancelled. Without a dialog of
    // its own: the one file of chooseOpenFile.
    virtual QStringList chooseOpenFiles(const FileChoice& choice);
};

// "Описание|*.a;*.b|Другое|*.c" as Qt's "Описание (*.a *.b);;Другое (*.c)". A
// description that already ends with its masks in brackets is kept as it is.
QString qtFileFilter(const QString& pipeFilter);

// The name with ".suffix" added when it has no extension of its own.
QString withDefaultSuffix(const QString& fileName, const QString& suffix);

} // namespace vyn
