#pragma once
// Where the program's files are: the user's directory (settings, databases,
// alternative-days files, copies made with "Копирование файлов") and below it
// the read-only product data of an installed program (scheme table, catalogue,
// programmer file, templates, help).

#include <QString>
#include <QStringList>

namespace vyn {

struct ProgramFiles
{
    QString userDir;         // written; with a trailing '/'
    QStringList productDirs; // read only, searched in order after userDir

    // A product file by its name relative to the data directory: the user's copy
    // wins over the installed one. Named in userDir when neither has it, so that
    // a message names where the user may put it.
    QString find(const QString& name) const;
};

} // namespace vyn
