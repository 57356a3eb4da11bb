#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>

// One picture of the relief: the shaded depth render in the top left corner,
// the horizontal slice profile hanging below it and the vertical slice
// profile reaching out to its right, all at one scale, composed into a
// 768 x 768 image as large as they fit and drawn fitted into the widget with
// the two slice lines over it (green: horizontal, blue: vertical). The three
// images are looked up by name among their low-resolution variants; the
// canvas keeps converted copies only, never the image objects or rasters.
// GUI thread only.
class VoxelCanvas : public QWidget
{
    Q_OBJECT

public:
    static constexpr int COMPOSITE_SIZE = 768;

    VoxelCanvas();
    ~VoxelCanvas() override;

    QSize minimumSizeHint() const override { return QSize(100, 100); }

    // Store the name and recompose (repainting when that succeeded). Pages
    // call them whenever an image of one of the names enters the tree.
    void setDepthRenderName(const QString& sName);
    void setSliceRenderHorizontalName(const QString& sName);
    void setSliceRenderVerticalName(const QString& sName);

    // Fractions 0..1 of the depth render's height (horizontal slice) and width
    // (vertical slice); repaint only on a change.
    void setSlicePositionHorizontal(double dPosition);
    void setSlicePositionVertical(double dPosition);
    double getSlicePositionHorizontal() const { return m_dSlicePositionHorizontal; }
    double getSlicePositionVertical() const { return m_dSlicePositionVertical; }

    // Drops every picture: nothing is painted until the next composition.
    void clear();

    // Composes the newest three images. False, keeping the picture it had,
    // when one is missing, not 8-bit, older than one shown before, or when
    // the profiles do not match the depth render's size (a pipeline still
    // owes one of them).
    bool updateImages();

    // The composed picture (null before the first composition) and the area
    // of the depth render in it, as fractions of its width and height.
    const QImage* getComposite() const { return m_pComposite.get(); }
    QRectF getDepthRenderArea() const;
    // Inclusive corners of the composite in widget coordinates.
    const QRect& getFittedRect() const { return m_fittedRect; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    QString m_sNameDepthRender;
    QString m_sNameSliceRenderHorizontal;
    QString m_sNameSliceRenderVertical;
    std::unique_ptr<QImage> m_pComposite;
    std::unique_ptr<QImage> m_pImageSliceRenderHorizontal;
    std::unique_ptr<QImage> m_pImageSliceRenderVertical;
    std::unique_ptr<QImage> m_pImageDepthRender;
    double m_dSlicePositionHorizontal = 0.0;
    double m_dSlicePositionVertical = 0.0;
    double m_dDepthRenderLeft = 0.0;
    double m_dDepthRenderRight = 0.0;
    double m_dDepthRenderTop = 0.0;
    double m_dDepthRenderBottom = 0.0;
    QRect m_fittedRect = QRect(QPoint(0, 0), QPoint(-1, -1));
};
