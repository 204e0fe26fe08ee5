#pragma once
// Faults the simulator injects, each matching one failure the program reports.
// A rule is KIND[,KIND...] optionally followed by ":RATE" (probability per
// exchange) or "@N" (the N-th exchange of the whole session, from 1, the
// identification's included); "all" names every kind.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace vynsim {

enum class FaultKind
{
    None,
    DropAck,        // no acknowledge of the request header (all three attempts)
    DropBlockAck,   // no acknowledge of the first request block
    WrongBlockAck,  // request block acknowledged with another address
    LoseEcho,       // echoing line stops echoing after the header
    Silent,         // no reply header after the end of the request
    BadHeaderCrc,   // reply header with a wrong check value
    WrongAddress,   // reply header with another address
    CutBlockHeader, // reply block ends after its first byte
    TruncatedReply, // reply block ends in the middle of its data
    BadBlockCrc,    // reply block with a wrong check value
    EmptyBlocks,    // the reply data is preceded by endless empty blocks
    // The generation-03 loader; "@N" counts the frames of a loader session, the
    // loader frame being 1.
    LoaderBadReply,  // loader frame answered 00 00 AA
    LoaderLongReply, // loader frame answered 00 00 55 00
    EraseBadReply,   // erase frame answered 00 01
    WriteBadReply,   // write frame answered 00 01 (nothing programmed)
    FrameSilent,     // a loader, erase or write frame gets no answer
};

// Which loader frame a fault is chosen for; None in the request protocol.
enum class LoaderFrame
{
    None,
    Loader,
    Erase,
    Write
};

QString faultName(FaultKind kind);
// What the fault does, in a line of "vynsim --help".
QString faultDescription(FaultKind kind);
std::optional<FaultKind> faultFromName(const QString& name);
QStringList faultNames();

// What is known of an exchange when its header arrives.
struct FaultContext
{
    int exchange = 0; // from 1
    bool hasRequestData = false;
    bool echo = false;
    bool replyMayHaveData = false;
    LoaderFrame loaderFrame = LoaderFrame::None;
};

// Whether a fault can happen at all in such an exchange.
bool faultApplies(FaultKind kind, const FaultContext& ctx);

class FaultPlan
{
public:
    // False with a message for a malformed rule.
    bool addRule(const QString& spec, QString& error);
    void setSeed(std::uint32_t seed) { m_random.seed(seed); }
    bool empty() const { return m_rules.empty(); }
    FaultKind choose(const FaultContext& ctx);

private:
    struct Rule
    {
        std::vector<FaultKind> kinds;
        double rate = 1.0;
        int nth = 0;
    };
    std::vector<Rule> m_rules;
    std::mt19937 m_random{1};
};

} // namespace vynsim
