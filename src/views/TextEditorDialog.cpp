#include "TextEditorDialog.h"

#include "FileStorage.h"
#include "Logger.h"
#include "SimpleException.h"

#include "ui_TextEditorGui.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

namespace
{
// Numbers the rendered texts of the whole run.
int s_nRenderedTexts = 0;

bool fitsPicture(QPainter& painter, QFont& font, int nPointSize, const QRect& rect, const QString& sText)
{
    font.setPointSize(nPointSize);
    painter.setFont(font);
    const QRect bounds = painter.fontMetrics().boundingRect(rect, Qt::AlignCenter, sText);
    return bounds.width() <= 0.75 * rect.width() && bounds.height() <= 0.75 * rect.height();
}
} // namespace

TextEditorDialog::TextEditorDialog()
    : QDialog(nullptr)
{
    setModal(true);
    m_pUi = new Ui::TextEditorGui;
    m_pUi->setupUi(this);
    MOLDENA_ASSERT(
        QObject::connect(m_pUi->m_pPushButtonOk, SIGNAL(clicked()), this, SLOT(slotCreateImageAndClose())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pPushButtonCancel, SIGNAL(clicked()), this, SLOT(reject())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pTextEdit, SIGNAL(textChanged()), this, SLOT(slotTextChanged())));
    MOLDENA_ASSERT(QObject::connect(m_pUi->m_pFontComboBox, SIGNAL( currentFontChanged(QFont)), this,
                                    SLOT(slotFontChanged(QFont))));
    m_pUi->m_pPushButtonOk->setEnabled(false);
    m_pUi->m_pTextEdit->setAlignment(Qt::AlignCenter);
}

TextEditorDialog::~TextEditorDialog()
{
    delete m_pUi;
}

void TextEditorDialog::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    // After polishing: a style sheet's font rule would override it before.
    applyEditorFont();
}

void TextEditorDialog::slotTextChanged()
{
    m_pUi->m_pPushButtonOk->setEnabled(!m_pUi->m_pTextEdit->toPlainText().isEmpty());
}

void TextEditorDialog::slotFontChanged(QFont)
{
    applyEditorFont();
}

void TextEditorDialog::applyEditorFont()
{
    QFont font = m_pUi->m_pFontComboBox->currentFont();
    font.setPointSize(24);
    m_pUi->m_pTextEdit->setFont(font);
}

QImage TextEditorDialog::renderText(const QString& sText, QFont font)
{
    QImage image(IMAGE_SIZE, IMAGE_SIZE, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    const QRect rect(QPoint(0, 0), QPoint(IMAGE_SIZE - 1, IMAGE_SIZE - 1));

    // The largest size that still fits: the first one too large is one step
    // too far.
    int nPointSize = 0;
    for (int nSize = 10; nSize <= 500 && fitsPicture(painter, font, nSize, rect, sText); nSize += 10)
    {
        nPointSize = nSize;
    }
    for (int nSize = 9; nPointSize == 0 && nSize >= 1; --nSize)
    {
        if (fitsPicture(painter, font, nSize, rect, sText))
        {
            nPointSize = nSize;
        }
    }
    font.setPointSize(std::max(1, nPointSize));
    painter.setFont(font);
    painter.drawText(rect, Qt::AlignCenter, sText);
    return image;
}

void TextEditorDialog::slotCreateImageAndClose()
{
    const int nText = s_nRenderedTexts++;
    const QString sPath = FileStorage::getTempDir() + "/" + QString("Text_%1").arg(nText) + ".png";
    const QImage image = renderText(m_pUi->m_pTextEdit->toPlainText(), m_pUi->m_pFontComboBox->currentFont());
    if (!image.save(sPath, "PNG"))
    {
        LOG_ERROR(QString("Unable to store image %1 to QImage").arg(sPath));
        reject();
        return;
    }
    m_sFileName = sPath;
    accept();
}
