// The picture pages of an image chain as a user drives them: each page is
// filled from its step's parameter objects without writing anything back,
// each control changes exactly the keys it owns, and the views follow the
// pipelines.

#include "../malformed/MalformedPictures.h"
#include "FileStorage.h"
#include "GlobalParameterStore.h"
#include "ImageCanvasBase.h"
#include "ImageModifier/ImageModifierEqualize.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageModifier/ImageModifierRoi.h"
#include "ImageObject.h"
#include "ImagePipeline/ImagePipelinePenAndBucket.h"
#include "ImageScrollArea.h"
#include "MainWidget.h"
#include "ObjectRoot.h"
#include "Raster2d.h"
#include "RawImageImporter.h"
#include "State.h"
#include "StateImplementationImaging.h"
#include "TextEditorDialog.h"
#include "WizardPageFactories.h"
#include "WizardPageImageLoadBase.h"
#include "WizardPageImageTransformBase.h"
#include "StateMachine.h"
#include "Wizard.h"
#include "WorkflowIdentifiers.h"
#include "support/ImagePageProbe.h"
#include "support/MeshChapterSupport.h"
#include "support/WizardDriver.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

namespace
{
using Keys = std::set<QString>;

// A dark disc left of the centre on a ground that brightens from left to
// right, with specks near the top: shading correction, each filter, the
// threshold and a flip all change it.
QString writePicture(const QString& sFolder)
{
    QImage image(160, 120, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
    {
        for (int x = 0; x < image.width(); ++x)
        {
            const double dx = (x + 0.5) / image.width() - 0.35;
            const double dy = (y + 0.5) / image.height() - 0.45;
            const int nGround = 150 + 100 * x / image.width();
            // Dark specks along the top edge for the filters to work on.
            const bool bSpeck = y >= 6 && y < 9 && x % 16 < 3;
            const int nValue = dx * dx + dy * dy < 0.25 * 0.25 || bSpeck ? 10 : nGround;
            image.setPixel(x, y, qRgb(nValue, nValue, nValue));
        }
    }
    QDir().mkpath(sFolder);
    const QString sPath = sFolder + QStringLiteral("/picture.png");
    image.save(sPath);
    return sPath;
}

// The pixel at a fraction of the image's width and height.
int greyAt(const QImage& image, double dX, double dY)
{
    return qGray(image.pixel(int(dX * image.width()), int(dY * image.height())));
}

const ImageObject* chainImage(const StateImplementationImaging* pStep, const QString& sKind, const QString& sTag)
{
    for (const QString& sName : pStep->getImageObjectNames())
    {
        if (sName.contains('#' + sKind + '/') && sName.endsWith(sTag))
        {
            return ObjectRoot::getInstance()->findObject<ImageObject>(sName);
        }
    }
    return nullptr;
}

QImage toImage(const ImageObject* pImageObject)
{
    const auto* pRaster = dynamic_cast<const Raster2d<unsigned char>*>(pImageObject->getRasterReadOnly());
    if (!pRaster)
        return QImage();
    QImage image(int(pRaster->getWidth()), int(pRaster->getHeight()), QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(pRaster->getData() + y * image.width(), image.width(), image.scanLine(y));
    return image;
}

class ImagePagesTest : public ::testing::Test
{
protected:
    // From the first page into the chain the options lead to, with the test
    // picture loaded through the load page's file button, on to sStep.
    void walkTo(const QStringList& slOptions, const QString& sStep)
    {
        for (const QString& sOption : slOptions)
        {
            ASSERT_TRUE(m_driver.choose(sOption)) << sOption.toStdString();
        }
        // Adding a decoration element moves into it by itself.
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_driver.currentState()->getName() == LOAD; }, 10000));
        ASSERT_TRUE(m_driver.waitIdle());
        m_driver.answerFileDialog(m_sPicture);
        ASSERT_TRUE(m_driver.click("m_pPushButtonFileOpen"));
        ASSERT_TRUE(m_driver.waitIdle());
        while (m_driver.currentState()->getName() != sStep)
        {
            ASSERT_TRUE(m_driver.next()) << m_driver.currentState()->getName().toStdString();
        }
    }

    QImage shown(const QString& sFrame = QStringLiteral("m_pImageFrame")) const
    {
        return ImagePageProbe::shown(m_driver.mainWidget(), sFrame);
    }

