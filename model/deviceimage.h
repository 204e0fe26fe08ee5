#pragma once
// The memory image of a generation-03 calculator: 64 KiB addressed by device
// memory address, 0xFF where nothing is to be programmed.

#include "configrecord.h"
#include "numberlocale.h"
#include "schemetable.h"

#include <QDateTime>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vyn {

class DeviceImage
{
public:
    static constexpr int kSize = 65536;
    static constexpr std::uint8_t kBlank = 0xFF;

    DeviceImage() : m_bytes(kSize, kBlank) {}

    void clear() { std::fill(m_bytes.begin(), m_bytes.end(), kBlank); }

    std::uint8_t at(int address) const { return m_bytes[static_cast<std::size_t>(address)]; }
    void set(int address, std::uint8_t value)
    {
        m_bytes[static_cast<std::size_t>(address)] = value;
    }

    // Bytes from..to, both included.
    std::span<const std::uint8_t> range(int from, int to) const
    {
        return std::span<const std::uint8_t>(m_bytes).subspan(
            static_cast<std::size_t>(from), static_cast<std::size_t>(to - from + 1));
    }
    std::span<const std::uint8_t> bytes() const { return m_bytes; }

    // Maximal runs of bytes other than 0xFF, as (first, last) addresses.
    std::vector<std::pair<int, int>> writtenRanges() const;

    bool operator==(const DeviceImage&) const = default;

private:
    std::vector<std::uint8_t> m_bytes;
};

// Checksum over the bytes from..to (both included) of the image.
std::uint16_t ImageChecksum(const DeviceImage& image, int from, int to);

using AltDaysBytes = std::array<std::uint8_t, 62>;

// Everything the build reads besides the record.
struct ImageInputs
{
    int ImageLayout = 0;   // 2 = short layout, anything else the full one
    int FirmwareStamp = 0; // decides which scheme table record the full layout takes
    SchemeTable schemes;
    std::optional<AltDaysBytes> altDays; // none: the file could not be read; 62 zero bytes
    bool noSeasonTimeChange = true; // "Не осуществлять перевод на зимнее/летнее время"
    bool minFlowControl = false; // "Устанавить в приборе контроль минимального значения расхода"
    QDateTime now;
    NumberLocale locale;
};

// Builds the image of the record for the given inputs. The record is only read.
// Throws SchemeTableError when the full layout is asked for and the scheme table
// has no record "30".
DeviceImage buildDeviceImage(const ConfigRecord& rec, const ImageInputs& inputs);

// The scheme table record the full layout copies: "30" from firmware stamp 30519
// on, else the record of the scheme code, else "30". Throws SchemeTableError when
// there is no record "30".
const SchemeRecord& chooseSchemeRecord(const SchemeTable& table, const QString& scheme,
                                       int firmwareStamp);

} // namespace vyn
