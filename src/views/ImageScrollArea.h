#pragma once

#include <QScrollArea>
#include <QString>
#include <QStringList>

#include <memory>

class ImageCanvasBase;
class QImage;

// Shows the newest variant of one named image of the object tree on its
// canvas. Zoomed out (mode 1) the low-resolution variant fills the viewport,
// fitted to its aspect ratio; zoomed in (mode 0) the high-resolution variant
// is shown pixel for pixel inside scroll bars. The shown pictures are copies
// converted from the rasters: no pointer to an image object or raster is kept,
// and every load looks the newest image up again. GUI thread only.
class ImageScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    enum ZoomMode
    {
        ZOOMED_IN = 0,
        ZOOMED_OUT = 1
    };

    // Takes the canvas over as its widget. Throws "pImageCanvasBase" for null.
    ImageScrollArea(ImageCanvasBase* pImageCanvasBase, QWidget* pParent = nullptr);
    ~ImageScrollArea() override;

    // Stores the name (throws "!sImageName.isEmpty()" for an empty one) and
    // reloads, also when the name is the current one.
    void setImageName(const QString& sImageName);
    const QString& getImageName() const { return m_sImageName; }
    // Switches the mode and reloads; the current mode does nothing.
    void setZoomed(int nZoomMode);
    int getZoomMode() const { return m_nZoomMode; }
    // Drops both pictures; the name and the mode stay.
    void clear();
    ImageCanvasBase* getImageCanvas() const { return m_pImageCanvasBase; }

private:
    void updateImage();
    // Converts the newest image of the tags into pImage (reused when it has
    // the raster's size). False when there is no image or raster to show.
    bool loadImage(std::unique_ptr<QImage>& pImage, const QStringList& slResolutionTags);
    QImage* loadLowResolutionImage();
    QImage* loadHighResolutionImage();

    QString m_sImageName;
    ImageCanvasBase* m_pImageCanvasBase = nullptr;
    int m_nZoomMode = ZOOMED_OUT;
    std::unique_ptr<QImage> m_pImageLowResolution;
    std::unique_ptr<QImage> m_pImageHighResolution;
};