    template <typename T>
    T* find(const char* szName) const
    {
        T* pWidget = m_driver.find<T>(QLatin1String(szName));
        EXPECT_NE(pWidget, nullptr) << szName;
        return pWidget;
    }

    // Answers the next modal dialog with the library's item of that file name
    // (the first item when empty) and Ok.
    void answerLibrary(const QString& sItem = QString())
    {
        m_driver.answerModal([sItem](QWidget* pModal) {
            auto* pButton = sItem.isEmpty() ? pModal->findChild<QRadioButton*>()
                                            : pModal->findChild<QRadioButton*>(sItem);
            ASSERT_NE(pButton, nullptr);
            pButton->click();
            pModal->findChild<QPushButton*>("m_pPushButtonOk")->click();
        });
    }

    // Offers the file through the file button: a "Load Error" message names
    // it and gives the reason, and the import path stays.
    void expectFileRefused(const ImagePageProbe& probe, const QString& sFile, const QString& sReason,
                           const QString& sScreenshot = QString())
    {
        const QVariant path = probe.value(RAW_IMAGE_IMPORT, RawImageImporter::PATH);
        QString sTitle, sText;
        m_driver.answerModal([&](QWidget* pModal) {
            auto* pBox = qobject_cast<QMessageBox*>(pModal);
            ASSERT_NE(pBox, nullptr);
            if (!sScreenshot.isEmpty())
                m_driver.screenshot(sScreenshot, pBox);
            sTitle = pBox->windowTitle();
            sText = pBox->text() + ' ' + pBox->informativeText();
            pBox->button(QMessageBox::Ok)->click();
        }, 5000);
        m_driver.answerFileDialog(sFile);
        ASSERT_TRUE(m_driver.click("m_pPushButtonFileOpen"));
        EXPECT_TRUE(m_driver.answered());
        EXPECT_EQ(sTitle, "Load Error");
        EXPECT_TRUE(sText.contains("Could not load file") && sText.contains(sFile) && sText.contains(sReason))
            << sText.toStdString();
        EXPECT_EQ(probe.value(RAW_IMAGE_IMPORT, RawImageImporter::PATH), path);
    }

    // An unreadable file is refused by the importer's own check.
    void expectBadFileRefused(const ImagePageProbe& probe, const QString& sName = "broken.png",
                              const QByteArray& bytes = "not a picture at all", const QString& sReason = QString())
    {
        const QString sBad = m_driver.folder() + "/" + sName;
        QFile file(sBad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        expectFileRefused(probe, sBad, sReason);
    }

    WizardDriver m_driver;
    const QString m_sPicture = writePicture(m_driver.folder() + "/pictures");
};
} // namespace

TEST(ImagePageFactoriesTest, EachFactoryRefusesAStepOfAnotherClass)
{
    StateImplementationOptionSelection selection;
    const std::pair<std::unique_ptr<WizardPageFactoryBase>, const char*> factories[] = {
        {std::make_unique<WizardPageFactoryImageLoadBase>(), "pStateImplementationImagingLoadImage"},
        {std::make_unique<WizardPageFactoryImagePaintBase>(), "pStateImplementationImagingPaint"},
        {std::make_unique<WizardPageFactoryPresetBevelBase>(), "pStateImplementationImagingPresetBevel"},
        {std::make_unique<WizardPageFactoryImageThresholdBase>(), "pStateImplementationImagingThreshold"},
        {std::make_unique<WizardPageFactoryImageTransformBase>(), "pStateImplementationImagingTransformImage"},
    };
    for (const auto& [pFactory, szAssertion] : factories)
    {
        try
        {
            delete pFactory->createMainWidget(&selection);
            ADD_FAILURE() << szAssertion;
        }
        catch (const SimpleException& e)
        {
            EXPECT_EQ(std::string(e.what()), std::string("Assertion failed: ") + szAssertion);
        }
    }
}

