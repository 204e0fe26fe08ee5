#include "simlog.h"

#include "parameterview.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace vynsim {

namespace {

QJsonValue hexOrNull(const std::optional<QByteArray>& bytes)
{
    return bytes ? QJsonValue(QString::fromLatin1(bytes->toHex().toUpper())) : QJsonValue();
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QJsonObject frameJson(const LoaderFrameRecord& f)
{
    QJsonObject o;
    o[QStringLiteral("n")] = f.number;
    o[QStringLiteral("kind")] = f.kind;
    o[QStringLiteral("address")] = f.address;
    o[QStringLiteral("length")] = f.length;
    o[QStringLiteral("crc")] = f.crcOk;
    o[QStringLiteral("reply")] = hexOrNull(f.reply);
    o[QStringLiteral("fault")] = f.fault.isEmpty() ? QJsonValue() : QJsonValue(f.fault);
    o[QStringLiteral("outcome")] = f.outcome;
    return o;
}

QJsonObject exchangeJson(const ExchangeRecord& r)
{
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
    return o;
}

// The written bytes in hex and, for people, the parameter's name and value.
QJsonObject parameterJson(const ParameterRecord& p)
{
    const DecodedParameter d = decodeParameter(p.prefix, p.value);
    QJsonObject o;
    o[QStringLiteral("exchange")] = p.exchange;
    o[QStringLiteral("prefix")] = hex(p.prefix);
    o[QStringLiteral("value")] = hex(p.value);
    o[QStringLiteral("name")] = d.name;
    if (d.slot > 0)
        o[QStringLiteral("slot")] = d.slot;
    o[QStringLiteral("decoded")] = d.value;
    return o;
}

QJsonArray loaderJson(const std::vector<LoaderRecord>& loaders)
{
    QJsonArray out;
    for (const LoaderRecord& l : loaders) {
        QJsonArray frames;
        for (const LoaderFrameRecord& f : l.frames)
            frames.append(frameJson(f));
        QJsonObject o;
        o[QStringLiteral("start")] = l.start ? QJsonValue(*l.start) : QJsonValue();
        o[QStringLiteral("program")] = hex(l.program);
        o[QStringLiteral("frames")] = frames;
        o[QStringLiteral("stray")] = hex(l.stray);
        o[QStringLiteral("ended")] = l.ended;
        out.append(o);
    }
    return out;
}

// Runs of programmed addresses, in address order.
QJsonArray memoryJson(const std::vector<int>& memory)
{
    QJsonArray out;
    const int size = static_cast<int>(memory.size());
    for (int a = 0; a < size;) {
        if (memory[static_cast<std::size_t>(a)] < 0) {
            ++a;
            continue;
        }
        QByteArray run;
        const int from = a;
        for (; a < size && memory[static_cast<std::size_t>(a)] >= 0; ++a)
            run.append(static_cast<char>(memory[static_cast<std::size_t>(a)]));
        out.append(
            QJsonObject{{QStringLiteral("address"), from}, {QStringLiteral("bytes"), hex(run)}});
    }
    return out;
}

} // namespace

void SimLog::program(int address, const QByteArray& bytes)
{
    if (m_memory.empty())
        m_memory.assign(65536, -1);
    for (qsizetype i = 0; i < bytes.size() && address + i < 65536; ++i)
        m_memory[static_cast<std::size_t>(address + i)] = static_cast<std::uint8_t>(bytes[i]);
}

QByteArray SimLog::toJson() const
{
    QJsonArray exchanges;
    for (const ExchangeRecord& r : m_exchanges)
        exchanges.append(exchangeJson(r));
    QJsonArray parameters;
    for (const ParameterRecord& p : m_parameters)
        parameters.append(parameterJson(p));
    QJsonObject root;
    root[QStringLiteral("exchanges")] = exchanges;
    root[QStringLiteral("parameters")] = parameters;
    root[QStringLiteral("loader")] = loaderJson(m_loaders);
    root[QStringLiteral("memory")] = memoryJson(m_memory);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool SimLog::openLive(const QString& path, QString& error)
{
    m_live.setFileName(path);
    if (!m_live.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = m_live.errorString();
        return false;
    }
    m_live.write("{\"session\": [\n");
    m_live.flush();
    return true;
}

void SimLog::liveLine(const QJsonObject& line)
{
    if (!m_live.isOpen())
        return;
    m_live.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + ",\n");
    m_live.flush();
}

void SimLog::addExchange(const ExchangeRecord& record)
{
    m_exchanges.push_back(record);
    QJsonObject line = exchangeJson(record);
    if (!m_parameters.empty() && m_parameters.back().exchange == record.number)
        line[QStringLiteral("parameter")] = parameterJson(m_parameters.back());
    liveLine(line);
}

void SimLog::addLoaderFrame(std::size_t session, const LoaderFrameRecord& frame)
{
    m_loaders[session].frames.push_back(frame);
    QJsonObject line = frameJson(frame);
    line[QStringLiteral("loader")] = static_cast<int>(session) + 1;
    liveLine(line);
}

bool SimLog::write(const QString& path, QString& error)
{
    if (m_live.isOpen() && m_live.fileName() == path) {
        // The lines stay; the rest of the object follows them.
        m_live.write("{\"end\": true}\n],");
        m_live.write(toJson().mid(1));
        const bool ok = m_live.flush() && m_live.error() == QFileDevice::NoError;
        if (!ok)
            error = m_live.errorString();
        m_live.close();
        return ok;
    }
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
