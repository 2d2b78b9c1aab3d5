#pragma once

#include <QByteArray>
#include <QDateTime>

#include <chrono>
#include <optional>

// A Retry-After header's wait: a number of seconds, or an HTTP date (the
// preferred form, or the two obsolete ones a recipient must still take)
// counted from now; a date passed is no wait. Nothing for anything else.
class CRetryAfter
{
public:
    static std::optional<std::chrono::seconds> parse(const QByteArray &value, const QDateTime &now);
};
