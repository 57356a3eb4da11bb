#include "../malformed/MalformedPictures.h"
#include "Identifiers.h"
#include "QImageHelper.h"
#include "Raster2d.h"
#include "RawImageImporter.h"
#include "SimpleException.h"
#include "TestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace
{
template <typename T>
std::unique_ptr<Raster2d<T>> rasterOf(unsigned int nWidth, unsigned int nHeight, std::vector<T> values)
{
    std::unique_ptr<Raster2d<T>> pRaster(new Raster2d<T>(nWidth, nHeight));
    EXPECT_EQ(values.size(), std::size_t(pRaster->getSize()));
    std::copy(values.begin(), values.end(), pRaster->getData());
    return pRaster;
}

// The gray value of each pixel of the image's first row (red, checked gray).
std::vector<int> grayRow(const QImage& image, int nRow = 0)
{
    std::vector<int> v;
    for (int x = 0; x < image.width(); ++x)
    {
        const QRgb c = image.pixel(x, nRow);
        EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << "pixel " << x << " is not gray";
        EXPECT_EQ(qAlpha(c), 255);
        v.push_back(qRed(c));
    }
    return v;
}

std::vector<int> convertFloats(std::vector<float> values)
{
    auto pRaster = rasterOf<float>(unsigned(values.size()), 1, values);
    QImage image(int(values.size()), 1, QImage::Format_RGB32);
    EXPECT_TRUE(QImageHelper::convertToQImage(pRaster.get(), image, false));
    return grayRow(image);
}

using MalformedPictures::png;

class RawImageImporterTest : public ::testing::Test
{
protected:
    QString path(const QString& sName) const { return m_dir.filePath(sName); }

    QString write(const QString& sName, const QByteArray& data) const
    {
        QFile file(path(sName));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return path(sName);
    }

    QString save(const QString& sName, const QImage& image) const
    {
        EXPECT_TRUE(image.save(path(sName), "PNG"));
        return path(sName);
    }

    QTemporaryDir m_dir;
};
} // namespace

TEST(QImageHelperTest, RefusesNullAndUnknownRastersSilently)
{
    LogCapture log;
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    EXPECT_FALSE(QImageHelper::convertToQImage(nullptr, image, false));
    Raster2d<int> ints(2, 2);
    EXPECT_FALSE(QImageHelper::convertToQImage(&ints, image, false));
    EXPECT_EQ(image.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST(QImageHelperTest, FloatsSpreadFromTheirMinimumToTheirMaximumOrZero)
{
    EXPECT_EQ(convertFloats({0.0f, 1.0f, 2.0f}), (std::vector<int>{0, 127, 255}));
    EXPECT_EQ(convertFloats({42.0f}), std::vector<int>{0});
    // All negative: the upper end is 0, so nothing reaches white.
    EXPECT_EQ(convertFloats({-4.0f, -2.0f, -1.0f}), (std::vector<int>{0, 127, 191}));
    EXPECT_EQ(convertFloats({-5.0f}), std::vector<int>{0});
}

TEST(QImageHelperTest, NonFiniteFloatsAreBlackAndDoNotStretchTheRange)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(convertFloats({0.0f, 1.0f, 2.0f, inf, -inf, nan}), (std::vector<int>{0, 127, 255, 0, 0, 0}));
    EXPECT_EQ(convertFloats({nan, inf}), (std::vector<int>{0, 0}));
}

TEST(QImageHelperTest, BytesFillOnlyTheRastersPartOfALargerImage)
{
    Raster2d<unsigned char> raster(10, 10);
    for (unsigned int i = 0; i < raster.getSize(); ++i)
    {
        raster.getData()[i] = static_cast<unsigned char>(i);
    }
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(qRgb(9, 8, 7));
    EXPECT_TRUE(QImageHelper::convertToQImage(&raster, image, true));
    EXPECT_EQ(image.pixel(3, 2), qRgb(23, 23, 23));
    EXPECT_EQ(image.pixel(9, 9), qRgb(99, 99, 99));
    EXPECT_EQ(image.pixel(10, 0), qRgb(9, 8, 7));
    EXPECT_EQ(image.pixel(0, 10), qRgb(9, 8, 7));
    EXPECT_TRUE(image.text(QIMAGE_DEPTH).isEmpty());

    LogCapture log;
    QImage other(20, 20, QImage::Format_ARGB32);
    EXPECT_FALSE(QImageHelper::convertToQImage(&raster, other, false));
    QImage smaller(9, 10, QImage::Format_RGB32);
    EXPECT_FALSE(QImageHelper::convertToQImage(&raster, smaller, false));
    EXPECT_EQ(log.count("ERROR"), 2);
}

TEST(QImageHelperTest, FloatAndShortRastersNeedTheExactSize)
{
    LogCapture log;
    Raster2d<float> raster(10, 10);
    raster.fill(1.0f);
    QImage image(10, 11, QImage::Format_RGB32);
    image.fill(qRgb(5, 5, 5));
    EXPECT_FALSE(QImageHelper::convertToQImage(&raster, image, false));
    EXPECT_EQ(image.pixel(0, 0), qRgb(5, 5, 5));
    Raster2d<unsigned short> shorts(10, 10);
    EXPECT_FALSE(QImageHelper::convertToQImage(&shorts, image, true));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("ERROR: "));
    EXPECT_TRUE(lines[0].endsWith(": The dimensions of the input image do not fit.")) << lines[0].toStdString();
}

