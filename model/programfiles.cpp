#include "programfiles.h"

#include <QDir>
#include <QFileInfo>

namespace vyn {

QString ProgramFiles::find(const QString& name) const
{
    const QString own = QDir(userDir).filePath(name);
    if (QFileInfo::exists(own))
        return own;
    for (const QString& dir : productDirs) {
        const QString installed = QDir(dir).filePath(name);
        if (QFileInfo::exists(installed))
            return installed;
    }
    return own;
}

} // namespace vyn
