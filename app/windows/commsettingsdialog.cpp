#include "app/windows/commsettingsdialog.h"

#include "ui/dialogbuttons.h"

#include "link/portlist.h"
#include "model/inifile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vyn {

namespace {

QComboBox* choiceList(const QString& name, const QStringList& items, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    return c;
}

QSpinBox* spinField(const QString& name, QWidget* parent)
{
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(1, 255);
    s->setMinimumWidth(70);
    return s;
}

} // namespace

CommSettingsDialog::CommSettingsDialog(IniFile& settings, QWidget* parent, PortLister ports)
    : QDialog(parent), m_settings(settings), m_ports(ports ? std::move(ports) : EnumeratePorts)
{
    setObjectName(QStringLiteral("FormCommConfig"));
    setWindowTitle(QStringLiteral("Коммуникационные настройки"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    auto* line = new QGroupBox(QStringLiteral("Последовательный порт"), this);
    m_portList = new QComboBox(line);
    m_portList->setObjectName(QStringLiteral("ComboBox1"));
    m_portList->setEditable(true);
    m_portList->setInsertPolicy(QComboBox::NoInsert);
    m_portList->setMinimumWidth(160);
    m_speedList = choiceList(QStringLiteral("ComboBox2"), CommSettings::speedItems(), line);
    m_dataBitsList = choiceList(QStringLiteral("ComboBox3"), CommSettings::dataBitsItems(), line);
    m_parityList = choiceList(QStringLiteral("ComboBox4"), CommSettings::parityItems(), line);
    m_stopBitsList = choiceList(QStringLiteral("ComboBox5"), CommSettings::stopBitsItems(), line);
    m_dataBitsList->setToolTip(QStringLiteral("Число битов данных"));
    m_parityList->setToolTip(QStringLiteral("Чётность: N — нет, 1 — маркер, 0 — пробел, "
                                            "E — чётный, O — нечётный"));
    m_stopBitsList->setToolTip(QStringLiteral("Число стоповых битов"));
    m_dtrBox = new QCheckBox(QStringLiteral("DTR"), line);
    m_dtrBox->setObjectName(QStringLiteral("CheckBox1"));
    m_rtsBox = new QCheckBox(QStringLiteral("RTS"), line);
    m_rtsBox->setObjectName(QStringLiteral("CheckBox2"));

    auto* format = new QHBoxLayout;
    format->addWidget(m_dataBitsList);
    format->addWidget(m_parityList);
    format->addWidget(m_stopBitsList);
    format->addStretch(1);
    auto* lines = new QHBoxLayout;
    lines->addWidget(m_dtrBox);
    lines->addSpacing(16);
    lines->addWidget(m_rtsBox);
    lines->addStretch(1);

    auto* lineForm = new QFormLayout(line);
    lineForm->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lineForm->addRow(QStringLiteral("Комм. порт:"), m_portList);
    lineForm->addRow(QStringLiteral("Скорость передачи:"), m_speedList);
    lineForm->addRow(QStringLiteral("Формат данных:"), format);
    lineForm->addRow(QString(), lines);

    auto* device = new QGroupBox(QStringLiteral("Прибор и передача"), this);
    m_networkAddressField = spinField(QStringLiteral("RxSpinEdit1"), device);
    m_waitField = spinField(QStringLiteral("RxSpinEdit2"), device);
    m_byteIntervalField = spinField(QStringLiteral("RxSpinEdit3"), device);
    auto* deviceForm = new QFormLayout(device);
    deviceForm->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    deviceForm->addRow(QStringLiteral("Сетевой адрес прибора:"), m_networkAddressField);
    deviceForm->addRow(QStringLiteral("Время ожидания начала передачи(с):"), m_waitField);
    deviceForm->addRow(QStringLiteral("Интервал между байтами (мс):"), m_byteIntervalField);

    QHBoxLayout* buttons = enterCancelHelpRow(
        this, [this] { acceptSettings(); }, [this] { cancelSettings(); }, [this] { showHelp(); });

    auto* root = new QVBoxLayout(this);
    root->addWidget(line);
    root->addWidget(device);
    root->addSpacing(4);
    root->addLayout(buttons);
    root->setSizeConstraint(QLayout::SetFixedSize);

    loadSettings();
}

void CommSettingsDialog::loadSettings()
{
    m_accepted = CommSettings::read(m_settings);
    refresh();
    showSettings(m_accepted);
}

void CommSettingsDialog::showSettings(const CommSettings& s)
{
    if (!s.port.isEmpty())
        m_portList->setEditText(s.port);
    m_speedList->setCurrentIndex(s.speedItem);
    m_dataBitsList->setCurrentIndex(s.dataBitsItem);
    m_parityList->setCurrentIndex(s.parityItem);
    m_stopBitsList->setCurrentIndex(s.stopBitsItem);
    m_dtrBox->setChecked(s.dtr);
    m_rtsBox->setChecked(s.rts);
    m_networkAddressField->setValue(s.networkAddress);
    m_waitField->setValue(s.wait);
    m_byteIntervalField->setValue(s.byteInterval);
}

CommSettings CommSettingsDialog::current() const
{
    CommSettings s;
    s.port = m_portList->currentText().trimmed();
    s.speedItem = m_speedList->currentIndex();
    s.dataBitsItem = m_dataBitsList->currentIndex();
    s.parityItem = m_parityList->currentIndex();
    s.stopBitsItem = m_stopBitsList->currentIndex();
    s.dtr = m_dtrBox->isChecked();
    s.rts = m_rtsBox->isChecked();
    s.networkAddress = m_networkAddressField->value();
    s.wait = m_waitField->value();
    s.byteInterval = m_byteIntervalField->value();
    return s;
}

void CommSettingsDialog::refresh()
{
    QStringList names;
    m_ports(names);
    const QString typed = m_portList->currentText();
    m_portList->clear();
    m_portList->addItems(names);
    if (!m_accepted.port.isEmpty())
        m_portList->setEditText(m_accepted.port);
    else if (!names.isEmpty())
        m_portList->setCurrentIndex(0);
    else
        m_portList->setEditText(typed);
}

int CommSettingsDialog::openDialog()
{
    refresh();
    return exec();
}

void CommSettingsDialog::acceptSettings()
{
    CommSettings s = current();
    if (s.port.isEmpty())
        s.port = m_accepted.port;
    m_accepted = s;
    m_accepted.write(m_settings);
    showSettings(m_accepted);
    accept();
}

void CommSettingsDialog::cancelSettings()
{
    reject();
}

void CommSettingsDialog::showHelp()
{
    if (m_help)
        m_help(QStringLiteral("Comm"));
}

void CommSettingsDialog::reject()
{
    // Escape and the title bar's close button cancel as "Отказ" does.
    refresh();
    showSettings(m_accepted);
    QDialog::reject();
}

} // namespace vyn
