#pragma once
// "Копирование файлов в директорию программы": copies one chosen file into the
// program directory. Created once; the file name field is kept in section
// "TForm8" of setvyn.ini.

#include <QDialog>
#include <functional>

class QLineEdit;

namespace vyn {

class IniFile;
class TDM1;
class UserDialogs;

class TForm8 : public QDialog
{
public:
    TForm8(IniFile& settings, UserDialogs& dialogs, QString exeDir, QString title,
           QWidget* parent = nullptr);

    // Reads section "TForm8" and shows the window modally.
    int openDialog();
    void FormShow();

    // The copy of the named file into the program directory: 0 or errno.
    int CopySingleFile(const QString& fileName) const;

    // The connected configuration database: a copy onto its file closes it
    // first and connects the copy afterwards; then reconnected() runs.
    void setDatabase(TDM1* database, std::function<void()> reconnected);

    void BitBtn1Click();        // "Копировать"
    void FilenameEdit1Browse(); // the field's browse button

protected:
    void done(int result) override;

private:
    IniFile& m_settings;
    UserDialogs& m_dialogs;
    QString m_exeDir;
    QString m_title;
    QLineEdit* FilenameEdit1 = nullptr;
    TDM1* m_database = nullptr;
    std::function<void()> m_reconnected;

    // 0 or errno; the database copied over is connected again either way.
    int copyOverDatabase(const QString& fileName);
};

} // namespace vyn
