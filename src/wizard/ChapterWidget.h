#pragma once

#include <QStringList>
#include <QWidget>

// The breadcrumb above each page: the chapter titles of the page's state,
// root first, in upper case; the last in black, the others in dark grey
// separated by a white ">".
class ChapterWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ChapterWidget(const QStringList& slTitles);
    QSize minimumSizeHint() const override;
    const QStringList& getTitles() const { return m_slTitles; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QStringList m_slTitles;
};
