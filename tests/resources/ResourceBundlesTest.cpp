// The embedded bundles hold every file the program asks for, and each file
// has the properties its users rely on.

#include "MoldenaResources.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QRawFont>
#include <QRegularExpression>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

const QStringList SHAPES = {"circle", "heart", "pentagon", "rectangle", "rectangle_round", "star", "triangle"};
const QStringList SYMBOLS = {"biohazard", "peace", "spiral", "yingyang"};

const QStringList ICONS = {
    "ABC", "ArrowDown", "ArrowLeft", "ArrowRight", "ArrowUp", "Bucket", "Cancel", "Confirm", "Help", "Info",
    "Invisible", "Library", "LoadFile", "Mail", "PaintBlack", "PaintClear", "PaintWhite", "Pen", "Recent",
    "RotateXMinus", "RotateXMinusMinus", "RotateXPlus", "RotateXPlusPlus", "RotateYMinus", "RotateYMinusMinus",
    "RotateYPlus", "RotateYPlusPlus", "RotateZMinus", "RotateZMinusMinus", "RotateZPlus", "RotateZPlusPlus",
    "SaveFile", "ScaleMinus", "ScaleMinusMinus", "ScalePlus", "ScalePlusPlus", "TranslateXMinus",
    "TranslateXMinusMinus", "TranslateXPlus", "TranslateXPlusPlus", "TranslateYMinus", "TranslateYMinusMinus",
    "TranslateYPlus", "TranslateYPlusPlus", "TranslateZMinus", "TranslateZMinusMinus", "TranslateZPlus",
    "TranslateZPlusPlus", "Tutorial", "Visible", "WWW", "ZoomIn", "ZoomOut"};

const QStringList HELP_DOCUMENTS = {
    "GoBack.html", "CreateTheFrontSide.html", "CreateTheBackSide.html", "GenerateTheComposite.html",
    "DesignTheShape.html", "DesignTheSurfaceProfile.html", "GenerateTheSurface.html",
    "AddDecorationElements.html", "ComposeSurfaceAndDecorations.html", "LoadAnImage_Shape.html",
    "RotateAndScale_Shape.html", "FilterAndThreshold_Shape.html", "PaintAndErase_Shape.html",
    "LoadAnImage_Profile.html", "RotateAndScale_Profile.html", "FilterAndThreshold_Profile.html",
    "PaintAndErase_Profile.html", "TheHeightProfile_Profile.html", "LoadAnImage_Decoration.html",
    "RotateAndScale_Decoration.html", "FilterAndThreshold_Decoration.html", "PaintAndErase_Decoration.html",
    "TheEngravingStyle_Decoration.html", "AddANewDecorationElement.html",
    "ModifyExistingDecorationElements.html", "DeleteDecorationElements.html", "DeleteDecorationElement.html",
    "CreateOrEditBackSide.html", "CopyFrontToBackAndEdit.html", "ComputeThe3dObjectSurface.html",
    "AddHooksToThe3dObject.html", "SaveThe3dObject.html"};

class ResourceBundles : public ::testing::Test
{
protected:
    void SetUp() override { initMoldenaResources(); }
};

QStringList withSuffix(const QStringList& names, const QString& sSuffix)
{
    QStringList files;
    for (const QString& sName : names)
    {
        files << sName + sSuffix;
    }
    return files;
}