TEST(QImageHelperTest, ShortsScaleToTheirMaximumOrSplitIntoBytes)
{
    auto pRaster = rasterOf<unsigned short>(3, 1, {0, 100, 200});
    QImage image(3, 1, QImage::Format_RGB32);
    ASSERT_TRUE(QImageHelper::convertToQImage(pRaster.get(), image, false));
    EXPECT_EQ(grayRow(image), (std::vector<int>{0, 127, 255}));
    EXPECT_TRUE(image.text(QIMAGE_DEPTH).isEmpty());

    auto pZeros = rasterOf<unsigned short>(1, 1, {0});
    QImage one(1, 1, QImage::Format_RGB32);
    ASSERT_TRUE(QImageHelper::convertToQImage(pZeros.get(), one, false));
    EXPECT_EQ(one.pixel(0, 0), qRgb(0, 0, 0));

    auto pDepth = rasterOf<unsigned short>(1, 1, {0x1234});
    ASSERT_TRUE(QImageHelper::convertToQImage(pDepth.get(), one, true));
    EXPECT_EQ(one.pixel(0, 0), qRgb(0x34, 0x12, 0));
    EXPECT_EQ(one.text(QIMAGE_DEPTH), QIMAGE_DEPTH_16BIT);
}

TEST(QImageHelperTest, ThumbnailsHaveExactlyTheWantedSize)
{
    Raster2d<unsigned char> raster(40, 20);
    raster.fill(200);
    const QImage thumbnail = QImageHelper::createThumbnail(&raster, QSize(1023, 1));
    EXPECT_EQ(thumbnail.size(), QSize(1023, 1));
    EXPECT_EQ(qRed(thumbnail.pixel(500, 0)), 200);
    EXPECT_EQ(QImageHelper::createThumbnail(&raster, QSize(5, 30)).size(), QSize(5, 30));

    EXPECT_ASSERTION(QImageHelper::createThumbnail(nullptr, QSize(10, 10)), "pRaster");
    EXPECT_ASSERTION(QImageHelper::createThumbnail(&raster, QSize(1024, 10)), "size.width() > 0 && size.width() < 1024");
    EXPECT_ASSERTION(QImageHelper::createThumbnail(&raster, QSize(0, 10)), "size.width() > 0 && size.width() < 1024");
    EXPECT_ASSERTION(QImageHelper::createThumbnail(&raster, QSize(10, 0)),
                     "size.height() > 0 && size.height() < 1024");
    Raster2d<int> ints(2, 2);
    EXPECT_ASSERTION(QImageHelper::createThumbnail(&ints, QSize(10, 10)), "bConvertOk");
}

