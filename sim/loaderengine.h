#pragma once
// The generation-03 calculator after it has entered its programming mode: it
// waits for the start byte 0xF1, takes the loader frame (word last, word count,
// the program from last down, CRC) and answers 00 00 55, then erase frames
// (0x03, address, 0, CRC) and write frames (0x01, address, length, bytes, CRC),
// each answered 00 00, until the end byte 0x47 gives the line back to the
// request protocol. A frame that fails its check is answered with a wrong reply.

#include "faults.h"
#include "lineengine.h"
#include "simlog.h"

#include <functional>
#include <vector>

namespace vynsim {

class LoaderEngine : public LineEngine
{
public:
    using Resume = std::function<std::unique_ptr<LineEngine>()>;

    LoaderEngine(EngineHost& host, FaultPlan& faults, SimLog& log, Resume resume);

    void onByte(std::uint8_t b) override;
    void onGap() override;

private:
    enum class State
    {
        Start,  // before 0xF1
        Frame,  // a frame being received (the loader frame first)
        Between // between frames: 0x03, 0x01 or 0x47
    };

    LoaderRecord& record() { return m_log.loader(m_session); }
    void beginFrame(LoaderFrame kind, std::size_t headLength);
    void frameComplete();
    void reply(LoaderFrameRecord& frame, FaultKind fault, std::vector<std::uint8_t> good,
               std::vector<std::uint8_t> bad);
    void resume(std::optional<std::uint8_t> first);

    EngineHost& m_host;
    FaultPlan& m_faults;
    SimLog& m_log;
    Resume m_resume;
    std::size_t m_session = 0;

    State m_state = State::Start;
    LoaderFrame m_kind = LoaderFrame::None;
    std::vector<std::uint8_t> m_frame;
    std::size_t m_headLength = 0; // bytes up to and including the length word
    std::size_t m_expected = 0;   // whole frame, known once the head is in
    int m_frames = 0;
};

} // namespace vynsim
