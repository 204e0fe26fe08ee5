#include "editor/windows/configeditorwindow.h"

#include "editor/flowrules.h"
#include "editor/saverules.h"
#include "editor/shaperules.h"
#include "editor/thermorules.h"
#include "editor/windows/channelgrid.h"
#include "editor/windows/tariffpanels.h"

#include "model/cellinput.h"
#include "model/inifile.h"
#include "model/settingskeys.h"
#include "model/systems.h"
#include "model/userdialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

namespace vyn {

namespace {

namespace keys = settingskeys::editorWindow;
const QString& kSection = keys::kSection;

// Captions written with a Windows line break show it as one line break.
QString caption(const QString& text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}

QStringList numberTexts(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QString::number(i);
    return out;
}

QComboBox* listOf(const QStringList& items, QWidget* parent, int width = 0)
{
    auto* combo = new QComboBox(parent);
    combo->addItems(items);
    combo->setMaxVisibleItems(16);
    if (width > 0)
        combo->setFixedWidth(width);
    return combo;
}

// A radio group whose buttons carry ids 0.. in the order given.
QButtonGroup* radioGroup(QGroupBox* box, const QStringList& captions, bool horizontal = false)
{
    auto* group = new QButtonGroup(box);
    QBoxLayout* layout = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(box))
                                    : static_cast<QBoxLayout*>(new QVBoxLayout(box));
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new QRadioButton(captions.at(i), box);
        group->addButton(b, i);
        layout->addWidget(b);
    }
    if (horizontal)
        layout->addStretch();
    return group;
}

// Checks the button with the id, or none for -1.
void checkId(QButtonGroup* group, int id)
{
    if (QAbstractButton* b = group->button(id)) {
        b->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

QLabel* tableCaption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

QLocale spinLocale(const NumberLocale& locale)
{
    QLocale l = locale.decimalPoint() == QLatin1Char(',')
                    ? QLocale(QLocale::Russian, QLocale::Russia)
                    : QLocale::c();
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l;
}

// The cold-water temperatures: either decimal separator is typed; a number out of
// range is refused with a message instead of being cut to what fits.
class ColdWaterSpinBox : public QDoubleSpinBox
{
public:
    ColdWaterSpinBox(QWidget* parent, std::function<void(const QString&)> refused)
        : QDoubleSpinBox(parent), m_refused(std::move(refused))
    {
    }

    QValidator::State validate(QString& input, int& pos) const override
    {
        const QString point = locale().decimalPoint();
        input.replace(QLatin1Char('.'), point);
        input.replace(QLatin1Char(','), point);
        if (outOfRange(input))
            return QValidator::Intermediate;
        return QDoubleSpinBox::validate(input, pos);
    }

    void fixup(QString& input) const override
    {
        if (outOfRange(input) && m_refused)
            m_refused(QStringLiteral("Допустимо число от %1 до %2")
                          .arg(textFromValue(minimum()), textFromValue(maximum())));
        QDoubleSpinBox::fixup(input);
    }

private:
    bool outOfRange(const QString& input) const
    {
        const auto v = readTypedNumber(input);
        return v && (*v < minimum() || *v > maximum());
    }

    std::function<void(const QString&)> m_refused;
};

} // namespace

ConfigEditorWindow::ConfigEditorWindow(Parts parts, QWidget* parent)
    : QDialog(parent), m_rec(parts.record), m_session(parts.session), m_catalogue(parts.catalogue),
      m_history(parts.history), m_dialogs(parts.dialogs), m_store(parts.store),
      m_settings(parts.settings), m_title(std::move(parts.title)), m_locale(parts.locale)
{
    setWindowTitle(QStringLiteral("Создание конфигурации"));
    setModal(true);
    build();
    showRecord();
}

EditorContext ConfigEditorWindow::context() const
{
    return EditorContext{
        m_catalogue, m_history, m_options, m_session.DeviceGeneration, m_session.DeviceVersion,
        m_locale};
}

// --- layout -----------------------------------------------------------------------

void ConfigEditorWindow::build()
{
    auto* body = new QHBoxLayout;
    body->setSpacing(10);
    body->addWidget(buildLeftPanel(), 0, Qt::AlignTop);
    body->addWidget(buildTables(), 0, Qt::AlignTop);

    m_okButton = new QPushButton(QStringLiteral("Ввод"), this);
    m_cancelButton = new QPushButton(QStringLiteral("Отказ"), this);
    m_helpButton = new QPushButton(QStringLiteral("Справка"), this);
    m_helpButton->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_helpButton);
    buttons->addStretch();
    for (QPushButton* b : {m_okButton, m_cancelButton}) {
        // Enter belongs to the fields and grids, not to a default button.
        b->setAutoDefault(false);
        b->setMinimumWidth(96);
        buttons->addWidget(b);
    }
    m_helpButton->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_okButton, &QPushButton::clicked, this, [this] { acceptConfiguration(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancelEditing(); });

    // No button of the window answers Enter (the time picker is a window of its own).
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->window() == this) {
            b->setAutoDefault(false);
            b->setDefault(false);
        }
}

