#include "app/filecopy.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vyn {

namespace {

class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

int copyContents(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            done += w;
        }
    }
}

} // namespace

void removeCopyLeftovers(const QString& dir)
{
    static const QRegularExpression kPattern(QStringLiteral("^\\..+\\.[A-Za-z0-9]{6}$"));
    const QDateTime now = QDateTime::currentDateTime();
    const QFileInfoList files = QDir(dir).entryInfoList({QStringLiteral(".*")},
                                                        QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& f : files)
        if (!f.isSymLink() && kPattern.match(f.fileName()).hasMatch() &&
            f.lastModified().secsTo(now) >= 60)
            QFile::remove(f.absoluteFilePath());
}

int CopySingleFile(const QString& fileName, const QString& targetDir)
{
    const QByteArray source = QFile::encodeName(fileName);
    Fd in(::open(source.constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return errno;
    struct stat st{};
    if (::fstat(in.get(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;

    const QString name = QFileInfo(fileName).fileName();
    const QByteArray target = QFile::encodeName(QDir(targetDir).filePath(name));
    QByteArray temp = QFile::encodeName(QDir(targetDir).filePath(QStringLiteral(".%1.XXXXXX").arg(name)));
    Fd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.get() < 0)
        return errno;

    int rc = copyContents(in.get(), out.get());
    if (rc == 0 && ::fchmod(out.get(), st.st_mode & 07777) != 0)
        rc = errno;
    if (rc == 0 && ::fsync(out.get()) != 0)
        rc = errno;
    if (::close(out.release()) != 0 && rc == 0)
        rc = errno;
    if (rc == 0 && ::rename(temp.constData(), target.constData()) != 0)
        rc = errno;
    if (rc != 0)
        ::unlink(temp.constData());
    return rc;
}

} // namespace vyn
