// The running program over 100,000 stored configurations, offscreen: start-up
// to the first painted list, filtering with a four-character text, and
// scrolling to the last row.

#include "app/setvynapplication.h"
#include "app/tform1.h"
#include "tests/common/fakedialogs.h"
#include "tests/model/recordfixture.h"

#include "model/rowcodec.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

using namespace vyn;

namespace {

constexpr int kRows = 100000;

double ms(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Counts the list's paints.
class PaintWatch : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// Runs the event loop until the list has painted again.
void untilPainted(PaintWatch& watch, QWidget* viewport)
{
    const int before = watch.paints;
    viewport->update();
    while (watch.paints == before)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home, temp;
    const QString exe = home.path() + QLatin1Char('/');
    for (const char* name : {"rash.spe", "conf.dat", "prg.vyn"})
        if (!QFile::copy(QStringLiteral(SETVYN_BIN_DIR_PATH "/") + QLatin1String(name),
                         exe + QLatin1String(name))) {
            std::fprintf(stderr, "bench: %s is missing in the build\n", name);
            return 1;
        }
    const QString base = exe + QStringLiteral("MXVynBase.sqlite");

    const NumberLocale comma(QLatin1Char(','), QStringLiteral("dd.MM.yyyy"));
    const StoredRow whole =
        saveRecord(test::newerWithPressures(),
                   {1, QDate(2004, 1, 1), QDate(2015, 1, 1), QStringLiteral("PC\\ivan")}, comma)
            .row;
    QElapsedTimer t;
    {
        TDM1 db;
        if (!db.Connect(base))
            return 1;
        std::vector<StoredRow> rows(kRows, whole);
        for (int i = 0; i < kRows; ++i) {
            rows[i].setValue(QStringLiteral("SNUM"),
                             QStringLiteral("%1").arg(i * 7919 % 100000000, 8, 10, QLatin1Char('0')));
            rows[i].setValue(QStringLiteral("DATE"), QDate(2010, 1, 1).addDays(i / 30));
            rows[i].setValue(QStringLiteral("COMMENT"), QStringLiteral("Котельная № %1").arg(i % 977));
        }
        t.start();
        if (!db.appendRows(rows).ok)
            return 1;
        std::printf("create %d rows:                      %8.1f ms\n", kRows, ms(t));
    }
    QFile ini(exe + QStringLiteral("setvyn.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Start]\nFirstStart=\n[TForm1]\nBaseName=" + base.toUtf8() + "\n");
    ini.close();

    test::FakeDialogs user;
    SetvynOptions options;
    options.exeDir = exe;
    options.workingDir = home.path();
    options.tempRoot = temp.path();
    options.dialogs = &user;
    options.ports = [](QStringList& ports) { ports.clear(); };

    PaintWatch watch;
    t.start();
    SetvynApplication program(options);
    if (!program.start())
        return 1;
    TForm1& form = program.mainWindow();
    auto* list = form.findChild<QTableView*>(QStringLiteral("DBGrid1"));
    list->viewport()->installEventFilter(&watch);
    form.resize(1280, 1000);
    form.show();
    while (watch.paints == 0)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    std::printf("start-up to the first painted list:      %8.1f ms (%d rows)\n", ms(t),
                list->model()->rowCount());

    auto* search = form.findChild<QLineEdit*>(QStringLiteral("SearchText"));
    QAbstractButton* on = nullptr;
    for (QAbstractButton* b : form.findChildren<QAbstractButton*>())
        if (b->text() == QStringLiteral("Вкл"))
            on = b;
    search->setText(QStringLiteral("0012"));
    t.start();
    on->click();
    untilPainted(watch, list->viewport());
    std::printf("filter on, \"0012\" on SNUM:               %8.1f ms (%d rows)\n", ms(t),
                list->model()->rowCount());
    const char* keys[] = {"0013", "0014"};
    for (const char* k : keys) {
        t.start();
        search->setText(QString::fromLatin1(k));
        untilPainted(watch, list->viewport());
        std::printf("filtered again on a keypress, \"%s\":     %8.1f ms (%d rows)\n", k, ms(t),
                    list->model()->rowCount());
    }
    t.start();
    for (QAbstractButton* b : form.findChildren<QAbstractButton*>())
        if (b->text() == QStringLiteral("Выкл"))
            b->click();
    untilPainted(watch, list->viewport());
    std::printf("filter off:                              %8.1f ms (%d rows)\n", ms(t),
                list->model()->rowCount());

    list->scrollToTop();
    untilPainted(watch, list->viewport());
    t.start();
    list->scrollToBottom();
    untilPainted(watch, list->viewport());
    std::printf("scroll to the last row:                  %8.1f ms\n", ms(t));
    t.start();
    list->setCurrentIndex(list->model()->index(list->model()->rowCount() / 2, 0));
    untilPainted(watch, list->viewport());
    std::printf("jump to the middle row:                  %8.1f ms\n", ms(t));

    form.close();
    program.finish();
    return user.shown.isEmpty() ? 0 : 1;
}
