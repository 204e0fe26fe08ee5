#pragma once
// The checks of "Ввод", in order: the pipe-pair rule (must hold), system
// numbering, the mass-archive rule (the user may let it repair the record) and
// the completeness check (warns only, when the option is on).

#include "editor/editorcontext.h"
#include "model/configrecord.h"
#include "model/userdialogs.h"

#include <optional>

namespace vyn {

// "Неверно заполнена система" and the flow designation of the first pipe whose
// flow meter and thermometer disagree (one has a type, the other not).
std::optional<QString> pipePairFailure(const ConfigRecord& rec);
// The flow and thermometer designations of that pipe.
std::optional<std::pair<QString, QString>> wrongPipePair(const ConfigRecord& rec);
// "Неверно заполнены таблицы конфигурации" with the pipe that is wrong.
QString wrongTablesMessage(const std::pair<QString, QString>& pipe);

// Asks about every flow row archived by mass whose system has a thermometer
// without type; Yes archives the volume instead, No stops (false).
bool applyMassArchiveRule(ConfigRecord& rec, UserDialogs& dialogs, const QString& caption);

// Whether a designated row of the table lacks a value. The electricity row needs
// only its type and serial number, the cold-water thermometer no contract pressure.
// A numeric cell that does not read as a number of its range is a gap too.
bool tableHasGaps(const ConfigRecord& rec, TableKind kind, const NumberLocale& locale = NumberLocale());
// The pressure table counts only for type "04", the only one that shows it.
bool recordHasGaps(const ConfigRecord& rec, const NumberLocale& locale = NumberLocale());

enum class SaveCheck { Passed, TablesWrong, MassArchiveRefused, IncompleteRefused };

struct SaveCheckResult
{
    SaveCheck outcome = SaveCheck::Passed;
    QString failure; // the pipe-pair failure text
    // After these stops the window's close box is refused until "Отказ".
    bool blocksCloseBox() const
    {
        return outcome == SaveCheck::MassArchiveRefused || outcome == SaveCheck::IncompleteRefused;
    }
};

// Steps 1 to 3 of the save; the messages and questions go through the dialogs.
SaveCheckResult runSaveChecks(ConfigRecord& rec, const EditorOptions& options, UserDialogs& dialogs,
                              const QString& title, const NumberLocale& locale = NumberLocale());

// After a successful save: the day schedules become the input history's.
bool rememberDaySchedules(const ConfigRecord& rec, InputHistory* history);

} // namespace vyn
