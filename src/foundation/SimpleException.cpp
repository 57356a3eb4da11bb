#include "SimpleException.h"

SimpleException::SimpleException(const QString& sMessage)
    : m_sMessage(sMessage.toLatin1().constData())
{
}

const char* SimpleException::what() const noexcept
{
    return m_sMessage.c_str();
}

const char* SimpleException::getMessage() const
{
    return m_sMessage.c_str();
}

void throwAssertionFailure(const QString& sCondition)
{
    throw SimpleException(QStringLiteral("Assertion failed: %1").arg(sCondition));
}
