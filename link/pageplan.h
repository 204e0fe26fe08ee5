#pragma once
// What the generation-03 transfer sends: the loader frame taken from the loader
// image, and the pages of the device image with their erase and write frames.
// Every frame ends with the frame CRC, high byte first; words go high byte first.

#include "model/deviceimage.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vyn {

// Nothing at or above this address is sent.
inline constexpr int kLastTransferAddress = 0xFC00;

struct LoaderRange
{
    int start = 0; // first address holding a byte
    int last = 0;  // highest such address, capped
    int count() const { return last - start + 1; }
};

// None when the image holds nothing to send below the cap.
std::optional<LoaderRange> loaderRange(const DeviceImage& loader);

// Word last, word count, the bytes from last down to start, CRC.
std::vector<std::uint8_t> loaderFrame(const DeviceImage& loader, const LoaderRange& range);

// 128 bytes below 0x1100, 256 up to 0x11FF, 512 from 0x1200 on.
int pageSizeAt(int address);
// Start of the page the address lies in.
int pageStartOf(int address);

struct ProgramPage
{
    int address = 0;
    int length = 0;
    bool blank = false; // only 0xFF: not sent

    bool operator==(const ProgramPage&) const = default;
};

struct PagePlan
{
    int first = 0; // the first used address rounded down to its page
    int last = 0;  // the highest used address, capped
    std::vector<ProgramPage> pages;
};

// None when the image holds nothing. Pages never reach past last.
std::optional<PagePlan> planPages(const DeviceImage& image);

// 0x03, word address, word 0, CRC.
std::vector<std::uint8_t> eraseFrame(int address);
// 0x01, word address, word length, the page's bytes, CRC.
std::vector<std::uint8_t> writeFrame(const DeviceImage& image, const ProgramPage& page);

} // namespace vyn