TEST_F(ImagePagesTest, LoadPageChoosesPicturesKeepsMarginsApartAndRefusesABadFile)
{
    ASSERT_TRUE(m_driver.choose(FRONT));
    ASSERT_TRUE(m_driver.choose(SHAPE));
    ASSERT_NE(dynamic_cast<WizardPageImageLoadBase*>(m_driver.mainWidget()), nullptr);
    ImagePageProbe probe(m_driver.imagingStep());
    const QString sStartDir = GlobalParameterStore::getValue<QString>(GlobalParameterStore::LAST_DIR, QString());

    // Cancelled: nothing changes, "LastDir" neither.
    m_driver.answerFileDialog(QString());
    ASSERT_TRUE(m_driver.click("m_pPushButtonFileOpen"));
    EXPECT_EQ(probe.signalCount(), 0);
    m_driver.answerFileDialog(m_sPicture);
    ASSERT_TRUE(m_driver.click("m_pPushButtonFileOpen"));
    EXPECT_EQ(probe.value(RAW_IMAGE_IMPORT, RawImageImporter::PATH).toString(), m_sPicture);
    EXPECT_NE(sStartDir, m_driver.folder() + "/pictures");
    EXPECT_EQ(GlobalParameterStore::getValue<QString>(GlobalParameterStore::LAST_DIR, QString()),
              m_driver.folder() + "/pictures");
    ASSERT_TRUE(m_driver.waitIdle());
    const QImage plain = shown();
    ASSERT_FALSE(plain.isNull());
    EXPECT_LT(greyAt(plain, 0.35, 0.45), 60) << "the disc";

    // Filled from stored values: margins as fractions of each side, nothing written back.
    probe.set(MODIFIER_ROI, ImageModifierRoi::LEFT, 0.2);
    probe.set(MODIFIER_ROI, ImageModifierRoi::RIGHT, 0.7);
    probe.set(MODIFIER_ROI, ImageModifierRoi::BOTTOM, 0.9);
    ASSERT_TRUE(m_driver.waitIdle());
    const int nSignals = probe.signalCount();
    m_driver.mainWidget()->enter();
    EXPECT_EQ(probe.signalCount(), nSignals);
    EXPECT_DOUBLE_EQ(find<QDoubleSpinBox>("m_pSpinBoxCropLeft")->value(), 0.2);
    EXPECT_DOUBLE_EQ(find<QDoubleSpinBox>("m_pSpinBoxCropRight")->value(), 0.3);
    EXPECT_DOUBLE_EQ(find<QDoubleSpinBox>("m_pSpinBoxCropTop")->value(), 0.0);
    EXPECT_DOUBLE_EQ(find<QDoubleSpinBox>("m_pSpinBoxCropBottom")->value(), 0.1);

    // The margins of one axis stay at most 0.95 together.
    find<QDoubleSpinBox>("m_pSpinBoxCropRight")->setValue(0.4);
    auto before = probe.snapshot();
    find<QDoubleSpinBox>("m_pSpinBoxCropLeft")->setValue(0.6);
    EXPECT_EQ(probe.changedSince(before), Keys({"MODIFIER_ROI:LEFT"}));
    EXPECT_DOUBLE_EQ(find<QDoubleSpinBox>("m_pSpinBoxCropLeft")->value(), 0.55);
    EXPECT_NEAR(probe.value(MODIFIER_ROI, ImageModifierRoi::LEFT).toDouble(), 0.55, 1e-9);
    EXPECT_NEAR(probe.value(MODIFIER_ROI, ImageModifierRoi::RIGHT).toDouble(), 0.6, 1e-9);
    ASSERT_TRUE(m_driver.waitIdle());
    // The margins are covered in red on the preview.
    auto* pCanvas = m_driver.find<QWidget>("m_pImageFrame")->findChild<ImageCanvasBase*>("ImageCanvas");
    const QImage covered = pCanvas->grab().toImage();
    const QRect fitted = pCanvas->getFittedRect();
    const QRgb left = covered.pixel(fitted.left() + fitted.width() / 4, fitted.center().y());
    EXPECT_GT(qRed(left), qGreen(left) + 60);

    // Shading correction owns one key and changes the preview.
    before = probe.snapshot();
    QTest::mouseClick(find<QCheckBox>("m_pCheckBoxShadingCorrection"), Qt::LeftButton);
    EXPECT_EQ(probe.changedSince(before), Keys({"MODIFIER_EQUALIZE:MODIFIER_EQUALIZE_ENABLED"}));
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_NE(shown(), plain);
    m_driver.screenshot("image_load_page");

    const QImage beforeBadFile = shown();
    expectBadFileRefused(probe);
    // Announced above the decode limit, with the negative height of rows
    // stored top-down.
    expectBadFileRefused(probe, "top-down.bmp", MalformedPictures::topDownBmp(13000, 13000));
    // More metadata segments than the decoder is let to keep.
    expectBadFileRefused(probe, "segments.jpg",
                         MalformedPictures::jpegWithSavedSegments(RawImageImporter::MAXIMUM_JPEG_SAVED_SEGMENTS + 1),
                         "more than 4096 metadata segments");
    // The same behind a marker the decoder reads on after.
    const int nSegments = RawImageImporter::MAXIMUM_JPEG_SAVED_SEGMENTS + 1;
    expectBadFileRefused(probe, "dnl.jpg",
                         MalformedPictures::jpegWithSavedSegments(nSegments, true, {}, MalformedPictures::jpegShortDnl(0)),
                         "more than 4096 metadata segments");
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_EQ(shown(), beforeBadFile) << "the previous picture stays";

    // A typed text, then the library of the chain.
    m_driver.answerModal([](QWidget* pModal) {
        ASSERT_NE(qobject_cast<TextEditorDialog*>(pModal), nullptr);
        pModal->findChild<QTextEdit*>("m_pTextEdit")->setPlainText("Ab");
        pModal->findChild<QPushButton*>("m_pPushButtonOk")->click();
    });
    ASSERT_TRUE(m_driver.click("m_pPushButtonTextEditor"));
    const QString sText = probe.value(RAW_IMAGE_IMPORT, RawImageImporter::PATH).toString();
    EXPECT_TRUE(sText.startsWith(FileStorage::getTempDir() + "/Text_") && sText.endsWith(".png")) << sText.toStdString();
    answerLibrary();
    ASSERT_TRUE(m_driver.click("m_pPushButtonLibraryOpen"));
    EXPECT_TRUE(m_driver.answered());
    EXPECT_TRUE(probe.value(RAW_IMAGE_IMPORT, RawImageImporter::PATH).toString().startsWith(":/shape/"));
    ASSERT_TRUE(m_driver.waitIdle());
}

