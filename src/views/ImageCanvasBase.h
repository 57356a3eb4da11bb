#pragma once

#include <QRect>
#include <QWidget>

class QImage;

// Draws one image scaled into the largest centred rectangle of its aspect
// ratio (the fitted rectangle). The image belongs to the scroll area that
// hands it over; the canvas only points at it. GUI thread only.
class ImageCanvasBase : public QWidget
{
    Q_OBJECT

public:
    explicit ImageCanvasBase(QWidget* pParent = nullptr);

    // Stores the image; a non-null one gets a new fitted rectangle and is
    // painted at once. Null leaves nothing to draw (the rectangle stays).
    void setImage(QImage* pImage);
    QImage* getImage() const { return m_pImage; }
    // Inclusive corners in widget coordinates; empty until the first image.
    const QRect& getFittedRect() const { return m_fittedRect; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

    // An image is set and the fitted rectangle has area.
    bool hasFittedImage() const;

private:
    void updateFittedRect();

    QImage* m_pImage = nullptr;
    QRect m_fittedRect = QRect(QPoint(0, 0), QPoint(-1, -1));
};
