#pragma once
// The interface settings: the file locations and user options that the device
// image, the generation-04 write, the editor and the documents consult. The
// window "Интерфейсные настройки" edits one such value; everybody else reads it,
// never the window's controls.

#include "editor/editorcontext.h"
#include "link/comunicator.h"
#include "model/deviceimage.h"

#include <QString>

namespace vyn {

class IniFile;

enum class PassportKind
{
    Complex,   // "На комплекс"
    Calculator // "На вычислитель"
};

struct InterfaceSettings
{
    QString databasePath;   // "Имя базы данных:"            "Edit1_Text"
    QString programmerFile; // "Файл программатора"          "Edit5_Text"
    QString altDaysFile;    // "Файл альтернативных дней:"   "Edit3_Text"
    QString tariffFile;     // "Файл тарифов:"               "Edit4_Text"
    bool noCfgShown = false;        // "Прибор отображает NoCFG" (not stored)
    bool minFlowControl = false;    // "CheckBox3_Checked"
    bool flowHistory = false;       // "CheckBox4_Checked"
    bool thermoHistory = false;     // "CheckBox5_Checked"
    bool completenessCheck = true;  // "CheckBox6_Checked"
    bool noDaylightSaving = true;   // "CheckBox7_Checked"
    bool printSerialNumbers = false; // "Печатать серийные номера в карте программирования" (not stored)
    PassportKind passport = PassportKind::Complex; // "Печатать паспорт" (not stored)

    // The stored keys of section "TForm6" over `base`: a missing key keeps base's value.
    static InterfaceSettings readStored(const IniFile& ini, InterfaceSettings base);
    static InterfaceSettings readStored(const IniFile& ini);
    void writeStored(IniFile& ini) const;

    // The main window's copies in section "TForm1" ("BaseName", "Edit5_Text",
    // "Edit3_Text", "Edit4_Text") taken over the four file fields; missing ones are empty.
    void takeMainWindowCopies(const IniFile& ini);
    // "Ввод": the three file fields become the main window's copies.
    void writeMainWindowCopies(IniFile& ini) const;

    // What the program reads once the window has been created: section "TForm6",
    // then the main window's copies over the file fields.
    static InterfaceSettings atStart(const IniFile& ini);

    bool operator==(const InterfaceSettings&) const = default;
};

// The parts of the generation-04 write's inputs that come from these settings;
// the rest keep their defaults.
WriteConfigInputs toWriteConfigInputs(const InterfaceSettings& s, const CommSettings& comm);
// The image builder's options; the alternative-days bytes are read from the file
// (none when it is unset or unreadable).
ImageInputs toImageInputs(const InterfaceSettings& s);
EditorOptions toEditorOptions(const InterfaceSettings& s);

} // namespace vyn

namespace vyn {

// A Microsoft Access (Jet or ACE) database: by its ".mdb"/".accdb" name or by the
// engine's signature at the start of the file. This program opens SQLite files
// only; such a file comes in through the import.
bool isJetDatabaseFile(const QString& path);

} // namespace vyn