TEST_F(RawImageImporterTest, DepthPngKeepsEverySixteenBitValue)
{
    auto pDepth = rasterOf<unsigned short>(5, 1, {0, 1, 0x1234, 0xFF00, 65535});
    QImage image(5, 1, QImage::Format_RGB32);
    ASSERT_TRUE(QImageHelper::convertToQImage(pDepth.get(), image, true));
    const QString sFile = save("depth.png", image);

    RawImageImporter importer;
    std::unique_ptr<Raster2dBase> pRead(importer.import(sFile));
    auto* pFloats = dynamic_cast<Raster2d<float>*>(pRead.get());
    ASSERT_NE(pFloats, nullptr);
    ASSERT_EQ(pFloats->getWidth(), 5u);
    ASSERT_EQ(pFloats->getHeight(), 1u);
    EXPECT_EQ(std::vector<float>(pFloats->getData(), pFloats->getData() + 5),
              (std::vector<float>{0.0f, 1.0f, 4660.0f, 65280.0f, 65535.0f}));
}

TEST_F(RawImageImporterTest, PicturesBecomeWeightedGray)
{
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(200, 100, 50));
    image.setPixel(1, 0, qRgb(255, 255, 255));
    // A marker with another value is no marker.
    image.setText(QIMAGE_DEPTH, QIMAGE_DEPTH_16BIT.toLower());
    RawImageImporter importer;
    std::unique_ptr<Raster2dBase> pRead(importer.import(save("picture.png", image)));
    auto* pBytes = dynamic_cast<Raster2d<unsigned char>*>(pRead.get());
    ASSERT_NE(pBytes, nullptr);
    EXPECT_EQ(pBytes->at(0, 0), 126);
    EXPECT_EQ(pBytes->at(1, 0), 255);
    EXPECT_EQ(pBytes->getRoi(), QRectF(0, 0, 1, 1));
}

TEST_F(RawImageImporterTest, TransparentPicturesAreLaidOverWhite)
{
    // A logo: transparent black background, an opaque black square and one
    // half-transparent pixel.
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 0));
    image.setPixel(1, 1, qRgba(0, 0, 0, 255));
    image.setPixel(2, 1, qRgba(0, 0, 0, 255));
    image.setPixel(3, 3, qRgba(0, 0, 0, 128));
    image.setPixel(0, 3, qRgba(200, 100, 50, 255));
    RawImageImporter importer;
    std::unique_ptr<Raster2dBase> pRead(importer.import(save("logo.png", image)));
    auto* pBytes = dynamic_cast<Raster2d<unsigned char>*>(pRead.get());
    ASSERT_NE(pBytes, nullptr);
    EXPECT_EQ(pBytes->at(0, 0), 255);
    EXPECT_EQ(pBytes->at(3, 0), 255);
    EXPECT_EQ(pBytes->at(1, 1), 0);
    EXPECT_EQ(pBytes->at(2, 1), 0);
    EXPECT_EQ(pBytes->at(3, 3), 127);
    // Opaque pixels read as without the white underlay.
    EXPECT_EQ(pBytes->at(0, 3), 126);
}

TEST_F(RawImageImporterTest, AMarkedFileWithAlphaIsRefused)
{
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(qRgba(1, 2, 0, 128));
    image.setText(QIMAGE_DEPTH, QIMAGE_DEPTH_16BIT);
    const QString sFile = save("alpha-depth.png", image);
    RawImageImporter importer;
    EXPECT_ASSERTION(importer.import(sFile), "img.format() == QImage::Format_RGB32");
}

