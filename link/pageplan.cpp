#include "pageplan.h"

#include "model/crc16.h"

#include <algorithm>

namespace vyn {

namespace {

class FrameBuilder
{
public:
    void byte(std::uint8_t b)
    {
        m_bytes.push_back(b);
        m_crc.feed(b);
    }
    void word(int w)
    {
        byte(static_cast<std::uint8_t>((w >> 8) & 0xFF));
        byte(static_cast<std::uint8_t>(w & 0xFF));
    }
    std::vector<std::uint8_t> finish()
    {
        m_crc.feed(0);
        m_crc.feed(0);
        const std::uint16_t crc = m_crc.value();
        m_bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
        m_bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        return std::move(m_bytes);
    }

private:
    std::vector<std::uint8_t> m_bytes;
    Crc16Register m_crc;
};

struct UsedSpan
{
    int first;
    int last;
};

std::optional<UsedSpan> usedSpan(const DeviceImage& image)
{
    int first = 0;
    while (first < DeviceImage::kSize && image.at(first) == DeviceImage::kBlank)
        ++first;
    if (first == DeviceImage::kSize)
        return std::nullopt;
    int last = DeviceImage::kSize - 1;
    while (image.at(last) == DeviceImage::kBlank)
        --last;
    return UsedSpan{first, std::min(last, kLastTransferAddress)};
}

} // namespace

std::optional<LoaderRange> loaderRange(const DeviceImage& loader)
{
    const auto used = usedSpan(loader);
    // A loader whose highest byte is at address 0 counts as empty; so does one
    // that lies wholly above the cap (its count would be negative).
    if (!used || used->last == 0 || used->first > used->last)
        return std::nullopt;
    return LoaderRange{used->first, used->last};
}

std::vector<std::uint8_t> loaderFrame(const DeviceImage& loader, const LoaderRange& range)
{
    FrameBuilder f;
    f.word(range.last);
    f.word(range.count());
    for (int a = range.last; a >= range.start; --a)
        f.byte(loader.at(a));
    return f.finish();
}

int pageSizeAt(int address)
{
    if (address < 0x1100)
        return 128;
    if (address < 0x1200)
        return 256;
    return 512;
}

int pageStartOf(int address)
{
    return address - address % pageSizeAt(address);
}

std::optional<PagePlan> planPages(const DeviceImage& image)
{
    const auto used = usedSpan(image);
    if (!used)
        return std::nullopt;
    PagePlan plan;
    plan.first = pageStartOf(used->first);
    plan.last = used->last;
    for (int a = plan.first; a <= plan.last;) {
        ProgramPage page;
        page.address = a;
        page.length = std::min(pageSizeAt(a), plan.last - a + 1);
        const auto bytes = image.range(a, a + page.length - 1);
        page.blank = std::all_of(bytes.begin(), bytes.end(),
                                 [](std::uint8_t b) { return b == DeviceImage::kBlank; });
        plan.pages.push_back(page);
        a += page.length;
    }
    return plan;
}

std::vector<std::uint8_t> eraseFrame(int address)
{
    FrameBuilder f;
    f.byte(0x03);
    f.word(address);
    f.word(0);
    return f.finish();
}

std::vector<std::uint8_t> writeFrame(const DeviceImage& image, const ProgramPage& page)
{
    FrameBuilder f;
    f.byte(0x01);
    f.word(page.address);
    f.word(page.length);
    for (std::uint8_t b : image.range(page.address, page.address + page.length - 1))
        f.byte(b);
    return f.finish();
}

} // namespace vyn
