#pragma once
// The button row of the settings dialogs: "Справка" on the left, "Ввод" (the
// default) and "Отказ" on the right, named BitBtn1..3 as the windows know them.

#include <QString>
#include <functional>

class QHBoxLayout;
class QWidget;

namespace vyn {

QHBoxLayout* enterCancelHelpRow(QWidget* dialog, std::function<void()> enter,
                                std::function<void()> cancel, std::function<void()> help);

} // namespace vyn
