#pragma once

#include <QString>

#include <exception>
#include <string>

// The one exception type of the system. Failed assertions throw it by value;
// catch sites catch it by reference or with catch (...).
class SimpleException : public std::exception
{
public:
    explicit SimpleException(const QString& sMessage);

    const char* what() const noexcept override;
    const char* getMessage() const;

private:
    std::string m_sMessage;
};

// Throws SimpleException("Assertion failed: <sCondition>"). For checks whose
// condition text is chosen at run time; MOLDENA_ASSERT covers the rest.
[[noreturn]] void throwAssertionFailure(const QString& sCondition);

// Throws SimpleException("Assertion failed: <condition text>") when the
// condition is false. The condition text is part of the message that callers
// and tests see, so it is written exactly as the check reads.
#define MOLDENA_ASSERT(condition)                                                   \
    do                                                                              \
    {                                                                               \
        if (!(condition))                                                           \
        {                                                                           \
            throwAssertionFailure(QStringLiteral(#condition));                      \
        }                                                                           \
    } while (false)
