#pragma once
// A small catalogue and a history file in a temporary directory, and records
// shaped the way the editor shapes them.

#include "editor/editorcontext.h"
#include "tests/model/recordfixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Failure messages that name a catalogue section or type.
inline std::ostream& operator<<(std::ostream& os, const QString& s) { return os << s.toStdString(); }

namespace vyn::test {

inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

// The catalogue of the rule tests: HOTM fits heat and water pipes, COLDM water
// pipes only; KPAIR is a matched thermometer pair, SINGLE a single one.
inline const char* const kSmallCatalogue = R"(
[FlowMeter]
Count=3
Variant0=HOTM
Variant1=
Variant2=COLDM

[Elect]
Count=2
Variant0=METER1
Variant1=METER2

[HOTM]
ComplectWarmthCount=1
ComplectWaterCount=1
TypeBattery=1
Count=2
Variant0=15
Variant1=20
[HOTM|15]
Count=1
Variant0=1,5
[HOTM|15|1,5]
Count=2
Variant0=1
Variant1=10
Fmin=0,03
Fmax=3
Tmin=10
Tmax=120
[HOTM|20]
Count=2
Variant0=2,5
Variant1=4
[HOTM|20|2,5]
Count=1
Variant0=10
Fmin=0,05
Fmax=5
Tmin=20
Tmax=95

[COLDM]
ComplectWarmthCount=0
ComplectWaterCount=1
Type220V=1
Count=2
Variant0=15
Variant1=25
[COLDM|15]
Count=2
Variant0=1,5
Variant1=2,5
[COLDM|15|1,5]
Count=1
Variant0=1
Fmin=0,1
Fmax=3
Tmin=7
Tmax=40

[METER1]
IdentifElect=1
Count=1
Variant0=3200
[METER2]
IdentifElect=1
Count=2
Variant0=1000
Variant1=5000

[TypeTerm]
Variant_Count=2
Variant_0=KPAIR
Variant_1=SINGLE
[KPAIR]
Variant_Count=4
Variant_0=R
Variant_1=W
Variant_2=K
Variant_3=L
R_Count=1
R_0=100
W_Count=2
W_0=1,385
W_1=1,391
K_Count=1
K_0=A
L_Count=2
L_0=60
L_1=80
Tmax=110
Komplekt=1
[SINGLE]
Variant_Count=2
Variant_0=R
Variant_1=W
R_Count=2
R_0=100
R_1=500
W_Count=1
W_0=1,391
Tmax=180

[PressureConst]
Variant_Count=2
Variant_0=6
Variant_1=10
[Pressure]
Variant_Count=2
Variant_0=SENS
Variant_1=
[SENS]
Count=2
Variant0=6
Variant1=16
)";

// Catalogue and history files of one test, and the context over them.
struct EditorFixture
{
    QTemporaryDir dir;
    InstrumentCatalogue catalogue;
    std::unique_ptr<InputHistory> history;
    EditorContext ctx;

    explicit EditorFixture(const QByteArray& catalogueText = kSmallCatalogue)
        : catalogue(writeFile(dir.filePath(QStringLiteral("rash.ini")), catalogueText), kComma),
          history(std::make_unique<InputHistory>(dir.filePath(QStringLiteral("hist.ini")))),
          ctx{catalogue, history.get(), EditorOptions{}, 1, 4, kComma}
    {
    }

    QString historyPath() const { return dir.filePath(QStringLiteral("hist.ini")); }
    // The history file as another program start would read it.
    InputHistory reopenedHistory() const { return InputHistory(historyPath()); }
};

inline QString shippedCatalogue()
{
    return QStringLiteral(SETVYN_SOURCE_DIR "/data/catalogue/rash.ini");
}

} // namespace vyn::test
