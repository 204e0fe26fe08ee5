// The running program, offscreen: start-up to the first painted list with an
// empty database and with 100,000 stored configurations, next to the anchor of
// the same run, an empty QMainWindow shown and painted; then filtering with a
// four-character text and scrolling to the last row. A second reference, the
// same window with one line of text, shows what the first text costs on its
// own (reading the font configuration): the empty window draws none. Each
// start is a process of its own (this program, called with a mode), so that
// none inherits another's warmed caches; rounds are interleaved and medians
// shown with the quartiles.
// The program's start includes what main() sets on the application (theme,
// translations, window icon): the anchor needs none of it, users get all of it.

#include "app/windows/mainwindow.h"
#include "app/windows/setvynapplication.h"
#include "tests/common/fakedialogs.h"
#include "tests/model/recordfixture.h"

#include "model/rowcodec.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <sched.h>
#include <vector>

using namespace vyn;

namespace {

constexpr int kRows = 100000;
// Interleaved rounds of the three starts; odd, so that the median is one of them.
constexpr int kRounds = 11;

double ms(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Processor time of this process so far: on a loaded machine it still compares.
double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// A child's figures: the wall time and the processor time from start to paint.
void printStart(const QElapsedTimer& t, double cpuAtStart)
{
    std::printf("%.3f %.3f\n", ms(t), cpuMs() - cpuAtStart);
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

// Start-up of an empty main window, or one with a line of text, to its first paint.
int emptyWindow(bool withText)
{
    PaintWatch watch;
    const double cpu = cpuMs();
    QElapsedTimer t;
    t.start();
    QMainWindow window;
    if (withText) {
        auto* text = new QLabel(QStringLiteral("Винк-Конфигуратор"), &window);
        window.setCentralWidget(text);
        text->installEventFilter(&watch);
    } else
        window.installEventFilter(&watch);
    window.resize(1280, 1000);
    window.show();
    while (watch.paints == 0)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    printStart(t, cpu);
    return 0;
}

// A program directory with a database of rows whole configurations.
bool prepare(const QString& exe, int rows)
{
    for (const char* name : {"rash.spe", "conf.dat", "prg.vyn"})
        if (!QFile::copy(QStringLiteral(SETVYN_BIN_DIR_PATH "/") + QLatin1String(name),
                         exe + QLatin1String(name))) {
            std::fprintf(stderr, "bench: %s is missing in the build\n", name);
            return false;
        }
    const QString base = exe + QStringLiteral("MXVynBase.sqlite");
    const NumberLocale comma(QLatin1Char(','), QStringLiteral("dd.MM.yyyy"));
    const StoredRow whole =
        saveRecord(test::newerWithPressures(),
                   {1, QDate(2004, 1, 1), QDate(2015, 1, 1), QStringLiteral("PC\\ivan")}, comma)
            .row;
    {
        ConfigDatabase db;
        if (!db.Connect(base))
            return false;
        std::vector<StoredRow> stored(rows, whole);
        for (int i = 0; i < rows; ++i) {
            stored[i].setValue(QStringLiteral("SNUM"),
                               QStringLiteral("%1").arg(i * 7919 % 100000000, 8, 10, QLatin1Char('0')));
            stored[i].setValue(QStringLiteral("DATE"), QDate(2010, 1, 1).addDays(i / 30));
            stored[i].setValue(QStringLiteral("COMMENT"), QStringLiteral("Котельная № %1").arg(i % 977));
        }
        if (!db.appendRows(stored).ok)
            return false;
    }
    QFile ini(exe + QStringLiteral("setvyn.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[Start]\nFirstStart=\n[TForm1]\nBaseName=" + base.toUtf8() + "\n");
    return true;
}

struct Start
{
    double wall = -1;
    double cpu = -1;
};

// The milliseconds a child printed on its first line; negative on failure.
Start child(const QStringList& arguments)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), arguments);
    if (!p.waitForFinished(300000) || p.exitCode() != 0) {
        std::fprintf(stderr, "bench: %s failed: %s\n", arguments.join(u' ').toUtf8().constData(),
                     p.readAllStandardError().constData());
        return {};
    }
    const QList<QByteArray> figures = p.readAllStandardOutput().split('\n').value(0).split(' ');
    return {figures.value(0).toDouble(), figures.value(1).toDouble()};
}

// The median and the quartiles of a series.
struct Spread
{
    double low = 0, median = 0, high = 0;
};

Spread spread(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 4], v[v.size() / 2], v[v.size() - 1 - v.size() / 4]};
}

// One start's line: wall and processor medians, their quartiles and ratios.
void printStarts(const char* what, const std::vector<double>& wall, const std::vector<double>& cpu,
                 const Spread& anchorWall, const Spread& anchorCpu, const char* target)
{
    const Spread w = spread(wall);
    const Spread c = spread(cpu);
    std::printf("%-42s wall %6.1f ms (%.1f-%.1f), %.2f x%s; processor %6.1f ms (%.1f-%.1f), %.2f x\n",
                what, w.median, w.low, w.high, w.median / anchorWall.median, target, c.median, c.low,
                c.high, c.median / anchorCpu.median);
}