TEST_F(RawImageImporterTest, ContentsDecideTheFormatNotTheName)
{
    QImage image(1, 1, QImage::Format_RGB32);
    image.fill(qRgb(64, 64, 64));
    ASSERT_TRUE(image.save(path("photo.png"), "BMP"));
    RawImageImporter importer;
    std::unique_ptr<Raster2dBase> pRead(importer.import(path("photo.png")));
    auto* pBytes = dynamic_cast<Raster2d<unsigned char>*>(pRead.get());
    ASSERT_NE(pBytes, nullptr);
    EXPECT_EQ(pBytes->at(0, 0), 64);
}

TEST_F(RawImageImporterTest, BadFilesGiveNullAndOneErrorLine)
{
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    const QString sGood = save("good.png", image);
    QFile good(sGood);
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray pngBytes = good.readAll();
    QByteArray corrupt = pngBytes;
    for (int i = 40; i < corrupt.size() - 12; ++i)
    {
        corrupt[i] = char(0x5A ^ i);
    }

    const std::vector<QString> vFiles = {
        path("missing.png"),
        write("empty.png", QByteArray()),
        write("truncated.png", pngBytes.left(pngBytes.size() / 2)),
        write("corrupt.png", corrupt),
        write("text.png", QByteArray("this is not an image\n")),
        write("huge.png", png(20000, 20000, 0, false)),
        // A start of image and nothing else: no header to announce a format.
        write("two-bytes.jpg", QByteArray("\xff\xd8", 2)),
    };
    for (const QString& sFile : vFiles)
    {
        LogCapture log;
        RawImageImporter importer;
        std::unique_ptr<Raster2dBase> pRead;
        EXPECT_NO_THROW(pRead.reset(importer.import(sFile))) << sFile.toStdString();
        EXPECT_EQ(pRead, nullptr) << sFile.toStdString();
        const QStringList lines = log.lines();
        EXPECT_EQ(lines.size(), 1) << sFile.toStdString() << "\n" << lines.join("\n").toStdString();
        EXPECT_EQ(log.count("ERROR"), 1) << sFile.toStdString();
        EXPECT_TRUE(lines.join("").contains(sFile)) << lines.join("\n").toStdString();
    }
    LogCapture log;
    RawImageImporter importer;
    importer.import(path("missing.png"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].endsWith(": File " + path("missing.png") + " does not exist"));
}

TEST_F(RawImageImporterTest, PhotographsAboveQtsDefaultLimitLoad)
{
    // 6000 x 6000 RGB decodes to 144 MB of 32-bit pixels, above the 128 MiB
    // that Qt allows by default.
    const QString sFile = write("large.png", png(6000, 6000, 2, true));
    LogCapture log;
    RawImageImporter importer;
    std::unique_ptr<Raster2dBase> pRead(importer.import(sFile));
    ASSERT_NE(pRead, nullptr) << log.lines().join("\n").toStdString();
    EXPECT_EQ(pRead->getWidth(), 6000u);
    EXPECT_EQ(pRead->getHeight(), 6000u);
    EXPECT_EQ(log.count("ERROR"), 0);
}

