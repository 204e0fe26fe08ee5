#pragma once
// What the simulator saw, written as JSON when it stops: every exchange, every
// parameter written and (for the older devices' loader) the memory received.

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <optional>
#include <vector>

namespace vynsim {

struct ExchangeRecord
{
    int number = 0;
    int address = 0;
    int function = 0;
    int length = 0;
    bool echo = false;
    std::optional<QByteArray> request; // complete request data, when it arrived
    std::vector<int> blocks;           // data bytes of each request block received
    std::optional<QByteArray> reply;   // status byte and reply data, when sent
    QString fault;                     // fault applied, empty for none
    QString outcome;                   // "complete", "fault", "abandoned"
};

struct ParameterRecord
{
    int exchange = 0;
    QByteArray prefix;
    QByteArray value;
};

class SimLog
{
public:
    void addExchange(const ExchangeRecord& record) { m_exchanges.push_back(record); }
    void addParameter(const ParameterRecord& record) { m_parameters.push_back(record); }
    // Filled by the loader engine of the older devices.
    QJsonArray& memory() { return m_memory; }

    const std::vector<ExchangeRecord>& exchanges() const { return m_exchanges; }
    QByteArray toJson() const;
    bool write(const QString& path, QString& error) const;

private:
    std::vector<ExchangeRecord> m_exchanges;
    std::vector<ParameterRecord> m_parameters;
    QJsonArray m_memory;
};

} // namespace vynsim