QWidget* ConfigEditorWindow::buildLeftPanel()
{
    auto* panel = new QWidget(this);
    panel->setFixedWidth(262);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    // identity
    auto* identity = new QGroupBox(panel);
    m_serialField = new QLineEdit(identity);
    m_serialField->setMaxLength(8);
    m_serialField->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,8}")), m_serialField));
    m_serialField->setFixedWidth(110);
    m_typeList = listOf({QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"),
                         QStringLiteral("04"), QStringLiteral("05")},
                        identity, 60);
    m_firstDigitList = listOf(firstSchemeDigits(), identity, 50);
    m_secondDigitList = listOf({}, identity, 50);
    m_powerList = listOf({QStringLiteral(" "), QStringLiteral("c")}, identity, 50);
    auto* scheme = new QHBoxLayout;
    scheme->addWidget(m_firstDigitList);
    scheme->addWidget(m_secondDigitList);
    scheme->addStretch();
    auto* idForm = new QFormLayout(identity);
    idForm->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    idForm->addRow(QStringLiteral("Серийный №"), m_serialField);
    idForm->addRow(QStringLiteral("Винк"), m_typeList);
    idForm->addRow(QStringLiteral("Схема"), scheme);
    idForm->addRow(QStringLiteral("Пит"), m_powerList);
    column->addWidget(identity);

    // control
    auto* control = new QGroupBox(QStringLiteral("Контролировать "), panel);
    m_tempDifferenceBox = new QCheckBox(QStringLiteral("разницу температур"), control);
    m_energyDifferenceBox = new QCheckBox(QStringLiteral("разницу энергий"), control);
    auto* controlLayout = new QVBoxLayout(control);
    controlLayout->addWidget(m_tempDifferenceBox);
    controlLayout->addWidget(m_energyDifferenceBox);
    column->addWidget(control);
    m_backlightBox = new QCheckBox(QStringLiteral("Подсветка"), panel);
    column->addWidget(m_backlightBox);

    // archive
    m_archiveGroup = new QGroupBox(QStringLiteral("Настройка архива"), panel);
    m_archive = radioGroup(m_archiveGroup, {QStringLiteral("С ежемесячной очисткой"),
                                            QStringLiteral("С нарастающим итогом")});
    column->addWidget(m_archiveGroup);

    // season
    auto* season = new QGroupBox(QStringLiteral("Период"), panel);
    auto* seasonGrid = new QGridLayout(season);
    seasonGrid->setHorizontalSpacing(6);
    auto makeSpin = [&] {
        auto* s = new ColdWaterSpinBox(season, [this](const QString& message) { refuse(message); });
        s->setRange(0.0, 20.0);
        s->setSingleStep(0.1);
        s->setDecimals(1);
        s->setLocale(spinLocale(m_locale));
        // The value changes when the input is finished, so a refused one restores it.
        s->setKeyboardTracking(false);
        s->setFixedWidth(62);
        return s;
    };
    m_heatingPeriodField = makeSpin();
    m_summerPeriodField = makeSpin();
    m_heatingStartDay = listOf(numberTexts(1, 31), season, 50);
    m_heatingStartMonth = listOf(numberTexts(1, 12), season, 50);
    m_summerStartDay = listOf(numberTexts(1, 31), season, 50);
    m_summerStartMonth = listOf(numberTexts(1, 12), season, 50);
    seasonGrid->addWidget(new QLabel(QStringLiteral("t х, °С"), season), 0, 1);
    seasonGrid->addWidget(
        new QLabel(caption(QStringLiteral("Дата начала :\r\nдень,месяц")), season), 0, 2, 1, 2);
    seasonGrid->addWidget(new QLabel(caption(QStringLiteral("Отопи-\r\nтельный :")), season), 1, 0);
    seasonGrid->addWidget(m_heatingPeriodField, 1, 1);
    seasonGrid->addWidget(m_heatingStartDay, 1, 2);
    seasonGrid->addWidget(m_heatingStartMonth, 1, 3);
    seasonGrid->addWidget(new QLabel(QStringLiteral("Летний :"), season), 2, 0);
    seasonGrid->addWidget(m_summerPeriodField, 2, 1);
    seasonGrid->addWidget(m_summerStartDay, 2, 2);
    seasonGrid->addWidget(m_summerStartMonth, 2, 3);
    column->addWidget(season);

    // report
    auto* report = new QGroupBox(panel);
    auto* reportLayout = new QHBoxLayout(report);
    m_reportStartList = listOf(numberTexts(1, 28), report, 56);
    reportLayout->addWidget(
        new QLabel(caption(QStringLiteral("Начало отчётного \r\nпериода:")), report));
    reportLayout->addStretch();
    reportLayout->addWidget(m_reportStartList);
    column->addWidget(report);

    // network
    auto* network = new QGroupBox(panel);
    auto* networkLayout = new QVBoxLayout(network);
    m_networkAddressField = new QSpinBox(network);
    m_networkAddressField->setRange(1, 240);
    m_networkAddressField->setFixedWidth(62);
    auto* address = new QHBoxLayout;
    address->addWidget(new QLabel(QStringLiteral("Сетевой адрес"), network));
    address->addStretch();
    address->addWidget(m_networkAddressField);
    networkLayout->addLayout(address);
    m_adapterGroup = new QGroupBox(QStringLiteral("Тип адаптера:"), network);
    m_adapter = radioGroup(m_adapterGroup, {QStringLiteral("Net1 (Связной адаптер)"),
                                            QStringLiteral("Net2 (Mod-Bus)"),
                                            QStringLiteral("Net3 (Mod-Bus Модем)")});
    networkLayout->addWidget(m_adapterGroup);
    m_outImpLabel = new QLabel(caption(QStringLiteral("Выходной вес \r\nимпульса :")), network);
    m_pulseWeightList =
        listOf({QStringLiteral("0,01"), QStringLiteral("0,1"), QStringLiteral("1,0"),
                QStringLiteral("10,0"), QStringLiteral("100,0")},
               network, 70);
    auto* outImp = new QHBoxLayout;
    outImp->addWidget(m_outImpLabel);
    outImp->addWidget(m_pulseWeightList);
    networkLayout->addLayout(outImp);
    // The calculators take no output pulse weight from here; it stays hidden.
    m_outImpLabel->hide();
    m_pulseWeightList->hide();
    column->addWidget(network);
    column->addStretch();

    // Every control writes its value into the record at once.
    auto guard = [this](auto f) {
        return [this, f](auto&&...) {
            if (!m_showing)
                f();
        };
    };
    connect(m_serialField, &QLineEdit::textEdited, this,
            guard([this] { m_rec.SNUM = m_serialField->text(); }));
    connect(m_typeList, &QComboBox::currentIndexChanged, this, guard([this] { applyType(); }));
    connect(m_firstDigitList, &QComboBox::currentIndexChanged, this,
            guard([this] { applyFirstSchemeDigit(); }));
    connect(m_secondDigitList, &QComboBox::currentIndexChanged, this,
            guard([this] { applySecondSchemeDigit(); }));
    connect(m_powerList, &QComboBox::currentIndexChanged, this,
            guard([this] { m_rec.PITVYN = m_powerList->currentIndex() == 1; }));
    connect(m_tempDifferenceBox, &QCheckBox::toggled, this,
            guard([this] { m_rec.tempDiffControl = m_tempDifferenceBox->isChecked(); }));
    connect(m_energyDifferenceBox, &QCheckBox::toggled, this,
            guard([this] { m_rec.EnergyControl = m_energyDifferenceBox->isChecked(); }));
    connect(m_backlightBox, &QCheckBox::toggled, this,
            guard([this] { m_rec.LigthSet = m_backlightBox->isChecked(); }));
    connect(m_archive, &QButtonGroup::idClicked, this, guard([this] {
                m_rec.archiveMode = static_cast<ArchiveMode>(m_archive->checkedId());
            }));
    connect(m_heatingPeriodField, &QDoubleSpinBox::valueChanged, this,
            guard([this] { m_rec.TXIZ = m_locale.formatFixed(m_heatingPeriodField->value(), 1); }));
    connect(m_summerPeriodField, &QDoubleSpinBox::valueChanged, this,
            guard([this] { m_rec.TXIL = m_locale.formatFixed(m_summerPeriodField->value(), 1); }));
    connect(m_heatingStartDay, &QComboBox::currentIndexChanged, this,
            guard([this] { m_rec.DATEZ.day = m_heatingStartDay->currentIndex() + 1; }));
    connect(m_heatingStartMonth, &QComboBox::currentIndexChanged, this,
            guard([this] { m_rec.DATEZ.month = m_heatingStartMonth->currentIndex() + 1; }));
    connect(m_summerStartDay, &QComboBox::currentIndexChanged, this,
            guard([this] { m_rec.DATEL.day = m_summerStartDay->currentIndex() + 1; }));
    connect(m_summerStartMonth, &QComboBox::currentIndexChanged, this,
            guard([this] { m_rec.DATEL.month = m_summerStartMonth->currentIndex() + 1; }));
    connect(m_reportStartList, &QComboBox::currentIndexChanged, this,
            guard([this] { m_rec.DSTART = m_reportStartList->currentIndex() + 1; }));
    connect(m_networkAddressField, &QSpinBox::valueChanged, this,
            guard([this] { m_rec.networkAddress = m_networkAddressField->value(); }));
    connect(m_adapter, &QButtonGroup::idClicked, this, guard([this] {
                m_rec.adapterType = static_cast<AdapterKind>(m_adapter->checkedId());
            }));
    connect(m_pulseWeightList, &QComboBox::currentIndexChanged, this,
            guard([this] { m_rec.OutImpMass = m_pulseWeightList->currentText(); }));
    return panel;
}

