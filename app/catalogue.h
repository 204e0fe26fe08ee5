#pragma once
// The instrument catalogue as shipped (rash.spe) and as read (rash.ini): an INI
// text scrambled with a chained XOR. Decoding: p[i] = c[i] ^ k[i], where k[0] is
// kCatalogueStartKey and k[i] = c[i-1], the previous stored byte.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace vyn {

// Chosen once for our catalogues; every rash.spe we ship is packed with it.
// Changing it makes every shipped catalogue unreadable.
inline constexpr std::uint8_t kCatalogueStartKey = 0xA7;

QByteArray scrambleCatalogue(QByteArrayView plain);
QByteArray unscrambleCatalogue(QByteArrayView stored);


} // namespace vyn
