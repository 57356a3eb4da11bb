// How long a threshold slider change takes to show as the new low-resolution
// result on the threshold page, for a 12-megapixel picture at the program's
// default working sizes (512 and 1024 pixels). The time runs from the
// slider's value change to the moment the result view has repainted with the
// thresholded low-resolution image (the view repaints at once when the image
// arrives, inside the object tree's added signal).
//
// Usage: ThresholdSliderBench [changes] [width height]

#include "ImageObject.h"
#include "ObjectRoot.h"
#include "Raster2d.h"
#include "State.h"
#include "WorkflowIdentifiers.h"
#include "support/WizardDriver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QSlider>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
// A photograph-like picture: uneven light, a few dark figures and sensor noise.
QString writePhoto(const QString& sFolder, int nWidth, int nHeight)
{
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    QRandomGenerator random(12345);
    for (int y = 0; y < nHeight; ++y)
    {
        auto* pLine = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < nWidth; ++x)
        {
            const int nLight = 150 + 80 * x / nWidth - 40 * y / nHeight;
            const int nValue = std::clamp(nLight + int(random.bounded(21)) - 10, 0, 255);
            pLine[x] = qRgb(nValue, nValue, nValue);
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 30, 30));
    painter.drawEllipse(QRectF(nWidth * 0.15, nHeight * 0.2, nWidth * 0.4, nHeight * 0.5));
    painter.drawRect(QRectF(nWidth * 0.6, nHeight * 0.3, nWidth * 0.25, nHeight * 0.4));
    painter.end();
    const QString sPath = sFolder + QStringLiteral("/photo.jpg");
    image.save(sPath, "JPG", 92);
    return sPath;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int nChanges = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    const int nWidth = argc > 3 ? atoi(argv[2]) : 4000;
    const int nHeight = argc > 3 ? atoi(argv[3]) : 3000;

    WizardDriver driver(512, 1024);
    const QString sPhoto = writePhoto(driver.folder(), nWidth, nHeight);
    QElapsedTimer clock;
    clock.start();
    if (!driver.choose(FRONT) || !driver.choose(SHAPE))
    {
        std::fprintf(stderr, "could not reach the load page\n");
        return 1;
    }
    driver.answerFileDialog(sPhoto);
    if (!driver.click(QStringLiteral("m_pPushButtonFileOpen")) || !driver.waitIdle(120000) || !driver.next(120000) ||
        !driver.next(120000) || driver.currentState()->getName() != THRESHOLD)
    {
        std::fprintf(stderr, "could not reach the threshold page\n");
        return 1;
    }
    const long long nLoadMs = clock.elapsed();
    for (const ImageObject* pRaw : ObjectRoot::getInstance()->findChildren<ImageObject*>())
    {
        if (pRaw->objectName().contains(IMAGE_RAW) && pRaw->getRasterReadOnly())
        {
            std::printf("picture of %u x %u pixels imported; load page to threshold page in %lld ms\n",
                        pRaw->getRasterReadOnly()->getWidth(), pRaw->getRasterReadOnly()->getHeight(), nLoadMs);
        }
    }

    auto* pSlider = driver.find<QSlider>(QStringLiteral("m_pSliderThreshold"));
    // The page's own slot is connected earlier, so it has shown the image
    // (and repainted) when this one runs.
    bool bShown = false;
    qint64 nShownNs = 0;
    QObject::connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, &app, [&](const QString& sName) {
        if (!bShown && sName.contains(IMAGE_THRESHOLDED) && sName.endsWith(LOW_RES_HQ))
        {
            nShownNs = clock.nsecsElapsed();
            bShown = true;
        }
    });

    std::vector<double> vMs;
    for (int i = 0; i < nChanges; ++i)
    {
        bShown = false;
        clock.restart();
        pSlider->setValue(i % 2 == 0 ? 90 : 170);
        if (!QTest::qWaitFor([&] { return bShown; }, 30000))
        {
            std::fprintf(stderr, "change %d never reached the view\n", i);
            return 1;
        }
        vMs.push_back(nShownNs / 1e6);
        driver.waitIdle();
    }
    driver.screenshot(QStringLiteral("bench_threshold_page"));

    std::sort(vMs.begin(), vMs.end());
    double dSum = 0.0;
    for (double d : vMs)
        dSum += d;
    std::printf("threshold change to low-resolution result shown, %d changes: min %.1f ms, median %.1f ms, "
                "mean %.1f ms, max %.1f ms\n",
                nChanges, vMs.front(), vMs[vMs.size() / 2], dSum / vMs.size(), vMs.back());
    return 0;
}
