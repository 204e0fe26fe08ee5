#pragma once
// Names of the program's settings files, and of their sections and keys.
//
// These are stored data, not code: profiles written by earlier versions, the
// other programs of the product and users' own copies rely on them byte for
// byte. They never follow a rename of the classes or controls that read and
// write them; several come from the original's form designer ("TForm1",
// "Edit1_Text") and stay that way on purpose.

#include <QString>

namespace vyn::settingskeys {

inline const QString kProfileFile = QStringLiteral("setvyn.ini");
inline const QString kInputHistoryFile = QStringLiteral("hist.ini");
inline const QString kFirmFile = QStringLiteral("firm.ini");

// setvyn.ini [Start]: "first" until the program has started in its directory.
namespace start {
inline const QString kSection = QStringLiteral("Start");
inline const QString kFirstStart = QStringLiteral("FirstStart");
} // namespace start

// setvyn.ini [TForm1]: the main window's placement and its copies of the file
// locations of the interface settings.
namespace mainWindow {
inline const QString kSection = QStringLiteral("TForm1");
inline const QString kLeft = QStringLiteral("Left");
inline const QString kTop = QStringLiteral("Top");
inline const QString kWidth = QStringLiteral("Width");
inline const QString kHeight = QStringLiteral("Height");
inline const QString kMaximized = QStringLiteral("Maximized");
inline const QString kSearchBandLeft = QStringLiteral("Panel3_Left");
inline const QString kSearchBandTop = QStringLiteral("Panel3_Top");
inline const QString kRecordBandLeft = QStringLiteral("Panel4_Left");
inline const QString kRecordBandTop = QStringLiteral("Panel4_Top");
inline const QString kDatabase = QStringLiteral("BaseName");
inline const QString kLoaderFile = QStringLiteral("Prg"); // the generation-03 loader's programmer file
inline const QString kAltDaysFile = QStringLiteral("Edit3_Text");
inline const QString kTariffFile = QStringLiteral("Edit4_Text");
inline const QString kProgrammerFile = QStringLiteral("Edit5_Text");
} // namespace mainWindow

// setvyn.ini [TForm6]: the interface settings.
namespace interfaceSettings {
inline const QString kSection = QStringLiteral("TForm6");
inline const QString kDatabase = QStringLiteral("Edit1_Text");
inline const QString kAltDaysFile = QStringLiteral("Edit3_Text");
inline const QString kTariffFile = QStringLiteral("Edit4_Text");
inline const QString kProgrammerFile = QStringLiteral("Edit5_Text");
inline const QString kMinFlowControl = QStringLiteral("CheckBox3_Checked");
inline const QString kFlowHistory = QStringLiteral("CheckBox4_Checked");
inline const QString kThermoHistory = QStringLiteral("CheckBox5_Checked");
inline const QString kCompletenessCheck = QStringLiteral("CheckBox6_Checked");
inline const QString kNoDaylightSaving = QStringLiteral("CheckBox7_Checked");
} // namespace interfaceSettings

// setvyn.ini [TForm8]: the file-copy window's last file.
namespace fileCopy {
inline const QString kSection = QStringLiteral("TForm8");
inline const QString kFile = QStringLiteral("FilenameEdit1_Text");
} // namespace fileCopy

// setvyn.ini [TFormCommConfig]: the communication settings. The four line
// parameters are item indexes of their lists, not values.
namespace commSettings {
inline const QString kSection = QStringLiteral("TFormCommConfig");
inline const QString kPort = QStringLiteral("Port");
inline const QString kSpeed = QStringLiteral("Speed");
inline const QString kDataBits = QStringLiteral("Byte");
inline const QString kParity = QStringLiteral("Parity");
inline const QString kStopBits = QStringLiteral("Stop");
inline const QString kDtr = QStringLiteral("CheckBox1_Checked");
inline const QString kRts = QStringLiteral("CheckBox2_Checked");
inline const QString kNetworkAddress = QStringLiteral("RxSpinEdit1_Value");
inline const QString kWait = QStringLiteral("RxSpinEdit2_Value");
inline const QString kByteInterval = QStringLiteral("RxSpinEdit3_Value");
} // namespace commSettings

// setvyn.ini [TFormVynConfig]: the configuration editor window's place.
namespace editorWindow {
inline const QString kSection = QStringLiteral("TFormVynConfig");
inline const QString kLeft = QStringLiteral("Left");
inline const QString kTop = QStringLiteral("Top");
} // namespace editorWindow

// hist.ini: the editor's last choices. Flow choices sit in a section named after
// the quantity, thermo choices in one named after the device type, key
// "LastSelect_" + column; the day schedules in sections day name + "Times" /
// "Tarif", keys "1".."6".
namespace inputHistory {
inline const QString kLastSelect = QStringLiteral("LastSelect");
inline const QString kLastSelectOfColumn = QStringLiteral("LastSelect_");
inline const char* const kDayNames[] = {"WorkDay", "SubbDay", "SunDay"};
inline const QString kTimesSuffix = QStringLiteral("Times");
inline const QString kTariffSuffix = QStringLiteral("Tarif");
} // namespace inputHistory

// firm.ini [Firm]: the firm that issues the documents.
namespace firm {
inline const QString kSection = QStringLiteral("Firm");
inline const QString kName = QStringLiteral("Name");
inline const QString kAddress = QStringLiteral("Address");
inline const QString kPhone = QStringLiteral("Phone");
inline const QString kEmail = QStringLiteral("Email");
inline const QString kLogo = QStringLiteral("Logo");
} // namespace firm

} // namespace vyn::settingskeys
