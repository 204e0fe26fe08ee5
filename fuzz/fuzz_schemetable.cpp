// The scheme table: conf.dat bytes and the readable source. A table read from
// either comes back the same through the other form.

#include "fuzzsupport.h"

#include "model/schemetable.h"

#include <optional>

namespace {

void checkRoundTrips(const vyn::SchemeTable& table)
{
    try {
        const QByteArray bytes = table.toBytes();
        VYNFUZZ_CHECK(vyn::SchemeTable::fromBytes(bytes) == table);
        const QString source = table.toSource();
        const vyn::SchemeTable fromSource = vyn::SchemeTable::fromSource(source);
        VYNFUZZ_CHECK(fromSource == table);
        VYNFUZZ_CHECK(fromSource.toBytes() == bytes);
        VYNFUZZ_CHECK(fromSource.toSource() == source);
    } catch (const vyn::SchemeTableError& e) {
        std::fprintf(stderr, "a table's own forms are refused: %s\n", qPrintable(e.message()));
        std::abort();
    }
}

template <typename Read> void readThenCheck(Read&& read)
{
    std::optional<vyn::SchemeTable> table;
    try {
        table = read();
    } catch (const vyn::SchemeTableError&) {
        return;
    }
    checkRoundTrips(*table);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vynfuzz::ensureApplication();
    const QByteArray input = vynfuzz::bytesOf(data, size);
    for (auto tail : {vyn::SchemeTable::ShortTail::Reject, vyn::SchemeTable::ShortTail::ZeroFill})
        readThenCheck([&] { return vyn::SchemeTable::fromBytes(input, tail); });
    // The same input as source text.
    readThenCheck([&] { return vyn::SchemeTable::fromSource(QString::fromUtf8(input)); });
    return 0;
}