QWidget* ConfigEditorWindow::buildTables()
{
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    m_flowGrid = new ChannelGrid(TableKind::Flow, panel);
    m_thermoGrid = new ChannelGrid(TableKind::Thermo, panel);
    m_pressureGrid = new ChannelGrid(TableKind::Pressure, panel);
    for (ChannelGrid* g : {m_flowGrid, m_thermoGrid, m_pressureGrid})
        bindGrid(g);

    column->addWidget(tableCaption(
        QStringLiteral("Характеристики измерительных преобразователей расхода:"), panel));
    column->addWidget(m_flowGrid);
    column->addSpacing(6);
    column->addWidget(tableCaption(
        QStringLiteral("Характеристики измерительных преобразователей температуры:"), panel));
    column->addWidget(m_thermoGrid);
    column->addSpacing(6);

    auto* lower = new QHBoxLayout;
    lower->setSpacing(10);
    // Captioned like the two tables above it.
    m_pressurePanel = new QGroupBox(panel);
    m_pressurePanel->setFlat(true);
    m_pressurePanel->setObjectName(QStringLiteral("pressurePanel"));
    m_pressurePanel->setStyleSheet(
        QStringLiteral("QGroupBox#pressurePanel { border: none; margin: 0; padding: 0; }"));
    auto* pressureLayout = new QVBoxLayout(m_pressurePanel);
    pressureLayout->setContentsMargins(0, 0, 0, 0);
    pressureLayout->addWidget(
        tableCaption(QStringLiteral("Характеристики измерительных преобразователей давления:"),
                     m_pressurePanel));
    auto* manUsing =
        new QGroupBox(QStringLiteral("Датчики давления для расчёта энергии"), m_pressurePanel);
    m_manUsing = radioGroup(manUsing, {QStringLiteral("Не использовать"),
                                       QStringLiteral("Использовать по возможности"),
                                       QStringLiteral("Использовать всегда")});
    pressureLayout->addWidget(manUsing);
    pressureLayout->addWidget(m_pressureGrid);
    pressureLayout->addStretch();
    connect(m_manUsing, &QButtonGroup::idClicked, this, [this](int id) {
        if (!m_showing)
            m_rec.manUsingType = static_cast<ManUsing>(id);
    });

    m_listPanel = new TariffListPanel(m_rec, panel);
    m_dayPanel = new DayGridsPanel(m_rec, panel);
    lower->addWidget(m_pressurePanel, 0, Qt::AlignTop);
    // The list takes the width the tables leave, so no empty area stays beside it.
    lower->addWidget(m_listPanel, 1, Qt::AlignTop);
    lower->addWidget(m_dayPanel, 0, Qt::AlignTop);
    lower->addStretch();
    column->addLayout(lower);
    column->addStretch();
    return panel;
}

