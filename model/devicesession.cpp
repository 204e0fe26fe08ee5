#include "devicesession.h"

namespace vyn {

int generationForFirmwareDate(const QDate& date)
{
    return date.isValid() && date >= QDate(2004, 1, 1) ? 1 : 0;
}

} // namespace vyn
