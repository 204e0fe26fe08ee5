#include "app/catalogue.h"

namespace vyn {

QByteArray scrambleCatalogue(QByteArrayView plain)
{
    QByteArray out(plain.size(), Qt::Uninitialized);
    auto key = static_cast<std::uint8_t>(kCatalogueStartKey);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(static_cast<std::uint8_t>(plain[i]) ^ key);
        out[i] = static_cast<char>(c);
        key = c;
    }
    return out;
}

QByteArray unscrambleCatalogue(QByteArrayView stored)
{
    QByteArray out(stored.size(), Qt::Uninitialized);
    auto key = static_cast<std::uint8_t>(kCatalogueStartKey);
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(stored[i]);
        out[i] = static_cast<char>(c ^ key);
        key = c;
    }
    return out;
}


} // namespace vyn
