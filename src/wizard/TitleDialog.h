#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTextBrowser;

// The about dialog: a splash that closes itself 5 s after it is shown at
// start-up (frameless, no buttons), and a normal dialog behind the wizard's
// Title button.
class TitleDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TitleDialog(bool bAutoClose);

    static void setVersion(const QString& sVersion);
    static void setYear(const QString& sYear);

    // The licence text shown below the title: at most this many bytes.
    static constexpr qint64 MAX_LICENSE_BYTES = 1024 * 1024;
    static constexpr int AUTO_CLOSE_MS = 5000;

public slots:
    void slotTimeout();
    void slotTutorial();
    void slotHomePage();
    void slotMail();

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    bool m_bAutoClose;
    QLabel* m_pLabelImage = nullptr;
    QTextBrowser* m_pText = nullptr;
    QPushButton* m_pPushButtonMail = nullptr;
    QPushButton* m_pPushButtonHomepage = nullptr;
    QPushButton* m_pPushButtonTutorial = nullptr;
    QPushButton* m_pPushButtonClose = nullptr;
};