TEST_F(RawImageImporterTest, HostileHeadersAreRefusedBeforeDecodingWithOneErrorLine)
{
    struct Case
    {
        const char* szName;
        QByteArray bytes;
        QString sExpected;
    };
    const QString sLargest12288 = "the largest size accepted is 150994944 pixels, such as 12288 x 12288";
    const int nSegments = RawImageImporter::MAXIMUM_JPEG_SAVED_SEGMENTS + 1;
    const std::vector<Case> cases = {
        // The PNG library would allocate the 2 GB its text chunk claims.
        {"text-chunk.png", MalformedPictures::pngWithHugeTextChunk(), "a chunk runs past the end of the file"},
        // Announced as 1 x 1, decoded as 16000 x 16000.
        {"screen.gif", MalformedPictures::gifWithLargeScreen(16000, 16000), "(16000 x 16000); " + sLargest12288},
        {"announced.png", png(20000, 20000, 0, false), "(20000 x 20000); " + sLargest12288},
        {"wide.png", png(150994945, 1, 0, false), "(150994945 x 1)"},
        // With full-resolution colour a JPEG decoder holds six bytes of
        // coefficients per pixel besides the picture's four.
        {"progressive.jpg", MalformedPictures::progressiveJpegHeader(12000, 12000, 0x11),
         "(12000 x 12000); the largest size accepted is 107374182 pixels, such as 10362 x 10362"},
        // Sixteen bits per sample decode to eight bytes per pixel: the byte
        // limit comes first.
        {"deep.png",
         MalformedPictures::pngHeader(12000, 12000, 2, 16) +
             MalformedPictures::pngChunk("IDAT", qCompress(QByteArray(1000, '\0')).mid(4)) +
             MalformedPictures::pngChunk("IEND", {}),
         "(12000 x 12000); the largest size accepted is 134217728 pixels, such as 11585 x 11585"},
        // Stored top-down, announced with a negative height.
        {"top-down.bmp", MalformedPictures::topDownBmp(13000, 13000), "(13000 x 13000); " + sLargest12288},
        // Each scan is a pass over the whole picture.
        {"scans.jpg", MalformedPictures::progressiveJpegWithScans(1000), "more than 64 scans"},
        // The decoder walks the list of metadata segments it keeps to its end
        // for each new one. They count wherever they stand, and whatever the
        // decoder passes over between them: a stray byte, a restart marker,
        // an application segment whose length word is too short.
        {"segments.jpg", MalformedPictures::jpegWithSavedSegments(nSegments), "more than 4096 metadata segments"},
        {"between-scans.jpg", MalformedPictures::jpegWithSavedSegments(nSegments, true), "more than 4096 metadata"},
        {"separated.jpg", MalformedPictures::jpegWithSavedSegments(nSegments, false, QByteArray("\0\xff\xd0\xff\xe5\0\0", 7)),
         "more than 4096 metadata"},
        // Nor can they hide behind a marker the decoder reads otherwise than
        // a segment: a DNL whose length word is too short, which it reads on
        // after, before the frame or after a scan, or a reserved marker where
        // a restart marker is due, which it drops to look for the next one.
        {"dnl.jpg", MalformedPictures::jpegWithSavedSegments(nSegments, false, {}, MalformedPictures::jpegShortDnl(0)),
         "more than 4096 metadata"},
        {"dnl-between-scans.jpg",
         MalformedPictures::jpegWithSavedSegments(nSegments, true, {}, MalformedPictures::jpegShortDnl(1)),
         "more than 4096 metadata"},
        {"dnl-scans.jpg", MalformedPictures::progressiveJpegWithScans(65, MalformedPictures::jpegShortDnl(0)),
         "more than 64 scans"},
        {"dnl-frame.jpg",
         MalformedPictures::progressiveJpegHeader(12000, 12000, 0x11).insert(2, MalformedPictures::jpegShortDnl(1)),
         "(12000 x 12000); the largest size accepted is 107374182 pixels"},
        {"restart.jpg", MalformedPictures::jpegWithCommentsAtRestarts(nSegments, 1), "more than 4096 metadata"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szName);
        LogCapture log;
        RawImageImporter importer;
        std::unique_ptr<Raster2dBase> pRead(importer.import(write(c.szName, c.bytes)));
        EXPECT_EQ(pRead, nullptr);
        const QStringList lines = log.lines();
        ASSERT_EQ(lines.size(), 1) << lines.join("\n").toStdString();
        EXPECT_TRUE(lines[0].startsWith("ERROR: RawImageImporter::"));
        EXPECT_TRUE(lines[0].contains(path(c.szName)));
        EXPECT_TRUE(lines[0].contains(c.sExpected)) << lines[0].toStdString() << "\n" << c.sExpected.toStdString();
        // The check a page makes before it sets the path says the same.
        EXPECT_TRUE(RawImageImporter::getRefusalReason(path(c.szName)).contains(c.sExpected));
    }
    EXPECT_TRUE(RawImageImporter::getRefusalReason(write("plain.png", png(4, 4, 0))).isEmpty());
    EXPECT_FALSE(RawImageImporter::getRefusalReason(write("text.png", "not a picture at all")).isEmpty());
    EXPECT_FALSE(RawImageImporter::getRefusalReason(path("missing.png")).isEmpty());
    // With the usual half-resolution colour the same JPEG is within the
    // limit: it is decoded, and found to hold no image data.
    {
        LogCapture log;
        RawImageImporter importer;
        EXPECT_EQ(importer.import(write("subsampled.jpg", MalformedPictures::progressiveJpegHeader(12000, 12000, 0x22))),
                  nullptr);
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines()[0].contains("Unable to read image")) << log.lines()[0].toStdString();
    }
    // The same GIF with a screen the decoder may fill reads, and so do a
    // progressive JPEG as encoders write it, with its usual ten scans, one
    // with as many metadata segments as accepted, and a camera's photograph,
    // whose metadata holds more pairs of bytes that could start a scan than
    // scans are accepted.
    QImage gray(40, 30, QImage::Format_RGB32);
    gray.fill(qRgb(90, 90, 90));
    QImageWriter writer(path("progressive.jpg"), "jpeg");
    writer.setProgressiveScanWrite(true);
    ASSERT_TRUE(writer.write(gray));
    const QByteArray camera = MalformedPictures::cameraJpeg();
    EXPECT_GT(camera.count("\xff\xda"), 10 * RawImageImporter::MAXIMUM_JPEG_SCANS);
    const std::pair<QString, QSize> accepted[] = {
        {write("small.gif", MalformedPictures::gifWithLargeScreen(40, 30)), QSize(40, 30)},
        {path("progressive.jpg"), QSize(40, 30)},
        {write("metadata.jpg", MalformedPictures::jpegWithSavedSegments(nSegments - 1, true)), QSize(16, 8)},
        {write("camera.jpg", camera), QSize(640, 480)},
    };
    for (const auto& [sFile, size] : accepted)
    {
        LogCapture log;
        RawImageImporter importer;
        std::unique_ptr<Raster2dBase> pSmall(importer.import(sFile));
        ASSERT_NE(pSmall, nullptr) << sFile.toStdString();
        EXPECT_EQ(QSize(int(pSmall->getWidth()), int(pSmall->getHeight())), size);
        EXPECT_EQ(log.count("ERROR"), 0) << sFile.toStdString();
    }
}

