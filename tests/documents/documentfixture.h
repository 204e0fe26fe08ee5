#pragma once
// A document run on a real SQLite file in a temporary directory, with a scripted
// user and a catalogue written as INI text.

#include "documents/tvynreport.h"
#include "model/systems.h"
#include "tests/model/recordfixture.h"
#include "tests/common/fakedialogs.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vyn::test {


// A record shaped for a type and scheme by the model's rules. The serial's fifth
// digit above 2 takes scheme digit 7 away.
inline ConfigRecord shapedRecord(const char* type, const char* scheme, int generation = 1,
                                 const char* serial = "12345678")
{
    return shaped(type, scheme, generation, serial);
}

// Row r of a table: designation, then cells from column 1 on.
inline void setRow(ChannelTable& t, int r, const QStringList& cells)
{
    for (int c = 0; c < cells.size(); ++c)
        t.setCell(r, c, cells.at(c));
}

// A flow meter: type, Ду, Fном, вес импульса, Fmin, Fmax, serial, power, archive.
inline void flowMeter(ConfigRecord& rec, int r, const QString& archive = QStringLiteral("Объём"),
                      const QString& type = QStringLiteral("ВЭПС-ТИ"),
                      const QString& du = QStringLiteral("50 мм"))
{
    const QString d = rec.FlowTable.designation(r);
    setRow(rec.FlowTable, r,
           {d, type, du, QStringLiteral("36 м3/ч"), QStringLiteral("10 л/имп"),
            QStringLiteral("0,36 м3/ч"), QStringLiteral("36 м3/ч"), QStringLiteral("10%1").arg(r),
            QStringLiteral("Сетевой"), archive});
}

// A thermometer: type, R0, W, class, length, serial, t min, t max, contract pressure.
inline void thermometer(ConfigRecord& rec, int r, const QString& klass = QStringLiteral("B"),
                        const QString& type = QStringLiteral("ТСП-Н"))
{
    const QString d = rec.ThermoTable.designation(r);
    setRow(rec.ThermoTable, r,
           {d, type, QStringLiteral("100 Ом"), QStringLiteral("1,391"), klass,
            QStringLiteral("80 мм"), QStringLiteral("3%1").arg(r), QStringLiteral("0 °С"),
            QStringLiteral("150 °С"), r % 2 ? QStringLiteral("0,6 МПа") : QStringLiteral("0,4 МПа")});
}

inline void pressureSensor(ConfigRecord& rec, int r, const QString& pmax = QStringLiteral("1,6 МПа"))
{
    const QString d = rec.PressureTable.designation(r);
    setRow(rec.PressureTable, r,
           {d, QStringLiteral("КРТ-5"), QStringLiteral("0 МПа"), pmax, QStringLiteral("55%1").arg(r)});
}

class DocumentTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    DocumentDatabase db{dir.filePath(QStringLiteral("DBRepData.sqlite"))};
    FakeDialogs dialogs;
    IniDocumentCatalogue catalogue;
    TVynReport report;
    StoredRow row;
    int deviceVersion = 4;
    DocumentSettings settings;
    NumberLocale locale = kComma;

    void setCatalogue(const char* ini)
    {
        IniFile f;
        f.setText(QByteArray(ini));
        catalogue = IniDocumentCatalogue(f);
    }

    DocumentInputs inputs(const ConfigRecord& rec)
    {
        return {rec,     row,    deviceVersion, settings, catalogue, dialogs, locale,
                {QStringLiteral("Фирма"), QStringLiteral("Адрес"), QStringLiteral("Телефон"),
                 QStringLiteral("Почта"), QString()},
                QDate(2025, 3, 14), {}};
    }

    // Column of a table, rows in key order.
    QStringList column(const QString& table, const QString& name)
    {
        db.open();
        const DocumentTable t = db.read(table);
        const qsizetype c = t.columns.indexOf(name);
        EXPECT_GE(c, 0) << name.toStdString();
        QStringList out;
        for (const QVariantList& r : t.rows)
            out << r.value(c).toString();
        return out;
    }
    // Value of a column in the rows whose other column has the given text.
    QStringList where(const QString& table, const QString& keyColumn, const QString& key,
                      const QString& valueColumn)
    {
        const QStringList keys = column(table, keyColumn);
        const QStringList values = column(table, valueColumn);
        QStringList out;
        for (qsizetype i = 0; i < keys.size(); ++i)
            if (keys[i] == key)
                out << values[i];
        return out;
    }
};

} // namespace vyn::test
