#include "tformvynconfig.h"

#include "channelgrid.h"
#include "flowrules.h"
#include "saverules.h"
#include "shaperules.h"
#include "tariffpanels.h"
#include "thermorules.h"

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
    QLocale l = locale.decimalPoint() == QLatin1Char(',') ? QLocale(QLocale::Russian, QLocale::Russia)
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

TFormVynConfig::TFormVynConfig(Parts parts, QWidget* parent)
    : QDialog(parent), m_rec(parts.record), m_session(parts.session), m_catalogue(parts.catalogue),
      m_history(parts.history), m_dialogs(parts.dialogs), m_store(parts.store), m_settings(parts.settings),
      m_title(std::move(parts.title)), m_locale(parts.locale)
{
    setWindowTitle(QStringLiteral("Создание конфигурации"));
    setModal(true);
    build();
    showRecord();
}

EditorContext TFormVynConfig::context() const
{
    return EditorContext{m_catalogue, m_history, m_options, m_session.DeviceGeneration,
                         m_session.DeviceVersion, m_locale};
}

// --- layout -----------------------------------------------------------------------

void TFormVynConfig::build()
{
    auto* body = new QHBoxLayout;
    body->setSpacing(10);
    body->addWidget(buildLeftPanel(), 0, Qt::AlignTop);
    body->addWidget(buildTables(), 0, Qt::AlignTop);

    BitBtn1 = new QPushButton(QStringLiteral("Ввод"), this);
    BitBtn2 = new QPushButton(QStringLiteral("Отказ"), this);
    BitBtn3 = new QPushButton(QStringLiteral("Справка"), this);
    BitBtn3->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn3);
    buttons->addStretch();
    for (QPushButton* b : {BitBtn1, BitBtn2}) {
        // Enter belongs to the fields and grids, not to a default button.
        b->setAutoDefault(false);
        b->setMinimumWidth(96);
        buttons->addWidget(b);
    }
    BitBtn3->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    // No button of the window answers Enter (the time picker is a window of its own).
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->window() == this) {
            b->setAutoDefault(false);
            b->setDefault(false);
        }
}

