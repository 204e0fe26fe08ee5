// The "Реквизиты организации" window and the file it keeps the details in.

#include "documents/firmdetailswindow.h"
#include "documents/reportpreview.h"
#include "tests/common/fakedialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace vyn::test {
namespace {

class FirmWindow : public ::testing::Test
{
protected:
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // The window opened as the menu opens it; act runs while it is up.
    void openAndDo(FirmDetailsWindow& w, const std::function<void()>& act)
    {
        QTimer::singleShot(0, &w, [&w, act] {
            act();
            if (w.isVisible())
                w.reject();
        });
        w.openDialog();
    }
    static QLineEdit* field(QWidget& w, const char* name)
    {
        return w.findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    static QPushButton* button(QWidget& w, const char* name)
    {
        return w.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    QTemporaryDir m_dir;
    FakeDialogs m_user;
};

TEST_F(FirmWindow, SavedDetailsAndLogoAreReadBackFromTheProgramDirectory)
{
    QTemporaryDir elsewhere;
    const QString logo = elsewhere.filePath(QStringLiteral("logo.PNG"));
    QImage image(80, 40, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    ASSERT_TRUE(image.save(logo, "PNG"));

    FirmDetailsWindow w(path("firm.ini"), m_user);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Реквизиты организации"));
    openAndDo(w, [&] {
        EXPECT_TRUE(field(w, "firmName")->text().isEmpty()); // no file yet
        EXPECT_FALSE(button(w, "removeLogo")->isEnabled());
        field(w, "firmName")->setText(QStringLiteral("  ООО «Теплоучёт» "));
        field(w, "firmAddress")->setText(QStringLiteral("620000, г. Екатеринбург"));
        field(w, "firmPhone")->setText(QStringLiteral("+7 343 000-00-01"));
        field(w, "firmEmail")->setText(QStringLiteral("service@teplo.example"));
        m_user.openFiles.enqueue(logo);
        QTest::mouseClick(button(w, "chooseLogo"), Qt::LeftButton);
        EXPECT_TRUE(button(w, "removeLogo")->isEnabled());
        QTest::mouseClick(button(w, "saveFirm"), Qt::LeftButton);
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(w.result(), QDialog::Accepted);

    // The logo is copied beside firm.ini: the original may go.
    ASSERT_TRUE(QFile::remove(logo));
    const FirmDetails stored = readFirmDetails(path("firm.ini"));
    EXPECT_EQ(stored, (FirmDetails{QStringLiteral("ООО «Теплоучёт»"),
                                   QStringLiteral("620000, г. Екатеринбург"),
                                   QStringLiteral("+7 343 000-00-01"),
                                   QStringLiteral("service@teplo.example"), path("firmlogo.png")}));
    EXPECT_TRUE(stored.isFilled());
    EXPECT_EQ(QImage(stored.logo).size(), QSize(80, 40));

    // Opened again: the stored values; cancelling keeps the file.
    FirmDetailsWindow again(path("firm.ini"), m_user);
    openAndDo(again, [&] {
        EXPECT_EQ(field(again, "firmName")->text(), QStringLiteral("ООО «Теплоучёт»"));
        EXPECT_TRUE(button(again, "removeLogo")->isEnabled());
        QTest::mouseClick(button(again, "removeLogo"), Qt::LeftButton);
        field(again, "firmName")->clear();
        QTest::mouseClick(button(again, "cancelFirm"), Qt::LeftButton);
    });
    EXPECT_EQ(readFirmDetails(path("firm.ini")), stored);
    EXPECT_TRUE(m_user.messages().isEmpty());
}

TEST_F(FirmWindow, ANonImageOrAnUnwritableDirectoryIsReportedAndNothingIsLost)
{
    QFile text(path("notes.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not an image");
    text.close();

    FirmDetailsWindow w(path("missing-dir/firm.ini"), m_user);
    openAndDo(w, [&] {
        field(w, "firmName")->setText(QStringLiteral("ООО «Фирма»"));
        m_user.openFiles.enqueue(path("notes.png"));
        QTest::mouseClick(button(w, "chooseLogo"), Qt::LeftButton);
        EXPECT_FALSE(button(w, "removeLogo")->isEnabled());
        QTest::mouseClick(button(w, "saveFirm"), Qt::LeftButton);
        EXPECT_TRUE(w.isVisible()); // the typed details stay on screen
        EXPECT_EQ(field(w, "firmName")->text(), QStringLiteral("ООО «Фирма»"));
    });
    ASSERT_EQ(m_user.messages().size(), 2);
    EXPECT_TRUE(m_user.messages().at(0).contains("не является изображением"));
    EXPECT_TRUE(m_user.messages().at(1).startsWith(
        "Не удалось сохранить реквизиты организации в файл"));
    EXPECT_FALSE(QFile::exists(path("missing-dir/firm.ini")));
}

TEST(FirmDetailsFile, EmptyOrMissingDetailsAreNotFilledAndOtherLinesStay)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("firm.ini"));
    EXPECT_FALSE(readFirmDetails(ini).isFilled());
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("; kept\n[Firm]\nName=   \nPhone=1\n[Other]\nKey=v\n");
    f.close();
    EXPECT_FALSE(readFirmDetails(ini).isFilled());
    ASSERT_TRUE(writeFirmDetails(ini, {QStringLiteral("Фирма"), {}, {}, {}, {}}));
    EXPECT_TRUE(readFirmDetails(ini).isFilled());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains("; kept"));
    EXPECT_TRUE(text.contains("[Other]"));
}

TEST(Preview, TitleBarSaysWhenTheFirmDetailsAreMissing)
{
    FakeDialogs user;
    PreviewReportOutput preview(user);
    for (const bool missing : {true, false}) {
        QString title;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                poll.stop();
                title = w->windowTitle();
                w->close();
            }
        });
        poll.start();
        preview.present({QStringLiteral("Паспорт Винк-04-10"), QStringLiteral("<p>ПАСПОРТ</p>"), {}, missing});
        EXPECT_EQ(title, missing ? QStringLiteral("Паспорт Винк-04-10 — Реквизиты организации не заполнены")
                                 : QStringLiteral("Паспорт Винк-04-10"));
    }
}

} // namespace
} // namespace vyn::test
