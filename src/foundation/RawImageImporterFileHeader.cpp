#include "RawImageImporterFileHeader.h"

#include "RawImageImporter.h"

#include <QByteArrayView>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace
{
// Chunks: a 4-byte big-endian length, a 4-byte type, the data and a 4-byte
// checksum, up to the IEND chunk. A file that ends after a whole chunk is left
// to the decoder.
void readPng(QFile& file, RawImageImporterFileHeader& header)
{
    const qint64 nSize = file.size();
    for (qint64 nPosition = 8; nPosition < nSize;)
    {
        char chunk[8];
        if (!file.seek(nPosition) || file.read(chunk, 8) != 8)
        {
            header.bChunksFit = false;
            return;
        }
        const qint64 nLength = qFromBigEndian<quint32>(chunk);
        if (nLength > 0x7FFFFFFF || nPosition + 12 + nLength > nSize)
        {
            header.bChunksFit = false;
            return;
        }
        char dimensions[8];
        if (nPosition == 8 && nLength >= 8 && std::memcmp(chunk + 4, "IHDR", 4) == 0 &&
            file.read(dimensions, 8) == 8)
        {
            header.size = QSize(int(std::min(qFromBigEndian<quint32>(dimensions), 0x7FFFFFFFu)),
                                int(std::min(qFromBigEndian<quint32>(dimensions + 4), 0x7FFFFFFFu)));
        }
        if (std::memcmp(chunk + 4, "IEND", 4) == 0)
        {
            return;
        }
        nPosition += 12 + nLength;
    }
}

// A frame header's sizes and the memory its decoder keeps per pixel.
void readJpegFrame(QByteArrayView frame, RawImageImporterFileHeader& header)
{
    if (frame.size() < 6)
    {
        return;
    }
    const auto* pFrame = reinterpret_cast<const unsigned char*>(frame.constData());
    header.size = QSize((pFrame[3] << 8) | pFrame[4], (pFrame[1] << 8) | pFrame[2]);
    const int nComponents = std::min(int(pFrame[5]), int((frame.size() - 6) / 3));
    int nMaxH = 1;
    int nMaxV = 1;
    for (int i = 0; i < nComponents; ++i)
    {
        nMaxH = std::max(nMaxH, pFrame[6 + 3 * i + 1] >> 4);
        nMaxV = std::max(nMaxV, pFrame[6 + 3 * i + 1] & 0x0F);
    }
    double dSamples = 0.0;
    for (int i = 0; i < nComponents; ++i)
    {
        dSamples += double(pFrame[6 + 3 * i + 1] >> 4) / nMaxH * double(pFrame[6 + 3 * i + 1] & 0x0F) / nMaxV;
    }
    header.dDecoderBytesPerPixel = 2.0 * dSamples;
}

// A file's bytes, read a window at a time, for a walk that mostly moves
// forward by a few bytes: a seek of the file itself costs a system call.
class FileWindow
{
public:
    explicit FileWindow(QFile& file)
        : m_file(file)
    {
    }

    // The bytes from nPosition on that the window holds, at least nBytes
    // unless the file ends first; valid until the next call.
    QByteArrayView from(qint64 nPosition, qint64 nBytes)
    {
        if (nPosition < m_nStart || nPosition + nBytes > m_nStart + m_window.size())
        {
            m_nStart = nPosition;
            m_window = m_file.seek(nPosition) ? m_file.read(std::max<qint64>(nBytes, 64 * 1024)) : QByteArray();
        }
        return QByteArrayView(m_window).sliced(nPosition - m_nStart);
    }

private:
    QFile& m_file;
    qint64 m_nStart = 0;
    QByteArray m_window;
};

// Where the next marker starts from nPosition on, as the decoder finds it
// after a scan's entropy-coded data or after bytes that start no marker: the
// 0xFF before a byte that is neither 0x00 (a stuffed 0xFF data byte), a
// restart marker (0xD0 to 0xD7) nor another 0xFF (fill); -1 when the file
// ends first.
qint64 nextMarker(FileWindow& window, qint64 nPosition)
{
    bool bAfterFF = false;
    for (qint64 nBase = nPosition;;)
    {
        const QByteArrayView bytes = window.from(nBase, 1);
        if (bytes.isEmpty())
        {
            return -1;
        }
        const char* pBytes = bytes.data();
        const qint64 nSize = bytes.size();
        for (qint64 i = 0; i < nSize; ++i)
        {
            if (!bAfterFF)
            {
                const void* pFF = std::memchr(pBytes + i, 0xFF, std::size_t(nSize - i));
                if (!pFF)
                {
                    break;
                }
                i = static_cast<const char*>(pFF) - pBytes;
                bAfterFF = true;
                continue;
            }
            const int nByte = static_cast<unsigned char>(pBytes[i]);
            if (nByte != 0x00 && nByte != 0xFF && (nByte < 0xD0 || nByte > 0xD7))
            {
                return nBase + i - 1;
            }
            bAfterFF = nByte == 0xFF;
        }
        nBase += nSize;
    }
}

// Whether the decoder keeps segments of this marker in its list: EXIF's
// APP1, ICC's APP2 and comments.
bool isSavedSegment(int nMarker)
{
    return nMarker == 0xE1 || nMarker == 0xE2 || nMarker == 0xFE;
}

// Segments and scans: from the first frame header (SOF0 to SOF15 but DHT, JPG
// and DAC) its precision, height, width, component count, then per component
// an id, its sampling factors and its table; and the scans and the segments
// the decoder keeps up to the end of the image, past each scan's data, until
// one more than the most accepted of either. Between segments the walk
// passes over what the decoder passes over: bytes that start no marker,
// restart and TEM markers, and the length word of an application segment or
// comment too short to hold itself.
void readJpeg(QFile& file, RawImageImporterFileHeader& header)
{
    FileWindow window(file);
    bool bFrameRead = false;
    for (qint64 nPosition = 2; nPosition >= 0;)
    {
        const QByteArrayView bytes = window.from(nPosition, 4);
        if (bytes.size() < 4)
        {
            return;
        }
        const auto* marker = reinterpret_cast<const unsigned char*>(bytes.data());
        const int nMarker = marker[1];
        if (marker[0] != 0xFF || nMarker == 0x00 || nMarker == 0x01 || (nMarker >= 0xD0 && nMarker <= 0xD7))
        {
            nPosition = nextMarker(window, nPosition + 1);
            continue;
        }
        if (nMarker == 0xFF)
        {
            // Fill before a marker.
            ++nPosition;
            continue;
        }
        if (nMarker == 0xD9)
        {
            return;
        }
        const int nLength = (marker[2] << 8) | marker[3];
        if (nLength < 2)
        {
            // The decoder keeps no such segment, and refuses any other than
            // an application segment or a comment.
            if ((nMarker & 0xF0) != 0xE0 && nMarker != 0xFE)
            {
                return;
            }
            nPosition += 4;
            continue;
        }
        if (isSavedSegment(nMarker) && ++header.nSavedSegments > RawImageImporter::MAXIMUM_JPEG_SAVED_SEGMENTS)
        {
            return;
        }
        if (nMarker == 0xDA)
        {
            if (++header.nScans > RawImageImporter::MAXIMUM_JPEG_SCANS)
            {
                return;
            }
            nPosition = nextMarker(window, nPosition + 2 + nLength);
            continue;
        }
        const bool bFrame = nMarker >= 0xC0 && nMarker <= 0xCF && nMarker != 0xC4 && nMarker != 0xC8 &&
                            nMarker != 0xCC;
        if (bFrame && !bFrameRead)
        {
            bFrameRead = true;
            const QByteArrayView frame = window.from(nPosition + 4, nLength - 2);
            readJpegFrame(frame.first(std::min<qint64>(frame.size(), nLength - 2)), header);
        }
        nPosition += 2 + nLength;
    }
}

// The info header after a BMP's 14-byte file header: its size, then width and
// height, 16 bits each in the 12-byte header of old files and 32 bits in the
// others, where a negative height marks rows stored top-down.
void readBmp(QFile& file, RawImageImporterFileHeader& header)
{
    char info[12];
    if (!file.seek(14) || file.read(info, sizeof(info)) != qint64(sizeof(info)))
    {
        return;
    }
    if (qFromLittleEndian<quint32>(info) == 12)
    {
        header.size = QSize(qFromLittleEndian<quint16>(info + 4), qFromLittleEndian<quint16>(info + 6));
        return;
    }
    const qint64 nHeight = std::abs(qint64(qFromLittleEndian<qint32>(info + 8)));
    header.size = QSize(qFromLittleEndian<qint32>(info + 4), int(std::min<qint64>(nHeight, 0x7FFFFFFF)));
}
} // namespace

RawImageImporterFileHeader RawImageImporterFileHeader::read(const QString& sFileName)
{
    RawImageImporterFileHeader header;
    QFile file(sFileName);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential())
    {
        return header;
    }
    const QByteArray start = file.read(10);
    if (start.startsWith("\x89PNG\r\n\x1a\n"))
    {
        readPng(file, header);
    }
    else if (start.startsWith("\xff\xd8"))
    {
        readJpeg(file, header);
    }
    else if (start.startsWith("BM"))
    {
        readBmp(file, header);
    }
    else if (start.size() == 10 && (start.startsWith("GIF87a") || start.startsWith("GIF89a")))
    {
        header.size = QSize(qFromLittleEndian<quint16>(start.constData() + 6),
                            qFromLittleEndian<quint16>(start.constData() + 8));
    }
    return header;
}
