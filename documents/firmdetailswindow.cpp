#include "firmdetailswindow.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace vyn {

namespace {

constexpr int kLogoHeight = 64;

} // namespace

FirmDetailsWindow::FirmDetailsWindow(QString path, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_path(std::move(path)), m_dialogs(dialogs)
{
    setWindowTitle(QStringLiteral("Реквизиты организации"));
    setObjectName(QStringLiteral("FirmDetailsWindow"));

    const auto field = [this](const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMinimumWidth(360);
        return edit;
    };
    m_name = field("firmName");
    m_address = field("firmAddress");
    m_phone = field("firmPhone");
    m_email = field("firmEmail");
    m_name->setPlaceholderText(QStringLiteral("ООО «...»"));

    m_logoView = new QLabel(this);
    m_logoView->setObjectName(QStringLiteral("firmLogo"));
    m_logoView->setFixedHeight(kLogoHeight + 8);
    m_logoView->setMinimumWidth(kLogoHeight * 2);
    m_logoView->setFrameShape(QFrame::StyledPanel);
    m_logoView->setAlignment(Qt::AlignCenter);
    auto* choose = new QPushButton(QStringLiteral("Выбрать..."), this);
    choose->setObjectName(QStringLiteral("chooseLogo"));
    m_removeLogo = new QPushButton(QStringLiteral("Убрать"), this);
    m_removeLogo->setObjectName(QStringLiteral("removeLogo"));
    for (QPushButton* b : {choose, m_removeLogo})
        b->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, [this] { chooseLogo(); });
    connect(m_removeLogo, &QPushButton::clicked, this, [this] { removeLogo(); });
    auto* logoButtons = new QVBoxLayout;
    logoButtons->addWidget(choose);
    logoButtons->addWidget(m_removeLogo);
    logoButtons->addStretch(1);
    auto* logoRow = new QHBoxLayout;
    logoRow->addWidget(m_logoView, 1);
    logoRow->addLayout(logoButtons);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Наименование:"), m_name);
    form->addRow(QStringLiteral("Адрес:"), m_address);
    form->addRow(QStringLiteral("Телефон:"), m_phone);
    form->addRow(QStringLiteral("E-mail:"), m_email);
    form->addRow(QStringLiteral("Логотип:"), logoRow);

    auto* note = new QLabel(QStringLiteral("Реквизиты печатаются в заголовке паспорта и карты "
                                           "программирования. Файл: %1")
                                .arg(QFileInfo(m_path).absoluteFilePath()),
                            this);
    note->setWordWrap(true);
    note->setObjectName(QStringLiteral("firmFileNote"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("Сохранить"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("saveFirm"));
    save->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelFirm"));
    connect(save, &QPushButton::clicked, this, [this] { saveAndClose(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* root = new QVBoxLayout(this);
    root->addLayout(form);
    root->addWidget(note);
    root->addWidget(buttons);
    showDetails({});
}

int FirmDetailsWindow::openDialog()
{
    showDetails(readFirmDetails(m_path));
    return exec();
}

FirmDetails FirmDetailsWindow::details() const
{
    return {m_name->text().trimmed(), m_address->text().trimmed(), m_phone->text().trimmed(),
            m_email->text().trimmed(), m_logo};
}

void FirmDetailsWindow::showDetails(const FirmDetails& details)
{
    m_name->setText(details.name);
    m_address->setText(details.address);
    m_phone->setText(details.phone);
    m_email->setText(details.email);
    m_logo = details.logo;
    showLogo();
}

void FirmDetailsWindow::chooseLogo()
{
    const QString file = m_dialogs.chooseOpenFile(
        {QStringLiteral("Логотип организации"), m_logo.isEmpty() ? QFileInfo(m_path).absolutePath() : m_logo,
         QStringLiteral("Изображения (*.png *.jpg *.jpeg *.bmp *.gif)"), {}});
    if (file.isEmpty())
        return;
    if (QImage(file).isNull()) {
        m_dialogs.inform(QStringLiteral("Файл %1 не является изображением.").arg(file),
                         windowTitle(), MessageKind::Warning);
        return;
    }
    m_logo = file;
    showLogo();
}

void FirmDetailsWindow::removeLogo()
{
    m_logo.clear();
    showLogo();
}

void FirmDetailsWindow::showLogo()
{
    const QImage image = m_logo.isEmpty() ? QImage() : QImage(m_logo);
    if (image.isNull()) {
        m_logoView->setPixmap({});
        m_logoView->setText(QStringLiteral("нет"));
    } else {
        m_logoView->setPixmap(QPixmap::fromImage(
            image.scaledToHeight(qMin(kLogoHeight, image.height()), Qt::SmoothTransformation)));
    }
    m_removeLogo->setEnabled(!m_logo.isEmpty());
}

void FirmDetailsWindow::saveAndClose()
{
    if (!writeFirmDetails(m_path, details())) {
        m_dialogs.inform(QStringLiteral("Не удалось сохранить реквизиты организации в файл %1.")
                             .arg(QFileInfo(m_path).absoluteFilePath()),
                         windowTitle(), MessageKind::Error);
        return;
    }
    accept();
}

} // namespace vyn