// The files of a resource folder, in the order the library dialog lists them.
QStringList folderFiles(const QString& sFolder)
{
    return QDir(sFolder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
}

QStringList sorted(QStringList list)
{
    list.sort(Qt::CaseInsensitive);
    return list;
}

bool isOpaque(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
    {
        const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        if (std::any_of(line, line + argb.width(), [](QRgb p) { return qAlpha(p) != 255; }))
        {
            return false;
        }
    }
    return true;
}

// Height of the black run at the bottom of each column; -1 for a column in
// which black also stands above white.
std::vector<int> blackColumnHeights(const QImage& grey)
{
    std::vector<int> heights(grey.width(), 0);
    for (int x = 0; x < grey.width(); ++x)
    {
        int y = grey.height() - 1;
        while (y >= 0 && grey.constScanLine(y)[x] == 0)
        {
            --y;
        }
        heights[x] = grey.height() - 1 - y;
        for (; y >= 0; --y)
        {
            if (grey.constScanLine(y)[x] == 0)
            {
                heights[x] = -1;
            }
        }
    }
    return heights;
}

// The share of pixels that are more opaque than transparent.
double coverage(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int nCovered = 0;
    for (int y = 0; y < argb.height(); ++y)
    {
        for (int x = 0; x < argb.width(); ++x)
        {
            nCovered += qAlpha(argb.pixel(x, y)) > 128 ? 1 : 0;
        }
    }
    return static_cast<double>(nCovered) / (argb.width() * argb.height());
}

// Mean grey of the visible pixels, each weighted by its opacity.
double averageBrightness(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    double dSum = 0.0;
    double dWeight = 0.0;
    for (int y = 0; y < argb.height(); ++y)
    {
        for (int x = 0; x < argb.width(); ++x)
        {
            const QRgb p = argb.pixel(x, y);
            dSum += qAlpha(p) / 255.0 * qGray(p);
            dWeight += qAlpha(p) / 255.0;
        }
    }
    return dWeight > 0.0 ? dSum / dWeight : 0.0;
}

TEST_F(ResourceBundles, LibrariesHoldDarkFiguresOnLightGrounds)
{
    const struct
    {
        QString sFolder;
        QStringList names;
    } libraries[] = {{":/shape", SHAPES}, {":/decoration", SHAPES + SYMBOLS}};
    for (const auto& library : libraries)
    {
        // No thumbnails: the dialog would match them by substring
        // ("rectangle" is part of "rectangle_round_thumbnail.png").
        EXPECT_EQ(folderFiles(library.sFolder), sorted(withSuffix(library.names, ".png"))) << library.sFolder.toStdString();
        std::vector<QImage> pictures;
        for (const QString& sName : library.names)
        {
            const QString sPath = library.sFolder + "/" + sName + ".png";
            const QImage image(sPath);
            ASSERT_FALSE(image.isNull()) << sPath.toStdString();
            EXPECT_EQ(image.width(), image.height()) << sPath.toStdString();
            EXPECT_GE(image.width(), 512) << sPath.toStdString();
            EXPECT_LE(image.width(), 1024) << sPath.toStdString();
            EXPECT_TRUE(isOpaque(image)) << sPath.toStdString();
            const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
            int nDark = 0;
            QRect darkBox;
            for (int y = 0; y < grey.height(); ++y)
            {
                for (int x = 0; x < grey.width(); ++x)
                {
                    if (grey.constScanLine(y)[x] < 64)
                    {
                        ++nDark;
                        darkBox |= QRect(x, y, 1, 1);
                    }
                }
            }
            const double dDarkShare = static_cast<double>(nDark) / (grey.width() * grey.height());
            EXPECT_GT(dDarkShare, 0.08) << sPath.toStdString();
            EXPECT_LT(dDarkShare, 0.7) << sPath.toStdString();
            // The figure keeps a light margin and fills most of the picture.
            const int nMargin = grey.width() / 50;
            EXPECT_TRUE(grey.rect().adjusted(nMargin, nMargin, -nMargin, -nMargin).contains(darkBox))
                << sPath.toStdString();
            EXPECT_GT(std::max(darkBox.width(), darkBox.height()), grey.width() * 2 / 3) << sPath.toStdString();
            pictures.push_back(grey);
        }
        for (size_t i = 0; i < pictures.size(); ++i)
        {
            for (size_t j = i + 1; j < pictures.size(); ++j)
            {
                EXPECT_NE(pictures[i], pictures[j]) << library.names[i].toStdString() << " "
                                                    << library.names[j].toStdString();
            }
        }
    }
}

TEST_F(ResourceBundles, BevelProfilesAreBlackAreasUnderACurve)
{
    QStringList names;
    for (int i = 1; i <= 10; ++i)
    {
        names << QString("bevel_profile_%1").arg(i, 2, 10, QChar('0'));
    }
    EXPECT_EQ(folderFiles(":/profile"), withSuffix(names, ".png"));
    std::vector<std::vector<int>> profiles;
    for (const QString& sName : names)
    {
        const QString sPath = ":/profile/" + sName + ".png";
        const QImage image(sPath);
        ASSERT_FALSE(image.isNull()) << sPath.toStdString();
        EXPECT_EQ(image.size(), QSize(256, 128)) << sPath.toStdString();
        EXPECT_TRUE(isOpaque(image)) << sPath.toStdString();
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < grey.height(); ++y)
        {
            const uchar* line = grey.constScanLine(y);
            ASSERT_TRUE(std::all_of(line, line + grey.width(), [](uchar v) { return v == 0 || v == 255; }))
                << sPath.toStdString() << " row " << y;
        }
        // Every column black from the bottom up to its height and white
        // above, never touching the top: the curve can be read as drawn.
        const std::vector<int> heights = blackColumnHeights(grey);
        for (int x = 0; x < grey.width(); ++x)
        {
            ASSERT_GE(heights[x], 1) << sPath.toStdString() << " column " << x;
            ASSERT_LT(heights[x], grey.height()) << sPath.toStdString() << " column " << x;
        }
        profiles.push_back(heights);
    }
    for (size_t i = 0; i < profiles.size(); ++i)
    {
        for (size_t j = i + 1; j < profiles.size(); ++j)
        {
            EXPECT_NE(profiles[i], profiles[j]) << names[i].toStdString() << " " << names[j].toStdString();
        }
    }
    // The default engraving style rises at the edge and then stays level, so
    // an engraved figure gets a clean edge and a flat face.
    const std::vector<int>& engraving = profiles[2];
    const int nTop = *std::max_element(engraving.begin(), engraving.end());
    EXPECT_LT(engraving.front(), nTop);
    EXPECT_EQ(engraving[engraving.size() / 3], nTop);
    EXPECT_EQ(engraving.back(), nTop);
}

