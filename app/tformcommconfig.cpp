#include "tformcommconfig.h"

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

TFormCommConfig::TFormCommConfig(IniFile& settings, QWidget* parent, PortLister ports)
    : QDialog(parent), m_settings(settings), m_ports(ports ? std::move(ports) : EnumeratePorts)
{
    setObjectName(QStringLiteral("FormCommConfig"));
    setWindowTitle(QStringLiteral("Коммуникационные настройки"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    auto* line = new QGroupBox(QStringLiteral("Последовательный порт"), this);
    ComboBox1 = new QComboBox(line);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setMinimumWidth(160);
    ComboBox2 = choiceList(QStringLiteral("ComboBox2"), CommSettings::speedItems(), line);
    ComboBox3 = choiceList(QStringLiteral("ComboBox3"), CommSettings::dataBitsItems(), line);
    ComboBox4 = choiceList(QStringLiteral("ComboBox4"), CommSettings::parityItems(), line);
    ComboBox5 = choiceList(QStringLiteral("ComboBox5"), CommSettings::stopBitsItems(), line);
    ComboBox3->setToolTip(QStringLiteral("Число битов данных"));
    ComboBox4->setToolTip(QStringLiteral("Чётность: N — нет, 1 — маркер, 0 — пробел, "
                                         "E — чётный, O — нечётный"));
    ComboBox5->setToolTip(QStringLiteral("Число стоповых битов"));
    CheckBox1 = new QCheckBox(QStringLiteral("DTR"), line);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("RTS"), line);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));

    auto* format = new QHBoxLayout;
    format->addWidget(ComboBox3);
    format->addWidget(ComboBox4);
    format->addWidget(ComboBox5);
    format->addStretch(1);
    auto* lines = new QHBoxLayout;
    lines->addWidget(CheckBox1);
    lines->addSpacing(16);
    lines->addWidget(CheckBox2);
    lines->addStretch(1);

    auto* lineForm = new QFormLayout(line);
    lineForm->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lineForm->addRow(QStringLiteral("Комм. порт:"), ComboBox1);
    lineForm->addRow(QStringLiteral("Скорость передачи:"), ComboBox2);
    lineForm->addRow(QStringLiteral("Формат данных:"), format);
    lineForm->addRow(QString(), lines);

    auto* device = new QGroupBox(QStringLiteral("Прибор и передача"), this);
    RxSpinEdit1 = spinField(QStringLiteral("RxSpinEdit1"), device);
    RxSpinEdit2 = spinField(QStringLiteral("RxSpinEdit2"), device);
    RxSpinEdit3 = spinField(QStringLiteral("RxSpinEdit3"), device);
    auto* deviceForm = new QFormLayout(device);
    deviceForm->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    deviceForm->addRow(QStringLiteral("Сетевой адрес прибора:"), RxSpinEdit1);
    deviceForm->addRow(QStringLiteral("Время ожидания начала передачи(с):"), RxSpinEdit2);
    deviceForm->addRow(QStringLiteral("Интервал между байтами (мс):"), RxSpinEdit3);

    QHBoxLayout* buttons = enterCancelHelpRow(
        this, [this] { BitBtn1Click(); }, [this] { BitBtn2Click(); }, [this] { BitBtn3Click(); });

    auto* root = new QVBoxLayout(this);
    root->addWidget(line);
    root->addWidget(device);
    root->addSpacing(4);
    root->addLayout(buttons);
    root->setSizeConstraint(QLayout::SetFixedSize);

    FormCreate();
}

void TFormCommConfig::FormCreate()
{
    m_accepted = CommSettings::read(m_settings);
    refresh();
    showSettings(m_accepted);
}

void TFormCommConfig::showSettings(const CommSettings& s)
{
    if (!s.port.isEmpty())
        ComboBox1->setEditText(s.port);
    ComboBox2->setCurrentIndex(s.speedItem);
    ComboBox3->setCurrentIndex(s.dataBitsItem);
    ComboBox4->setCurrentIndex(s.parityItem);
    ComboBox5->setCurrentIndex(s.stopBitsItem);
    CheckBox1->setChecked(s.dtr);
    CheckBox2->setChecked(s.rts);
    RxSpinEdit1->setValue(s.networkAddress);
    RxSpinEdit2->setValue(s.wait);
    RxSpinEdit3->setValue(s.byteInterval);
}

CommSettings TFormCommConfig::current() const
{
    CommSettings s;
    s.port = ComboBox1->currentText().trimmed();
    s.speedItem = ComboBox2->currentIndex();
    s.dataBitsItem = ComboBox3->currentIndex();
    s.parityItem = ComboBox4->currentIndex();
    s.stopBitsItem = ComboBox5->currentIndex();
    s.dtr = CheckBox1->isChecked();
    s.rts = CheckBox2->isChecked();
    s.networkAddress = RxSpinEdit1->value();
    s.wait = RxSpinEdit2->value();
    s.byteInterval = RxSpinEdit3->value();
    return s;
}

void TFormCommConfig::refresh()
{
    QStringList names;
    m_ports(names);
    const QString typed = ComboBox1->currentText();
    ComboBox1->clear();
    ComboBox1->addItems(names);
    if (!m_accepted.port.isEmpty())
        ComboBox1->setEditText(m_accepted.port);
    else if (!names.isEmpty())
        ComboBox1->setCurrentIndex(0);
    else
        ComboBox1->setEditText(typed);
}

int TFormCommConfig::openDialog()
{
    refresh();
    return exec();
}

void TFormCommConfig::BitBtn1Click()
{
    CommSettings s = current();
    if (s.port.isEmpty())
        s.port = m_accepted.port;
    m_accepted = s;
    m_accepted.write(m_settings);
    showSettings(m_accepted);
    accept();
}

void TFormCommConfig::BitBtn2Click()
{
    reject();
}

void TFormCommConfig::BitBtn3Click()
{
    if (m_help)
        m_help(QStringLiteral("Comm"));
}

void TFormCommConfig::reject()
{
    // Escape and the title bar's close button cancel as "Отказ" does.
    refresh();
    showSettings(m_accepted);
    QDialog::reject();
}

} // namespace vyn
