#pragma once

#include <QWidget>

class ChapterWidget;
class HelpWidget;
class MainWidget;
class QFrame;

// The frame of one page: the chapter bar on top, the step's main widget on
// the left and the help pane on the right. Owns the three widgets.
class WizardPage : public QWidget
{
    Q_OBJECT
public:
    WizardPage(MainWidget* pMainWidget, HelpWidget* pHelpWidget, ChapterWidget* pChapterWidget);

    virtual void enter();
    virtual void leave();

    QFrame* getFrameHelpWidget() const { return m_pFrameHelpWidget; }
    MainWidget* getMainWidget() const;

private:
    QFrame* m_pFrameChapterWidget = nullptr;
    QFrame* m_pFrameMainWidget = nullptr;
    QFrame* m_pFrameHelpWidget = nullptr;
};