QWidget* TFormVynConfig::buildLeftPanel()
{
    auto* panel = new QWidget(this);
    panel->setFixedWidth(262);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    // identity
    auto* identity = new QGroupBox(panel);
    Edit1 = new QLineEdit(identity);
    Edit1->setMaxLength(8);
    Edit1->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,8}")), Edit1));
    Edit1->setFixedWidth(110);
    ComboBox4 = listOf({QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"),
                        QStringLiteral("04"), QStringLiteral("05")},
                       identity, 60);
    ComboBox1 = listOf(firstSchemeDigits(), identity, 50);
    ComboBox2 = listOf({}, identity, 50);
    ComboBox3 = listOf({QStringLiteral(" "), QStringLiteral("c")}, identity, 50);
    auto* scheme = new QHBoxLayout;
    scheme->addWidget(ComboBox1);
    scheme->addWidget(ComboBox2);
    scheme->addStretch();
    auto* idForm = new QFormLayout(identity);
    idForm->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    idForm->addRow(QStringLiteral("Серийный №"), Edit1);
    idForm->addRow(QStringLiteral("Винк"), ComboBox4);
    idForm->addRow(QStringLiteral("Схема"), scheme);
    idForm->addRow(QStringLiteral("Пит"), ComboBox3);
    column->addWidget(identity);

    // control
    auto* control = new QGroupBox(QStringLiteral("Контролировать "), panel);
    CheckBox1 = new QCheckBox(QStringLiteral("разницу температур"), control);
    CheckBox2 = new QCheckBox(QStringLiteral("разницу энергий"), control);
    auto* controlLayout = new QVBoxLayout(control);
    controlLayout->addWidget(CheckBox1);
    controlLayout->addWidget(CheckBox2);
    column->addWidget(control);
    CheckBox3 = new QCheckBox(QStringLiteral("Подсветка"), panel);
    column->addWidget(CheckBox3);

    // archive
    RadioGroup1 = new QGroupBox(QStringLiteral("Настройка архива"), panel);
    m_archive = radioGroup(RadioGroup1, {QStringLiteral("С ежемесячной очисткой"),
                                         QStringLiteral("С нарастающим итогом")});
    column->addWidget(RadioGroup1);

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
    RxSpinEdit1 = makeSpin();
    RxSpinEdit2 = makeSpin();
    ComboBox5 = listOf(numberTexts(1, 31), season, 50);
    ComboBox6 = listOf(numberTexts(1, 12), season, 50);
    ComboBox7 = listOf(numberTexts(1, 31), season, 50);
    ComboBox8 = listOf(numberTexts(1, 12), season, 50);
    seasonGrid->addWidget(new QLabel(QStringLiteral("t х, °С"), season), 0, 1);
    seasonGrid->addWidget(new QLabel(caption(QStringLiteral("Дата начала :\r\nдень,месяц")), season), 0, 2, 1, 2);
    seasonGrid->addWidget(new QLabel(caption(QStringLiteral("Отопи-\r\nтельный :")), season), 1, 0);
    seasonGrid->addWidget(RxSpinEdit1, 1, 1);
    seasonGrid->addWidget(ComboBox5, 1, 2);
    seasonGrid->addWidget(ComboBox6, 1, 3);
    seasonGrid->addWidget(new QLabel(QStringLiteral("Летний :"), season), 2, 0);
    seasonGrid->addWidget(RxSpinEdit2, 2, 1);
    seasonGrid->addWidget(ComboBox7, 2, 2);
    seasonGrid->addWidget(ComboBox8, 2, 3);
    column->addWidget(season);

    // report
    auto* report = new QGroupBox(panel);
    auto* reportLayout = new QHBoxLayout(report);
    ComboBox9 = listOf(numberTexts(1, 28), report, 56);
    reportLayout->addWidget(new QLabel(caption(QStringLiteral("Начало отчётного \r\nпериода:")), report));
    reportLayout->addStretch();
    reportLayout->addWidget(ComboBox9);
    column->addWidget(report);

    // network
    auto* network = new QGroupBox(panel);
    auto* networkLayout = new QVBoxLayout(network);
    RxSpinEdit3 = new QSpinBox(network);
    RxSpinEdit3->setRange(1, 240);
    RxSpinEdit3->setFixedWidth(62);
    auto* address = new QHBoxLayout;
    address->addWidget(new QLabel(QStringLiteral("Сетевой адрес"), network));
    address->addStretch();
    address->addWidget(RxSpinEdit3);
    networkLayout->addLayout(address);
    RadioGroup2 = new QGroupBox(QStringLiteral("Тип адаптера:"), network);
    m_adapter = radioGroup(RadioGroup2, {QStringLiteral("Net1 (Связной адаптер)"), QStringLiteral("Net2 (Mod-Bus)"),
                                         QStringLiteral("Net3 (Mod-Bus Модем)")});
    networkLayout->addWidget(RadioGroup2);
    m_outImpLabel = new QLabel(caption(QStringLiteral("Выходной вес \r\nимпульса :")), network);
    ComboBox10 = listOf({QStringLiteral("0,01"), QStringLiteral("0,1"), QStringLiteral("1,0"),
                         QStringLiteral("10,0"), QStringLiteral("100,0")},
                        network, 70);
    auto* outImp = new QHBoxLayout;
    outImp->addWidget(m_outImpLabel);
    outImp->addWidget(ComboBox10);
    networkLayout->addLayout(outImp);
    // The calculators take no output pulse weight from here; it stays hidden.
    m_outImpLabel->hide();
    ComboBox10->hide();
    column->addWidget(network);
    column->addStretch();

    // Every control writes its value into the record at once.
    auto guard = [this](auto f) {
        return [this, f](auto&&...) {
            if (!m_showing)
                f();
        };
    };
    connect(Edit1, &QLineEdit::textEdited, this, guard([this] { m_rec.SNUM = Edit1->text(); }));
    connect(ComboBox4, &QComboBox::currentIndexChanged, this, guard([this] { ComboBox4Change(); }));
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, guard([this] { ComboBox1Change(); }));
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, guard([this] { ComboBox2Change(); }));
    connect(ComboBox3, &QComboBox::currentIndexChanged, this,
            guard([this] { m_rec.PITVYN = ComboBox3->currentIndex() == 1; }));
    connect(CheckBox1, &QCheckBox::toggled, this, guard([this] { m_rec.tempDiffControl = CheckBox1->isChecked(); }));
    connect(CheckBox2, &QCheckBox::toggled, this, guard([this] { m_rec.EnergyControl = CheckBox2->isChecked(); }));
    connect(CheckBox3, &QCheckBox::toggled, this, guard([this] { m_rec.LigthSet = CheckBox3->isChecked(); }));
    connect(m_archive, &QButtonGroup::idClicked, this,
            guard([this] { m_rec.archiveMode = static_cast<ArchiveMode>(m_archive->checkedId()); }));
    connect(RxSpinEdit1, &QDoubleSpinBox::valueChanged, this,
            guard([this] { m_rec.TXIZ = m_locale.formatFixed(RxSpinEdit1->value(), 1); }));
    connect(RxSpinEdit2, &QDoubleSpinBox::valueChanged, this,
            guard([this] { m_rec.TXIL = m_locale.formatFixed(RxSpinEdit2->value(), 1); }));
    connect(ComboBox5, &QComboBox::currentIndexChanged, this, guard([this] { m_rec.DATEZ.day = ComboBox5->currentIndex() + 1; }));
    connect(ComboBox6, &QComboBox::currentIndexChanged, this, guard([this] { m_rec.DATEZ.month = ComboBox6->currentIndex() + 1; }));
    connect(ComboBox7, &QComboBox::currentIndexChanged, this, guard([this] { m_rec.DATEL.day = ComboBox7->currentIndex() + 1; }));
    connect(ComboBox8, &QComboBox::currentIndexChanged, this, guard([this] { m_rec.DATEL.month = ComboBox8->currentIndex() + 1; }));
    connect(ComboBox9, &QComboBox::currentIndexChanged, this, guard([this] { m_rec.DSTART = ComboBox9->currentIndex() + 1; }));
    connect(RxSpinEdit3, &QSpinBox::valueChanged, this, guard([this] { m_rec.networkAddress = RxSpinEdit3->value(); }));
    connect(m_adapter, &QButtonGroup::idClicked, this,
            guard([this] { m_rec.adapterType = static_cast<AdapterKind>(m_adapter->checkedId()); }));
    connect(ComboBox10, &QComboBox::currentIndexChanged, this, guard([this] { m_rec.OutImpMass = ComboBox10->currentText(); }));
    return panel;
}

