#pragma once

#include <QString>
#include <QWidget>

class ImageCanvasBase;
class ImageScrollArea;

namespace Ui
{
class ImageViewGui;
}

// One named image of the object tree in a scroll area, with a pair of zoom
// buttons: zoomed out, the newest low-resolution variant fitted into the view;
// zoomed in, the newest high-resolution variant pixel for pixel. The canvas
// decides what else is drawn and which input is taken. Object names for the
// style sheet: "ImageScrollArea", "ImageCanvas". GUI thread only.
class ImageView : public QWidget
{
    Q_OBJECT

public:
    // Takes the canvas over. With bFixedZoomIn the view stays zoomed in and
    // the zoom buttons are hidden.
    ImageView(ImageCanvasBase* pImageCanvasBase, bool bFixedZoomIn);
    ~ImageView() override;

    QSize minimumSizeHint() const override { return QSize(100, 100); }

    // Frees the shown pictures (pages call it when they are left).
    void clear();
    ImageCanvasBase* getImageCanvas() const;
    ImageScrollArea* getImageScrollArea() const { return m_pImageScrollArea; }
    // Shows the newest image of that name; every call reloads.
    void setImageName(const QString& sImageName);

public slots:
    // The buttons act as a pair: checking one unchecks the other, unchecking
    // the checked one checks the other.
    void slotToggledZoomIn(bool bChecked);
    void slotToggledZoomOut(bool bChecked);

private:
    ImageScrollArea* m_pImageScrollArea = nullptr;
    Ui::ImageViewGui* m_pUi = nullptr;
};
