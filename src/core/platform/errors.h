#pragma once

#include <QString>
#include <stdexcept>

// The error every operation raises. Like the program's other errors it usually ends the
// current handler and reaches the top-level display, which shows message() to the user.
class KorvelloError : public std::runtime_error {
public:
    explicit KorvelloError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};
