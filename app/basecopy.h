#pragma once
// Moves the rows of one configuration database into another (a file to a
// server, a server to a file, ...): in one transaction of the target, each row
// with its ID and dates. A row whose serial number the target has already is
// skipped, as the DBF import does, so a second run adds nothing.

#include "app/configdatabase.h"

#include <QString>

namespace vyn {

struct BaseCopyResult
{
    bool ok = false;
    int added = 0;
    int skipped = 0;
    int renumbered = 0; // added under a new ID: the target had the ID for another row
    QString error;
};

BaseCopyResult copyBase(const ConfigDatabase& from, ConfigDatabase& to);

} // namespace vyn
