#pragma once
// The time of day as an injected value, so that saves and start-up can be tested
// on a fixed day.

#include <QDate>
#include <QDateTime>

namespace vyn {

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock final : public Clock
{
public:
    explicit FixedClock(QDateTime moment) : m_moment(std::move(moment)) {}
    QDateTime now() const override { return m_moment; }
    void set(const QDateTime& moment) { m_moment = moment; }

private:
    QDateTime m_moment;
};

} // namespace vyn
