#pragma once

#include <QString>

// The per-run temporary directory: rendered text and painted images are saved
// there as PNG files and offered again by the recent-images lists. The first
// request empties and re-creates it; every later request returns the same
// path. Safe to call from any thread.
//
// The directory is "MoldenaTempDir" followed by the user id, in the system's
// temporary folder. A symbolic link, a folder of another user or anything that
// cannot be emptied is never used: the run then works in a private directory
// of its own, or, when even that cannot be made, in the temporary folder
// itself. Failures are logged, never thrown.
class FileStorage
{
public:
    static inline const QString TEMP_DIR_NAME = QStringLiteral("MoldenaTempDir");

    // The prepared directory's path (no trailing separator).
    static QString getTempDir();
    // Prepares the directory again (for example after the temporary folder
    // changed); getTempDir() does this once by itself.
    static void initTempDir();

private:
    FileStorage() = delete;
};
