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
// after a segment or in a scan's entropy-coded data: the 0xFF before a byte
// that is neither 0x00 (a stuffed 0xFF data byte), another 0xFF (fill), a
// restart marker (0xD0 to 0xD7) nor TEM (0x01). The decoder passes over those
// and over any byte before; -1 when the file ends first.
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
            if (nByte != 0x00 && nByte != 0x01 && nByte != 0xFF && (nByte < 0xD0 || nByte > 0xD7))
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

// Counts a marker of a saved segment or of a scan; true once either count is
// past the most accepted.
bool isCountedPastLimit(int nMarker, RawImageImporterFileHeader& header)
{
    return (isSavedSegment(nMarker) && ++header.nSavedSegments > RawImageImporter::MAXIMUM_JPEG_SAVED_SEGMENTS) ||
           (nMarker == 0xDA && ++header.nScans > RawImageImporter::MAXIMUM_JPEG_SCANS);
}

// SOF0 to SOF15 but DHT, JPG and DAC.
bool isFrame(int nMarker)
{
    return nMarker >= 0xC0 && nMarker <= 0xCF && nMarker != 0xC4 && nMarker != 0xC8 && nMarker != 0xCC;
}

// The segments that encoders write, which the decoder reads to the end of
// their length word or stops at: frames, Huffman and arithmetic tables (DHT,
// DAC), scans, quantisation tables, the restart interval, application
// segments and comments.
bool isSegment(int nMarker)
{
    return isFrame(nMarker) || nMarker == 0xC4 || nMarker == 0xCC || nMarker == 0xDA || nMarker == 0xDB ||
           nMarker == 0xDD || (nMarker & 0xF0) == 0xE0 || nMarker == 0xFE;
}

// The frame header whose marker stands at nPosition: its length word,
// precision, height, width, component count, then per component an id, its
// sampling factors and its table. Its size and the memory its decoder keeps
// per pixel are taken where they exceed those of frames read before. The
// decoder refuses a frame whose length word does not match its component
// count: such a frame is left out.
void readJpegFrame(FileWindow& window, qint64 nPosition, RawImageImporterFileHeader& header)
{
    const QByteArrayView bytes = window.from(nPosition + 2, 8 + 3 * 255);
    const auto* pFrame = reinterpret_cast<const unsigned char*>(bytes.data());
    const int nComponents = bytes.size() >= 8 ? pFrame[7] : 0;
    if (nComponents == 0 || ((pFrame[0] << 8) | pFrame[1]) != 8 + 3 * nComponents ||
        bytes.size() < 8 + 3 * nComponents)
    {
        return;
    }
    header.size = header.size.expandedTo(QSize((pFrame[5] << 8) | pFrame[6], (pFrame[3] << 8) | pFrame[4]));
    const unsigned char* pSampling = pFrame + 9;
    int nMaxH = 1;
    int nMaxV = 1;
    for (int i = 0; i < nComponents; ++i)
    {
        nMaxH = std::max(nMaxH, pSampling[3 * i] >> 4);
        nMaxV = std::max(nMaxV, pSampling[3 * i] & 0x0F);
    }
    double dSamples = 0.0;
    for (int i = 0; i < nComponents; ++i)
    {
        dSamples += double(pSampling[3 * i] >> 4) / nMaxH * double(pSampling[3 * i] & 0x0F) / nMaxV;
    }
    header.dDecoderBytesPerPixel = std::max(header.dDecoderBytesPerPixel, 2.0 * dSamples);
}

// Counts from nPosition to the end of the file, past any end of image, every
// pair of bytes the decoder could take for a marker of a saved segment or a
// scan, and reads, while no frame header was read, every frame header it
// could take for its own. Where the walk cannot tell what the decoder does
// with the bytes ahead, this is a count the decoder cannot get under: it acts
// only on markers, 0xFF and their code, that stand in the file, and
// entropy-coded data holds 0xFF only before 0x00 or a restart marker. A
// segment's payload may hold such pairs; encoders write nothing that leads
// the walk here.
void countEveryMarker(FileWindow& window, qint64 nPosition, bool bFrameRead, RawImageImporterFileHeader& header)
{
    for (qint64 nBase = nPosition;;)
    {
        const QByteArrayView bytes = window.from(nBase, 2);
        if (bytes.size() < 2)
        {
            return;
        }
        // A pair of which the window holds the 0xFF only is counted with the
        // next window.
        const char* pBytes = bytes.data();
        const char* pEnd = pBytes + bytes.size() - 1;
        qint64 nFrame = -1;
        for (const char* p = pBytes; (p = static_cast<const char*>(std::memchr(p, 0xFF, std::size_t(pEnd - p)))); ++p)
        {
            const int nMarker = static_cast<unsigned char>(p[1]);
            if (isCountedPastLimit(nMarker, header))
            {
                return;
            }
            if (!bFrameRead && isFrame(nMarker))
            {
                nFrame = nBase + (p - pBytes);
                break;
            }
        }
        if (nFrame >= 0)
        {
            readJpegFrame(window, nFrame, header);
        }
        nBase = nFrame >= 0 ? nFrame + 1 : nBase + (pEnd - pBytes);
    }
}

// Segments and scans as the decoder meets them: from the first frame header
// its size and the memory its decoder keeps, and the scans and the segments
// the decoder keeps up to the end of the image, after which it reads
// nothing, each counted up to one more than the most accepted. The walk
// follows the decoder through what encoders write: segments by their length
// word, a scan's entropy-coded data up to its next marker, and the bytes that
// start no marker, fill, restart and TEM markers that the decoder passes over
// between markers. At any other marker it counts every marker the decoder
// could still meet: the decoder steps over a DNL whatever its length word
// says, and in a scan with a restart interval it drops a marker it does not
// know where a restart marker is due, to look for the next marker.
void readJpeg(QFile& file, RawImageImporterFileHeader& header)
{
    FileWindow window(file);
    bool bFrameRead = false;
    for (qint64 nPosition = nextMarker(window, 2); nPosition >= 0; nPosition = nextMarker(window, nPosition))
    {
        const QByteArrayView bytes = window.from(nPosition, 4);
        if (bytes.size() < 4)
        {
            return;
        }
        const auto* marker = reinterpret_cast<const unsigned char*>(bytes.data());
        const int nMarker = marker[1];
        if (nMarker == 0xD9)
        {
            return;
        }
        const int nLength = (marker[2] << 8) | marker[3];
        if (!isSegment(nMarker) || nLength < 2)
        {
            countEveryMarker(window, nPosition, bFrameRead, header);
            return;
        }
        if (isCountedPastLimit(nMarker, header))
        {
            return;
        }
        if (isFrame(nMarker) && !bFrameRead)
        {
            // The decoder refuses any frame after its first.
            bFrameRead = true;
            readJpegFrame(window, nPosition, header);
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
