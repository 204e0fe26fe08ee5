#include "faults.h"

#include <array>
#include <utility>

namespace vynsim {

namespace {

constexpr std::array<std::pair<FaultKind, const char*>, 16> kNames{{
    {FaultKind::DropAck, "drop-ack"},
    {FaultKind::DropBlockAck, "drop-block-ack"},
    {FaultKind::WrongBlockAck, "wrong-block-ack"},
    {FaultKind::LoseEcho, "lose-echo"},
    {FaultKind::Silent, "silent"},
    {FaultKind::BadHeaderCrc, "bad-header-crc"},
    {FaultKind::WrongAddress, "wrong-address"},
    {FaultKind::CutBlockHeader, "cut-block-header"},
    {FaultKind::TruncatedReply, "truncated-reply"},
    {FaultKind::BadBlockCrc, "bad-block-crc"},
    {FaultKind::EmptyBlocks, "empty-blocks"},
    {FaultKind::LoaderBadReply, "loader-bad-reply"},
    {FaultKind::LoaderLongReply, "loader-long-reply"},
    {FaultKind::EraseBadReply, "erase-bad-reply"},
    {FaultKind::WriteBadReply, "write-bad-reply"},
    {FaultKind::FrameSilent, "frame-silent"},
}};

bool isLoaderKind(FaultKind kind)
{
    return kind >= FaultKind::LoaderBadReply;
}

} // namespace

QString faultDescription(FaultKind kind)
{
    switch (kind) {
    case FaultKind::DropAck:
        return QStringLiteral("no acknowledge of the request header, all three attempts "
                              "(\"Ошибка 1\")");
    case FaultKind::DropBlockAck:
        return QStringLiteral("no acknowledge of the first request block (\"Ошибка 2\")");
    case FaultKind::WrongBlockAck:
        return QStringLiteral("request block acknowledged with another address (\"Ошибка 3\")");
    case FaultKind::LoseEcho:
        return QStringLiteral("with --echo: the echo stops after the header (\"Ошибка 2\")");
    case FaultKind::Silent:
        return QStringLiteral("no reply header after the request (\"Ошибка 4\")");
    case FaultKind::BadHeaderCrc:
        return QStringLiteral("reply header with a wrong check value (\"Ошибка 5\")");
    case FaultKind::WrongAddress:
        return QStringLiteral("reply header from another address (\"Ошибка 6\")");
    case FaultKind::CutBlockHeader:
        return QStringLiteral("reply block ends after its first byte (\"Ошибка 7\")");
    case FaultKind::TruncatedReply:
        return QStringLiteral("reply block ends in the middle of its data (\"Ошибка 8\")");
    case FaultKind::BadBlockCrc:
        return QStringLiteral("reply block with a wrong check value (\"Ошибка 9\")");
    case FaultKind::EmptyBlocks:
        return QStringLiteral("endless empty reply blocks before the data (\"Ошибка 8\")");
    case FaultKind::LoaderBadReply:
        return QStringLiteral("generation 03: loader frame answered 00 00 AA");
    case FaultKind::LoaderLongReply:
        return QStringLiteral("generation 03: loader frame answered 00 00 55 00");
    case FaultKind::EraseBadReply:
        return QStringLiteral("generation 03: erase frame answered 00 01");
    case FaultKind::WriteBadReply:
        return QStringLiteral("generation 03: write frame answered 00 01, nothing programmed");
    case FaultKind::FrameSilent:
        return QStringLiteral("generation 03: a loader, erase or write frame gets no answer");
    case FaultKind::None:
        break;
    }
    return {};
}

QString faultName(FaultKind kind)
{
    for (const auto& [k, name] : kNames)
        if (k == kind)
            return QString::fromLatin1(name);
    return {};
}

std::optional<FaultKind> faultFromName(const QString& name)
{
    for (const auto& [k, n] : kNames)
        if (name == QLatin1String(n))
            return k;
    return std::nullopt;
}

QStringList faultNames()
{
    QStringList out;
    for (const auto& entry : kNames)
        out << QString::fromLatin1(entry.second);
    return out;
}

bool faultApplies(FaultKind kind, const FaultContext& ctx)
{
    if (isLoaderKind(kind) != (ctx.loaderFrame != LoaderFrame::None))
        return false;
    switch (kind) {
    case FaultKind::None:
        return false;
    case FaultKind::DropBlockAck:
    case FaultKind::WrongBlockAck:
        return ctx.hasRequestData;
    case FaultKind::LoseEcho:
        return ctx.hasRequestData && ctx.echo;
    case FaultKind::CutBlockHeader:
    case FaultKind::TruncatedReply:
    case FaultKind::BadBlockCrc:
    case FaultKind::EmptyBlocks:
        return ctx.replyMayHaveData;
    case FaultKind::LoaderBadReply:
    case FaultKind::LoaderLongReply:
        return ctx.loaderFrame == LoaderFrame::Loader;
    case FaultKind::EraseBadReply:
        return ctx.loaderFrame == LoaderFrame::Erase;
    case FaultKind::WriteBadReply:
        return ctx.loaderFrame == LoaderFrame::Write;
    default:
        return true;
    }
}

bool FaultPlan::addRule(const QString& spec, QString& error)
{
    Rule rule;
    QString kinds = spec;
    const qsizetype colon = spec.indexOf(QLatin1Char(':'));
    const qsizetype at = spec.indexOf(QLatin1Char('@'));
    bool ok = true;
    if (colon >= 0) {
        kinds = spec.left(colon);
        rule.rate = spec.mid(colon + 1).toDouble(&ok);
        if (!ok || rule.rate < 0 || rule.rate > 1) {
            error = QStringLiteral("fault rate must be between 0 and 1: %1").arg(spec);
            return false;
        }
    } else if (at >= 0) {
        kinds = spec.left(at);
        rule.nth = spec.mid(at + 1).toInt(&ok);
        if (!ok || rule.nth < 1) {
            error = QStringLiteral("fault exchange number must be 1 or more: %1").arg(spec);
            return false;
        }
    }
    for (const QString& name : kinds.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (name == QLatin1String("all")) {
            for (const auto& entry : kNames)
                rule.kinds.push_back(entry.first);
            continue;
        }
        const auto kind = faultFromName(name);
        if (!kind) {
            error = QStringLiteral("unknown fault \"%1\" (known: all, %2)")
                        .arg(name, faultNames().join(QStringLiteral(", ")));
            return false;
        }
        rule.kinds.push_back(*kind);
    }
    if (rule.kinds.empty()) {
        error = QStringLiteral("fault rule without a kind: %1").arg(spec);
        return false;
    }
    m_rules.push_back(std::move(rule));
    return true;
}

FaultKind FaultPlan::choose(const FaultContext& ctx)
{
    for (const Rule& rule : m_rules) {
        bool fires = false;
        if (rule.nth > 0) {
            fires = ctx.exchange == rule.nth;
        } else {
            std::uniform_real_distribution<double> dice(0.0, 1.0);
            fires = dice(m_random) < rule.rate;
        }
        if (!fires)
            continue;
        std::vector<FaultKind> candidates;
        for (FaultKind k : rule.kinds)
            if (faultApplies(k, ctx))
                candidates.push_back(k);
        if (candidates.empty())
            continue;
        std::uniform_int_distribution<std::size_t> pick(0, candidates.size() - 1);
        return candidates[pick(m_random)];
    }
    return FaultKind::None;
}

} // namespace vynsim
