#pragma once
// "Реквизиты организации": the firm's name, address, telephone, e-mail and logo
// that the passport and the programming card carry, edited and stored in
// firm.ini of the program directory.

#include "firmdetails.h"

#include "model/userdialogs.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vyn {

class FirmDetailsWindow : public QDialog
{
public:
    // path: the firm.ini the details are read from and saved to.
    FirmDetailsWindow(QString path, UserDialogs& dialogs, QWidget* parent = nullptr);

    // Shows the stored details modally; Accepted when they were saved.
    int openDialog();

    // What the fields hold.
    FirmDetails details() const;

private:
    void showDetails(const FirmDetails& details);
    void chooseLogo();
    void removeLogo();
    void showLogo();
    void saveAndClose();

    QString m_path;
    UserDialogs& m_dialogs;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_phone = nullptr;
    QLineEdit* m_email = nullptr;
    QLabel* m_logoView = nullptr;
    QPushButton* m_removeLogo = nullptr;
    QString m_logo;
};

} // namespace vyn
