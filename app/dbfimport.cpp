#include "app/dbfimport.h"

#include "model/userdialogs.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace vyn {

namespace {

const QString kCaption = QStringLiteral("Сообщение");

bool sameKind(OldKind old, ColumnKind column)
{
    switch (old) {
    case OldKind::Text:
        return column == ColumnKind::Text;
    case OldKind::Number:
        return column == ColumnKind::Double;
    case OldKind::Date:
        return column == ColumnKind::DateTime;
    case OldKind::YesNo:
        return column == ColumnKind::YesNo;
    case OldKind::Other:
        break;
    }
    return false;
}

// A value as text, the way the list columns hold it.
QString asText(const QVariant& v, const NumberLocale& locale)
{
    switch (v.typeId()) {
    case QMetaType::Double:
        return locale.formatShortest(v.toDouble());
    case QMetaType::QDate:
        return v.toDate().toString(locale.shortDateFormat());
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return v.toString();
    }
}

// A packed older number; none when it is not a readable number.
std::optional<quint32> packedValue(const std::optional<QVariant>& v)
{
    if (!v || v->typeId() != QMetaType::Double)
        return std::nullopt;
    const double d = v->toDouble();
    if (!(d > -4294967296.0 && d < 4294967296.0))
        return std::nullopt;
    return static_cast<quint32>(static_cast<qint64>(qRound64(d)));
}

std::optional<double> readNumber(const QString& text, const NumberLocale& locale)
{
    if (auto v = locale.toDouble(text))
        return v;
    // Older tables also hold numbers written with a point.
    return NumberLocale(QLatin1Char('.')).toDouble(text);
}

QString indexText(const QStringList& table, quint32 index)
{
    return index < quint32(table.size()) ? table.at(int(index)) : QString();
}

// Two list elements per nominal resistance code.
QString resistancePair(quint32 code)
{
    switch (code) {
    case 1:
        return QStringLiteral("1000|1000|");
    case 2:
        return QStringLiteral("500|500|");
    default:
        return QStringLiteral("100|100|");
    }
}

// What the conversion does for a column of VYN_Base, decided once from its name.
enum class ColumnRule
{
    Plain,
    FlowMeters,   // RASH
    Diameters,    // DU
    PowerSources, // ISTPITRASX
    Thermometers, // TYPTERM
    Ratios,       // WKL
    Immersion,    // LPOG
    Resistance,   // R0
    DeviceType,   // TYPE_VYN
    Accuracy,     // KLASS
    MaxTemperature,
    MinTemperature,
    ColdWater, // TXIZ, TXIL
};

ColumnRule ruleOf(const ColumnSpec& column)
{
    static const QHash<QString, ColumnRule> rules{
        {QStringLiteral("RASH"), ColumnRule::FlowMeters},
        {QStringLiteral("DU"), ColumnRule::Diameters},
        {QStringLiteral("ISTPITRASX"), ColumnRule::PowerSources},
        {QStringLiteral("TYPTERM"), ColumnRule::Thermometers},
        {QStringLiteral("WKL"), ColumnRule::Ratios},
        {QStringLiteral("LPOG"), ColumnRule::Immersion},
        {QStringLiteral("R0"), ColumnRule::Resistance},
        {QStringLiteral("TYPE_VYN"), ColumnRule::DeviceType},
        {QStringLiteral("KLASS"), ColumnRule::Accuracy},
        {QStringLiteral("TMAX"), ColumnRule::MaxTemperature},
        {QStringLiteral("TMIN"), ColumnRule::MinTemperature},
        {QStringLiteral("TXIZ"), ColumnRule::ColdWater},
        {QStringLiteral("TXIL"), ColumnRule::ColdWater},
    };
    return rules.value(column.name.toUpper(), ColumnRule::Plain);
}

} // namespace

const QStringList& OldIndexTables::flowMeterTypes()
{
    static const QStringList t{
        QStringLiteral("ВСТ"),      QStringLiteral("ВМГи"),
        QStringLiteral("ВЭПС-Т(И)"), QStringLiteral("ВЭПС ПБ-2"),
        QStringLiteral("Метран-300ПР-ОП"), QStringLiteral("ЭРСВ-410(-110,-210)"),
        QStringLiteral("ПРЭМ-2"),   QStringLiteral("VA2305-E"),
        QStringLiteral("VA2305-V"), QStringLiteral("ULTRAFLOW II"),
        QStringLiteral("EEM-Q II"), QStringLiteral("ПРВ"),
        QStringLiteral("ETWI"),     QStringLiteral("ETHI"),
        QStringLiteral("MTWI")};
    return t;
}

