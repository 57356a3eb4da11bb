#include "ChapterWidget.h"

#include <QPainter>

ChapterWidget::ChapterWidget(const QStringList& slTitles)
    : m_slTitles(slTitles)
{
}

QSize ChapterWidget::minimumSizeHint() const
{
    return QSize(100, 64);
}

void ChapterWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int h = metrics.height();
    const int w = metrics.averageCharWidth();
    int x = rect().left() + 4 * w;
    const int y = int(height() / 2.0 + h / 2.0);
    for (int i = 0; i < m_slTitles.size(); ++i)
    {
        const QString sTitle = m_slTitles.at(i).toUpper();
        if (sTitle.isEmpty())
        {
            continue;
        }
        const bool bLast = i == m_slTitles.size() - 1;
        painter.setPen(bLast ? Qt::black : Qt::darkGray);
        painter.drawText(x, y, sTitle);
        x += metrics.horizontalAdvance(sTitle);
        if (!bLast)
        {
            x += w;
            painter.setPen(Qt::white);
            painter.drawText(x, y, QStringLiteral(">"));
            x += metrics.horizontalAdvance(QStringLiteral(">")) + w;
        }
    }
}