TEST_F(ResourceBundles, IconsComeInCompletePairs)
{
    EXPECT_EQ(folderFiles(":/icons"), sorted(withSuffix(ICONS, "_default.png") + withSuffix(ICONS, "_checked.png")));
    for (const QString& sName : ICONS)
    {
        const QImage normal(":/icons/" + sName + "_default.png");
        const QImage checked(":/icons/" + sName + "_checked.png");
        ASSERT_FALSE(normal.isNull()) << sName.toStdString();
        ASSERT_FALSE(checked.isNull()) << sName.toStdString();
        EXPECT_EQ(normal.size(), checked.size()) << sName.toStdString();
        // Drawn for the buttons' 32 x 26 icon area, with a transparent ground.
        EXPECT_EQ(normal.width() * 26, normal.height() * 32) << sName.toStdString();
        EXPECT_GE(normal.width(), 32) << sName.toStdString();
        EXPECT_TRUE(normal.hasAlphaChannel()) << sName.toStdString();
        EXPECT_EQ(qAlpha(normal.pixel(0, 0)), 0) << sName.toStdString();
        EXPECT_GT(coverage(normal), 0.05) << sName.toStdString();
        EXPECT_NE(normal, checked) << sName.toStdString();
    }
}

TEST_F(ResourceBundles, SinglePicturesFitWhereTheyAreShown)
{
    // The about dialog (668 wide) shows the title at its own size.
    const QImage title(":/title.png");
    ASSERT_FALSE(title.isNull());
    EXPECT_LE(title.width(), 640);
    EXPECT_LE(title.height(), 240);
    EXPECT_TRUE(isOpaque(title));

    // The preview stretches the overlays over 20 x 3 mm and 14.5 x 51 mm
    // quads on a black ground.
    const struct
    {
        QString sPath;
        double dAspect;
    } overlays[] = {{":/scale.png", 20.0 / 3.0}, {":/battery.png", 14.5 / 51.0}};
    for (const auto& overlay : overlays)
    {
        const QImage image(overlay.sPath);
        ASSERT_FALSE(image.isNull()) << overlay.sPath.toStdString();
        EXPECT_NEAR(static_cast<double>(image.width()) / image.height(), overlay.dAspect, 0.01 * overlay.dAspect)
            << overlay.sPath.toStdString();
        EXPECT_GT(averageBrightness(image), 100.0) << overlay.sPath.toStdString();
    }

    const QImage placeholder(":/NoImage.png");
    ASSERT_FALSE(placeholder.isNull());
    EXPECT_TRUE(isOpaque(placeholder));
}

