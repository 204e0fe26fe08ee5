#pragma once
// ConfigRecord <-> stored row of VYN_Base. Saving writes numbered groups of
// columns; a group that fails stops there, the others are still written, and the
// caller tells the user which groups failed. Loading follows a fixed order because
// the shape of the record depends on type and scheme, and never stops.

#include "configrecord.h"
#include "numberlocale.h"
#include "storedrow.h"

#include <QDate>
#include <QList>
#include <QString>

namespace vyn {

// Answers whether a flow meter type of the catalogue is an electricity meter.
class ElectricityMeterCatalogue
{
public:
    virtual ~ElectricityMeterCatalogue() = default;
    virtual bool isElectricityMeter(const QString& type) const = 0;
};

// No catalogue: no type is an electricity meter.
class NoElectricityMeters final : public ElectricityMeterCatalogue
{
public:
    bool isElectricityMeter(const QString&) const override { return false; }
};

struct SaveContext
{
    int deviceGeneration = 1;  // chooses the tariff columns
    QDate deviceFirmwareDate{2004, 1, 1}; // DeviceSoftData, as DeviceSession starts
    QDate today;               // DATE
    QString manager;           // MANAGER, see managerText()
};

struct SaveResult
{
    StoredRow row;
    QList<int> failedGroups; // 1..20, ascending
};

// Writes the record into a copy of the current row: columns the save does not
// write (ID, INDEX, COMMENT, ...) and the columns of a failed group keep their
// values.
SaveResult saveRecord(const ConfigRecord& rec, const SaveContext& context,
                      const NumberLocale& locale, StoredRow currentRow = {});

// "Была ошибка N при создании базы".
QString saveFailureMessage(int group);

// Computer name + "\" + user name; just the computer name without a user name.
QString managerText(const QString& computerName, const QString& userName);

struct LoadContext
{
    int deviceGeneration = 1; // from the row's DeviceSoftData, see generationOfRow()
    QDate today;              // fallback of unreadable season dates
    const ElectricityMeterCatalogue* catalogue = nullptr; // none: no meter types
};

void loadRecord(const StoredRow& row, ConfigRecord& rec, const LoadContext& context,
                const NumberLocale& locale);

// 1 when the row's DeviceSoftData is 2004-01-01 or later, else 0 (also when missing).
int generationOfRow(const StoredRow& row);

// Channel lists: one value + "|" per channel row; the value is empty for a row
// without type. Pressures are kgf/cm² with three decimals.
QString channelList(const ConfigRecord& rec, TableKind kind, int column,
                    const NumberLocale& locale);
QString pressureList(const ConfigRecord& rec, TableKind kind, int column,
                     const NumberLocale& locale);
// The stored column that holds the list of a table column; empty for none.
QString storedListColumn(TableKind kind, int column);

// Pieces go to rows 1, 2, ...; missing pieces empty the rows, extra ones are
// ignored. Cells get their unit suffix.
void readChannelList(ConfigRecord& rec, TableKind kind, int column, const QString& list,
                     const NumberLocale& locale);
// As readChannelList, a numeric piece converted from kgf/cm² to MPa.
void readPressureList(ConfigRecord& rec, TableKind kind, int column, const QString& list,
                      const NumberLocale& locale);

} // namespace vyn
