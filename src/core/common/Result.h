#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace talven {

// What kind of failure an error is, so that callers can react to it (reload after another
// program's change, say the database is busy) without reading its text.
enum class ErrorCode {
    Refused,      // the input cannot be used; nothing was changed
    Empty,        // nothing was entered
    Unrecognised, // a formula that cannot be translated or evaluated
    NotFound,     // no such formula, period or file
    LimitReached, // the formula list is full
    Io,           // a file could not be read or written
    Database,     // the database refused a statement or could not be read
    Busy,         // the database is in use by another program
    Stale,        // another program changed the database since it was read
    ReadOnly,     // the database can be read but not changed
    Foreign,      // the file is not a database of this program
    InProgress,   // another change is still running
    Failed,       // a computation failed (division by zero, overflow …)
    NotHistory,   // the file is mostly not draws; the user may still take what could be read
};

// A refused input or failed operation, with the Chinese text the user is shown.
struct Error {
    QString message;
    ErrorCode code = ErrorCode::Refused;
    int position = -1; // character offset of the fault in the input text, when there is one
    QString detail;    // why, in more words than the message, when there is more to say
    // The system's own words for the failure (the operating system's error text, SQLite's message);
    // empty when the input itself is the cause.
    QString cause;

    Error() = default;
    Error(QString text, ErrorCode kind = ErrorCode::Refused, int at = -1)
        : message(std::move(text)), code(kind), position(at) {}

    // The message as the user is shown it: the plain sentence, then the system's cause.
    QString shown() const {
        return cause.isEmpty() ? message : message + QStringLiteral("（原因：") + cause + QStringLiteral("）");
    }
    Error&& withCause(QString systemCause) && {
        cause = std::move(systemCause);
        return std::move(*this);
    }
};

// The value of an operation or the reason it failed; true on success.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_data(std::move(value)) {}
    Result(Error error) : m_data(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_data); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(m_data); }
    const T& value() const { return std::get<T>(m_data); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<Error>(m_data); }
    const QString& message() const { return error().message; }
    ErrorCode code() const { return error().code; }

private:
    std::variant<T, Error> m_data;
};

// Success or the reason of a failure, for operations without a value.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return m_error; }
    const QString& message() const { return m_error.message; }
    ErrorCode code() const { return m_error.code; }

private:
    Error m_error;
    bool m_failed = false;
};

} // namespace talven
