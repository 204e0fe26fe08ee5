#pragma once
// The interface settings the documents read, as a value. The settings window
// fills it from its controls.

#include <QString>

namespace vyn {

// "Печатать паспорт": "На комплекс" (0) or "На вычислитель" (1).
enum class PrintFor : int { Complex = 0, Calculator = 1 };

struct DocumentSettings
{
    PrintFor printFor = PrintFor::Complex;
    bool serialNumbers = false;      // "Печатать серийные номера в карте программирования"
    bool minFlowControl = false;     // "Устанавить в приборе контроль минимального значения расхода"
    bool noSeasonTimeChange = true;  // "Не осуществлять перевод на зимнее/летнее время"
    QString altDaysFile;             // "Файл альтернативных дней:"
};

} // namespace vyn
