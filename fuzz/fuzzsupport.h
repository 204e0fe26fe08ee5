#pragma once
// What the fuzz targets share: the Qt application object, scratch files and a
// user who answers nothing. Each target defines LLVMFuzzerTestOneInput and is
// linked either with libFuzzer or with the replay main of the normal test run.

#include "model/userdialogs.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vynfuzz {

inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "setvyn-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// A file of this name in the process' own scratch directory.
inline QString scratchPath(const QString& name)
{
    static QTemporaryDir dir;
    return dir.filePath(name);
}

inline QString scratchFile(const QString& name, const QByteArray& bytes)
{
    const QString path = scratchPath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write the scratch file %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A broken round trip is a finding like a crash.
#define VYNFUZZ_CHECK(condition)                                                               \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

class SilentUser final : public vyn::UserDialogs
{
public:
    int messages = 0;
    void inform(const QString&, const QString&, vyn::MessageKind) override { ++messages; }
    bool ask(const QString&, const QString&, bool defaultYes) override { return defaultYes; }
    std::optional<QString> askText(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    QString chooseOpenFile(const vyn::FileChoice&) override { return {}; }
    QString chooseSaveFile(const vyn::FileChoice&) override { return {}; }
};

} // namespace vynfuzz
