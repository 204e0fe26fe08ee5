#pragma once
// "Создание конфигурации": the configuration editor. It shows and edits the one
// ConfigRecord; every decision is the editor rules' (shape, cells, cascades,
// save checks), the window binds controls to the record and shows it again
// after each change. One window for the whole run, shown modally each time.

#include "editorcontext.h"
#include "editorrowstore.h"
#include "shaperules.h"
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

class TFormVynConfig : public QDialog, public NewConfigurationEditor
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

    explicit TFormVynConfig(Parts parts, QWidget* parent = nullptr);

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
    bool runSaveWithoutShowing() { return BitBtn1Click(); }

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
    bool BitBtn1Click(); // "Ввод": true when the record was saved
    void BitBtn2Click(); // "Отказ"
    // The pipe-pair check and the system numbers; false when a pipe pair disagrees.
    bool Button5Click();
    void ComboBox4Change(); // type
    void ComboBox1Change(); // first scheme digit
    void ComboBox2Change(); // second scheme digit

    // --- controls, for the tests and the main window
    QLineEdit* serialField() const { return Edit1; }
    QComboBox* typeList() const { return ComboBox4; }
    QComboBox* firstDigitList() const { return ComboBox1; }
    QComboBox* secondDigitList() const { return ComboBox2; }
    QComboBox* powerList() const { return ComboBox3; }
    QCheckBox* energyControlBox() const { return CheckBox2; }
    QGroupBox* adapterGroup() const { return RadioGroup2; }
    QGroupBox* pressurePanel() const { return Panel5; }
    ChannelGrid* flowGrid() const { return sg1; }
    ChannelGrid* thermoGrid() const { return sg2; }
    ChannelGrid* pressureGrid() const { return sg3; }
    TariffListPanel* tariffListPanel() const { return m_listPanel; }
    DayGridsPanel* dayGridsPanel() const { return m_dayPanel; }
    QPushButton* okButton() const { return BitBtn1; }
    QPushButton* cancelButton() const { return BitBtn2; }
    QDoubleSpinBox* heatingColdWaterBox() const { return RxSpinEdit1; }
    QDoubleSpinBox* summerColdWaterBox() const { return RxSpinEdit2; }

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
    bool m_showing = false; // the controls are being set from the record
    ConfigRecord m_shownRecord; // the record as shown or last saved

    // identity
    QLineEdit* Edit1 = nullptr;     // "Серийный №"
    QComboBox* ComboBox4 = nullptr; // "Винк"
    QComboBox* ComboBox1 = nullptr; // "Схема", system 1
    QComboBox* ComboBox2 = nullptr; // "Схема", system 2
    QComboBox* ComboBox3 = nullptr; // "Пит"
    // control
    QCheckBox* CheckBox1 = nullptr; // "разницу температур"
    QCheckBox* CheckBox2 = nullptr; // "разницу энергий"
    QCheckBox* CheckBox3 = nullptr; // "Подсветка"
    // archive
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* m_archive = nullptr;
    // season
    QDoubleSpinBox* RxSpinEdit1 = nullptr; // heating period
    QDoubleSpinBox* RxSpinEdit2 = nullptr; // summer
    QComboBox* ComboBox5 = nullptr;        // heating start day
    QComboBox* ComboBox6 = nullptr;        // heating start month
    QComboBox* ComboBox7 = nullptr;        // summer start day
    QComboBox* ComboBox8 = nullptr;        // summer start month
    // report
    QComboBox* ComboBox9 = nullptr; // DSTART
    // network
    QSpinBox* RxSpinEdit3 = nullptr; // "Сетевой адрес"
    QGroupBox* RadioGroup2 = nullptr; // "Тип адаптера:"
    QButtonGroup* m_adapter = nullptr;
    QLabel* m_outImpLabel = nullptr;
    QComboBox* ComboBox10 = nullptr; // "Выходной вес импульса" (hidden)
    // tables
    ChannelGrid* sg1 = nullptr;
    ChannelGrid* sg2 = nullptr;
    ChannelGrid* sg3 = nullptr;
    QGroupBox* Panel5 = nullptr; // pressure panel
    QButtonGroup* m_manUsing = nullptr;
    TariffListPanel* m_listPanel = nullptr;
    DayGridsPanel* m_dayPanel = nullptr;
    // buttons
    QPushButton* BitBtn1 = nullptr; // "Ввод"
    QPushButton* BitBtn2 = nullptr; // "Отказ"
    QPushButton* BitBtn3 = nullptr; // help (hidden)
};

} // namespace vyn
