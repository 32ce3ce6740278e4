#pragma once

#include <QString>

#include <stdexcept>

namespace qal::dbase {

// Every failure of the engine: unreadable or corrupt files, locks, bad field names,
// violated keys. The text is Spanish and names the file; it is shown to the operator as is.
class DatabaseError : public std::runtime_error
{
public:
    explicit DatabaseError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// Thrown by a before-event to abandon an action silently.
class Abort : public std::exception
{
public:
    const char *what() const noexcept override { return "Abort"; }
};

} // namespace qal::dbase
