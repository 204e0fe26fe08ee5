#include "userdialogs.h"

#include <QFileInfo>
#include <QStringList>

namespace vyn {

QString qtFileFilter(const QString& pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        QStringList masks = i + 1 < parts.size()
                                ? parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)
                                : QStringList{};
        for (QString& m : masks)
            m = m.trimmed();
        const QString joined = masks.join(QLatin1Char(' '));
        if (joined.isEmpty())
            filters.append(description);
        else if (description.isEmpty())
            filters.append(joined);
        else if (description.endsWith(QLatin1Char(')')) &&
                 description.contains(QLatin1Char('(')))
            filters.append(description);
        else
            filters.append(QStringLiteral("%1 (%2)").arg(description, joined));
    }
    return filters.join(QStringLiteral(";;"));
}

QString withDefaultSuffix(const QString& fileName, const QString& suffix)
{
    if (fileName.isEmpty() || suffix.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    QString bare = suffix;
    if (bare.startsWith(QLatin1Char('.')))
        bare.remove(0, 1);
    // "name." has an empty extension too; don't double the dot.
    return fileName.endsWith(QLatin1Char('.')) ? fileName + bare
                                               : fileName + QLatin1Char('.') + bare;
}

QStringList UserDialogs::chooseOpenFiles(const FileChoice& choice)
{
    const QString file = chooseOpenFile(choice);
    return file.isEmpty() ? QStringList() : QStringList{file};
}

} // namespace vyn