QWidget* TFormVynConfig::buildTables()
{
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    sg1 = new ChannelGrid(TableKind::Flow, panel);
    sg2 = new ChannelGrid(TableKind::Thermo, panel);
    sg3 = new ChannelGrid(TableKind::Pressure, panel);
    for (ChannelGrid* g : {sg1, sg2, sg3})
        bindGrid(g);

    column->addWidget(tableCaption(QStringLiteral("Характеристики измерительных преобразователей расхода:"), panel));
    column->addWidget(sg1);
    column->addSpacing(6);
    column->addWidget(tableCaption(QStringLiteral("Характеристики измерительных преобразователей температуры:"), panel));
    column->addWidget(sg2);
    column->addSpacing(6);

    auto* lower = new QHBoxLayout;
    lower->setSpacing(10);
    // Captioned like the two tables above it.
    Panel5 = new QGroupBox(panel);
    Panel5->setFlat(true);
    Panel5->setObjectName(QStringLiteral("pressurePanel"));
    Panel5->setStyleSheet(QStringLiteral("QGroupBox#pressurePanel { border: none; margin: 0; padding: 0; }"));
    auto* pressureLayout = new QVBoxLayout(Panel5);
    pressureLayout->setContentsMargins(0, 0, 0, 0);
    pressureLayout->addWidget(
        tableCaption(QStringLiteral("Характеристики измерительных преобразователей давления:"), Panel5));
    auto* manUsing = new QGroupBox(QStringLiteral("Датчики давления для расчёта энергии"), Panel5);
    m_manUsing = radioGroup(manUsing, {QStringLiteral("Не использовать"), QStringLiteral("Использовать по возможности"),
                                       QStringLiteral("Использовать всегда")});
    pressureLayout->addWidget(manUsing);
    pressureLayout->addWidget(sg3);
    pressureLayout->addStretch();
    connect(m_manUsing, &QButtonGroup::idClicked, this, [this](int id) {
        if (!m_showing)
            m_rec.manUsingType = static_cast<ManUsing>(id);
    });

    m_listPanel = new TariffListPanel(m_rec, panel);
    m_dayPanel = new DayGridsPanel(m_rec, panel);
    lower->addWidget(Panel5, 0, Qt::AlignTop);
    // The list takes the width the tables leave, so no empty area stays beside it.
    lower->addWidget(m_listPanel, 1, Qt::AlignTop);
    lower->addWidget(m_dayPanel, 0, Qt::AlignTop);
    lower->addStretch();
    column->addLayout(lower);
    column->addStretch();
    return panel;
}