TEST_F(ImagePagesTest, TransformPagePlacesSlidersAtStoredFactorsAndWritesAllThreeValues)
{
    walkTo({FRONT, SHAPE}, TRANSFORM);
    ImagePageProbe probe(m_driver.imagingStep());
    auto* pScaleX = find<QSlider>("m_pSliderScaleX");
    using Transform = ImageModifierGeometricTransformation;
    probe.set(MODIFIER_GEOMETRIC_TRANSFORMATION, Transform::ANGLE, 30);
    probe.set(MODIFIER_GEOMETRIC_TRANSFORMATION, Transform::SCALE_X, 0.5);
    probe.set(MODIFIER_GEOMETRIC_TRANSFORMATION, Transform::SCALE_Y, 2.0);
    ASSERT_TRUE(m_driver.waitIdle());
    const int nSignals = probe.signalCount();
    m_driver.mainWidget()->enter();
    EXPECT_EQ(probe.signalCount(), nSignals) << "filling writes nothing back";
    EXPECT_EQ(find<QSlider>("m_pSliderRotate")->value(), 30);
    EXPECT_EQ(pScaleX->value(), -75) << "the nearest position";
    EXPECT_EQ(find<QSlider>("m_pSliderScaleY")->value(), 50);
    EXPECT_EQ(find<QLineEdit>("m_pLineEditScaleX")->text(), "0.5");

    // Each slider writes the three values; the factors read back at their positions.
    const QImage plain = shown();
    auto before = probe.snapshot();
    find<QSlider>("m_pSliderRotate")->setValue(90);
    const Keys changed = probe.changedSince(before);
    EXPECT_TRUE(changed.count("MODIFIER_GEOMETRIC_TRANSFORMATION:ANGLE"));
    for (const QString& sKey : changed)
        EXPECT_TRUE(sKey.startsWith("MODIFIER_GEOMETRIC_TRANSFORMATION:")) << sKey.toStdString();
    EXPECT_NEAR(probe.value(MODIFIER_GEOMETRIC_TRANSFORMATION, Transform::SCALE_X).toDouble(), 0.5, 1e-12);
    const std::pair<int, const char*> positions[] = {
        {100, "3"}, {50, "2"}, {0, "1"}, {-50, "0.666667"}, {-100, "0.333333"}};
    for (const auto& [nPosition, sShown] : positions)
    {
        pScaleX->setValue(nPosition);
        EXPECT_EQ(find<QLineEdit>("m_pLineEditScaleX")->text(), sShown);
    }
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_NE(shown(), plain);
    m_driver.mainWidget()->enter();
    EXPECT_EQ(pScaleX->value(), -100);
    m_driver.screenshot("image_transform_page");
}

