#pragma once

#include <QString>

class QWidget;

// The modal message of a file or step that cannot be used: a title, a text
// and below them the details (the file, the reason). GUI thread only.
namespace RefusalMessage
{
void show(QWidget* pParent, const QString& sTitle, const QString& sText, const QString& sDetails);

// The "Load Error" message of a file that cannot be loaded: its name and,
// on the next line, the reason.
void showLoadError(QWidget* pParent, const QString& sFile, const QString& sReason);
} // namespace RefusalMessage
