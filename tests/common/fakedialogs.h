#pragma once
// A scripted user for the dialogs port: records everything shown to it and
// answers from queues. An empty queue answers like a user who cancels (No for
// a question without a Yes default, no text, no file).

#include "model/userdialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <optional>

namespace vyn::test {

class FakeDialogs : public UserDialogs
{
public:
    enum class Kind { Inform, Ask, AskText, OpenFile, SaveFile };

    struct Shown
    {
        Kind kind;
        QString text;    // message, question or prompt; empty for file choices
        QString caption;
        MessageKind messageKind = MessageKind::Information;
        bool defaultYes = false;
        FileChoice file; // for the file choices
    };

    // Scripted answers, taken in order.
    QQueue<bool> answers;
    QQueue<std::optional<QString>> texts;
    QQueue<QString> openFiles;
    QQueue<QString> saveFiles;
    QQueue<QStringList> openFileLists; // for chooseOpenFiles; empty: one of openFiles

    QList<Shown> shown;

    void inform(const QString& text, const QString& caption, MessageKind kind) override
    {
        shown.append({Kind::Inform, text, caption, kind, false, {}});
    }
    bool ask(const QString& text, const QString& caption, bool defaultYes) override
    {
        shown.append({Kind::Ask, text, caption, MessageKind::Information, defaultYes, {}});
        return answers.isEmpty() ? defaultYes : answers.dequeue();
    }
    std::optional<QString> askText(const QString& prompt, const QString& caption,
                                   const QString&) override
    {
        shown.append({Kind::AskText, prompt, caption, MessageKind::Information, false, {}});
        return texts.isEmpty() ? std::nullopt : texts.dequeue();
    }
    QString chooseOpenFile(const FileChoice& choice) override
    {
        shown.append({Kind::OpenFile, {}, choice.caption, MessageKind::Information, false, choice});
        return openFiles.isEmpty() ? QString() : openFiles.dequeue();
    }
    QStringList chooseOpenFiles(const FileChoice& choice) override
    {
        if (openFileLists.isEmpty())
            return UserDialogs::chooseOpenFiles(choice);
        shown.append({Kind::OpenFile, {}, choice.caption, MessageKind::Information, false, choice});
        return openFileLists.dequeue();
    }
    QString chooseSaveFile(const FileChoice& choice) override
    {
        shown.append({Kind::SaveFile, {}, choice.caption, MessageKind::Information, false, choice});
        return saveFiles.isEmpty() ? QString() : saveFiles.dequeue();
    }

    QList<Shown> of(Kind kind) const
    {
        QList<Shown> out;
        for (const Shown& s : shown)
            if (s.kind == kind)
                out.append(s);
        return out;
    }
    // The texts of the messages shown, in order.
    QStringList messages() const
    {
        QStringList out;
        for (const Shown& s : of(Kind::Inform))
            out.append(s.text);
        return out;
    }
};

} // namespace vyn::test
