#pragma once
// The error type that platform services raise (file, database, printer, conversion errors).
// Handlers let it travel up to the application's standard error display.
#include <QString>
#include <stdexcept>

namespace karvell {

class KarvellError : public std::runtime_error {
public:
    explicit KarvellError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace karvell
