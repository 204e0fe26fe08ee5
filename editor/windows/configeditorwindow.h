#pragma once
// "Создание конфигурации": the configuration editor. It shows and edits the one
// ConfigRecord; every decision is the editor rules' (shape, cells, cascades,
// save checks), the window binds controls to the record and shows it again
// after each change. One window for the whole run, shown modally each time.

#include "editor/editorcontext.h"
#include "editor/editorrowstore.h"
#include "editor/shaperules.h"
#include "link/devicecommands.h"
#include "model/configrecord.h"
#include "model/devicesession.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace vyn {

class ChannelGrid;
class DayGridsPanel;
class IniFile;
class TariffListPanel;
class UserDialogs;

class ConfigEditorWindow : public QDialog, public NewConfigurationEditor
{
public:
    struct Parts
    {
        ConfigRecord& record;
        DeviceSession& session;
        const InstrumentCatalogue& catalogue;
        InputHistory* history; // none: nothing remembered
        UserDialogs& dialogs;
        EditorRowStore& store;
        IniFile& settings; // setvyn.ini: the placement, section "TFormVynConfig"
        QString title;     // the program title, caption of the questions
        NumberLocale locale;
    };

    explicit ConfigEditorWindow(Parts parts, QWidget* parent = nullptr);

    // The interface settings the rules consult (flow and thermometer history,
    // minimum flow control, completeness check).
    void setOptions(const EditorOptions& options) { m_options = options; }
    const EditorOptions& options() const { return m_options; }

    // --- the main window's commands
    // "Редактирование конфигурации": the current row into the record, the type
    // list disabled, shown modally. False (nothing shown) when the row cannot be read.
    bool openForStoredRow();
    bool prepareForStoredRow();
    // A new configuration for the given serial number and type, shown modally.
    void openForNewConfiguration(const QString& serial, const QString& type);
    void prepareForNewConfiguration(const QString& serial, const QString& type);
    // "Копировать": the current row saved as a new row with serial "00000000",
    // through "Ввод" without showing the window. False when nothing was saved.
    bool runCopyCommand();
    // "Ввод" as the window would run it, without showing it.
    bool runSaveWithoutShowing() { return acceptConfiguration(); }

    // --- NewConfigurationEditor (the create command)
    void clearSerialField() override;
    void enableTypeList() override;
    void selectTypeItem(int index) override;
    void resetToNewConfiguration() override;
    void showModal() override { exec(); }

    // --- state
    // A record not opened from a stored row: "Ввод" appends a row.
    bool isNewConfiguration() const { return m_newConfiguration; }
    void setNewConfiguration(bool isNew) { m_newConfiguration = isNew; }
    // After a save stopped by the mass-archive or completeness question.
    bool closeBoxRefused() const { return m_closeRefused; }
    // The controls show the record again (after the record changed behind them).
    void showRecord();
    // The record differs from what the window was shown with or last saved.
    bool hasUnsavedChanges() const { return m_rec != m_shownRecord; }

    // --- handlers
    bool acceptConfiguration(); // "Ввод": true when the record was saved
    void cancelEditing();       // "Отказ"
    // The pipe-pair check and the system numbers; false when a pipe pair disagrees.
    bool renumberSystems();
    void applyType();              // type
    void applyFirstSchemeDigit();  // first scheme digit
    void applySecondSchemeDigit(); // second scheme digit

