#pragma once

#include <QString>
#include <QTextBrowser>
#include <QWidget>

class QFrame;

// Shows one help document from the "Documents" folder beside the program.
class DocumentView : public QTextBrowser
{
    Q_OBJECT
public:
    DocumentView();
    // False, with the view unchanged, when the document cannot be read.
    bool loadDocument(const QString& sDocumentName);
    // "<program folder>/Documents".
    static QString getDocumentsFolder();
};

// The help pane of a page: the document registered for the page's context
// (a state name, or a chapter and a step joined by "#").
class HelpWidget : public QWidget
{
    Q_OBJECT
public:
    HelpWidget();
    // Process-wide; a second registration of a context replaces the first.
    static void registerDocument(const QString& sContext, const QString& sDocumentName);
    // The registered document, or an empty string.
    static QString findDocument(const QString& sContext);
    DocumentView* getDocumentView() const { return m_pDocumentView; }

public slots:
    // Shows the context's document; a context without one clears the pane.
    void slotContextChanged(QString sContext);

private:
    QFrame* m_pTextFrame = nullptr;
    DocumentView* m_pDocumentView = nullptr;
};
