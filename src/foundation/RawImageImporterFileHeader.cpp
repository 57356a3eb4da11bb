#include "RawImageImporterFileHeader.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
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

// Segments up to the first frame header (SOF0 to SOF15 but DHT, JPG and DAC):
// precision, height, width, component count, then per component an id, its
// sampling factors and its table.
void readJpeg(QFile& file, RawImageImporterFileHeader& header)
{
    for (qint64 nPosition = 2;;)
    {
        unsigned char marker[4];
        if (!file.seek(nPosition) || file.read(reinterpret_cast<char*>(marker), 4) != 4 || marker[0] != 0xFF)
        {
            return;
        }
        const int nMarker = marker[1];
        const int nLength = (marker[2] << 8) | marker[3];
        if (nMarker == 0xDA || nMarker == 0xD9 || nLength < 2)
        {
            return;
        }
        const bool bFrame = nMarker >= 0xC0 && nMarker <= 0xCF && nMarker != 0xC4 && nMarker != 0xC8 &&
                            nMarker != 0xCC;
        if (bFrame)
        {
            const QByteArray frame = file.read(nLength - 2);
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
            return;
        }
        nPosition += 2 + nLength;
    }
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
    else if (start.startsWith("\xff\xd8\xff"))
    {
        readJpeg(file, header);
    }
    else if (start.size() == 10 && (start.startsWith("GIF87a") || start.startsWith("GIF89a")))
    {
        header.size = QSize(qFromLittleEndian<quint16>(start.constData() + 6),
                            qFromLittleEndian<quint16>(start.constData() + 8));
    }
    return header;
}