TEST_F(ImagePagesTest, ThresholdPageControlsOwnTheirKeysAndTheViewsFollow)
{
    walkTo({FRONT, SHAPE}, THRESHOLD);
    ImagePageProbe probe(m_driver.imagingStep());
    EXPECT_EQ(find<QSlider>("m_pSliderMedian")->value(), 0) << "the stored value, not the form's";

    // Filled with bas-relief stored: the mode buttons write nothing back either.
    probe.set("MODIFIER_ERODE", "ITERATIONS", 7);
    probe.set("MODIFIER_THRESHOLD", "MODIFIER_THRESHOLD_ENABLED", false);
    probe.set("MODIFIER_THRESHOLD", "THRESHOLD", 99.6);
    ASSERT_TRUE(m_driver.waitIdle());
    int nSignals = probe.signalCount();
    m_driver.mainWidget()->enter();
    EXPECT_EQ(probe.signalCount(), nSignals);
    EXPECT_EQ(find<QSlider>("m_pSliderMorphology")->value(), -7);
    EXPECT_EQ(find<QLineEdit>("m_pLineEditMorphology")->text(), "-7");
    EXPECT_EQ(find<QSlider>("m_pSliderThreshold")->value(), 100) << "rounded to the nearest position";
    EXPECT_TRUE(find<QRadioButton>("m_pRadioButtonBasRelief")->isChecked());
    EXPECT_FALSE(find<QSlider>("m_pSliderThreshold")->isEnabled());
    QTest::mouseClick(find<QRadioButton>("m_pRadioButtonThreshold"), Qt::LeftButton);
    find<QSlider>("m_pSliderMorphology")->setValue(0);
    find<QSlider>("m_pSliderThreshold")->setValue(128);
    ASSERT_TRUE(m_driver.waitIdle());

    const auto slide = [this](const char* szSlider, int nValue) {
        return [=] { find<QSlider>(szSlider)->setValue(nValue); };
    };
    const auto click = [this](const char* szButton) {
        // On the indicator: a stretched box takes no click beyond its text.
        return [=] {
            auto* pButton = find<QAbstractButton>(szButton);
            QTest::mouseClick(pButton, Qt::LeftButton, Qt::NoModifier, QPoint(8, pButton->height() / 2));
        };
    };
    const QString sPre = "m_pImageFramePreprocessed";
    const QString sResult = "m_pImageFrameThreshold";
    const struct
    {
        std::function<void()> act;
        Keys keys;
        QString sView;
    } controls[] = {
        {slide("m_pSliderMedian", 60), {"MODIFIER_MEDIAN:SIZE"}, sPre},
        {slide("m_pSliderMorphology", -40), {"MODIFIER_ERODE:ITERATIONS"}, sPre},
        {slide("m_pSliderMorphology", 30), {"MODIFIER_ERODE:ITERATIONS", "MODIFIER_DILATE:ITERATIONS"}, sPre},
        {slide("m_pSliderBlur", 60), {"MODIFIER_BLUR:SIZE"}, sPre},
        {click("m_pCheckBoxFlipHorizontal"), {"MODIFIER_FLIP:HORIZONTAL"}, sResult},
        {click("m_pCheckBoxFlipVertical"), {"MODIFIER_FLIP:VERTICAL"}, sResult},
        {slide("m_pSliderThreshold", 220), {"MODIFIER_THRESHOLD:THRESHOLD"}, sResult},
        {click("m_pCheckBoxInvert"), {"MODIFIER_INVERT:INVERT"}, sResult},
        {click("m_pRadioButtonBasRelief"), {"MODIFIER_THRESHOLD:MODIFIER_THRESHOLD_ENABLED"}, sResult},
    };
    int nControl = 0;
    for (const auto& control : controls)
    {
        const QImage previous = shown(control.sView);
        const auto before = probe.snapshot();
        control.act();
        EXPECT_EQ(probe.changedSince(before), control.keys) << "control " << nControl;
        ASSERT_TRUE(m_driver.waitIdle());
        EXPECT_NE(shown(control.sView), previous) << "control " << nControl;
        ++nControl;
    }
    EXPECT_FALSE(find<QSlider>("m_pSliderThreshold")->isEnabled());
    EXPECT_EQ(probe.value("MODIFIER_THRESHOLD", "THRESHOLD").toInt(), 220) << "kept in bas-relief mode";
    EXPECT_EQ(find<QLineEdit>("m_pLineEditMedian")->text(), "60");
    m_driver.screenshot("image_threshold_page");
}

