#pragma once
// "О программе": the program title on the first line, then what it is.

#include <QDialog>

namespace vyn {

class AboutWindow : public QDialog
{
public:
    explicit AboutWindow(const QString& programTitle, QWidget* parent = nullptr);
};

} // namespace vyn