void ConfigEditorWindow::bindGrid(ChannelGrid* grid)
{
    const TableKind kind = grid->kind();
    grid->setChoiceHandler(
        [this, kind](int row, int column) { return cellChoice(kind, row, column); });
    grid->setDeleteHandler([this, kind](int row, int column) { cellDeleted(kind, row, column); });
    // Only one grid shows a current cell.
    connect(grid, &QTableWidget::currentCellChanged, this, [this, grid](int row) {
        if (row < 0)
            return;
        for (ChannelGrid* other : {m_flowGrid, m_thermoGrid, m_pressureGrid})
            if (other && other != grid) {
                other->clearSelection();
                other->setCurrentIndex(QModelIndex());
            }
    });
    grid->setChangeHandler(
        [this, kind](int row, int column, const QString& remembered, const QString& text) {
            cellChanged(kind, row, column, remembered, text);
        });
    grid->setClearHandler([this, kind] {
        clearTable(m_rec, kind);
        showRecord();
    });
}

// --- record and controls -------------------------------------------------------------

void ConfigEditorWindow::showRecord()
{
    m_showing = true;
    m_serialField->setText(m_rec.SNUM);
    m_typeList->setCurrentIndex(m_typeList->findText(m_rec.TYPE_VYN));
    m_powerList->setCurrentIndex(m_rec.PITVYN ? 1 : 0);
    m_tempDifferenceBox->setChecked(m_rec.tempDiffControl);
    m_energyDifferenceBox->setChecked(m_rec.EnergyControl);
    m_backlightBox->setChecked(m_rec.LigthSet);
    checkId(m_archive, static_cast<int>(m_rec.archiveMode));
    const double txiz = ParseDecimal(m_rec.TXIZ, m_locale);
    const double txil = ParseDecimal(m_rec.TXIL, m_locale);
    m_heatingPeriodField->setValue(txiz < 0 ? 5.0 : txiz);
    m_summerPeriodField->setValue(txil < 0 ? 5.0 : txil);
    m_heatingStartDay->setCurrentIndex(m_rec.DATEZ.day - 1);
    m_heatingStartMonth->setCurrentIndex(m_rec.DATEZ.month - 1);
    m_summerStartDay->setCurrentIndex(m_rec.DATEL.day - 1);
    m_summerStartMonth->setCurrentIndex(m_rec.DATEL.month - 1);
    m_reportStartList->setCurrentIndex(m_rec.DSTART - 1);
    m_networkAddressField->setValue(m_rec.networkAddress);
    checkId(m_adapter, static_cast<int>(m_rec.adapterType));
    m_pulseWeightList->setCurrentIndex(m_pulseWeightList->findText(m_rec.OutImpMass));
    checkId(m_manUsing, static_cast<int>(m_rec.manUsingType));
    applyView(editorView(m_rec, context()));
    showGrids();
    m_showing = false;
}