TEST_F(ImagePagesTest, PaintPageStrokesFillsHidesAndDeletesOnThePaintedImage)
{
    walkTo({FRONT, SHAPE}, PAINT);
    ImagePageProbe probe(m_driver.imagingStep());
    for (const char* szChecked : {"m_pToolButtonColorBlack", "m_pToolButtonToolPen", "m_pToolButtonPaintVisibilityOn"})
        EXPECT_TRUE(find<QAbstractButton>(szChecked)->isChecked()) << szChecked;
    EXPECT_EQ(find<QLineEdit>("m_pLineEditPenSize")->text(), "50");
    EXPECT_EQ(find<QLineEdit>("m_pLineEditBucketThreshold")->text(), "50");
    EXPECT_FALSE(find<QSlider>("m_pSliderBucketThreshold")->isEnabled());
    EXPECT_EQ(probe.value("MODIFIER_OVERLAY_COMPOSITE", "ENABLED"), QVariant(true));
    const StateImplementationImaging* pStep = m_driver.imagingStep();
    const QImage thresholded = toImage(chainImage(pStep, IMAGE_THRESHOLDED, HIGH_RES_HQ));
    ASSERT_EQ(greyAt(thresholded, 0.5, 0.85), 255);
    ASSERT_EQ(greyAt(thresholded, 0.35, 0.45), 0);
    const auto painted = [pStep] { return toImage(chainImage(pStep, IMAGE_PEN_AND_BUCKET, HIGH_RES_HQ)); };

    // A stroke with the mouse across the light ground, low in the picture.
    auto* pCanvas = m_driver.find<QWidget>("m_pImageFrame")->findChild<ImageCanvasBase*>("ImageCanvas");
    ASSERT_NE(pCanvas, nullptr);
    const QRect fitted = pCanvas->getFittedRect();
    const auto at = [&](double dX, double dY) {
        return QPoint(fitted.left() + int(dX * fitted.width()), fitted.top() + int(dY * fitted.height()));
    };
    // What the view is told to show each time the pipelines put an image back.
    auto* pScrollArea = m_driver.find<ImageScrollArea>("ImageScrollArea");
    QStringList slShownNames;
    QObject context;
    QObject::connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, &context,
                     [&] { slShownNames << pScrollArea->getImageName(); });
    QTest::mousePress(pCanvas, Qt::LeftButton, Qt::NoModifier, at(0.1, 0.85));
    QTest::mouseMove(pCanvas, at(0.5, 0.85));
    QTest::mouseRelease(pCanvas, Qt::LeftButton, Qt::NoModifier, at(0.9, 0.85));
    EXPECT_NEAR(probe.value("MODIFIER_PEN", "SIZE").toDouble(), 0.05, 1e-12);
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_EQ(greyAt(painted(), 0.5, 0.85), 0) << "the stroke reached the painted image";
    ASSERT_FALSE(shown().isNull());
    EXPECT_LT(greyAt(shown(), 0.5, 0.85), 60) << "the view shows the painted result";
    ASSERT_FALSE(slShownNames.isEmpty());
    for (const QString& sName : slShownNames)
        EXPECT_TRUE(sName.contains(IMAGE_PEN_AND_BUCKET) && !isPaintLayerName(sName)) << sName.toStdString();
    m_driver.screenshot("image_paint_page");

    // Two identical white fills in the disc: two changes, one result.
    ASSERT_TRUE(m_driver.click("m_pToolButtonToolBucket"));
    ASSERT_TRUE(m_driver.click("m_pToolButtonColorWhite"));
    EXPECT_TRUE(find<QSlider>("m_pSliderBucketThreshold")->isEnabled());
    int nSignals = probe.signalCount();
    for (int i = 0; i < 2; ++i)
        QTest::mouseClick(pCanvas, Qt::LeftButton, Qt::NoModifier, at(0.35, 0.45));
    EXPECT_EQ(probe.signalCount() - nSignals, 2);
    EXPECT_EQ(probe.value("MODIFIER_BUCKET", "THRESHOLD").toDouble(), 0.5);
    EXPECT_EQ(probe.value("MODIFIER_BUCKET", "COLOR").toString(), "WHITE");
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_EQ(greyAt(painted(), 0.35, 0.45), 255);

    // Hidden paint: no input, and the result is the plain thresholded image.
    ASSERT_TRUE(m_driver.click("m_pToolButtonPaintVisibilityOff"));
    EXPECT_FALSE(find<QWidget>("m_pGroupBoxTool")->isEnabled());
    EXPECT_FALSE(find<QWidget>("m_pGroupBoxSettings")->isEnabled());
    nSignals = probe.signalCount();
    QTest::mouseClick(pCanvas, Qt::LeftButton, Qt::NoModifier, at(0.35, 0.45));
    EXPECT_EQ(probe.signalCount(), nSignals);
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_EQ(painted(), thresholded);

    // Shown again and deleted: the paint is gone for good.
    ASSERT_TRUE(m_driver.click("m_pToolButtonPaintVisibilityOn"));
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_EQ(greyAt(painted(), 0.5, 0.85), 0);
    ASSERT_TRUE(m_driver.click("m_pPushButtonDelete"));
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_EQ(painted(), thresholded);
}

