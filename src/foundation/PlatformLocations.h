#pragma once

#include <QString>

// The desktop locations the system uses, in one place.
class PlatformLocations
{
public:
    // The user's home folder (first folder of the file dialogs).
    static QString getHomeLocation();
    // The user's data folder for this program: the generic data location plus
    // "/Moldena". Not created here.
    static QString getDataLocation();
    // The system's shared temporary folder (honours TMPDIR).
    static QString getTempLocation();
    // A short text naming the current user, usable in a file name (the
    // numeric user id where the system has one).
    static QString getUserId();
    // Whether the file or folder belongs to the current user.
    static bool isOwnedByCurrentUser(const QString& sPath);
};
