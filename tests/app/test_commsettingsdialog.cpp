#include "app/windows/commsettingsdialog.h"
#include "model/inifile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace vyn;

namespace {

class CommConfig : public ::testing::Test
{
protected:
    // The profile of a program directory; later starts have "FirstStart" empty.
    IniFile& profile(const QByteArray& text)
    {
        m_ini = IniFile(m_dir.filePath(QStringLiteral("setvyn.ini")));
        m_ini.setText(text);
        return m_ini;
    }

    CommSettingsDialog& open(const QByteArray& iniText,
                             QStringList ports = {QStringLiteral("ttyS0"),
                                                  QStringLiteral("ttyUSB0")})
    {
        profile(iniText);
        m_ports = ports;
        m_form = std::make_unique<CommSettingsDialog>(
            m_ini, nullptr, [this](QStringList& list) { list = m_ports; });
        m_form->setHelpOpener([this](const QString& topic) { m_helpTopics << topic; });
        m_form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
        return *m_form;
    }

    QComboBox* combo(const char* name) const
    {
        return m_form->findChild<QComboBox*>(QString::fromLatin1(name));
    }
    QSpinBox* spin(const char* name) const
    {
        return m_form->findChild<QSpinBox*>(QString::fromLatin1(name));
    }
    QCheckBox* check(const QString& text) const
    {
        for (QCheckBox* c : m_form->findChildren<QCheckBox*>())
            if (c->text() == text)
                return c;
        ADD_FAILURE() << "no check box " << text.toStdString();
        return nullptr;
    }
    void click(const QString& text)
    {
        for (QPushButton* b : m_form->findChildren<QPushButton*>())
            if (b->text() == text)
                return QTest::mouseClick(b, Qt::LeftButton);
        ADD_FAILURE() << "no button " << text.toStdString();
    }
    // What the controls show, in the order of the dialog.
    QStringList shown() const
    {
        return {combo("ComboBox1")->currentText(),
                combo("ComboBox2")->currentText(),
                combo("ComboBox3")->currentText(),
                combo("ComboBox4")->currentText(),
                combo("ComboBox5")->currentText(),
                QString::number(spin("RxSpinEdit1")->value()),
                QString::number(spin("RxSpinEdit2")->value()),
                QString::number(spin("RxSpinEdit3")->value())};
    }
    QString key(const char* name) const
    {
        return m_ini.readString(QStringLiteral("TFormCommConfig"), QString::fromLatin1(name),
                                QStringLiteral("<missing>"));
    }

