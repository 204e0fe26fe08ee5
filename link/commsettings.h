#pragma once
// The communication settings as a value: port, speed, data format, DTR/RTS,
// network address and the two timing values of the older devices' transfer.
// Kept in setvyn.ini, section "TFormCommConfig"; choices are item indexes.

#include "comm32.h"

#include <QString>
#include <QStringList>

namespace vyn {

class IniFile;

struct CommSettings
{
    QString port;           // "Port"
    int speedItem = 3;      // "Speed": index into speedItems()
    int dataBitsItem = 2;   // "Byte": index into dataBitsItems()
    int parityItem = 0;     // "Parity": index into parityItems()
    int stopBitsItem = 0;   // "Stop": index into stopBitsItems()
    bool dtr = true;        // "CheckBox1_Checked"
    bool rts = true;        // "CheckBox2_Checked"
    int networkAddress = 1; // "RxSpinEdit1_Value", 1..255 (stored only)
    int wait = 7;           // "RxSpinEdit2_Value", 1..255
    int byteInterval = 2;   // "RxSpinEdit3_Value", 1..255

    static const QStringList& speedItems();    // "1200" "2400" "4800" "9600"
    static const QStringList& dataBitsItems(); // "6" "7" "8"
    static const QStringList& parityItems();   // "N" "1" "0" "E" "O"
    static const QStringList& stopBitsItems(); // "1" "2"

    int speed() const; // item text as a number
    TDatabits databits() const;
    TParity parity() const;     // N none, 1 mark, 0 space, E even, O odd
    TStopbits stopbits() const; // "1" one, otherwise two

    // Reads the section; on the first start (section "Start", "FirstStart" missing
    // or "first") the speed, format, wait and interval take their first-start values.
    static CommSettings read(const IniFile& ini);
    void write(IniFile& ini) const;

    bool operator==(const CommSettings&) const = default;
};

} // namespace vyn
