#pragma once
// "Копирование файлов в директорию программы": copies one chosen file into the
// program directory. Created once; the file name field is kept in section
// "TForm8" of setvyn.ini.

#include <QDialog>
#include <functional>

class QLineEdit;

namespace vyn {

class IniFile;
class ConfigDatabase;
class UserDialogs;

class FileCopyWindow : public QDialog
{
public:
    FileCopyWindow(IniFile& settings, UserDialogs& dialogs, QString exeDir, QString title,
                   QWidget* parent = nullptr);

    // Reads section "TForm8" and shows the window modally.
    int openDialog();
    void showStoredSettings();

    // The copy of the named file into the program directory: 0 or errno.
    int CopySingleFile(const QString& fileName) const;

    // The connected configuration database: a copy onto its file closes it
    // first and connects the copy afterwards; then reconnected() runs.
    void setDatabase(ConfigDatabase* database, std::function<void()> reconnected);

    void copyChosenFile(); // "Копировать"
    void browseFile();     // the field's browse button

protected:
    void done(int result) override;

private:
    IniFile& m_settings;
    UserDialogs& m_dialogs;
    QString m_exeDir;
    QString m_title;
    QLineEdit* m_fileField = nullptr;
    ConfigDatabase* m_database = nullptr;
    std::function<void()> m_reconnected;

    // 0 or errno; the database copied over is connected again either way.
    int copyOverDatabase(const QString& fileName);
};

} // namespace vyn
