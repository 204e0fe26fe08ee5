#pragma once
// What the simulator saw: every exchange, every parameter written and (for the
// older devices' loader) the memory received. A live log gets one line per
// exchange as it happens; when the simulator stops the file is completed into
// one JSON object, the lines kept in its "session" list.

#include <QByteArray>
#include <QFile>
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

// One frame of a loader session.
struct LoaderFrameRecord
{
    int number = 0;  // from 1, the loader frame being 1
    QString kind;    // "loader", "erase", "write"
    int address = 0; // loader frame: the last address
    int length = 0;  // loader frame: the count; erase: the word sent
    bool crcOk = false;
    std::optional<QByteArray> reply; // none: no answer
    QString fault;
    QString outcome; // "complete", "fault", "bad-crc", "abandoned"
};

// From the start byte 0xF1 to the end byte 0x47.
struct LoaderRecord
{
    std::optional<int> start; // lowest address of the loader program
    QByteArray program;       // its bytes from start upward
    std::vector<LoaderFrameRecord> frames;
    QByteArray stray;   // bytes between frames that start none
    bool ended = false; // 0x47 came
};

class SimLog
{
public:
    // Starts the live file; false with a message when it cannot be written.
    bool openLive(const QString& path, QString& error);
    void addExchange(const ExchangeRecord& record);
    void addParameter(const ParameterRecord& record) { m_parameters.push_back(record); }
    void addLoaderFrame(std::size_t session, const LoaderFrameRecord& frame);
    // The loader engine of the older devices: its sessions and what they programmed.
    std::size_t beginLoader()
    {
        m_loaders.emplace_back();
        return m_loaders.size() - 1;
    }
    LoaderRecord& loader(std::size_t session) { return m_loaders[session]; }
    void program(int address, const QByteArray& bytes);

    const std::vector<ExchangeRecord>& exchanges() const { return m_exchanges; }
    QByteArray toJson() const;
    // The whole log into path, or the live file completed.
    bool write(const QString& path, QString& error);

private:
    void liveLine(const QJsonObject& line);

    QFile m_live;
    std::vector<ExchangeRecord> m_exchanges;
    std::vector<ParameterRecord> m_parameters;
    std::vector<LoaderRecord> m_loaders;
    std::vector<int> m_memory; // by address, -1 where nothing was programmed
};

} // namespace vynsim
