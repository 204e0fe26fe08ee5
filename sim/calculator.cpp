#include "calculator.h"

#include "loaderengine.h"

#include <cstring>

namespace vynsim {

namespace {

bool isRequest(const std::vector<std::uint8_t>& request, std::initializer_list<std::uint8_t> bytes)
{
    return request.size() == bytes.size() &&
           std::equal(bytes.begin(), bytes.end(), request.begin());
}

// Data byte of buffer position k.
void put(std::vector<std::uint8_t>& data, std::size_t k, std::uint8_t value)
{
    if (data.size() < k)
        data.resize(k, 0);
    data[k - 1] = value;
}

void putSingle(std::vector<std::uint8_t>& data, std::size_t k, float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (std::size_t i = 0; i < 4; ++i)
        put(data, k + i, static_cast<std::uint8_t>(bits >> (8 * i)));
}

} // namespace

Calculator::Calculator(const CalculatorOptions& options, SimLog& log)
    : m_options(options), m_log(log)
{
}

bool Calculator::mayReplyWithData(std::uint8_t function)
{
    return function == 0x02 || function == 0x0A;
}

std::vector<std::uint8_t> Calculator::identityReply() const
{
    std::vector<std::uint8_t> data(18, 0);
    for (std::size_t i = 0; i < 8; ++i)
        put(data, 8 + i, m_options.serial[i]);
    put(data, 16, static_cast<std::uint8_t>(m_options.firmwareYear - 2000));
    put(data, 17, static_cast<std::uint8_t>(m_options.firmwareMonth));
    put(data, 18, static_cast<std::uint8_t>(m_options.firmwareDay));
    return data;
}

std::vector<std::uint8_t> Calculator::olderTypeReply() const
{
    // Factory block: digits, two singles, a check word, then the type bytes.
    std::uint8_t b26 = 0;
    std::uint8_t b27 = 0;
    switch (m_options.type) {
    case 1:
        b26 = 0x20, b27 = 2;
        break;
    case 2:
        b26 = 0x40, b27 = 2;
        break;
    case 3:
        b26 = 0x40, b27 = 4;
        break;
    default:
        break;
    }
    std::vector<std::uint8_t> data(34, 0);
    for (std::size_t i = 0; i < 8; ++i)
        put(data, 8 + i, m_options.serial[i]);
    // A damaged block: the first constant far outside 1600..1800.
    putSingle(data, 16, m_options.badFactoryBlock ? 25.0f : 1700.0f);
    putSingle(data, 20, 1.0f);
    const int word = b26 * 1000 + 768;
    put(data, 24, static_cast<std::uint8_t>(word & 0xFF));
    put(data, 25, static_cast<std::uint8_t>((word >> 8) & 0xFF));
    put(data, 26, b26);
    put(data, 27, b27);
    put(data, 34, static_cast<std::uint8_t>(m_options.layout));
    return data;
}

void Calculator::pad(std::vector<std::uint8_t>& data) const
{
    // Padding bytes carry their own buffer position, so a reader can check them.
    for (std::size_t k = data.size() + 1; k <= static_cast<std::size_t>(m_options.padReply); ++k)
        data.push_back(static_cast<std::uint8_t>(k & 0xFF));
}

Reply Calculator::answer(int exchange, std::uint8_t function,
                         const std::vector<std::uint8_t>& request)
{
    Reply reply;
    if (function == 0x0A && isRequest(request, {0x03, 0x35, 0x45, 0xC5})) {
        reply.data.assign(8, 0);
        put(reply.data, 8, m_options.newType ? 0xFF : 0x00);
    } else if (function == 0x0A && isRequest(request, {0x03, 0x35, 0x45, 0x25})) {
        reply.data.assign(8, 0);
        put(reply.data, 8, static_cast<std::uint8_t>(m_options.type));
    } else if (function == 0x02 && (isRequest(request, {0x03, 0x45, 0x4F, 0x00}) ||
                                    isRequest(request, {0x02, 0x45, 0x4F, 0x00}))) {
        reply.data = identityReply();
    } else if (function == 0x02 && isRequest(request, {0x03, 0x45, 0x2F, 0x29})) {
        reply.data = olderTypeReply();
    } else if (function == 0x03 && request.size() >= 7) {
        m_log.addParameter(
            ParameterRecord{exchange, QByteArray(reinterpret_cast<const char*>(request.data()), 7),
                            QByteArray(reinterpret_cast<const char*>(request.data()) + 7,
                                       static_cast<qsizetype>(request.size() - 7))});
    }
    // The closing requests (0x82, 0x80) and anything unknown get an empty reply.
    if (!reply.data.empty())
        pad(reply.data);
    return reply;
}

std::unique_ptr<LineEngine> Calculator::takeOver(std::uint8_t function,
                                                 const std::vector<std::uint8_t>& request,
                                                 const TakeOverContext& context)
{
    if (m_options.generation != 3 || function != 0x01 || !isRequest(request, {0x01, 0x05, 0x10}))
        return nullptr;
    const auto ready = static_cast<std::uint8_t>(m_options.modeReply);
    context.host.send(std::span<const std::uint8_t>(&ready, 1));
    if (ready != 2)
        return nullptr;
    return std::make_unique<LoaderEngine>(context.host, context.faults, m_log, context.resume);
}

} // namespace vynsim