    // --- controls, for the tests and the main window
    QLineEdit* serialField() const { return m_serialField; }
    QComboBox* typeList() const { return m_typeList; }
    QComboBox* firstDigitList() const { return m_firstDigitList; }
    QComboBox* secondDigitList() const { return m_secondDigitList; }
    QComboBox* powerList() const { return m_powerList; }
    QCheckBox* energyControlBox() const { return m_energyDifferenceBox; }
    QGroupBox* adapterGroup() const { return m_adapterGroup; }
    QGroupBox* pressurePanel() const { return m_pressurePanel; }
    ChannelGrid* flowGrid() const { return m_flowGrid; }
    ChannelGrid* thermoGrid() const { return m_thermoGrid; }
    ChannelGrid* pressureGrid() const { return m_pressureGrid; }
    TariffListPanel* tariffListPanel() const { return m_listPanel; }
    DayGridsPanel* dayGridsPanel() const { return m_dayPanel; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QDoubleSpinBox* heatingColdWaterBox() const { return m_heatingPeriodField; }
    QDoubleSpinBox* summerColdWaterBox() const { return m_summerPeriodField; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    EditorContext context() const;
    void build();
    QWidget* buildLeftPanel();
    QWidget* buildTables();
    void bindGrid(ChannelGrid* grid);
    CellChoice cellChoice(TableKind kind, int row, int column) const;
    void cellChanged(TableKind kind, int row, int column, const QString& remembered, QString text);
    void cellDeleted(TableKind kind, int row, int column);
    void refuse(const QString& message);
    // Closing with changes: "Да" saves, "Нет" discards; false stays (Отмена or a failed save).
    bool mayClose();
    void applyView(const EditorView& view);
    void showTariffPanel(TariffPanel panel);
    void showGrids();
    void readPlacement();
    void writePlacement();

    ConfigRecord& m_rec;
    DeviceSession& m_session;
    const InstrumentCatalogue& m_catalogue;
    InputHistory* m_history;
    UserDialogs& m_dialogs;
    EditorRowStore& m_store;
    IniFile& m_settings;
    QString m_title;
    NumberLocale m_locale;
    EditorOptions m_options;

    bool m_newConfiguration = true;
    bool m_closeRefused = false;
    bool m_showing = false;     // the controls are being set from the record
    ConfigRecord m_shownRecord; // the record as shown or last saved

    // identity
    QLineEdit* m_serialField = nullptr;     // "Серийный №"
    QComboBox* m_typeList = nullptr;        // "Винк"
    QComboBox* m_firstDigitList = nullptr;  // "Схема", system 1
    QComboBox* m_secondDigitList = nullptr; // "Схема", system 2
    QComboBox* m_powerList = nullptr;       // "Пит"
    // control
    QCheckBox* m_tempDifferenceBox = nullptr;   // "разницу температур"
    QCheckBox* m_energyDifferenceBox = nullptr; // "разницу энергий"
    QCheckBox* m_backlightBox = nullptr;        // "Подсветка"
    // archive
    QGroupBox* m_archiveGroup = nullptr;
    QButtonGroup* m_archive = nullptr;
    // season
    QDoubleSpinBox* m_heatingPeriodField = nullptr; // heating period
    QDoubleSpinBox* m_summerPeriodField = nullptr;  // summer
    QComboBox* m_heatingStartDay = nullptr;         // heating start day
    QComboBox* m_heatingStartMonth = nullptr;       // heating start month
    QComboBox* m_summerStartDay = nullptr;          // summer start day
    QComboBox* m_summerStartMonth = nullptr;        // summer start month
    // report
    QComboBox* m_reportStartList = nullptr; // DSTART
    // network
    QSpinBox* m_networkAddressField = nullptr; // "Сетевой адрес"
    QGroupBox* m_adapterGroup = nullptr;       // "Тип адаптера:"
    QButtonGroup* m_adapter = nullptr;
    QLabel* m_outImpLabel = nullptr;
    QComboBox* m_pulseWeightList = nullptr; // "Выходной вес импульса" (hidden)
    // tables
    ChannelGrid* m_flowGrid = nullptr;
    ChannelGrid* m_thermoGrid = nullptr;
    ChannelGrid* m_pressureGrid = nullptr;
    QGroupBox* m_pressurePanel = nullptr; // pressure panel
    QButtonGroup* m_manUsing = nullptr;
    TariffListPanel* m_listPanel = nullptr;
    DayGridsPanel* m_dayPanel = nullptr;
    // buttons
    QPushButton* m_okButton = nullptr;     // "Ввод"
    QPushButton* m_cancelButton = nullptr; // "Отказ"
    QPushButton* m_helpButton = nullptr;   // help (hidden)
};

} // namespace vyn
