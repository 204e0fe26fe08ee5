// The programmer file (TI-TXT loader text) loaded into an image.

#include "fuzzsupport.h"

#include "link/programmerfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vynfuzz::ensureApplication();
    const QString path = vynfuzz::scratchFile(QStringLiteral("prg.vyn"), vynfuzz::bytesOf(data, size));
    vynfuzz::SilentUser user;
    vyn::LoaderImage image;
    const bool loaded = vyn::LoadProg(image, path, user, QStringLiteral("fuzz"));
    // A failure is said to the user; a success says nothing.
    VYNFUZZ_CHECK(loaded == (user.messages == 0));
    // Loading is a function of the file.
    vyn::LoaderImage again;
    VYNFUZZ_CHECK(vyn::LoadProg(again, path, user, QStringLiteral("fuzz")) == loaded);
    VYNFUZZ_CHECK(again == image);
    return 0;
}
