#include "WidgetHelper.h"

#include "SimpleException.h"

#include <QGridLayout>
#include <QLayout>
#include <QWidget>

#include <algorithm>

QRect WidgetHelper::getFittedRect(int nImageWidth, int nImageHeight, const QRect& rect)
{
    const int nWidth = rect.right() - rect.left() + 1;
    const int nHeight = rect.bottom() - rect.top() + 1;
    if (nImageWidth <= 0 || nImageHeight <= 0 || nWidth <= 0 || nHeight <= 0)
    {
        return QRect(QPoint(0, 0), QPoint(-1, -1));
    }

    const double dAspect = double(nImageWidth) / double(nImageHeight);
    const double dRatio = double(nWidth) / double(nHeight);
    int nFittedWidth = 0;
    int nFittedHeight = 0;
    if (dRatio < dAspect)
    {
        // Relatively narrower than the image: the width limits.
        nFittedWidth = nWidth;
        nFittedHeight = int(nWidth / dAspect);
    }
    else
    {
        nFittedHeight = nHeight;
        nFittedWidth = int(dAspect * nHeight);
    }
    const int nX = int(nWidth * 0.5 - nFittedWidth * 0.5);
    const int nY = int(nHeight * 0.5 - nFittedHeight * 0.5);
    return QRect(QPoint(nX, nY), QPoint(nX + nFittedWidth - 1, nY + nFittedHeight - 1));
}

QPointF WidgetHelper::mapToImage(const QPoint& point, const QRect& fittedRect)
{
    if (fittedRect.isEmpty())
    {
        return QPointF(0.0, 0.0);
    }
    const double dX = double(point.x() - fittedRect.left()) / double(fittedRect.right() - fittedRect.left() + 1);
    const double dY = double(point.y() - fittedRect.top()) / double(fittedRect.bottom() - fittedRect.top() + 1);
    return QPointF(std::clamp(dX, 0.0, 1.0), std::clamp(dY, 0.0, 1.0));
}

void WidgetHelper::setSingleChild(QWidget* pParent, QWidget* pChild)
{
    if (QLayout* pLayout = pParent->layout())
    {
        // From the end: releasing a widget takes it out of the layout at once,
        // which moves every later item one place forward.
        for (int i = pLayout->count() - 1; i >= 0; --i)
        {
            if (QWidget* pWidget = pLayout->itemAt(i)->widget())
            {
                pWidget->hide();
                pWidget->setParent(nullptr);
            }
        }
        delete pLayout;
    }
    MOLDENA_ASSERT(pParent->children().empty());

    pChild->setParent(pParent);
    QGridLayout* pGridLayout = new QGridLayout(pParent);
    pGridLayout->setSpacing(0);
    pGridLayout->setContentsMargins(0, 0, 0, 0);
    pGridLayout->addWidget(pChild);
    pChild->setVisible(true);
}

QIcon WidgetHelper::twoStateIcon(const QString& sName)
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/%1_default.png").arg(sName), QSize(), QIcon::Normal, QIcon::Off);
    icon.addFile(QStringLiteral(":/icons/%1_checked.png").arg(sName), QSize(), QIcon::Normal, QIcon::On);
    return icon;
}