TEST_F(ResourceBundles, FontsRegisterAsTheFamilyTheStyleSheetNames)
{
    QFile styleSheet(":/style.css");
    ASSERT_TRUE(styleSheet.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch family =
        QRegularExpression("font-family:\\s*\"([^\"]+)\"").match(QString::fromUtf8(styleSheet.readAll()));
    ASSERT_TRUE(family.hasMatch());
    EXPECT_EQ(family.captured(1), "TeX Gyre Adventor");

    const QStringList files = fontResources();
    ASSERT_EQ(files.size(), 4);
    // Regular, bold, bold italic, italic.
    const bool bold[] = {false, true, true, false};
    const QFont::Style style[] = {QFont::StyleNormal, QFont::StyleNormal, QFont::StyleItalic, QFont::StyleItalic};
    for (int i = 0; i < files.size(); ++i)
    {
        QFile file(files[i]);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << files[i].toStdString();
        const QByteArray data = file.readAll();
        const int nId = QFontDatabase::addApplicationFontFromData(data);
        ASSERT_GE(nId, 0) << files[i].toStdString();
        EXPECT_EQ(QFontDatabase::applicationFontFamilies(nId), QStringList{family.captured(1)});
        const QRawFont raw(data, 12.0);
        ASSERT_TRUE(raw.isValid()) << files[i].toStdString();
        EXPECT_EQ(raw.style(), style[i]) << files[i].toStdString();
        EXPECT_EQ(raw.weight() >= QFont::Bold, bold[i]) << files[i].toStdString();
    }
}

TEST(Documents, HelpPagesAndLicenceLieBesideTheProgram)
{
    const QDir documents(MOLDENA_DOCUMENTS_DIR);
    for (const QString& sName : HELP_DOCUMENTS)
    {
        QFile file(documents.filePath(sName));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << sName.toStdString();
        // The help pane reads them as 8-bit text.
        const QByteArray content = file.readAll();
        EXPECT_TRUE(std::all_of(content.begin(), content.end(), [](char c) { return (c & 0x80) == 0; }))
            << sName.toStdString();
        QTextDocument page;
        page.setHtml(QString::fromLatin1(content));
        EXPECT_FALSE(page.metaInformation(QTextDocument::DocumentTitle).isEmpty()) << sName.toStdString();
        EXPECT_GT(page.toPlainText().size(), 150) << sName.toStdString();
    }
    QFile licence(documents.filePath("license.txt"));
    ASSERT_TRUE(licence.open(QIODevice::ReadOnly));
    const QString sLicence = QString::fromUtf8(licence.readAll());
    EXPECT_LT(licence.size(), 1 << 20);
    EXPECT_TRUE(sLicence.startsWith("Moldena"));
    EXPECT_TRUE(sLicence.contains("TeX Gyre Adventor"));
    EXPECT_TRUE(sLicence.contains("GUST Font License"));
}

} // namespace