void TFormVynConfig::bindGrid(ChannelGrid* grid)
{
    const TableKind kind = grid->kind();
    grid->setChoiceHandler([this, kind](int row, int column) { return cellChoice(kind, row, column); });
    grid->setDeleteHandler([this, kind](int row, int column) { cellDeleted(kind, row, column); });
    // Only one grid shows a current cell.
    connect(grid, &QTableWidget::currentCellChanged, this, [this, grid](int row) {
        if (row < 0)
            return;
        for (ChannelGrid* other : {sg1, sg2, sg3})
            if (other && other != grid) {
                other->clearSelection();
                other->setCurrentIndex(QModelIndex());
            }
    });
    grid->setChangeHandler([this, kind](int row, int column, const QString& remembered, const QString& text) {
        cellChanged(kind, row, column, remembered, text);
    });
    grid->setClearHandler([this, kind] {
        clearTable(m_rec, kind);
        showRecord();
    });
}

// --- record and controls -------------------------------------------------------------

void TFormVynConfig::showRecord()
{
    m_showing = true;
    Edit1->setText(m_rec.SNUM);
    ComboBox4->setCurrentIndex(ComboBox4->findText(m_rec.TYPE_VYN));
    ComboBox3->setCurrentIndex(m_rec.PITVYN ? 1 : 0);
    CheckBox1->setChecked(m_rec.tempDiffControl);
    CheckBox2->setChecked(m_rec.EnergyControl);
    CheckBox3->setChecked(m_rec.LigthSet);
    checkId(m_archive, static_cast<int>(m_rec.archiveMode));
    const double txiz = ParseDecimal(m_rec.TXIZ, m_locale);
    const double txil = ParseDecimal(m_rec.TXIL, m_locale);
    RxSpinEdit1->setValue(txiz < 0 ? 5.0 : txiz);
    RxSpinEdit2->setValue(txil < 0 ? 5.0 : txil);
    ComboBox5->setCurrentIndex(m_rec.DATEZ.day - 1);
    ComboBox6->setCurrentIndex(m_rec.DATEZ.month - 1);
    ComboBox7->setCurrentIndex(m_rec.DATEL.day - 1);
    ComboBox8->setCurrentIndex(m_rec.DATEL.month - 1);
    ComboBox9->setCurrentIndex(m_rec.DSTART - 1);
    RxSpinEdit3->setValue(m_rec.networkAddress);
    checkId(m_adapter, static_cast<int>(m_rec.adapterType));
    ComboBox10->setCurrentIndex(ComboBox10->findText(m_rec.OutImpMass));
    checkId(m_manUsing, static_cast<int>(m_rec.manUsingType));
    applyView(editorView(m_rec, context()));
    showGrids();
    m_showing = false;
}