void ConfigEditorWindow::applyView(const EditorView& view)
{
    auto fill = [](QComboBox* list, QStringList items, QChar digit) {
        // The fixed scheme of type "05" shows a digit the list does not offer.
        if (!digit.isNull() && !items.contains(QString(digit)))
            items << QString(digit);
        QStringList current;
        for (int i = 0; i < list->count(); ++i)
            current << list->itemText(i);
        if (current != items) {
            list->clear();
            list->addItems(items);
        }
        list->setCurrentIndex(list->findText(QString(digit)));
    };
    fill(m_firstDigitList, view.firstDigits, m_rec.firstDigit());
    fill(m_secondDigitList, view.secondDigits, m_rec.secondDigit());
    m_firstDigitList->setEnabled(view.firstDigitEnabled);
    m_secondDigitList->setEnabled(view.secondDigitEnabled);
    m_energyDifferenceBox->setEnabled(view.energyControlEnabled);
    m_pressurePanel->setVisible(view.pressurePanelVisible);
    m_adapterGroup->setVisible(view.adapterKindVisible);
    showTariffPanel(view.tariffPanel);
}

void ConfigEditorWindow::showTariffPanel(TariffPanel panel)
{
    m_listPanel->setVisible(panel == TariffPanel::List);
    m_dayPanel->setVisible(panel == TariffPanel::DayGrids);
    m_listPanel->showList();
    m_dayPanel->showSchedules();
}

