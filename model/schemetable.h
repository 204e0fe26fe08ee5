#pragma once
// The scheme table of conf.dat: per scheme code, the 34 parameter bytes that the
// generation-03 image carries in its first region. A record on disk is 55 bytes:
// the code's length, 20 code characters, then the parameter bytes.

#include "messageerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace vyn {

// A scheme table that cannot be read or used; what() is the user's message (UTF-8).
class SchemeTableError : public MessageError
{
public:
    using MessageError::MessageError;
};

struct SchemeRecord
{
    static constexpr int kSize = 55;
    static constexpr int kMaxCodeLength = 20;
    static constexpr int kParameterCount = 34;

    QString code;
    std::array<std::uint8_t, kParameterCount> parameters{};

    bool operator==(const SchemeRecord&) const = default;
};

class SchemeTable
{
public:
    // What to do with a last record cut short by the end of the file. The start-up
    // loader reads such a record with zero bytes where the file ended; our tools
    // refuse it, since a packed table always holds whole records.
    enum class ShortTail
    {
        Reject,
        ZeroFill
    };

    SchemeTable() = default;
    explicit SchemeTable(std::vector<SchemeRecord> records) : m_records(std::move(records)) {}

    // Records of a conf.dat image in file order. Throws SchemeTableError.
    static SchemeTable fromBytes(QByteArrayView data, ShortTail tail = ShortTail::Reject);
    static SchemeTable fromFile(const QString& path, ShortTail tail = ShortTail::Reject);
    QByteArray toBytes() const;

    // The readable source: one record a line, the code and 34 hexadecimal bytes;
    // '#' starts a comment. Throws SchemeTableError naming the line.
    static SchemeTable fromSource(const QString& text);
    QString toSource() const;

    const std::vector<SchemeRecord>& records() const { return m_records; }
    bool isEmpty() const { return m_records.empty(); }
    // The first record with this code, or null.
    const SchemeRecord* find(const QString& code) const;

    bool operator==(const SchemeTable&) const = default;

private:
    std::vector<SchemeRecord> m_records;
};

} // namespace vyn