int program(const QString& exe, bool interact);

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("--empty-window"))
        return emptyWindow(false);
    if (args.value(1) == QLatin1String("--text-window"))
        return emptyWindow(true);
    if (args.value(1) == QLatin1String("--program"))
        return program(args.value(2), args.value(3) == QLatin1String("--interact"));
    // A program directory to profile starts in: --prepare DIR ROWS.
    if (args.value(1) == QLatin1String("--prepare"))
        return prepare(args.value(2) + QLatin1Char('/'), args.value(3).toInt()) ? 0 : 1;

    // The anchor and the program run on the same processor: the machine's two
    // may differ in speed by a fifth, which would otherwise decide the ratio.
    const int cpu = sched_getcpu();
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    if (cpu >= 0 && sched_setaffinity(0, sizeof one, &one) == 0)
        std::printf("every run on processor %d\n", cpu);

    QTemporaryDir emptyHome, fullHome;
    const QString empty = emptyHome.path() + QLatin1Char('/');
    const QString full = fullHome.path() + QLatin1Char('/');
    QElapsedTimer t;
    t.start();
    if (!prepare(empty, 0) || !prepare(full, kRows))
        return 1;
    std::printf("create %d rows:                          %8.1f ms\n", kRows, ms(t));

    std::vector<double> anchor, startEmpty, startFull, cpuAnchor, cpuEmpty, cpuFull, text, cpuText;
    for (int round = 0; round < kRounds; ++round) {
        const Start a = child({QStringLiteral("--empty-window")});
        const Start x = child({QStringLiteral("--text-window")});
        const Start e = child({QStringLiteral("--program"), empty});
        const Start f = child({QStringLiteral("--program"), full});
        if (a.wall < 0 || x.wall < 0 || e.wall < 0 || f.wall < 0)
            return 1;
        anchor.push_back(a.wall);
        text.push_back(x.wall);
        cpuText.push_back(x.cpu);
        startEmpty.push_back(e.wall);
        startFull.push_back(f.wall);
        cpuAnchor.push_back(a.cpu);
        cpuEmpty.push_back(e.cpu);
        cpuFull.push_back(f.cpu);
    }
    const Spread a = spread(anchor);
    const Spread ca = spread(cpuAnchor);
    std::printf("medians of %d interleaved rounds (quartiles in brackets)\n", kRounds);
    std::printf("%-42s wall %6.1f ms (%.1f-%.1f);          processor %6.1f ms (%.1f-%.1f)\n",
                "anchor, an empty QMainWindow painted:", a.median, a.low, a.high, ca.median, ca.low,
                ca.high);
    printStarts("start-up to the painted list, empty:", startEmpty, cpuEmpty, a, ca, " (<= 3)");
    const QByteArray full100k =
        QStringLiteral("start-up to the painted list, %1 rows:").arg(kRows).toLatin1();
    printStarts(full100k.constData(), startFull, cpuFull, a, ca, " (<= 4)");
    printStarts("reference, the window with a line of text:", text, cpuText, a, ca, "");
    const Spread x = spread(text);
    const Spread cx = spread(cpuText);
    std::printf("next to the window with a line of text:    empty %.2f x, %d rows %.2f x "
                "(processor %.2f x, %.2f x)\n",
                spread(startEmpty).median / x.median, kRows, spread(startFull).median / x.median,
                spread(cpuEmpty).median / cx.median, spread(cpuFull).median / cx.median);
    std::fflush(stdout);

    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--program"), full, QStringLiteral("--interact")});
    return p.waitForFinished(300000) && p.exitCode() == 0 ? 0 : 1;
}

namespace {

int program(const QString& exe, bool interact)
{
    QTemporaryDir temp;
    test::FakeDialogs user;
    SetvynOptions options;
    options.exeDir = exe;
    options.workingDir = exe;
    options.tempRoot = temp.path();
    options.dialogs = &user;
    options.ports = [](QStringList& ports) { ports.clear(); };

    PaintWatch watch;
    const double cpu = cpuMs();
    QElapsedTimer t;
    t.start();
    setUpProgramApplication(*qApp);
    SetvynApplication program(options);
    if (!program.start())
        return 1;
    MainWindow& form = program.mainWindow();
    auto* list = form.findChild<QTableView*>(QStringLiteral("DBGrid1"));
    list->viewport()->installEventFilter(&watch);
    form.resize(1280, 1000);
    form.show();
    while (watch.paints == 0)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (!interact) {
        printStart(t, cpu);
        form.close();
        program.finish();
        return user.shown.isEmpty() ? 0 : 1;
    }
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

} // namespace