void ConfigEditorWindow::showGrids()
{
    m_flowGrid->showTable(m_rec.FlowTable);
    m_thermoGrid->showTable(m_rec.ThermoTable);
    m_pressureGrid->showTable(m_rec.PressureTable);
}

CellChoice ConfigEditorWindow::cellChoice(TableKind kind, int row, int column) const
{
    const EditorContext ctx = context();
    switch (kind) {
    case TableKind::Flow:
        return flowCellChoice(m_rec, row, column, ctx);
    case TableKind::Thermo:
        return thermoCellChoice(m_rec, row, column, ctx);
    case TableKind::Pressure:
        return pressureCellChoice(m_rec, row, column, ctx);
    }
    return CellChoice::locked();
}

void ConfigEditorWindow::refuse(const QString& message)
{
    // Shown once the cell editor is closed, never from inside its commit.
    QTimer::singleShot(0, this, [this, message] {
        m_dialogs.inform(message, QStringLiteral("Сообщение"), MessageKind::Warning);
    });
}

void ConfigEditorWindow::cellDeleted(TableKind kind, int row, int column)
{
    if (cellChoice(kind, row, column).editable && clearCell(m_rec, kind, row, column))
        showRecord();
}

void ConfigEditorWindow::cellChanged(TableKind kind, int row, int column, const QString& remembered,
                                     QString text)
{
    // The list entry the cell already showed (without its unit) is no change.
    if (text != remembered && text == GetStrOld(remembered, m_locale))
        text = remembered;
    if (!text.isEmpty() && text != remembered) {
        const CellInput input = checkCellInput(m_rec, kind, row, column, text,
                                               cellChoice(kind, row, column).items, m_locale);
        if (!input.accepted) {
            refuse(input.message);
            showRecord();
            return;
        }
        text = input.text;
    }
    const EditorContext ctx = context();
    switch (kind) {
    case TableKind::Flow:
        flowCellChanged(m_rec, row, column, remembered, text, ctx);
        break;
    case TableKind::Thermo:
        thermoCellChanged(m_rec, row, column, remembered, text, ctx);
        break;
    case TableKind::Pressure:
        pressureCellChanged(m_rec, row, column, remembered, text, ctx);
        break;
    }
    showRecord();
}

