#include "simlog.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace vynsim {

namespace {

QJsonValue hexOrNull(const std::optional<QByteArray>& bytes)
{
    return bytes ? QJsonValue(QString::fromLatin1(bytes->toHex().toUpper())) : QJsonValue();
}

} // namespace

QByteArray SimLog::toJson() const
{
    QJsonArray exchanges;
    for (const ExchangeRecord& r : m_exchanges) {
        QJsonObject o;
        o[QStringLiteral("n")] = r.number;
        o[QStringLiteral("address")] = r.address;
        o[QStringLiteral("function")] = r.function;
        o[QStringLiteral("length")] = r.length;
        o[QStringLiteral("echo")] = r.echo;
        o[QStringLiteral("request")] = hexOrNull(r.request);
        QJsonArray blocks;
        for (int n : r.blocks)
            blocks.append(n);
        o[QStringLiteral("blocks")] = blocks;
        o[QStringLiteral("reply")] = hexOrNull(r.reply);
        o[QStringLiteral("fault")] = r.fault.isEmpty() ? QJsonValue() : QJsonValue(r.fault);
        o[QStringLiteral("outcome")] = r.outcome;
        exchanges.append(o);
    }
    QJsonArray parameters;
    for (const ParameterRecord& p : m_parameters) {
        QJsonObject o;
        o[QStringLiteral("exchange")] = p.exchange;
        o[QStringLiteral("prefix")] = QString::fromLatin1(p.prefix.toHex().toUpper());
        o[QStringLiteral("value")] = QString::fromLatin1(p.value.toHex().toUpper());
        parameters.append(o);
    }
    QJsonObject root;
    root[QStringLiteral("exchanges")] = exchanges;
    root[QStringLiteral("parameters")] = parameters;
    root[QStringLiteral("memory")] = m_memory;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool SimLog::write(const QString& path, QString& error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    file.write(toJson());
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace vynsim