    QTemporaryDir m_dir;
    IniFile m_ini;
    QStringList m_ports;
    QStringList m_helpTopics;
    std::unique_ptr<CommSettingsDialog> m_form;
};

const QByteArray kStored = "[Start]\nFirstStart=\n"
                           "[TFormCommConfig]\nPort=ttyUSB0\nSpeed=1\nByte=0\nParity=3\nStop=1\n"
                           "CheckBox1_Checked=False\nCheckBox2_Checked=True\n"
                           "RxSpinEdit1_Value=17\nRxSpinEdit2_Value=9\nRxSpinEdit3_Value=4\n";

TEST_F(CommConfig, ShowsItsCaptionsAndChoices)
{
    CommSettingsDialog& f = open(kStored);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Коммуникационные настройки"));
    QStringList labels;
    for (QLabel* l : f.findChildren<QLabel*>())
        labels << l->text();
    for (const char* caption :
         {"Комм. порт:", "Скорость передачи:", "Формат данных:", "Сетевой адрес прибора:",
          "Время ожидания начала передачи(с):", "Интервал между байтами (мс):"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(caption))) << caption;
    EXPECT_NE(check(QStringLiteral("DTR")), nullptr);
    EXPECT_NE(check(QStringLiteral("RTS")), nullptr);

    const auto items = [this](const char* name) {
        QStringList out;
        for (int i = 0; i < combo(name)->count(); ++i)
            out << combo(name)->itemText(i);
        return out;
    };
    EXPECT_EQ(items("ComboBox2"), (QStringList{"1200", "2400", "4800", "9600"}));
    EXPECT_EQ(items("ComboBox3"), (QStringList{"6", "7", "8"}));
    EXPECT_EQ(items("ComboBox4"), (QStringList{"N", "1", "0", "E", "O"}));
    EXPECT_EQ(items("ComboBox5"), (QStringList{"1", "2"}));
    for (const char* s : {"RxSpinEdit1", "RxSpinEdit2", "RxSpinEdit3"}) {
        EXPECT_EQ(spin(s)->minimum(), 1) << s;
        EXPECT_EQ(spin(s)->maximum(), 255) << s;
    }
}

TEST_F(CommConfig, StartsWithTheStoredValuesOrTheFirstStartDefaults)
{
    open(kStored);
    EXPECT_EQ(shown(), (QStringList{"ttyUSB0", "2400", "6", "E", "2", "17", "9", "4"}));
    EXPECT_FALSE(check(QStringLiteral("DTR"))->isChecked());
    EXPECT_TRUE(check(QStringLiteral("RTS"))->isChecked());

    // The first start: "FirstStart" missing or "first" overrides the stored line settings.
    for (const QByteArray& first : {QByteArray(), QByteArray("[Start]\nFirstStart=first\n")}) {
        QByteArray text = kStored;
        text.replace("[Start]\nFirstStart=\n", first);
        open(text);
        EXPECT_EQ(shown(), (QStringList{"ttyUSB0", "9600", "8", "N", "1", "17", "5", "5"}));
    }
}

TEST_F(CommConfig, VvodStoresTheKeysOfTheSection)
{
    open("[Start]\nFirstStart=\n");
    combo("ComboBox1")->setEditText(QStringLiteral("/dev/pts/9"));
    combo("ComboBox2")->setCurrentIndex(0);
    combo("ComboBox3")->setCurrentIndex(1);
    combo("ComboBox4")->setCurrentIndex(4);
    combo("ComboBox5")->setCurrentIndex(1);
    check(QStringLiteral("DTR"))->setChecked(false);
    spin("RxSpinEdit1")->setValue(200);
    spin("RxSpinEdit2")->setValue(12);
    spin("RxSpinEdit3")->setValue(3);
    click(QStringLiteral("Ввод"));

    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->result(), QDialog::Accepted);
    EXPECT_EQ(key("Port"), QStringLiteral("/dev/pts/9"));
    EXPECT_EQ(key("Speed"), QStringLiteral("0"));
    EXPECT_EQ(key("Byte"), QStringLiteral("1"));
    EXPECT_EQ(key("Parity"), QStringLiteral("4"));
    EXPECT_EQ(key("Stop"), QStringLiteral("1"));
    EXPECT_EQ(key("CheckBox1_Checked"), QStringLiteral("False"));
    EXPECT_EQ(key("CheckBox2_Checked"), QStringLiteral("True"));
    EXPECT_EQ(key("RxSpinEdit1_Value"), QStringLiteral("200"));
    EXPECT_EQ(key("RxSpinEdit2_Value"), QStringLiteral("12"));
    EXPECT_EQ(key("RxSpinEdit3_Value"), QStringLiteral("3"));

    // Written at the program's end, read by the next start.
    ASSERT_TRUE(m_ini.save());
    IniFile next(m_ini.path());
    CommSettingsDialog again(next, nullptr, [](QStringList& l) { l = {QStringLiteral("ttyS0")}; });
    EXPECT_EQ(again.current().port, QStringLiteral("/dev/pts/9"));
    EXPECT_EQ(again.current().speed(), 1200);
    EXPECT_EQ(again.current().wait, 12);
}

