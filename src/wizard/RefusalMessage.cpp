#include "RefusalMessage.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace RefusalMessage
{
void show(QWidget* pParent, const QString& sTitle, const QString& sText, const QString& sDetails)
{
    QMessageBox box(QMessageBox::Critical, sTitle, sText, QMessageBox::Ok, pParent);
    box.setInformativeText(sDetails);
    box.exec();
}

void showLoadError(QWidget* pParent, const QString& sFile, const QString& sReason)
{
    show(pParent, QCoreApplication::translate("RefusalMessage", "Load Error"),
         QCoreApplication::translate("RefusalMessage", "Could not load file"),
         QStringLiteral("%1\n%2").arg(sFile, sReason));
}
} // namespace RefusalMessage
