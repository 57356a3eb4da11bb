#pragma once

#include <QDialog>
#include <QFont>
#include <QString>

class QImage;

namespace Ui
{
class TextEditorGui;
}

// Lets the user type text in a chosen font and renders it black on white,
// centred, into a 1024 x 1024 picture saved as "Text_<n>.png" in the run's
// temporary directory (n counts the rendered texts of the whole run). The
// image load page imports the saved file. GUI thread only.
class TextEditorDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int IMAGE_SIZE = 1024;

    // Modal, without parent; Ok stays disabled until some text is typed.
    TextEditorDialog();
    ~TextEditorDialog() override;

    // The saved picture's path; empty unless Ok rendered and saved it.
    const QString& getFileName() const { return m_sFileName; }

    // The text in the font at the largest point size (10 to 500 in steps of
    // 10, below 10 in steps of 1 when even 10 is too large) whose centred
    // bounding box stays within three quarters of the picture's width and
    // height; a text that never fits is rendered at 1 point.
    static QImage renderText(const QString& sText, QFont font);

protected:
    void showEvent(QShowEvent* pEvent) override;

private slots:
    void slotTextChanged();
    void slotCreateImageAndClose();
    void slotFontChanged(QFont font);

private:
    // The chosen family at 24 points in the text edit.
    void applyEditorFont();

    Ui::TextEditorGui* m_pUi = nullptr;
    QString m_sFileName;
};
