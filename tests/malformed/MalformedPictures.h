#pragma once

// Picture files that the importer must refuse, or must read within its memory
// limit, made by code and small: hostile headers as a fuzzer finds them and
// oversized or oddly shaped pictures as users have them. Header only, shared
// by the test suites and the benchmarks.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QSize>
#include <QtEndian>

#include <functional>
#include <vector>

namespace MalformedPictures
{
// Standard CRC-32 of PNG chunks.
inline quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : data)
    {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k)
        {
            crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
    }
    return crc ^ 0xFFFFFFFFu;
}

inline QByteArray pngChunk(const char* szType, const QByteArray& payload)
{
    QByteArray body = QByteArray(szType, 4) + payload;
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(payload.size()), out.data());
    out += body;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32(body), crc.data());
    return out + crc;
}

inline QByteArray pngHeader(quint32 nWidth, quint32 nHeight, quint8 nColourType, quint8 nBitDepth = 8)
{
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(nWidth, header.data());
    qToBigEndian<quint32>(nHeight, header.data() + 4);
    header[8] = char(nBitDepth);
    header[9] = char(nColourType);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header);
}

// A PNG built by hand, so that large pictures cost the test only their
// compressed size: colour type 0 (gray) or 2 (RGB), 8 bits per sample. Each
// row's samples come from fillRow (width times channels bytes); without it
// every sample is zero, and with bWithData false the file holds the header
// only.
inline QByteArray png(quint32 nWidth, quint32 nHeight, quint8 nColourType, bool bWithData = true,
                      const std::function<void(quint32 nRow, char* pSamples)>& fillRow = {})
{
    QByteArray bytes = pngHeader(nWidth, nHeight, nColourType);
    if (bWithData)
    {
        const qsizetype nRowBytes = 1 + qsizetype(nWidth) * (nColourType == 2 ? 3 : 1);
        QByteArray raw(nRowBytes * qsizetype(nHeight), '\0');
        if (fillRow)
        {
            for (quint32 y = 0; y < nHeight; ++y)
            {
                fillRow(y, raw.data() + nRowBytes * y + 1);
            }
        }
        // qCompress prefixes the zlib stream with a 4-byte length.
        bytes += pngChunk("IDAT", qCompress(raw, 1).mid(4));
    }
    return bytes + pngChunk("IEND", QByteArray());
}

// 49 bytes: a 1 x 1 PNG whose text chunk claims 2 GB. The PNG library
// allocated that much before noticing the file had ended.
inline QByteArray pngWithHugeTextChunk()
{
    QByteArray bytes = pngHeader(1, 1, 0);
    QByteArray length(4, '\0');
    qToBigEndian<quint32>(0x7FFFFFF0u, length.data());
    return bytes + length + "tEXtComment";
}

// A GIF whose logical screen is nWidth x nHeight and whose one frame is a
// single pixel: readers announce the frame's size and decode the screen's.
inline QByteArray gifWithLargeScreen(quint16 nWidth, quint16 nHeight)
{
    QByteArray bytes("GIF89a");
    QByteArray size(4, '\0');
    qToLittleEndian<quint16>(nWidth, size.data());
    qToLittleEndian<quint16>(nHeight, size.data() + 2);
    // Global colour table of two entries, black and white.
    bytes += size + QByteArray("\x80\x00\x00\x00\x00\x00\xff\xff\xff", 9);
    // One 1 x 1 frame at the origin, its LZW data and the trailer.
    return bytes + QByteArray(",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;", 17);
}

// The start of a progressive JPEG of three components with the given
// sampling factors (0x11 each for full resolution): its frame header and the
// end marker, no image data. Decoding such a file keeps every coefficient,
// two bytes per sample, besides the picture.
inline QByteArray progressiveJpegHeader(quint16 nWidth, quint16 nHeight, quint8 nLumaSampling)
{
    QByteArray frame("\xff\xd8\xff\xc2\x00\x11\x08", 7);
    QByteArray size(4, '\0');
    qToBigEndian<quint16>(nHeight, size.data());
    qToBigEndian<quint16>(nWidth, size.data() + 2);
    frame += size + QByteArray("\x03\x01", 2) + char(nLumaSampling) + QByteArray("\x00\x02\x11\x01\x03\x11\x01", 7);
    return frame + QByteArray("\xff\xd9", 2);
}

// A progressive JPEG of 8 x 8 gray pixels whose frame is followed by lead and
// nScans scans of one byte each, no tables: a decoder passes over the whole
// picture once per scan.
inline QByteArray progressiveJpegWithScans(int nScans, const QByteArray& lead = QByteArray())
{
    QByteArray bytes = QByteArray("\xff\xd8\xff\xc2\x00\x0b\x08\x00\x08\x00\x08\x01\x01\x11\x00", 15) + lead;
    for (int n = 0; n < nScans; ++n)
    {
        // One component, spectral selection 1 to 63, then one byte of data.
        bytes += QByteArray("\xff\xda\x00\x08\x01\x01\x00\x01\x3f\x00\x00", 11);
    }
    return bytes + QByteArray("\xff\xd9", 2);
}