TEST_F(ImagePagesTest, PresetBevelPageStartsWithProfileThreeAndKeepsTheChosenOne)
{
    walkTo({FRONT, DECORATIONS, DECORATION_ADD}, PRESET_BEVEL);
    ImagePageProbe probe(m_driver.imagingStep());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return probe.value(RAW_IMAGE_IMPORT, RawImageImporter::PATH).toString() == ":/profile/bevel_profile_03.png"; },
        5000));
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_FALSE(shown().isNull());
    const QImage profile03 = ImagePageProbe::shown(m_driver.mainWidget(), "m_pProfileFrame");
    EXPECT_FALSE(profile03.isNull());
    // The strip is tall enough for the whole profile at its own size.
    auto* pProfileArea = m_driver.find<QWidget>("m_pProfileFrame")->findChild<ImageScrollArea*>();
    EXPECT_GE(pProfileArea->viewport()->height(), profile03.height());
    m_driver.screenshot("image_preset_bevel_page");

    answerLibrary("bevel_profile_07.png");
    ASSERT_TRUE(m_driver.click("m_pPushButtonLibraryOpen"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return probe.value(RAW_IMAGE_IMPORT, RawImageImporter::PATH).toString() == ":/profile/bevel_profile_07.png"; },
        5000));
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_NE(ImagePageProbe::shown(m_driver.mainWidget(), "m_pProfileFrame"), profile03);

    // Leaving and coming back re-sends the stored profile: no change.
    const int nSignals = probe.signalCount();
    ASSERT_TRUE(m_driver.previous());
    ASSERT_TRUE(m_driver.next());
    QCoreApplication::processEvents();
    EXPECT_EQ(probe.signalCount(), nSignals);
    EXPECT_EQ(probe.value(RAW_IMAGE_IMPORT, RawImageImporter::PATH).toString(), ":/profile/bevel_profile_07.png");
    expectBadFileRefused(probe);

    // A profile one pixel wide would give the bevel no slope: it is refused
    // before it is applied, and the engraving shown stays that of profile 07.
    ASSERT_TRUE(m_driver.waitIdle());
    const QImage engraving = shown();
    expectFileRefused(probe, m_driver.writeDisc(0.3, 1, 40), "1 pixel wide", "image_preset_bevel_refused_message");
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_EQ(shown(), engraving);
    EXPECT_TRUE(StateMachine::getInstance()->canTransition(NEXT));
    m_driver.screenshot("image_preset_bevel_page_refused");
}

