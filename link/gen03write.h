#pragma once
// What the generation-03 configuration write needs of the main window beside
// the protocol: its port Comm321, its worker and the two images, the scheme
// table, the interface setting "Прибор отображает NoCFG" and the special-build
// mark.

#include "operate.h"

#include "model/deviceimage.h"
#include "model/schemetable.h"

#include <QString>
#include <functional>
#include <optional>

namespace vyn {

class UserDialogs;

struct Gen03Link
{
    OperateRunner& runner;
    TComm32& comm321;
    OperateHost& host; // the worker's messages
    const LoaderImage& loader;
    DeviceImage& image; // built by the write
    const SchemeTable& schemes;
    bool& noCfgShown; // switched off after one use
    bool specialBuild = false;
    QString applicationTitle;
    std::function<void(bool)> showWaiting; // the waiting window on and off
    Sleeper& sleeper = ThreadSleeper::instance();
    std::optional<OperateTimings> timings; // none: from the communication settings
};

// "Вы хотите завершить процесс?" when a worker runs; Yes stops it. True when a
// worker was running: the command ends here. The write command asks before it
// identifies the calculator, since the worker holds the port.
bool offerToStopRunningWrite(OperateRunner& runner, UserDialogs& dialogs,
                             const QString& applicationTitle);

// The firmware stamp of a firmware reply (buffer bytes 16, 17, 18) and the
// version text shown for it (bytes 18, 17, 16).
int firmwareStampOf(std::span<const std::uint8_t> reply);
QString firmwareVersionTextOf(std::span<const std::uint8_t> reply);

// The factory-settings block of a type reply, as a special build checks it.
bool factoryBlockValid(std::span<const std::uint8_t> reply);

// Whether type bytes b26, b27 take a configuration whose second scheme digit is given.
bool configurationFits(std::uint8_t b26, std::uint8_t b27, QChar secondSchemeDigit);

} // namespace vyn