TEST_F(RawImageImporterTest, PalettedMonochromeAndSixteenBitPicturesBecomeGray)
{
    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(200, 100, 50), qRgb(0, 0, 0), qRgb(255, 255, 255)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    indexed.setPixel(2, 0, 2);
    QImage mono(3, 1, QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.setPixel(0, 0, 1);
    mono.setPixel(1, 0, 1);
    mono.setPixel(2, 0, 0);
    QImage deep(3, 1, QImage::Format_RGBX64);
    deep.setPixelColor(0, 0, QColor(200, 100, 50));
    deep.setPixelColor(1, 0, QColor(0, 0, 0));
    deep.setPixelColor(2, 0, QColor(255, 255, 255));
    const std::vector<std::pair<QString, QImage>> pictures = {
        {"indexed.png", indexed}, {"mono.png", mono}, {"deep.png", deep}};
    const std::vector<std::vector<int>> expected = {{126, 0, 255}, {0, 0, 255}, {126, 0, 255}};
    for (std::size_t i = 0; i < pictures.size(); ++i)
    {
        SCOPED_TRACE(pictures[i].first.toStdString());
        RawImageImporter importer;
        std::unique_ptr<Raster2dBase> pRead(importer.import(save(pictures[i].first, pictures[i].second)));
        auto* pBytes = dynamic_cast<Raster2d<unsigned char>*>(pRead.get());
        ASSERT_NE(pBytes, nullptr);
        EXPECT_EQ(std::vector<int>(pBytes->getData(), pBytes->getData() + 3), expected[i]);
    }
}

TEST_F(RawImageImporterTest, PicturesAboveTheWorkingLimitAreReducedWithOneWarning)
{
    // 72 megapixels, dark left half, light right half.
    const QString sFile = write("large.png", png(12000, 6000, 0, true, [](quint32, char* pSamples) {
                                    std::memset(pSamples + 6000, 200, 6000);
                                }));
    LogCapture log;
    RawImageImporter importer;
    std::unique_ptr<Raster2dBase> pRead(importer.import(sFile));
    auto* pBytes = dynamic_cast<Raster2d<unsigned char>*>(pRead.get());
    ASSERT_NE(pBytes, nullptr);
    // The aspect ratio kept, at most 8192 x 8192 pixels.
    EXPECT_EQ(pBytes->getWidth(), 11585u);
    EXPECT_EQ(pBytes->getHeight(), 5792u);
    EXPECT_LE(qint64(pBytes->getSize()), RawImageImporter::MAXIMUM_WORKING_PIXELS);
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 1) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines[0].startsWith("WARNING: RawImageImporter::"));
    EXPECT_TRUE(lines[0].contains("(12000 x 6000) is reduced to 11585 x 5792")) << lines[0].toStdString();
    // Area interpolation: pure halves, one column of their mean between.
    const unsigned int nRow = 3000 * pBytes->getWidth();
    EXPECT_EQ(pBytes->getData()[nRow], 0);
    EXPECT_EQ(pBytes->getData()[nRow + 5791], 0);
    EXPECT_EQ(pBytes->getData()[nRow + 5793], 200);
    EXPECT_EQ(pBytes->getData()[nRow + 11584], 200);
    EXPECT_GT(pBytes->getData()[nRow + 5792], 0);
    EXPECT_LT(pBytes->getData()[nRow + 5792], 200);
}

