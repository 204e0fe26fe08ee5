#pragma once
// The editor window over real parts: the shipped catalogue, a history file, a
// settings file and an SQLite configuration database behind the main window's
// current configuration, in a temporary directory.

#include "app/clock.h"
#include "app/configdatabase.h"
#include "app/currentconfig.h"
#include "app/currentconfigrowstore.h"
#include "editor/windows/channelgrid.h"
#include "editor/windows/configeditorwindow.h"
#include "editor/windows/tariffpanels.h"
#include "model/inifile.h"
#include "tests/common/fakedialogs.h"
#include "tests/model/recordfixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <ostream>

inline std::ostream& operator<<(std::ostream& os, const QString& s) { return os << s.toStdString(); }

namespace vyn::test {

inline QString shippedCatalogue()
{
    return QStringLiteral(SETVYN_SOURCE_DIR "/data/catalogue/rash.ini");
}

// "12342678": the fifth digit 2 allows the electricity row and the digit 7.
inline const QString kSerial = QStringLiteral("12342678");

struct EditorWindowFixture
{
    QTemporaryDir dir;
    InstrumentCatalogue catalogue{shippedCatalogue(), kComma};
    InputHistory history{dir.filePath(QStringLiteral("hist.ini"))};
    IniFile settings{dir.filePath(QStringLiteral("setvyn.ini"))};
    ConfigDatabase db{ConfigDatabase::Options{100}};
    ConfigRecord record;
    DeviceSession session;
    FakeDialogs dialogs;
    FixedClock clock{QDateTime(QDate(2025, 3, 14), QTime(10, 0))};
    std::unique_ptr<CurrentConfiguration> current;
    std::unique_ptr<CurrentConfigRowStore> store;
    std::unique_ptr<ConfigEditorWindow> window;
    int refreshed = 0;

    explicit EditorWindowFixture(int generation = 1)
    {
        session.DeviceGeneration = generation;
        session.DeviceVersion = 4;
        session.DeviceFirmwareDate = generation == 1 ? QDate(2004, 1, 1) : QDate(2003, 6, 17);
        EXPECT_TRUE(db.Connect(dir.filePath(QStringLiteral("MXVynBase.sqlite"))));
        current = std::make_unique<CurrentConfiguration>(db, record, session, dialogs, clock, kComma,
                                                         &catalogue);
        store = std::make_unique<CurrentConfigRowStore>(*current, [this] { ++refreshed; });
        window = std::make_unique<ConfigEditorWindow>(ConfigEditorWindow::Parts{
            record, session, catalogue, &history, dialogs, *store, settings,
            QStringLiteral("Винк-Конфигуратор 3.7.2.1"), kComma});
    }

    ConfigEditorWindow& w() { return *window; }

    // A new configuration on screen, as the create command leaves it.
    void startNew(const char* type = "04")
    {
        window->prepareForNewConfiguration(kSerial, QString::fromLatin1(type));
        window->show();
    }

    void choose(QComboBox* list, const char* text)
    {
        const int at = list->findText(QString::fromUtf8(text));
        ASSERT_GE(at, 0) << text;
        list->setCurrentIndex(at);
    }

    // A whole cell edit through the grid's in-cell editor.
    void edit(ChannelGrid* grid, int row, int column, const char* text)
    {
        ASSERT_TRUE(grid->editCell(row, column, QString::fromUtf8(text)))
            << "row " << row << " column " << column << " " << text;
    }

    QString flow(int row, int column) const { return record.FlowTable.cell(row, column); }
    QString thermo(int row, int column) const { return record.ThermoTable.cell(row, column); }

    // Clicks the time cell of a day-grid entry and lets answer() work the picker.
    void clickTime(DayKind day, int entry, std::function<void(TimePickerDialog&)> answer)
    {
        DayGridsPanel* panel = window->dayGridsPanel();
        TimePickerDialog* picker = panel->timePicker();
        bool answered = false;
        QTimer::singleShot(0, picker, [&answered, picker, answer] {
            answered = picker->isVisible();
            answer(*picker);
        });
        QTableWidget* grid = panel->grid(day);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(entry, 1)).center());
        EXPECT_TRUE(answered) << "the picker was not shown";
    }

    static void pick(TimePickerDialog& picker, const char* hours, const char* minutes)
    {
        picker.hoursList()->setCurrentText(QString::fromLatin1(hours));
        picker.minutesList()->setCurrentText(QString::fromLatin1(minutes));
        picker.doneButton()->click();
    }
};

} // namespace vyn::test
