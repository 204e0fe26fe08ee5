#pragma once
// The database's current row as the row of the device commands: its type and
// serial number, the firmware date stored into it, RePaintStatus.

#include "app/currentconfig.h"

#include "link/devicecommands.h"

namespace vyn {

class DatabaseRowStore final : public ConfigRowStore
{
public:
    explicit DatabaseRowStore(CurrentConfiguration& current) : m_current(current) {}

    QString rowType() const override;
    QString rowSerial() const override;
    // Raises std::runtime_error when the row cannot be posted.
    void storeDeviceSoftData(const QDate& firmwareDate) override;
    // Raises std::runtime_error when the row cannot be loaded.
    void RePaintStatus() override;

private:
    QString value(const char* column) const;

    CurrentConfiguration& m_current;
};

} // namespace vyn
