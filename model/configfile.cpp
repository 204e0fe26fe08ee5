#include "configfile.h"

#include "systems.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cmath>

namespace vyn {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kDateTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

QString kindName(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Text:
        return QStringLiteral("строкой");
    case ColumnKind::Double:
    case ColumnKind::AutoNumber:
        return QStringLiteral("числом");
    case ColumnKind::YesNo:
        return QStringLiteral("true или false");
    case ColumnKind::DateTime:
        return QStringLiteral("датой \"ГГГГ-ММ-ДД\" или \"ГГГГ-ММ-ДДTЧЧ:ММ:СС\"");
    }
    return {};
}

QVariant valueOf(const ColumnSpec& spec, const QString& key, const QJsonValue& v)
{
    if (v.isNull())
        return {};
    bool ok = false;
    QVariant out;
    switch (spec.kind) {
    case ColumnKind::Text:
        ok = v.isString();
        out = v.toString();
        break;
    case ColumnKind::Double:
    case ColumnKind::AutoNumber:
        ok = v.isDouble();
        out = v.toDouble();
        break;
    case ColumnKind::YesNo:
        ok = v.isBool();
        out = v.toBool();
        break;
    case ColumnKind::DateTime: {
        const QString s = v.toString();
        if (const QDate d = QDate::fromString(s, kDateFormat); v.isString() && d.isValid()) {
            ok = true;
            out = d;
        } else if (const QDateTime t = QDateTime::fromString(s, kDateTimeFormat);
                   v.isString() && t.isValid()) {
            ok = true;
            out = t;
        }
        break;
    }
    }
    if (!ok)
        throw ConfigFileError(QStringLiteral("ключ \"%1\": значение должно быть %2")
                                  .arg(key, kindName(spec.kind)));
    return out;
}

QJsonValue jsonOf(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        return QJsonValue::Null;
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::QDate:
        return v.toDate().isValid() ? QJsonValue(v.toDate().toString(kDateFormat)) : QJsonValue::Null;
    case QMetaType::QDateTime:
        return v.toDateTime().isValid() ? QJsonValue(v.toDateTime().toString(kDateTimeFormat))
                                        : QJsonValue::Null;
    case QMetaType::QString:
        return v.toString();
    default:
        if (v.canConvert<double>() && v.typeId() != QMetaType::QByteArray)
            return std::isfinite(v.toDouble()) ? QJsonValue(v.toDouble()) : QJsonValue::Null;
        return v.toString();
    }
}

// One JSON value as text (QJsonDocument takes only arrays and objects).
QByteArray jsonText(const QJsonValue& v)
{
    const QByteArray array = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

StoredRow parseConfigJson(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw ConfigFileError(QStringLiteral("ошибка в JSON: %1, позиция %2")
                                  .arg(error.errorString())
                                  .arg(error.offset));
    if (!doc.isObject())
        throw ConfigFileError(QStringLiteral("конфигурация должна быть объектом JSON"));
    const QJsonObject object = doc.object();
    StoredRow row;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const ColumnSpec* spec = findColumn(it.key());
        if (!spec)
            throw ConfigFileError(QStringLiteral("ключ \"%1\": такого столбца нет в VYN_Base").arg(it.key()));
        if (row.contains(it.key()))
            throw ConfigFileError(QStringLiteral("ключ \"%1\": столбец указан дважды").arg(it.key()));
        row.setValue(it.key(), valueOf(*spec, it.key(), it.value()));
    }
    return row;
}

QByteArray configJson(const StoredRow& row)
{
    QByteArray out = "{";
    const QStringList columns = row.columns();
    for (qsizetype i = 0; i < columns.size(); ++i) {
        out += i == 0 ? "\n  " : ",\n  ";
        out += jsonText(columns.at(i)) + ": " + jsonText(jsonOf(row.value(columns.at(i))));
    }
    out += columns.isEmpty() ? "}\n" : "\n}\n";
    return out;
}

StoredRow readConfigFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ConfigFileError(QStringLiteral("%1: не удаётся открыть файл: %2").arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ConfigFileError(QStringLiteral("%1: не удаётся прочитать файл: %2").arg(fileName, file.errorString()));
    try {
        return parseConfigJson(bytes);
    } catch (const ConfigFileError& e) {
        throw ConfigFileError(fileName + QStringLiteral(": ") + e.message());
    }
}

void writeConfigFile(const QString& fileName, const StoredRow& row)
{
    QSaveFile file(fileName);
    const QByteArray bytes = configJson(row);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw ConfigFileError(QStringLiteral("%1: не удаётся записать файл: %2").arg(fileName, file.errorString()));
}

LoadedConfig loadConfigFile(const QString& fileName, const NumberLocale& locale,
                            const QDate& today, const ElectricityMeterCatalogue* catalogue)
{
    LoadedConfig out;
    out.row = readConfigFile(fileName);
    out.deviceGeneration = generationOfRow(out.row);
    out.deviceFirmwareDate = variantDate(out.row.value(QStringLiteral("DeviceSoftData")));
    loadRecord(out.row, out.record, {out.deviceGeneration, today, catalogue}, locale);
    numberSystems(out.record);
    return out;
}

} // namespace vyn
