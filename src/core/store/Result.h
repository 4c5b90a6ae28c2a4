#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace talven {

// A refused input or failed operation, with the Chinese text the user is shown.
struct Error {
    QString message;
};

// The value of an operation or the reason it failed.
template <typename T>
class Result {
public:
    Result(T value) : m_data(std::move(value)) {}
    Result(Error error) : m_data(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_data); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(m_data); }
    const T& value() const { return std::get<T>(m_data); }
    T* operator->() { return &value(); }
    const QString& error() const { return std::get<Error>(m_data).message; }

private:
    std::variant<T, Error> m_data;
};

// Success or the reason of a failure, for operations without a value.
using Status = std::optional<Error>;

} // namespace talven
