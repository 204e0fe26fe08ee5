#include "tform8.h"

#include "filecopy.h"

#include "model/inifile.h"
#include "model/userdialogs.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace vyn {

namespace {

const QString kSection = QStringLiteral("TForm8");
const QString kKey = QStringLiteral("FilenameEdit1_Text");

} // namespace

TForm8::TForm8(IniFile& settings, UserDialogs& dialogs, QString exeDir, QString title,
               QWidget* parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs), m_exeDir(std::move(exeDir)),
      m_title(std::move(title))
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Копирование файлов в директорию программы"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    FilenameEdit1 = new QLineEdit(this);
    FilenameEdit1->setObjectName(QStringLiteral("FilenameEdit1"));
    FilenameEdit1->setPlaceholderText(QStringLiteral("Файл для копирования"));
    auto* browse = new QToolButton(this);
    browse->setObjectName(QStringLiteral("FilenameEdit1_Button"));
    browse->setIcon(QIcon::fromTheme(QStringLiteral("document-open")));
    browse->setText(QStringLiteral("…"));
    browse->setToolTip(QStringLiteral("Выбрать файл"));
    auto* copy = new QPushButton(QIcon::fromTheme(QStringLiteral("edit-copy")),
                                 QStringLiteral("Копировать"), this);
    copy->setObjectName(QStringLiteral("BitBtn1"));
    copy->setDefault(true);
    connect(browse, &QToolButton::clicked, this, [this] { FilenameEdit1Browse(); });
    connect(copy, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 6, 6, 6);
    row->addWidget(FilenameEdit1, 1);
    row->addWidget(browse);
    row->addWidget(copy);
    setFixedSize(602, qMax(37, sizeHint().height()));
}

void TForm8::FormShow()
{
    FilenameEdit1->setText(m_settings.readString(kSection, kKey));
}

int TForm8::openDialog()
{
    FormShow();
    return exec();
}

int TForm8::CopySingleFile(const QString& fileName) const
{
    return vyn::CopySingleFile(fileName, m_exeDir);
}

void TForm8::BitBtn1Click()
{
    const int code = CopySingleFile(FilenameEdit1->text());
    if (code == 0)
        m_dialogs.inform(QStringLiteral("Файл успешно скопирован!"), m_title);
    else
        m_dialogs.inform(QStringLiteral("Ошибка Копирования файла! Код: ") + QString::number(code),
                         m_title, MessageKind::Error);
}

void TForm8::FilenameEdit1Browse()
{
    FileChoice choice;
    choice.caption = QStringLiteral("Копировать файл");
    choice.directory = FilenameEdit1->text();
    choice.filter = QStringLiteral("Все файлы (*)");
    const QString file = m_dialogs.chooseOpenFile(choice);
    if (!file.isEmpty())
        FilenameEdit1->setText(file);
}

void TForm8::done(int result)
{
    m_settings.writeString(kSection, kKey, FilenameEdit1->text());
    m_settings.save();
    QDialog::done(result);
}

} // namespace vyn
