#pragma once

#include <QString>

#include <optional>
#include <utility>

// What a fallible operation gives back: its value, or a message that says
// what went wrong in words fit for the user. Reads that the program wants
// silent (a missing file reads as empty) do not use it.
template<typename T = void>
class CResult
{
public:
    static CResult success(T value) { return CResult(std::move(value), QString()); }
    static CResult failure(QString message) { return CResult(std::nullopt, std::move(message)); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return *m_value; }
    const QString &message() const { return m_message; }

private:
    CResult(std::optional<T> value, QString message) : m_value(std::move(value)), m_message(std::move(message)) {}

    std::optional<T> m_value;
    QString m_message;
};

// An operation that gives nothing back but may fail. Failure is its own
// flag: a failure without words is still a failure.
template<>
class CResult<void>
{
public:
    static CResult success() { return CResult(true, QString()); }
    static CResult failure(QString message) { return CResult(false, std::move(message)); }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return ok(); }
    const QString &message() const { return m_message; }

private:
    CResult(bool ok, QString message) : m_ok(ok), m_message(std::move(message)) {}

    bool m_ok;
    QString m_message;
};