TEST_F(CommConfig, OtkazBringsBackTheLastAcceptedValues)
{
    // On the first start too, where reading the file again would give the defaults.
    open("[TFormCommConfig]\nPort=ttyS0\n");
    combo("ComboBox2")->setCurrentIndex(1);
    spin("RxSpinEdit2")->setValue(30);
    click(QStringLiteral("Ввод"));
    const QStringList accepted = shown();
    EXPECT_EQ(accepted, (QStringList{"ttyS0", "2400", "8", "N", "1", "1", "30", "5"}));

    m_form->show();
    combo("ComboBox1")->setEditText(QStringLiteral("ttyUSB0"));
    combo("ComboBox2")->setCurrentIndex(3);
    combo("ComboBox4")->setCurrentIndex(3);
    spin("RxSpinEdit2")->setValue(40);
    check(QStringLiteral("RTS"))->setChecked(false);
    click(QStringLiteral("Отказ"));
    EXPECT_EQ(m_form->result(), QDialog::Rejected);
    EXPECT_EQ(shown(), accepted);
    EXPECT_TRUE(check(QStringLiteral("RTS"))->isChecked());
    EXPECT_EQ(key("Speed"), QStringLiteral("1"));

    // Escape cancels the same way.
    m_form->show();
    combo("ComboBox2")->setCurrentIndex(0);
    QTest::keyClick(m_form.get(), Qt::Key_Escape);
    EXPECT_EQ(shown(), accepted);
}

TEST_F(CommConfig, ATypedPortIsUsedAtOnceAndStoredOnlyWithVvod)
{
    CommSettingsDialog& f = open(kStored);
    combo("ComboBox1")->setEditText(QStringLiteral("/dev/pts/4"));
    EXPECT_EQ(f.current().port, QStringLiteral("/dev/pts/4"));
    EXPECT_EQ(key("Port"), QStringLiteral("ttyUSB0"));

    // An empty port field keeps the confirmed port.
    combo("ComboBox1")->setEditText(QString());
    click(QStringLiteral("Ввод"));
    EXPECT_EQ(key("Port"), QStringLiteral("ttyUSB0"));
    EXPECT_EQ(f.accepted().port, QStringLiteral("ttyUSB0"));
}

TEST_F(CommConfig, ThePortListIsTheSystemsAndKeepsAnUnlistedPort)
{
    // In the system's order, duplicates kept; a pseudo-terminal path not among them stays.
    CommSettingsDialog& f =
        open("[Start]\nFirstStart=\n[TFormCommConfig]\nPort=/dev/pts/3\n",
             {QStringLiteral("ttyUSB1"), QStringLiteral("ttyS0"), QStringLiteral("ttyUSB1")});
    QComboBox* port = combo("ComboBox1");
    ASSERT_EQ(port->count(), 3);
    EXPECT_EQ(port->itemText(0), QStringLiteral("ttyUSB1"));
    EXPECT_EQ(port->itemText(1), QStringLiteral("ttyS0"));
    EXPECT_EQ(port->itemText(2), QStringLiteral("ttyUSB1"));
    EXPECT_EQ(port->currentText(), QStringLiteral("/dev/pts/3"));

    // Opening again lists the ports anew.
    m_ports = {QStringLiteral("ttyACM0")};
    f.refresh();
    EXPECT_EQ(port->count(), 1);
    EXPECT_EQ(port->currentText(), QStringLiteral("/dev/pts/3"));

    // Without a stored port the first listed one is shown; without ports, nothing.
    open("[Start]\nFirstStart=\n");
    EXPECT_EQ(combo("ComboBox1")->currentText(), QStringLiteral("ttyS0"));
    open("[Start]\nFirstStart=\n", {});
    EXPECT_EQ(combo("ComboBox1")->currentText(), QString());
}

TEST_F(CommConfig, HelpOpensTheTopicComm)
{
    open(kStored);
    click(QStringLiteral("Справка"));
    EXPECT_EQ(m_helpTopics, QStringList{QStringLiteral("Comm")});
    EXPECT_TRUE(m_form->isVisible());
}

} // namespace
