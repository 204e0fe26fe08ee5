#pragma once
// The programmer file: the loader program of generation-03 calculators as TI-TXT
// text ("@F000" load address lines, lines of hexadecimal bytes, "q" ends it),
// loaded into a 64 KiB image by address. 0xFF means nothing to send there.

#include "model/deviceimage.h"

#include <QString>
#include <optional>

namespace vyn {

class UserDialogs;

// The loader image has the shape of a device image.
using LoaderImage = DeviceImage;

// Address of an "@..." line; none when it is not hexadecimal or lies past the image.
std::optional<int> LoadAddres(const QString& line);

// Stores the bytes of a data line from address on and returns the next address.
// Every space ends a token, so two spaces give a byte 0; a token is taken modulo
// 256. Nothing is stored and none returned when a token is not hexadecimal or a
// byte would lie at 0x10000 or above.
std::optional<int> LoadByte(LoaderImage& image, const QString& line, int address);

// Fills the image with 0xFF and loads the file into it. On failure shows
// "Ошибка открытия файла " + fileName (caption: title), leaves the image blank
// (part of a loader must never be sent as the whole) and returns false.
bool LoadProg(LoaderImage& image, const QString& fileName, UserDialogs& dialogs,
              const QString& title);

} // namespace vyn
