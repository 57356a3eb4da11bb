#include "GlobalParameterStore.h"

#include <QMutex>
#include <QMutexLocker>

#include <map>

namespace
{
// Function-local statics: ready on first use, whatever the order in which
// other static objects are built.
std::map<QString, QVariant>& values()
{
    static std::map<QString, QVariant> s_mapValues;
    return s_mapValues;
}

QMutex& mutex()
{
    static QMutex s_mutex;
    return s_mutex;
}
} // namespace

template <typename T>
T GlobalParameterStore::getValue(const QString& sKey, const T& defaultValue)
{
    QMutexLocker locker(&mutex());
    const auto it = values().find(sKey);
    if (it == values().end())
    {
        return defaultValue;
    }
    QVariant value = it->second;
    // canConvert only asks whether the types convert; convert() also fails
    // for a value that does not ("abc" as int), which then reads as the
    // default rather than as 0.
    if (!value.canConvert<T>() || !value.convert(QMetaType::fromType<T>()))
    {
        return defaultValue;
    }
    return value.value<T>();
}

template <typename T>
void GlobalParameterStore::setValue(const QString& sKey, const T& value)
{
    QMutexLocker locker(&mutex());
    values()[sKey] = QVariant::fromValue(value);
}

bool GlobalParameterStore::contains(const QString& sKey)
{
    QMutexLocker locker(&mutex());
    return values().find(sKey) != values().end();
}

template int GlobalParameterStore::getValue<int>(const QString&, const int&);
template unsigned int GlobalParameterStore::getValue<unsigned int>(const QString&, const unsigned int&);
template double GlobalParameterStore::getValue<double>(const QString&, const double&);
template QString GlobalParameterStore::getValue<QString>(const QString&, const QString&);
template void GlobalParameterStore::setValue<int>(const QString&, const int&);
template void GlobalParameterStore::setValue<unsigned int>(const QString&, const unsigned int&);
template void GlobalParameterStore::setValue<double>(const QString&, const double&);
template void GlobalParameterStore::setValue<QString>(const QString&, const QString&);