void ConfigEditorWindow::applyType()
{
    changeType(m_rec, m_typeList->currentText(), context());
    showRecord();
}

void ConfigEditorWindow::applyFirstSchemeDigit()
{
    const QString digit = m_firstDigitList->currentText();
    if (!digit.isEmpty())
        changeFirstDigit(m_rec, digit.at(0), context());
    showRecord();
}

void ConfigEditorWindow::applySecondSchemeDigit()
{
    const QString digit = m_secondDigitList->currentText();
    if (!digit.isEmpty())
        changeSecondDigit(m_rec, digit.at(0), context());
    showRecord();
}

// --- commands --------------------------------------------------------------------------

bool ConfigEditorWindow::renumberSystems()
{
    if (pipePairFailure(m_rec))
        return false;
    numberSystems(m_rec);
    showGrids();
    return true;
}

bool ConfigEditorWindow::acceptConfiguration()
{
    for (ChannelGrid* g : {m_flowGrid, m_thermoGrid, m_pressureGrid})
        g->finishEdit(true);
    const SaveCheckResult checks = runSaveChecks(m_rec, m_options, m_dialogs, m_title, m_locale);
    showRecord();
    if (checks.outcome != SaveCheck::Passed) {
        m_closeRefused = m_closeRefused || checks.blocksCloseBox();
        return false;
    }
    // A value the row cannot hold would cost its whole group: nothing is saved.
    if (const std::optional<QString> cell = unstorableCell(m_rec, m_locale)) {
        m_dialogs.inform(*cell, QStringLiteral("Сообщение"), MessageKind::Warning);
        return false;
    }
    const ConfigRecord typed = m_rec;
    const bool posted = m_store.saveRecord(m_newConfiguration);
    if (posted)
        rememberDaySchedules(m_rec, m_history);
    else if (!m_store.lastSaveReported())
        m_dialogs.inform(QStringLiteral("Была ошибка при создании базы"),
                         QStringLiteral("Сообщение"), MessageKind::Error);
    m_store.refreshCurrentRow();
    m_closeRefused = false;
    if (!posted && isVisible() && !m_store.lastSaveDeclined()) {
        // Nothing was stored (a locked or read-only database, a lost server, ...):
        // the window keeps everything typed, to be saved again or given up with
        // "Отказ". A row deleted meanwhile can only come back as a new one.
        m_rec = typed;
        if (m_store.lastSaveRowGone())
            m_newConfiguration = true;
        showRecord();
        return false;
    }
    if (posted && !m_store.lastSaveComplete()) {
        // The row holds what could be written; the window keeps everything typed
        // so that the failed values can be mended and saved into the same row.
        m_newConfiguration = false;
        return false;
    }
    m_shownRecord = m_rec;
    if (isVisible()) {
        writePlacement();
        QDialog::accept();
    }
    return posted;
}

void ConfigEditorWindow::cancelEditing()
{
    for (ChannelGrid* g : {m_flowGrid, m_thermoGrid, m_pressureGrid})
        g->finishEdit(false);
    m_closeRefused = false;
    m_store.reloadCurrentRow();
    showRecord();
    if (isVisible()) {
        writePlacement();
        QDialog::reject();
    }
}