void TFormVynConfig::applyView(const EditorView& view)
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
    fill(ComboBox1, view.firstDigits, m_rec.firstDigit());
    fill(ComboBox2, view.secondDigits, m_rec.secondDigit());
    ComboBox1->setEnabled(view.firstDigitEnabled);
    ComboBox2->setEnabled(view.secondDigitEnabled);
    CheckBox2->setEnabled(view.energyControlEnabled);
    Panel5->setVisible(view.pressurePanelVisible);
    RadioGroup2->setVisible(view.adapterKindVisible);
    showTariffPanel(view.tariffPanel);
}

void TFormVynConfig::showTariffPanel(TariffPanel panel)
{
    m_listPanel->setVisible(panel == TariffPanel::List);
    m_dayPanel->setVisible(panel == TariffPanel::DayGrids);
    m_listPanel->showList();
    m_dayPanel->showSchedules();
}

void TFormVynConfig::showGrids()
{
    sg1->showTable(m_rec.FlowTable);
    sg2->showTable(m_rec.ThermoTable);
    sg3->showTable(m_rec.PressureTable);
}

CellChoice TFormVynConfig::cellChoice(TableKind kind, int row, int column) const
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

void TFormVynConfig::refuse(const QString& message)
{
    // Shown once the cell editor is closed, never from inside its commit.
    QTimer::singleShot(0, this, [this, message] {
        m_dialogs.inform(message, QStringLiteral("Сообщение"), MessageKind::Warning);
    });
}

void TFormVynConfig::cellDeleted(TableKind kind, int row, int column)
{
    if (cellChoice(kind, row, column).editable && clearCell(m_rec, kind, row, column))
        showRecord();
}

