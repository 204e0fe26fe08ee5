#pragma once
// The calculators' 16-bit check: polynomial 0x1021, initial value 0, computed
// bit-serially. The frame check of the request protocol feeds two zero bytes
// after the message; the image checksum does not.

#include <cstddef>
#include <cstdint>
#include <span>

namespace vyn {

// Bit-serial register: each data bit is shifted into bit 0; a bit shifted out of
// bit 15 folds the polynomial back in.
class Crc16Register
{
public:
    void feed(std::uint8_t byte)
    {
        for (int bit = 7; bit >= 0; --bit) {
            const bool carry = (m_value & 0x8000u) != 0;
            m_value = static_cast<std::uint16_t>((m_value << 1) | ((byte >> bit) & 1u));
            if (carry)
                m_value ^= 0x1021u;
        }
    }
    void feed(std::span<const std::uint8_t> bytes)
    {
        for (std::uint8_t b : bytes)
            feed(b);
    }
    std::uint16_t value() const { return m_value; }

private:
    std::uint16_t m_value = 0;
};

// Checksum of a memory range of the device image: no augmentation.
inline std::uint16_t imageChecksum(std::span<const std::uint8_t> bytes)
{
    Crc16Register r;
    r.feed(bytes);
    return r.value();
}

// Frame check value of the request protocol (XMODEM): the message followed by two
// zero bytes. Sent high byte first.
inline std::uint16_t frameCrc(std::span<const std::uint8_t> bytes)
{
    Crc16Register r;
    r.feed(bytes);
    r.feed(0);
    r.feed(0);
    return r.value();
}

// A received header or block followed by its two check bytes runs the register to 0.
inline bool frameCrcValid(std::span<const std::uint8_t> messageWithCrc)
{
    Crc16Register r;
    r.feed(messageWithCrc);
    return r.value() == 0;
}

} // namespace vyn
