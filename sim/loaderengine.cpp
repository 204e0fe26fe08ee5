#include "loaderengine.h"

#include "model/crc16.h"

#include <algorithm>

namespace vynsim {

namespace {

constexpr std::uint8_t kStart = 0xF1;
constexpr std::uint8_t kErase = 0x03;
constexpr std::uint8_t kWrite = 0x01;
constexpr std::uint8_t kEnd = 0x47;

int wordAt(const std::vector<std::uint8_t>& frame, std::size_t i)
{
    return frame[i] * 256 + frame[i + 1];
}

QByteArray bytesOf(const std::vector<std::uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

QString kindName(LoaderFrame kind)
{
    switch (kind) {
    case LoaderFrame::Loader:
        return QStringLiteral("loader");
    case LoaderFrame::Erase:
        return QStringLiteral("erase");
    case LoaderFrame::Write:
        return QStringLiteral("write");
    case LoaderFrame::None:
        break;
    }
    return {};
}

} // namespace

LoaderEngine::LoaderEngine(EngineHost& host, FaultPlan& faults, SimLog& log, Resume resume)
    : m_host(host), m_faults(faults), m_log(log), m_resume(std::move(resume))
{
}

void LoaderEngine::beginFrame(LoaderFrame kind, std::size_t headLength)
{
    m_kind = kind;
    m_frame.clear();
    m_headLength = headLength;
    m_expected = 0;
    m_state = State::Frame;
}

void LoaderEngine::onByte(std::uint8_t b)
{
    switch (m_state) {
    case State::Start:
        if (b != kStart)
            return resume(b);
        m_session = m_log.beginLoader();
        m_frames = 0;
        beginFrame(LoaderFrame::Loader, 4);
        return;
    case State::Frame:
        m_frame.push_back(b);
        if (m_expected == 0 && m_frame.size() == m_headLength) {
            // Loader: last, count; erase and write: code, address, length.
            const int length = wordAt(m_frame, m_headLength - 2);
            m_expected = m_headLength + (m_kind == LoaderFrame::Erase ? 0 : length) + 2;
        }
        if (m_expected != 0 && m_frame.size() == m_expected)
            frameComplete();
        return;
    case State::Between:
        switch (b) {
        case kErase:
            beginFrame(LoaderFrame::Erase, 5);
            m_frame.push_back(b);
            return;
        case kWrite:
            beginFrame(LoaderFrame::Write, 5);
            m_frame.push_back(b);
            return;
        case kEnd:
            record().ended = true;
            return resume(std::nullopt);
        case kStart:
            // A new transfer without the end of the last one.
            m_state = State::Start;
            return onByte(b);
        default:
            // The program talks the request protocol again.
            record().stray.append(static_cast<char>(b));
            return resume(b);
        }
    }
}

void LoaderEngine::onGap()
{
    if (m_state != State::Frame)
        return;
    LoaderFrameRecord f;
    f.number = ++m_frames;
    f.kind = kindName(m_kind);
    f.length = static_cast<int>(m_frame.size());
    f.outcome = QStringLiteral("abandoned");
    m_log.addLoaderFrame(m_session, f);
    m_frame.clear();
    m_state = State::Between;
}

void LoaderEngine::frameComplete()
{
    LoaderFrameRecord f;
    f.number = ++m_frames;
    f.kind = kindName(m_kind);
    f.crcOk = vyn::frameCrcValid(m_frame);
    const std::size_t at = m_kind == LoaderFrame::Loader ? 0 : 1;
    f.address = wordAt(m_frame, at);
    f.length = wordAt(m_frame, at + 2);

    FaultContext ctx;
    ctx.exchange = m_frames;
    ctx.loaderFrame = m_kind;
    const FaultKind fault = m_faults.choose(ctx);

    bool good = false;
    switch (m_kind) {
    case LoaderFrame::Loader:
        if (f.crcOk) {
            std::vector<std::uint8_t> program(m_frame.begin() + 4, m_frame.end() - 2);
            std::reverse(program.begin(), program.end());
            record().start = f.address - f.length + 1;
            record().program = bytesOf(program);
        }
        reply(f, fault, {0x00, 0x00, 0x55}, {0x00, 0x00, 0xAA});
        break;
    case LoaderFrame::Erase:
        reply(f, fault, {0x00, 0x00}, {0x00, 0x01});
        break;
    case LoaderFrame::Write:
        good = f.crcOk && fault == FaultKind::None;
        if (good)
            m_log.program(f.address, bytesOf(std::vector<std::uint8_t>(m_frame.begin() + 5,
                                                                       m_frame.end() - 2)));
        reply(f, fault, {0x00, 0x00}, {0x00, 0x01});
        break;
    case LoaderFrame::None:
        break;
    }
    m_log.addLoaderFrame(m_session, f);
    m_frame.clear();
    m_state = State::Between;
}

void LoaderEngine::reply(LoaderFrameRecord& frame, FaultKind fault, std::vector<std::uint8_t> good,
                         std::vector<std::uint8_t> bad)
{
    frame.fault = faultName(fault);
    std::vector<std::uint8_t> sent;
    if (fault == FaultKind::FrameSilent) {
        frame.outcome = QStringLiteral("fault");
        return;
    }
    if (!frame.crcOk) {
        sent = std::move(bad);
        frame.outcome = QStringLiteral("bad-crc");
    } else if (fault == FaultKind::LoaderLongReply) {
        sent = std::move(good);
        sent.push_back(0x00);
        frame.outcome = QStringLiteral("fault");
    } else if (fault != FaultKind::None) {
        sent = std::move(bad);
        frame.outcome = QStringLiteral("fault");
    } else {
        sent = std::move(good);
        frame.outcome = QStringLiteral("complete");
    }
    frame.reply = bytesOf(sent);
    m_host.send(sent);
}

void LoaderEngine::resume(std::optional<std::uint8_t> first)
{
    std::unique_ptr<LineEngine> next = m_resume();
    if (first)
        next->onByte(*first);
    m_host.handOver(std::move(next));
}

} // namespace vynsim