bool ConfigEditorWindow::mayClose()
{
    for (ChannelGrid* g : {m_flowGrid, m_thermoGrid, m_pressureGrid})
        g->finishEdit(false);
    if (!hasUnsavedChanges())
        return true;
    const std::optional<bool> save =
        m_dialogs.askYesNoCancel(QStringLiteral("Сохранить изменения конфигурации?"), m_title);
    if (!save)
        return false;
    if (*save)
        return acceptConfiguration() && !isVisible();
    return true;
}

void ConfigEditorWindow::reject()
{
    // Escape: a question first when something would be lost.
    if (!isVisible() || !hasUnsavedChanges()) {
        cancelEditing();
        return;
    }
    if (!mayClose())
        return;
    if (isVisible())
        cancelEditing();
}

void ConfigEditorWindow::closeEvent(QCloseEvent* event)
{
    if (m_closeRefused) {
        event->ignore();
        return;
    }
    // Goes through reject(), which asks when something would be lost.
    QDialog::closeEvent(event);
}

bool ConfigEditorWindow::prepareForStoredRow()
{
    for (ChannelGrid* g : {m_flowGrid, m_thermoGrid, m_pressureGrid})
        g->finishEdit(false);
    if (!m_store.loadCurrentRow())
        return false;
    m_newConfiguration = false;
    m_closeRefused = false;
    applyEnergyControlRule(m_rec, m_session.DeviceVersion);
    m_typeList->setEnabled(false);
    showRecord();
    return true;
}

bool ConfigEditorWindow::openForStoredRow()
{
    if (!prepareForStoredRow())
        return false;
    exec();
    return true;
}

void ConfigEditorWindow::prepareForNewConfiguration(const QString& serial, const QString& type)
{
    vyn::resetToNewConfiguration(m_rec, serial, type, m_session.DeviceGeneration,
                                 m_session.DeviceVersion, m_locale);
    enableTypeList();
    resetToNewConfiguration();
}

void ConfigEditorWindow::openForNewConfiguration(const QString& serial, const QString& type)
{
    prepareForNewConfiguration(serial, type);
    exec();
}

bool ConfigEditorWindow::runCopyCommand()
{
    if (!m_store.loadCurrentRow())
        return false;
    m_newConfiguration = true;
    m_rec.SNUM = QStringLiteral("00000000");
    showRecord();
    return runSaveWithoutShowing();
}

void ConfigEditorWindow::clearSerialField()
{
    m_showing = true;
    m_serialField->clear();
    m_showing = false;
}

void ConfigEditorWindow::enableTypeList()
{
    m_typeList->setEnabled(true);
}

void ConfigEditorWindow::selectTypeItem(int index)
{
    // The record follows with resetToNewConfiguration.
    m_showing = true;
    m_typeList->setCurrentIndex(index);
    m_showing = false;
}

void ConfigEditorWindow::resetToNewConfiguration()
{
    m_newConfiguration = true;
    m_closeRefused = false;
    showRecord();
}

// --- placement -------------------------------------------------------------------------------

void ConfigEditorWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_shownRecord = m_rec;
    readPlacement();
}

void ConfigEditorWindow::readPlacement()
{
    const int left = m_settings.readInteger(kSection, keys::kLeft, -1);
    const int top = m_settings.readInteger(kSection, keys::kTop, -1);
    const QRect stored(QPoint(left, top), size());
    for (const QScreen* s : QGuiApplication::screens())
        if (left >= 0 && top >= 0 &&
            s->availableGeometry().contains(stored.topLeft() + QPoint(40, 20))) {
            move(stored.topLeft());
            return;
        }
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(), frameGeometry().size());
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
}

void ConfigEditorWindow::writePlacement()
{
    m_settings.writeInteger(kSection, keys::kLeft, x());
    m_settings.writeInteger(kSection, keys::kTop, y());
}

} // namespace vyn
