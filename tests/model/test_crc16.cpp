#include "model/crc16.h"

#include <gtest/gtest.h>
#include <array>
#include <string_view>

using namespace vyn;

namespace {
std::span<const std::uint8_t> bytesOf(std::string_view s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}
} // namespace

TEST(Crc16, FrameCheckValueIsXmodem)
{
    EXPECT_EQ(frameCrc(bytesOf("123456789")), 0x31C3);
}

TEST(Crc16, ImageChecksumHasNoAugmentation)
{
    EXPECT_EQ(imageChecksum(bytesOf("abc")), 0x1EE4);
}

TEST(Crc16, FrameFollowedByItsCrcChecksToZero)
{
    const std::array<std::uint8_t, 5> header{0x00, 0xFF, 0x02, 0x04, 0x00};
    const std::uint16_t crc = frameCrc(header);
    std::array<std::uint8_t, 7> framed{};
    std::copy(header.begin(), header.end(), framed.begin());
    framed[5] = static_cast<std::uint8_t>(crc >> 8);
    framed[6] = static_cast<std::uint8_t>(crc & 0xFF);
    EXPECT_TRUE(frameCrcValid(framed));
    framed[2] ^= 0x01;
    EXPECT_FALSE(frameCrcValid(framed));
}

TEST(Crc16, EmptyInputs)
{
    EXPECT_EQ(imageChecksum({}), 0);
    EXPECT_EQ(frameCrc({}), 0);
}