const QStringList& OldIndexTables::nominalDiameters()
{
    static const QStringList t{QStringLiteral("10"),  QStringLiteral("15"),  QStringLiteral("20"),
                               QStringLiteral("25"),  QStringLiteral("32"),  QStringLiteral("40"),
                               QStringLiteral("50"),  QStringLiteral("65"),  QStringLiteral("80"),
                               QStringLiteral("100"), QStringLiteral("150"), QStringLiteral("200")};
    return t;
}

const QStringList& OldIndexTables::powerSources()
{
    static const QStringList t = [] {
        QStringList out{QStringLiteral("Сетевой"), QStringLiteral("Батарейный")};
        while (out.size() < 16)
            out << QStringLiteral("Автономный");
        return out;
    }();
    return t;
}

const QStringList& OldIndexTables::thermometerTypes()
{
    static const QStringList t{QStringLiteral("КТСПР-001"),  QStringLiteral("КТПТР-01"),
                               QStringLiteral("КТПТР-04"),   QStringLiteral("КТПТР-05"),
                               QStringLiteral("ТСП-001-01"), QStringLiteral("Pt-500"),
                               QStringLiteral("КТПТР-08")};
    return t;
}

const QStringList& OldIndexTables::resistanceRatios()
{
    static const QStringList t{QStringLiteral("1,385"), QStringLiteral("1,391")};
    return t;
}

const QStringList& OldIndexTables::immersionLengths()
{
    static const QStringList t{QStringLiteral("45"),  QStringLiteral("60"),  QStringLiteral("80"),
                               QStringLiteral("100"), QStringLiteral("120"), QStringLiteral("160"),
                               QStringLiteral("35")};
    return t;
}

