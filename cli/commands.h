#pragma once
// The vyntool commands. Each takes its own arguments, args[0] being
// "vyntool <command>", and returns the exit code; it may throw Failure or UsageError.

#include <QStringList>

namespace vyntool {

struct Command
{
    const char* name;
    const char* summary; // UTF-8
    int (*run)(const QStringList& args);
    bool gui = false; // needs fonts and painting: runs under QGuiApplication
};

// One line per command; kept in the order shown by "vyntool --help".
int runImage(const QStringList& args);
int runAlt(const QStringList& args);
int runConf(const QStringList& args);
int runIdentify(const QStringList& args);
int runPorts(const QStringList& args);
int runWrite(const QStringList& args);
int runCreate(const QStringList& args);
int runCatalogue(const QStringList& args);
int runPassport(const QStringList& args);
int runCard(const QStringList& args);
int runImport(const QStringList& args);
int runSettings(const QStringList& args);
int runBase(const QStringList& args);

inline constexpr Command kCommands[] = {
    {"image", "образ памяти прибора поколения 03", runImage},
    {"alt", "показать или записать файл альтернативных дней", runAlt},
    {"conf", "упаковать или показать таблицу схем conf.dat", runConf},
    {"ports", "последовательные порты, как их предлагают коммуникационные настройки", runPorts},
    {"identify", "опросить прибор на последовательном порту", runIdentify},
    {"write", "записать файл конфигурации в прибор", runWrite},
    {"create", "создать файл конфигурации для подключенного прибора", runCreate},
    {"catalogue", "упаковать или распаковать каталог приборов rash.spe", runCatalogue},
    {"passport", "паспорт конфигурации: PDF или таблицы", runPassport, true},
    {"card", "карта программирования: PDF или таблицы", runCard, true},
    {"import", "импорт старой таблицы DBF в базу конфигураций", runImport},
    {"settings", "показать настройки интерфейса и связи каталога программы", runSettings},
    {"base", "добавить файлы конфигурации в базу конфигураций", runBase},
};

} // namespace vyntool