// A JPEG segment: its marker, its length word and the payload.
inline QByteArray jpegSegment(quint8 nMarker, const QByteArray& payload = QByteArray())
{
    QByteArray segment(4, '\xff');
    segment[1] = char(nMarker);
    qToBigEndian<quint16>(quint16(payload.size() + 2), segment.data() + 2);
    return segment + payload;
}

// A DNL marker whose length word (0 or 1) cannot hold itself: the decoder
// reads the word and goes on after it.
inline QByteArray jpegShortDnl(quint8 nLength)
{
    return QByteArray("\xff\xdc\x00", 3) + char(nLength);
}

// A real progressive JPEG of 16 x 8 pixels with nSegments empty segments of
// the kinds its decoder keeps (EXIF's APP1, ICC's APP2 and comments, in turn)
// before its frame, or with bBetweenScans before its last scan, each after
// the given separator and all after lead. The decoder walks the list of those
// it kept to its end for each new one.
inline QByteArray jpegWithSavedSegments(int nSegments, bool bBetweenScans = false,
                                        const QByteArray& separator = QByteArray(),
                                        const QByteArray& lead = QByteArray())
{
    QImage picture(16, 8, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
    {
        for (int x = 0; x < picture.width(); ++x)
        {
            picture.setPixel(x, y, qRgb(16 * x, 32 * y, 128));
        }
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(picture);
    const quint8 kinds[] = {0xE1, 0xE2, 0xFE};
    QByteArray segments = lead;
    for (int n = 0; n < nSegments; ++n)
    {
        segments += separator + jpegSegment(kinds[n % 3]);
    }
    // Scan data holds 0xFF only before 0x00 or a restart marker: the last
    // 0xFF 0xDA starts the last scan.
    QByteArray bytes = buffer.data();
    return bytes.insert(bBetweenScans ? bytes.lastIndexOf("\xff\xda") : 2, segments);
}

// A progressive JPEG of nWidth x nHeight mid-gray pixels as an encoder with a
// restart interval writes it (Qt's writer sets none): ten scans, the DC
// coefficients and nine bands of the others, with a restart marker after
// every nRestartInterval blocks, which must divide their count. Each block is
// one bit, the one code of the scan's Huffman table: no difference in the
// DC scans, end of block in the others.
inline QByteArray restartJpeg(int nWidth, int nHeight, int nRestartInterval)
{
    QByteArray quantisation(65, '\x01');
    quantisation[0] = 0;
    QByteArray frame("\x08\0\0\0\0\x01\x01\x11\0", 9);
    qToBigEndian<quint16>(quint16(nHeight), frame.data() + 1);
    qToBigEndian<quint16>(quint16(nWidth), frame.data() + 3);
    QByteArray dcTable(18, '\0');
    dcTable[1] = 1;
    QByteArray acTable = dcTable;
    acTable[0] = 0x10;
    QByteArray interval(2, '\0');
    qToBigEndian<quint16>(quint16(nRestartInterval), interval.data());
    QByteArray bytes = QByteArray("\xff\xd8", 2) + jpegSegment(0xDB, quantisation) + jpegSegment(0xC2, frame) +
                       jpegSegment(0xC4, dcTable) + jpegSegment(0xC4, acTable) + jpegSegment(0xDD, interval);
    // An interval's zero bits, padded with ones to a whole byte.
    QByteArray data(nRestartInterval / 8, '\0');
    if (nRestartInterval % 8 != 0)
    {
        data += char(0xFF >> (nRestartInterval % 8));
    }
    const int nIntervals = (nWidth + 7) / 8 * ((nHeight + 7) / 8) / nRestartInterval;
    for (int nStart = 0; nStart < 64; nStart += nStart == 0 ? 1 : 7)
    {
        const char nEnd = char(nStart == 0 ? 0 : nStart + 6);
        bytes += jpegSegment(0xDA, QByteArray("\x01\x01\0", 3) + char(nStart) + nEnd + '\0');
        for (int n = 0; n < nIntervals; ++n)
        {
            bytes += (n > 0 ? QByteArray("\xff", 1) + char(0xD0 + (n - 1) % 8) : QByteArray()) + data;
        }
    }
    return bytes + QByteArray("\xff\xd9", 2);
}

// A 64 x 64 JPEG with a restart marker after every block in which the first
// restart marker of each of the first nScans scans is replaced by a reserved
// marker (0x02) and nComments empty comments. Where it expects a restart
// marker the decoder drops a reserved one and looks for the next marker: it
// keeps every comment.
inline QByteArray jpegWithCommentsAtRestarts(int nComments, int nScans)
{
    QByteArray comments;
    for (int n = 0; n < nComments; ++n)
    {
        comments += jpegSegment(0xFE);
    }
    QByteArray bytes = restartJpeg(64, 64, 1);
    qsizetype nAt = 0;
    for (int n = 0; n < nScans && (nAt = bytes.indexOf("\xff\xda", nAt + 1)) >= 0; ++n)
    {
        // Scan data holds 0xFF only before 0x00 or a restart marker.
        while ((nAt = bytes.indexOf('\xff', nAt + 1)) >= 0 && (quint8(bytes[nAt + 1]) & 0xF8) != 0xD0)
        {
        }
        bytes.replace(nAt + 1, 1, '\x02' + comments);
    }
    return bytes;
}

// A picture as cameras and editors write it, 640 x 480 pixels of mid-gray,
// progressive with a restart marker after every row of blocks, and with the
// metadata of a photograph: an EXIF segment holding a JPEG thumbnail, XMP
// with its extension in 20 segments, an ICC profile in 200 segments of binary
// data (half its bytes 0xFF, as in a profile's tables) and a comment. Their
// payloads hold thousands of pairs of bytes that would start a scan or a kept
// segment: the thumbnail's markers and the profile's bytes.
inline QByteArray cameraJpeg()
{
    const QByteArray thumbnail = jpegWithSavedSegments(0);
    // A little-endian TIFF header; IFD0 with the orientation, then IFD1 with
    // the thumbnail's offset (56) and length.
    QByteArray tiff("II*\0\x08\0\0\0"
                    "\x01\0\x12\x01\x03\0\x01\0\0\0\x01\0\0\0\x1a\0\0\0"
                    "\x02\0\x01\x02\x04\0\x01\0\0\0\x38\0\0\0\x02\x02\x04\0\x01\0\0\0LLLL\0\0\0\0",
                    56);
    qToLittleEndian<quint32>(quint32(thumbnail.size()), tiff.data() + 48);
    QByteArray metadata = jpegSegment(0xE1, QByteArray("Exif\0\0", 6) + tiff + thumbnail);
    const QByteArray guid("5B2A1D3C4E6F708192A3B4C5D6E7F809");
    metadata += jpegSegment(0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) +
                                      "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description "
                                      "xmpNote:HasExtendedXMP='" + guid + "'/></rdf:RDF></x:xmpmeta>");
    const qsizetype nChunk = 65400;
    const QByteArray extension = QByteArray("<rdf:li>an edit of the history</rdf:li>\n").repeated(32000);
    for (qsizetype nOffset = 0; nOffset < extension.size(); nOffset += nChunk)
    {
        QByteArray where(8, '\0');
        qToBigEndian<quint32>(quint32(extension.size()), where.data());
        qToBigEndian<quint32>(quint32(nOffset), where.data() + 4);
        metadata += jpegSegment(0xE1, QByteArray("http://ns.adobe.com/xmp/extension/\0", 35) + guid + where +
                                          extension.mid(nOffset, nChunk));
    }
    QRandomGenerator random(39);
    for (int n = 1; n <= 200; ++n)
    {
        QByteArray profile(10000, '\0');
        for (char& byte : profile)
        {
            const quint32 nRandom = random.generate();
            byte = char(nRandom & 1 ? 0xFF : nRandom >> 8);
        }
        metadata += jpegSegment(0xE2, QByteArray("ICC_PROFILE\0", 12) + char(n) + char(200) + profile);
    }
    metadata += jpegSegment(0xFE, "Taken with a camera that writes everything");
    return restartJpeg(640, 480, 80).insert(2, metadata);
}

// 55 bytes: a BMP of nWidth x nHeight pixels of 32 bits, stored top-down
// (a negative height in its header), with one byte of pixel data.
inline QByteArray topDownBmp(qint32 nWidth, qint32 nHeight)
{
    // File size 55, pixels at 54, an info header of 40 bytes.
    QByteArray bytes = QByteArray("BM\x37\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 18) + QByteArray(37, '\0');
    qToLittleEndian<qint32>(nWidth, bytes.data() + 18);
    qToLittleEndian<qint32>(-nHeight, bytes.data() + 22);
    bytes[26] = 1;  // planes
    bytes[28] = 32; // bits per pixel
    return bytes;
}

// Pictures of extreme aspect ratio; the rotate-and-scale step squares them.
inline std::vector<QSize> extremeAspectRatios()
{
    return {QSize(3000, 1), QSize(1, 3000), QSize(2000, 3)};
}
} // namespace MalformedPictures
