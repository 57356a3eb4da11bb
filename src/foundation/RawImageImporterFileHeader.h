#pragma once

#include <QSize>
#include <QString>

// What a picture file's first bytes tell before any decoder runs, for the
// picture importer's limits.
struct RawImageImporterFileHeader
{
    // PNG: every chunk lies inside the file. The PNG library allocates what a
    // chunk header claims before it reads the chunk.
    bool bChunksFit = true;
    // The size the header announces; invalid when unknown. A PNG's comes from
    // its header chunk (the reader announces none when the image data is
    // missing), a GIF's is its logical screen (the reader announces the first
    // frame's size but decodes the screen), a JPEG's from its frame header, a
    // BMP's from its info header, with the height of a picture stored
    // top-down made positive (the reader announces it negative, which is no
    // size).
    QSize size;
    // Memory the decoder keeps besides the decoded picture, in bytes per
    // pixel: a JPEG decoder may hold every component's coefficients, two
    // bytes each (progressive and multi-scan files do).
    double dDecoderBytesPerPixel = 0.0;
    // JPEG: its scans, each a pass of the decoder over the whole picture;
    // counted up to one more than RawImageImporter::MAXIMUM_JPEG_SCANS.
    int nScans = 0;
    // JPEG: the segments its decoder keeps in a list (EXIF's APP1, ICC's
    // APP2 and comments), wherever they stand before the end of the image;
    // counted up to one more than
    // RawImageImporter::MAXIMUM_JPEG_SAVED_SEGMENTS.
    int nSavedSegments = 0;
    // Where a JPEG holds a marker that its encoder would not write (DNL, a
    // reserved marker, a segment too short for its own length word), the
    // walk cannot tell what the decoder makes of the bytes after it: from
    // there on it counts every pair of bytes the decoder could take for a
    // scan or a kept segment, and takes the largest size and memory of every
    // frame header it could take for its own, unless one was read before.

    static RawImageImporterFileHeader read(const QString& sFileName);
};
