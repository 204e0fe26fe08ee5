#pragma once
// Base of the model's failures: what() and message() are the text the user reads.

#include <QString>
#include <stdexcept>

namespace vyn {

class MessageError : public std::runtime_error
{
public:
    explicit MessageError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace vyn