int FindIndexInTable(const QString& column, const QList<OldColumn>& table)
{
    for (int i = 0; i < table.size(); ++i)
        if (table.at(i).name.compare(column, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString FindStringInArray(quint32 packed, int deviceType, const QStringList& table,
                          bool thermometer)
{
    const int n = thermometer ? (deviceType == 3 ? 3 : 1) : (deviceType == 1 ? 1 : 3);
    QString out;
    for (int p = 0; p < 4; ++p) {
        if (p <= n)
            out += indexText(table, (packed >> (8 * p)) & 0xFF);
        out += QLatin1Char('|');
    }
    return out;
}

QString ConvertKey(const std::optional<QVariant>& snum, int& running, const NumberLocale& locale)
{
    if (snum && !snum->isNull())
        return asText(*snum, locale);
    return QString::asprintf("t%7d", running++);
}

bool SearchPrb(ConfigDatabase::Batch& batch, const QString& serial, bool& found, QString& error)
{
    return batch.containsSerial(serial, found, error);
}

FileChoice importFileChoice()
{
    return {QStringLiteral("Импорт базы"), QString(), qtFileFilter(QStringLiteral("Файлы dbf|*.dbf")),
            QString()};
}

// One pass over the older table.
struct OldDatabaseImport::Pass
{
    struct Column
    {
        int old = -1;          // the older column of the same name, or -1
        bool sameKind = false; // its values are taken as they are
        ColumnRule rule = ColumnRule::Plain;
    };
    OldTable& table;
    QList<Column> columns; // per VYN_Base column
    int tIndex, t2Index, txiIndex, cxemaIndex, fimpIndex;
    int failures = 0;

    std::optional<QVariant> value(int index) const
    {
        return index < 0 ? std::nullopt : table.value(index);
    }
};

OldDatabaseImport::Pass OldDatabaseImport::passOver(OldTable& table)
{
    const auto& old = table.columns();
    Pass pass{table,
              {},
              FindIndexInTable(QStringLiteral("T"), old),
              FindIndexInTable(QStringLiteral("T2"), old),
              FindIndexInTable(QStringLiteral("TXI"), old),
              FindIndexInTable(QStringLiteral("Cxema"), old),
              FindIndexInTable(QStringLiteral("FIMP"), old)};
    for (const ColumnSpec& column : vynBaseColumns()) {
        const int index = FindIndexInTable(column.name, old);
        pass.columns.append(
            {index, index >= 0 && sameKind(old.at(index).kind, column.kind), ruleOf(column)});
    }
    return pass;
}

StoredRow OldDatabaseImport::convertCurrentRow(OldTable& table, const QString& key, int deviceType)
{
    Pass pass = passOver(table);
    return convertRow(pass, key, deviceType);
}

OldDatabaseImport::OldDatabaseImport(ConfigDatabase& database, UserDialogs& dialogs,
                                     NumberLocale locale, ImportHooks hooks)
    : m_db(database), m_dialogs(dialogs), m_locale(locale), m_hooks(std::move(hooks))
{
}

void OldDatabaseImport::columnFailed(Pass& pass, const QString& key, const ColumnSpec& column)
{
    ++pass.failures;
    m_dialogs.inform(QStringLiteral("При конвертировании базы произошла ошибка.\n\rНомер: ") + key +
                         QStringLiteral(" , параметр :") + column.name.toLower(),
                     kCaption, MessageKind::Error);
}

StoredRow OldDatabaseImport::convertRow(Pass& pass, const QString& key, int deviceType)
{
    using T = OldIndexTables;
    using R = ColumnRule;
    StoredRow row;
    const QList<ColumnSpec>& columns = vynBaseColumns();
    for (int c = 0; c < columns.size(); ++c) {
        const ColumnSpec& column = columns.at(c);
        // The database numbers its rows itself.
        if (column.kind == ColumnKind::AutoNumber)
            continue;
        const Pass::Column& how = pass.columns.at(c);
        std::optional<QVariant> value;
        if (how.sameKind) {
            value = pass.table.value(how.old);
        } else if (how.old >= 0) {
            const std::optional<QVariant> v = pass.table.value(how.old);
            const auto packed = packedValue(v);
            const auto list = [&](const QStringList& table, bool thermometer) {
                return packed ? std::optional<QVariant>(
                                    FindStringInArray(*packed, deviceType, table, thermometer))
                              : std::nullopt;
            };
            switch (how.rule) {
            case R::FlowMeters: {
                const auto fimp = pass.value(pass.fimpIndex);
                if (packed && fimp) {
                    QString weights = fimp->isNull() ? QString() : asText(*fimp, m_locale);
                    const int n = deviceType == 1 ? 1 : 3;
                    QString out;
                    for (int p = 0; p < 4; ++p) {
                        const qsizetype bar = weights.indexOf(QLatin1Char('|'));
                        const QString element = bar < 0 ? QString() : weights.left(bar);
                        if (bar >= 0)
                            weights.remove(0, bar + 1);
                        const auto weight = readNumber(element, m_locale);
                        if (p <= n && weight && *weight >= 0)
                            out += indexText(T::flowMeterTypes(), (*packed >> (8 * p)) & 0xFF);
                        out += QLatin1Char('|');
                    }
                    value = out;
                }
                break;
            }
            case R::Diameters:
                value = list(T::nominalDiameters(), false);
                break;
            case R::PowerSources:
                value = FindStringInArray(packed.value_or(65535), deviceType, T::powerSources(),
                                          false);
                break;
            case R::Thermometers:
                value = list(T::thermometerTypes(), true);
                break;
            case R::Ratios:
                value = list(T::resistanceRatios(), true);
                break;
            case R::Immersion:
                value = list(T::immersionLengths(), true);
                break;
            case R::Resistance:
                if (packed)
                    value = resistancePair(*packed & 0xF) +
                            (deviceType == 3 ? resistancePair((*packed >> 4) & 0xF)
                                             : QStringLiteral("||"));
                break;
            default:
                continue; // another kind that is not converted: stays empty
            }
        } else {
            switch (how.rule) {
            case R::DeviceType: {
                const auto cxema = pass.value(pass.cxemaIndex);
                QString scheme =
                    cxema && !cxema->isNull() ? asText(*cxema, m_locale) : QStringLiteral("00");
                if (scheme.size() < 2)
                    scheme = QStringLiteral("00");
                const QChar second = scheme.at(1);
                value = second == QLatin1Char('0')   ? QStringLiteral("01")
                        : second == QLatin1Char('6') || second == QLatin1Char('7')
                            ? QStringLiteral("02")
                            : QStringLiteral("03");
                break;
            }
            case R::Accuracy:
                value = deviceType == 3 ? QStringLiteral("A|A|A|A|") : QStringLiteral("A|A|||");
                break;
            case R::MinTemperature:
                if (pass.t2Index < 0) {
                    value = deviceType == 3 ? QStringLiteral("5|5|5|5|") : QStringLiteral("5|5|||");
                    break;
                }
                [[fallthrough]];
            case R::MaxTemperature:
                if (const auto v =
                        pass.value(how.rule == R::MaxTemperature ? pass.tIndex : pass.t2Index))
                    value = v->isNull() ? QVariant() : QVariant(asText(*v, m_locale));
                break;
            case R::ColdWater:
                if (pass.txiIndex < 0)
                    value = 5.0;
                else if (const auto v = pass.value(pass.txiIndex)) {
                    if (v->isNull() || v->typeId() == QMetaType::Double)
                        value = *v;
                    else if (v->typeId() == QMetaType::QString)
                        if (const auto d = readNumber(v->toString(), m_locale))
                            value = *d;
                }
                break;
            default:
                switch (column.kind) {
                case ColumnKind::Text:
                    // CXEMA holds 3 characters: the filler is cut, as the old engine stored it.
                    value = QStringLiteral("||||").left(column.maxLength);
                    break;
                case ColumnKind::YesNo:
                    value = false;
                    break;
                case ColumnKind::DateTime:
                    value = QDate(2000, 1, 1);
                    break;
                default:
                    value = 0.0;
                    break;
                }
            }
        }
        const bool fits = value && (column.kind != ColumnKind::Text ||
                                    value->toString().size() <= column.maxLength);
        if (!fits) {
            columnFailed(pass, key, column);
            continue;
        }
        row.setValue(c, std::move(*value));
    }
    return row;
}

ImportResult OldDatabaseImport::AddData(OldTable& table)
{
    ImportResult result;
    if (m_hooks.setListAttached)
        m_hooks.setListAttached(false);
    Pass pass = passOver(table);
    const int snumIndex = FindIndexInTable(QStringLiteral("SNUM"), table.columns());

    int running = 0;
    int added = 0, skipped = 0;
    const ConfigDatabase::PostResult posted =
        m_db.inBatch([&](ConfigDatabase::Batch& batch, ConfigDatabase::PostResult& r) {
            for (int i = 0; i < table.rowCount(); ++i) {
                if (table.isDeleted(i))
                    continue;
                if (!table.readRow(i)) {
                    r.error = table.error();
                    return false;
                }
                const QString key = ConvertKey(pass.value(snumIndex), running, m_locale);
                bool found = false;
                if (!SearchPrb(batch, key, found, r.error))
                    return false;
                if (found) {
                    ++skipped;
                    continue;
                }
                if (m_hooks.setDatabaseBusy)
                    m_hooks.setDatabaseBusy(true);
                // A freshly appended row has no TYPE_VYN: the rules see type 3.
                const StoredRow row = convertRow(pass, key, 3);
                const bool stored = batch.append(row, r.id, r.error);
                if (m_hooks.setDatabaseBusy)
                    m_hooks.setDatabaseBusy(false);
                if (!stored)
                    return false;
                ++added;
            }
            return true;
        });
    if (m_hooks.setListAttached)
        m_hooks.setListAttached(true);

    result.columnFailures = pass.failures;
    result.ok = posted.ok;
    if (posted.ok) {
        result.added = added;
        result.skipped = skipped;
        if (added > 0)
            m_db.setCurrentId(posted.id);
    } else {
        result.error = posted.error;
        m_dialogs.inform(QStringLiteral("Импорт базы прерван: %1\nБаза данных осталась без "
                                        "изменений.")
                             .arg(posted.error),
                         kCaption, MessageKind::Error);
    }
    return result;
}

ImportResult OldDatabaseImport::importFile(const QString& path)
{
    OldTable table;
    if (!table.open(path)) {
        ImportResult result;
        result.error = table.error();
        m_dialogs.inform(QStringLiteral("Не удалось открыть таблицу %1: %2\nНичего не "
                                        "импортировано.")
                             .arg(QFileInfo(path).fileName(), table.error()),
                         kCaption, MessageKind::Error);
        return result;
    }
    return AddData(table);
}

std::optional<ImportResult> runImportCommand(ConfigDatabase& database, UserDialogs& dialogs,
                                             WaitWindow& wait, const ImportCommandHooks& hooks,
                                             NumberLocale locale)
{
    if (database.isReadOnly()) {
        dialogs.inform(readOnlyMessage(database.path()), kCaption, MessageKind::Error);
        return std::nullopt;
    }
    const QString path = dialogs.chooseOpenFile(importFileChoice());
    if (path.isEmpty())
        return std::nullopt;
    wait.showWaiting();
    const ImportResult result =
        OldDatabaseImport(database, dialogs, locale, hooks.import).importFile(path);
    if (hooks.forgetLoadedRecord)
        hooks.forgetLoadedRecord();
    if (hooks.refreshStatus)
        hooks.refreshStatus();
    wait.hideWaiting();
    return result;
}

bool DbfFirstStartConversion::prepareFirstStart(const QString& exeDir)
{
    const QString sub = exeDir + QStringLiteral("Sub.dbf");
    const QString old = exeDir + QStringLiteral("Sub_old.dbf");
    const QString next = exeDir + QStringLiteral("Sub_new.dbf");
    // Only a table that was moved is due: a Sub_old.dbf of before is not imported.
    const bool due = QFileInfo::exists(sub) && QFile::rename(sub, old);
    if (QFileInfo::exists(next) && !QFileInfo::exists(sub))
        QFile::rename(next, sub);
    return due;
}

void DbfFirstStartConversion::convert(const QString& exeDir, ConfigDatabase& database,
                                      UserDialogs& dialogs)
{
    OldDatabaseImport(database, dialogs, m_locale).importFile(exeDir + QStringLiteral("Sub_old.dbf"));
}

} // namespace vyn
