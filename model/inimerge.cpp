// The merge-on-write of a settings file that other programs may write too.

#include "inifile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace vyn {

namespace {

// Holds the file's directory locked while it is read, merged and replaced, so
// that two programs closing at once do not both write from the same old copy.
class DirectoryLock
{
public:
    explicit DirectoryLock(const QString& file)
    {
#ifdef Q_OS_UNIX
        m_fd = ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(),
                      O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
#else
        Q_UNUSED(file);
#endif
    }
    ~DirectoryLock()
    {
#ifdef Q_OS_UNIX
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
#endif
    }
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace

bool IniFile::saveChanges()
{
    if (m_path.isEmpty())
        return false;
    DirectoryLock lock(m_path);
    IniFile before;
    before.setText(m_baseline);
    IniFile disk;
    if (!disk.load(m_path))
        return false;

    for (const Section& section : m_sections)
        for (const Line& line : section.lines) {
            if (line.key.isEmpty())
                continue;
            const Line* old = before.findLine(section.name, line.key);
            if (!old || old->value != line.value)
                disk.writeString(section.name, line.key, line.value);
        }
    // Keys removed here; keys another program added to an erased section stay.
    for (const Section& section : before.m_sections) {
        for (const Line& line : section.lines)
            if (!line.key.isEmpty() && !findLine(section.name, line.key))
                disk.deleteKey(section.name, line.key);
        if (!section.name.isEmpty() && !findSection(section.name) &&
            disk.keys(section.name).isEmpty())
            disk.eraseSection(section.name);
    }
    if (!disk.save())
        return false;
    m_sections = std::move(disk.m_sections);
    m_baseline = text();
    return true;
}

} // namespace vyn
