#include "ui/qtuserdialogs.h"
#include "ui/qttranslations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace vyn;

namespace {

// Acts on the next modal dialog of type D once it is on screen.
template <class D>
void whenShown(std::function<void(D*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(d);
        }
    });
    timer->start();
}

// QFileDialog's own accept() is protected; through QDialog it takes the typed name.
void accept(QFileDialog* d)
{
    static_cast<QDialog*>(d)->accept();
}

QAbstractButton* buttonWithText(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

const FileChoice kAltChoice{QStringLiteral("Сохранить как"), {},
                            QStringLiteral("Файл альтернативных дней(*.alt)"), QStringLiteral("alt")};

class QtDialogs : public ::testing::Test
{
protected:
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
    QtUserDialogs m_dialogs;
};

TEST_F(QtDialogs, SaveDialogOffersTheFilterAndAddsTheDefaultSuffix)
{
    QStringList filters;
    QString caption;
    whenShown<QFileDialog>([&](QFileDialog* d) {
        filters = d->nameFilters();
        caption = d->windowTitle();
        d->selectFile(path("plan"));
        accept(d);
    });
    EXPECT_EQ(m_dialogs.chooseSaveFile(kAltChoice), path("plan.alt"));
    EXPECT_EQ(filters, QStringList{QStringLiteral("Файл альтернативных дней(*.alt)")});
    EXPECT_EQ(caption, QStringLiteral("Сохранить как"));
}

TEST_F(QtDialogs, AnExistingFileIsReplacedOnlyAfterYes)
{
    QFile existing(path("old.alt"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();

    QString question;
    const auto pickExisting = [&](QFileDialog* d) {
        d->selectFile(path("old.alt"));
        accept(d);
    };
    const auto answer = [&](const QString& button) {
        return [&question, button](QMessageBox* box) {
            question = box->text();
            QAbstractButton* b = buttonWithText(box, button);
            ASSERT_NE(b, nullptr);
            b->click();
        };
    };

    whenShown<QFileDialog>(pickExisting);
    whenShown<QMessageBox>(answer(QStringLiteral("Да")));
    EXPECT_EQ(m_dialogs.chooseSaveFile(kAltChoice), path("old.alt"));
    EXPECT_EQ(question, QStringLiteral("Файл «old.alt» уже существует.\nЗаменить его?"));

    // "Нет" goes back to the dialog; cancelling it chooses nothing.
    whenShown<QFileDialog>(pickExisting);
    whenShown<QMessageBox>([&](QMessageBox* box) {
        whenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
        answer(QStringLiteral("Нет"))(box);
    });
    EXPECT_EQ(m_dialogs.chooseSaveFile(kAltChoice), QString());
}

TEST_F(QtDialogs, OpenDialogReturnsTheChosenFileOrNothing)
{
    FileChoice choice = kAltChoice;
    choice.caption = QStringLiteral("Открыть");
    choice.directory = m_dir.path();
    // An existing name is taken as typed: no ".alt" is added to it.
    for (const char* name : {"days.alt", "days", "days.bak"}) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        whenShown<QFileDialog>([&](QFileDialog* d) {
            d->selectFile(QString::fromLatin1(name));
            accept(d);
        });
        EXPECT_EQ(m_dialogs.chooseOpenFile(choice), path(name));
    }
    whenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
    EXPECT_EQ(m_dialogs.chooseOpenFile(choice), QString());
}

TEST_F(QtDialogs, QuestionHasRussianButtonsAndTheGivenDefault)
{
    for (bool defaultYes : {true, false}) {
        QString defaultText, caption, text;
        whenShown<QMessageBox>([&](QMessageBox* box) {
            defaultText = box->defaultButton()->text();
            caption = box->windowTitle();
            text = box->text();
            buttonWithText(box, QStringLiteral("Нет"))->click();
        });
        EXPECT_FALSE(m_dialogs.ask(QStringLiteral("Удалить запись?"), QStringLiteral("Конфигуратор"),
                                   defaultYes));
        EXPECT_EQ(defaultText, defaultYes ? QStringLiteral("Да") : QStringLiteral("Нет"));
        EXPECT_EQ(caption, QStringLiteral("Конфигуратор"));
        EXPECT_EQ(text, QStringLiteral("Удалить запись?"));
    }
}

TEST_F(QtDialogs, InputBoxGivesTheTextOrNothingWhenCancelled)
{
    whenShown<QInputDialog>([](QInputDialog* d) {
        EXPECT_EQ(d->textValue(), QStringLiteral("1001"));
        d->setTextValue(QStringLiteral("2002"));
        d->accept();
    });
    EXPECT_EQ(m_dialogs.askText(QStringLiteral("Номер:"), QStringLiteral("Поиск"), QStringLiteral("1001")),
              std::optional<QString>(QStringLiteral("2002")));
    whenShown<QInputDialog>([](QInputDialog* d) { d->reject(); });
    EXPECT_EQ(m_dialogs.askText(QStringLiteral("Номер:"), QStringLiteral("Поиск")), std::nullopt);
}

// Last in this file: the translations stay installed for the rest of the run.
TEST(QtTranslations, QtsOwnTextsBecomeRussian)
{
    ASSERT_TRUE(installQtRussianTranslations(*QCoreApplication::instance()));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Size"), QStringLiteral("Размер"));
    EXPECT_EQ(QCoreApplication::translate("QPrintPreviewDialog", "Print"), QStringLiteral("Печать"));
}

} // namespace