void TFormVynConfig::cellChanged(TableKind kind, int row, int column, const QString& remembered, QString text)
{
    // The list entry the cell already showed (without its unit) is no change.
    if (text != remembered && text == GetStrOld(remembered, m_locale))
        text = remembered;
    if (!text.isEmpty() && text != remembered) {
        const CellInput input =
            checkCellInput(m_rec, kind, row, column, text, cellChoice(kind, row, column).items, m_locale);
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

void TFormVynConfig::ComboBox4Change()
{
    changeType(m_rec, ComboBox4->currentText(), context());
    showRecord();
}

void TFormVynConfig::ComboBox1Change()
{
    const QString digit = ComboBox1->currentText();
    if (!digit.isEmpty())
        changeFirstDigit(m_rec, digit.at(0), context());
    showRecord();
}

void TFormVynConfig::ComboBox2Change()
{
    const QString digit = ComboBox2->currentText();
    if (!digit.isEmpty())
        changeSecondDigit(m_rec, digit.at(0), context());
    showRecord();
}

// --- commands --------------------------------------------------------------------------

bool TFormVynConfig::Button5Click()
{
    if (pipePairFailure(m_rec))
        return false;
    numberSystems(m_rec);
    showGrids();
    return true;
}

bool TFormVynConfig::BitBtn1Click()
{
    for (ChannelGrid* g : {sg1, sg2, sg3})
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
        m_dialogs.inform(QStringLiteral("Была ошибка при создании базы"), QStringLiteral("Сообщение"),
                         MessageKind::Error);
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

void TFormVynConfig::BitBtn2Click()
{
    for (ChannelGrid* g : {sg1, sg2, sg3})
        g->finishEdit(false);
    m_closeRefused = false;
    m_store.reloadCurrentRow();
    showRecord();
    if (isVisible()) {
        writePlacement();
        QDialog::reject();
    }
}

bool TFormVynConfig::mayClose()
{
    for (ChannelGrid* g : {sg1, sg2, sg3})
        g->finishEdit(false);
    if (!hasUnsavedChanges())
        return true;
    const std::optional<bool> save = m_dialogs.askYesNoCancel(QStringLiteral("Сохранить изменения конфигурации?"), m_title);
    if (!save)
        return false;
    if (*save)
        return BitBtn1Click() && !isVisible();
    return true;
}

void TFormVynConfig::reject()
{
    // Escape: a question first when something would be lost.
    if (!isVisible() || !hasUnsavedChanges()) {
        BitBtn2Click();
        return;
    }
    if (!mayClose())
        return;
    if (isVisible())
        BitBtn2Click();
}

void TFormVynConfig::closeEvent(QCloseEvent* event)
{
    if (m_closeRefused) {
        event->ignore();
        return;
    }
    // Goes through reject(), which asks when something would be lost.
    QDialog::closeEvent(event);
}

bool TFormVynConfig::prepareForStoredRow()
{
    for (ChannelGrid* g : {sg1, sg2, sg3})
        g->finishEdit(false);
    if (!m_store.loadCurrentRow())
        return false;
    m_newConfiguration = false;
    m_closeRefused = false;
    applyEnergyControlRule(m_rec, m_session.DeviceVersion);
    ComboBox4->setEnabled(false);
    showRecord();
    return true;
}

bool TFormVynConfig::openForStoredRow()
{
    if (!prepareForStoredRow())
        return false;
    exec();
    return true;
}

void TFormVynConfig::prepareForNewConfiguration(const QString& serial, const QString& type)
{
    vyn::resetToNewConfiguration(m_rec, serial, type, m_session.DeviceGeneration, m_session.DeviceVersion,
                                 m_locale);
    enableTypeList();
    resetToNewConfiguration();
}

void TFormVynConfig::openForNewConfiguration(const QString& serial, const QString& type)
{
    prepareForNewConfiguration(serial, type);
    exec();
}

bool TFormVynConfig::runCopyCommand()
{
    if (!m_store.loadCurrentRow())
        return false;
    m_newConfiguration = true;
    m_rec.SNUM = QStringLiteral("00000000");
    showRecord();
    return runSaveWithoutShowing();
}

void TFormVynConfig::clearSerialField()
{
    m_showing = true;
    Edit1->clear();
    m_showing = false;
}

void TFormVynConfig::enableTypeList()
{
    ComboBox4->setEnabled(true);
}

void TFormVynConfig::selectTypeItem(int index)
{
    // The record follows with resetToNewConfiguration.
    m_showing = true;
    ComboBox4->setCurrentIndex(index);
    m_showing = false;
}

void TFormVynConfig::resetToNewConfiguration()
{
    m_newConfiguration = true;
    m_closeRefused = false;
    showRecord();
}

// --- placement -------------------------------------------------------------------------------

void TFormVynConfig::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_shownRecord = m_rec;
    readPlacement();
}

void TFormVynConfig::readPlacement()
{
    const int left = m_settings.readInteger(kSection, keys::kLeft, -1);
    const int top = m_settings.readInteger(kSection, keys::kTop, -1);
    const QRect stored(QPoint(left, top), size());
    for (const QScreen* s : QGuiApplication::screens())
        if (left >= 0 && top >= 0 && s->availableGeometry().contains(stored.topLeft() + QPoint(40, 20))) {
            move(stored.topLeft());
            return;
        }
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(), frameGeometry().size());
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
}

void TFormVynConfig::writePlacement()
{
    m_settings.writeInteger(kSection, keys::kLeft, x());
    m_settings.writeInteger(kSection, keys::kTop, y());
}


} // namespace vyn