TEST_F(ImagePagesTest, TransformPageSaysOnceAVisitWhyAPictureOfExtremeAspectRatioCannotBeTurned)
{
    QStringList messages;
    const ModalWatcher watcher([&](QWidget* pModal) {
        m_driver.screenshot("image_transform_refused_message", pModal);
        MeshChapterSupport::answerMessageBox(pModal, &messages);
        if (auto* pBox = qobject_cast<QMessageBox*>(pModal))
            messages << pBox->informativeText();
    });
    // A picture turned once before: what it left must not go on in place of
    // the refused one.
    walkTo({FRONT, SHAPE}, TRANSFORM);
    ASSERT_TRUE(m_driver.waitIdle() && m_driver.previous());
    // 8000 x 1 is 11448 x 1 at the larger working size: turned, far too large.
    ImagePageProbe(m_driver.imagingStep())
        .set(RAW_IMAGE_IMPORT, RawImageImporter::PATH, m_driver.writeDisc(0.3, 8000, 1));
    ASSERT_TRUE(m_driver.waitIdle() && m_driver.next());
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.count() > 0; }, 10000));
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages.mid(0, 2), QStringList({"Transform Error", "Could not rotate and scale the image"}));
    EXPECT_TRUE(messages[2].contains("aspect ratio is too extreme")) << messages[2].toStdString();
    ASSERT_TRUE(m_driver.waitIdle());
    QCoreApplication::processEvents();
    m_driver.screenshot("image_transform_page_refused");
    EXPECT_TRUE(shown().isNull()) << "the earlier picture turned is not shown as this one";
    EXPECT_FALSE(StateMachine::getInstance()->canTransition(NEXT)) << "nothing turned to go on with";
    EXPECT_FALSE(m_driver.wizard()->findChild<QPushButton*>("m_pPushButtonNext")->isEnabled());

    // The sliders start more runs, refused alike: nothing more is said.
    find<QSlider>("m_pSliderScaleX")->setValue(50);
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_EQ(watcher.count(), 1);
}

TEST_F(ImagePagesTest, ANextRefusedWhileAPipelineRunsLeavesThePageAsItWas)
{
    walkTo({FRONT, SHAPE}, THRESHOLD);
    const unsigned long ulThreshold = m_driver.currentState()->getUid();
    const QImage before = shown();
    ASSERT_FALSE(before.isNull());
    // The slider starts a run; the button is only set again one event-loop
    // turn later, so the click comes while the step may not be left.
    find<QSlider>("m_pSliderThreshold")->setValue(60);
    auto* pNext = m_driver.wizard()->findChild<QPushButton*>("m_pPushButtonNext");
    ASSERT_TRUE(pNext->isEnabled());
    ASSERT_FALSE(StateMachine::getInstance()->canTransition(NEXT));
    QTest::mouseClick(pNext, Qt::LeftButton);
    EXPECT_EQ(m_driver.currentState()->getUid(), ulThreshold);
    EXPECT_FALSE(shown().isNull()) << "the view keeps its picture";
    EXPECT_FALSE(pNext->isEnabled());
    ASSERT_TRUE(m_driver.waitIdle());
    EXPECT_TRUE(pNext->isEnabled());
}

TEST_F(ImagePagesTest, APaintedPictureOfOneColourGreysOnlyNextAndThePageSaysWhy)
{
    walkTo({FRONT, SHAPE}, THRESHOLD);
    find<QSlider>("m_pSliderThreshold")->setValue(255);
    ASSERT_TRUE(m_driver.waitIdle());
    ASSERT_TRUE(m_driver.next());
    const QImage painted = shown();
    ASSERT_EQ(painted.pixel(0, 0), painted.pixel(painted.width() / 2, painted.height() / 2)) << "one colour";
    EXPECT_FALSE(m_driver.wizard()->findChild<QPushButton*>("m_pPushButtonNext")->isEnabled());
    EXPECT_TRUE(m_driver.wizard()->findChild<QPushButton*>("m_pPushButtonPrevious")->isEnabled());
    auto* pNotice = m_driver.find<QLabel>("m_pLabelOneGreyValue");
    ASSERT_NE(pNotice, nullptr);
    EXPECT_TRUE(pNotice->isVisible());
    m_driver.screenshot("image_paint_page_one_colour");

    // A stroke in the other colour: Next, and no notice.
    ASSERT_TRUE(m_driver.click(qGray(painted.pixel(0, 0)) < 128 ? "m_pToolButtonColorWhite" : "m_pToolButtonColorBlack"));
    auto* pCanvas = m_driver.find<QWidget>("m_pImageFrame")->findChild<ImageCanvasBase*>("ImageCanvas");
    const QRect fitted = pCanvas->getFittedRect();
    QTest::mousePress(pCanvas, Qt::LeftButton, Qt::NoModifier, fitted.center() - QPoint(fitted.width() / 4, 0));
    QTest::mouseRelease(pCanvas, Qt::LeftButton, Qt::NoModifier, fitted.center() + QPoint(fitted.width() / 4, 0));
    ASSERT_TRUE(m_driver.waitForNextEnabled());
    EXPECT_FALSE(pNotice->isVisible());
}
