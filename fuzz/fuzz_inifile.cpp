// The settings file: parsed, written and parsed again gives the same text and
// the same values; a value written reads back as written.

#include "fuzzsupport.h"

#include "model/inifile.h"

namespace {

void checkSameValues(const vyn::IniFile& a, const vyn::IniFile& b)
{
    VYNFUZZ_CHECK(a.sections() == b.sections());
    for (const QString& section : a.sections()) {
        VYNFUZZ_CHECK(a.keys(section) == b.keys(section));
        for (const QString& key : a.keys(section))
            VYNFUZZ_CHECK(a.readString(section, key) == b.readString(section, key));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vynfuzz::ensureApplication();
    vyn::IniFile first;
    first.setText(vynfuzz::bytesOf(data, size));
    const QByteArray written = first.text();
    vyn::IniFile second;
    second.setText(written);
    VYNFUZZ_CHECK(second.text() == written);
    checkSameValues(first, second);

    // Saving through a file changes nothing either.
    const QString path = vynfuzz::scratchPath(QStringLiteral("setvyn.ini"));
    VYNFUZZ_CHECK(second.saveAs(path));
    vyn::IniFile loaded;
    VYNFUZZ_CHECK(loaded.load(path));
    VYNFUZZ_CHECK(loaded.text() == written);

    // A plain value written into every section reads back as written.
    for (const QString& section : loaded.sections()) {
        if (section.contains(QLatin1Char(']')) || section.trimmed() != section || section.isEmpty())
            continue; // a header cannot carry such a name
        loaded.writeString(section, QStringLiteral("FuzzKey"), QStringLiteral("value 1"));
        vyn::IniFile back;
        back.setText(loaded.text());
        VYNFUZZ_CHECK(back.readString(section, QStringLiteral("FuzzKey")) == QStringLiteral("value 1"));
    }
    return 0;
}
