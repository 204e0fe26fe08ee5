#include "app/windows/filecopywindow.h"

#include "app/configdatabase.h"
#include "app/filecopy.h"

#include "model/inifile.h"
#include "model/settingskeys.h"
#include "model/userdialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <cerrno>

namespace vyn {

namespace {

const QString& kSection = settingskeys::fileCopy::kSection;
const QString& kKey = settingskeys::fileCopy::kFile;

} // namespace

FileCopyWindow::FileCopyWindow(IniFile& settings, UserDialogs& dialogs, QString exeDir,
                               QString title, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs), m_exeDir(std::move(exeDir)),
      m_title(std::move(title))
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Копирование файлов в директорию программы"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    m_fileField = new QLineEdit(this);
    m_fileField->setObjectName(QStringLiteral("FilenameEdit1"));
    m_fileField->setPlaceholderText(QStringLiteral("Файл для копирования"));
    auto* browse = new QToolButton(this);
    browse->setObjectName(QStringLiteral("FilenameEdit1_Button"));
    browse->setIcon(QIcon::fromTheme(QStringLiteral("document-open")));
    browse->setText(QStringLiteral("…"));
    browse->setToolTip(QStringLiteral("Выбрать файл"));
    auto* copy = new QPushButton(QIcon::fromTheme(QStringLiteral("edit-copy")),
                                 QStringLiteral("Копировать"), this);
    copy->setObjectName(QStringLiteral("BitBtn1"));
    copy->setDefault(true);
    connect(browse, &QToolButton::clicked, this, [this] { browseFile(); });
    connect(copy, &QPushButton::clicked, this, [this] { copyChosenFile(); });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 6, 6, 6);
    row->addWidget(m_fileField, 1);
    row->addWidget(browse);
    row->addWidget(copy);
    setFixedSize(602, qMax(37, sizeHint().height()));
}

void FileCopyWindow::showStoredSettings()
{
    m_fileField->setText(m_settings.readString(kSection, kKey));
}

int FileCopyWindow::openDialog()
{
    showStoredSettings();
    return exec();
}

int FileCopyWindow::CopySingleFile(const QString& fileName) const
{
    return vyn::CopySingleFile(fileName, m_exeDir);
}

void FileCopyWindow::setDatabase(ConfigDatabase* database, std::function<void()> reconnected)
{
    m_database = database;
    m_reconnected = std::move(reconnected);
}

int FileCopyWindow::copyOverDatabase(const QString& fileName)
{
    const QString target = m_database->path();
    // A clean close folds the journal into the file and removes it; what is left
    // beside the file then belongs to another program still using it.
    m_database->Close();
    int code = 0;
    if (QFileInfo(target + QStringLiteral("-wal")).size() > 0)
        code = EBUSY;
    else {
        QFile::remove(target + QStringLiteral("-wal"));
        QFile::remove(target + QStringLiteral("-shm"));
        code = vyn::CopySingleFile(fileName, m_exeDir);
    }
    if (m_database->Connect(target))
        m_database->Last();
    if (m_reconnected)
        m_reconnected();
    return code;
}

void FileCopyWindow::copyChosenFile()
{
    const QString source = m_fileField->text();
    const QString target = QDir(m_exeDir).filePath(QFileInfo(source).fileName());
    const bool database =
        m_database && m_database->isOpen() &&
        QFileInfo(m_database->path()).absoluteFilePath() == QFileInfo(target).absoluteFilePath();
    const int code = database ? copyOverDatabase(source) : CopySingleFile(source);
    if (code != 0) {
        m_dialogs.inform(QStringLiteral("Ошибка Копирования файла! Код: %1 (%2)")
                             .arg(code)
                             .arg(code == EBUSY && database
                                      ? QStringLiteral("база данных открыта другой программой")
                                      : qt_error_string(code)),
                         m_title, MessageKind::Error);
        return;
    }
    // The files the program has read at its start.
    static const QStringList kReadAtStart{
        settingskeys::kProfileFile, settingskeys::kInputHistoryFile, QStringLiteral("rash.spe"),
        QStringLiteral("conf.dat"), QStringLiteral("prg.vyn")};
    const bool atNextStart =
        kReadAtStart.contains(QFileInfo(target).fileName(), Qt::CaseInsensitive);
    m_dialogs.inform(atNextStart ? QStringLiteral("Файл успешно скопирован!\nКопия вступит в силу "
                                                  "при следующем запуске программы.")
                                 : QStringLiteral("Файл успешно скопирован!"),
                     m_title);
}

void FileCopyWindow::browseFile()
{
    FileChoice choice;
    choice.caption = QStringLiteral("Копировать файл");
    choice.directory = m_fileField->text();
    choice.filter = QStringLiteral("Все файлы (*)");
    const QString file = m_dialogs.chooseOpenFile(choice);
    if (!file.isEmpty())
        m_fileField->setText(file);
}

void FileCopyWindow::done(int result)
{
    m_settings.writeString(kSection, kKey, m_fileField->text());
    m_settings.saveChanges();
    QDialog::done(result);
}

} // namespace vyn