TEST_F(RawImageImporterTest, DepthPicturesAboveTheWorkingLimitKeepTheirValuesWhenReduced)
{
    // 8200 x 8200, depth 258 on the left half and 4096 on the right.
    QByteArray bytes = png(8200, 8200, 2, true, [](quint32, char* pSamples) {
        for (int x = 0; x < 8200; ++x)
        {
            pSamples[3 * x] = x < 4100 ? 2 : 0;
            pSamples[3 * x + 1] = x < 4100 ? 1 : 16;
        }
    });
    // The marker goes into a text chunk before the image data.
    const int nIhdrEnd = 8 + 25;
    bytes.insert(nIhdrEnd, MalformedPictures::pngChunk("tEXt", QIMAGE_DEPTH.toLatin1() + '\0' +
                                                                   QIMAGE_DEPTH_16BIT.toLatin1()));
    LogCapture log;
    RawImageImporter importer;
    std::unique_ptr<Raster2dBase> pRead(importer.import(write("depth.png", bytes)));
    auto* pFloats = dynamic_cast<Raster2d<float>*>(pRead.get());
    ASSERT_NE(pFloats, nullptr);
    EXPECT_EQ(pFloats->getWidth(), 8192u);
    EXPECT_EQ(pFloats->getHeight(), 8192u);
    EXPECT_EQ(log.count("WARNING"), 1);
    // Inside the halves the values are kept exactly, not as bytes; at this
    // scale OpenCV's area weights fall short by 0.1 % in the outermost
    // columns and rows only.
    const unsigned int nRow = 4000 * pFloats->getWidth();
    EXPECT_FLOAT_EQ(pFloats->getData()[nRow + 1], 258.0f);
    EXPECT_FLOAT_EQ(pFloats->getData()[nRow + 4000], 258.0f);
    EXPECT_FLOAT_EQ(pFloats->getData()[nRow + 4200], 4096.0f);
    EXPECT_FLOAT_EQ(pFloats->getData()[nRow + 8190], 4096.0f);
    EXPECT_NEAR(pFloats->getData()[nRow], 258.0f, 0.3f);
}
