#pragma once
// How errors travel. The rule, in three lines:
//   1. Core and data throw KarvellError with the Chinese message to show, naming the file, page,
//      record, column or option where there is one; they return plain results (the runtime's
//      notes included) otherwise, and never show a box.
//   2. Only the entry points show messages: window handlers through the one command guard, the
//      runtime's PrintPreview/Print, and the programs' main (stderr, exit status 1).
//   3. Any exception's text is read with ErrorText(), the one way to decode it.
#include <QString>
#include <exception>
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

// The message of any exception: a KarvellError's own text, else what() as UTF-8 (the standard
// library's and Qt's texts, and KarvellError's what(), are UTF-8).
inline QString ErrorText(const std::exception& e) {
    if (const auto* error = dynamic_cast<const KarvellError*>(&e)) return error->message();
    return QString::fromUtf8(e.what());
}

} // namespace karvell
