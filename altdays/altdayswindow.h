#pragma once
// The alternative-days editor window, in setvyn and as VynData's only window.
// One object lives for the whole run and is shown as often as asked (exec()
// from setvyn, show() in VynData): its lists and file name stay in it.

#include "altdayeditor.h"

#include <QDialog>
#include <array>
#include <memory>

class QAction;
class QCalendarWidget;
class QComboBox;
class QMenuBar;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace vyn {

class QtUserDialogs;

class AltDaysWindow : public QDialog
{
public:
    // Without dialogs the window shows real Qt dialogs of its own.
    explicit AltDaysWindow(AltDayEditorSettings settings, UserDialogs* dialogs = nullptr,
                           QWidget* parent = nullptr);
    ~AltDaysWindow() override;

    const AltDayEditor& editor() const { return m_editor; }
    // Inside setvyn Escape closes the window as its close button does.
    void setEscapeCloses(bool on) { m_escapeCloses = on; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Unsaved lists are asked about; the close is refused when saving them failed.
    void closeEvent(QCloseEvent* event) override;

private:
    struct Page
    {
        QTableWidget* list = nullptr;
        QComboBox* combo = nullptr;
        QPushButton* add = nullptr;
        QPushButton* remove = nullptr;
        QPushButton* change = nullptr;
    };

    bool m_escapeCloses = false;

    QWidget* buildPage(AltDayPage page, int number);
    QMenuBar* buildMenu();
    AltDayPage activePage() const;
    void refresh();

    // Handlers of the controls.
    void showInitialState();
    void pickDate(const QDate& date);
    void pickEntry(AltDayPage page, int row);
    void addEntry();
    void deleteEntry();
    void changeEntry();
    void RePaintButton();
    void openFile();
    void saveFile();
    void saveFileAs();
    void exitWindow();

    AltDayEditor m_editor;
    std::unique_ptr<QtUserDialogs> m_ownDialogs;
    UserDialogs* m_dialogs;

    QCalendarWidget* m_calendar = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::array<Page, 2> m_pages;
    bool m_syncing = false;
    bool m_placed = false;
};

} // namespace vyn
