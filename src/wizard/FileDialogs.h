#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every file dialog of the program goes through these two functions. They
// start in the folder stored under "LastDir" (the home folder at first) and
// store the chosen file's folder there again. An empty result means cancelled.
class FileDialogs
{
public:
    enum Mode
    {
        MODE_OPEN,
        MODE_SAVE
    };
    // sDefault: the folder (open) or the proposed file path (save) to start in.
    using Handler = std::function<QString(Mode mode, const QString& sCaption, const QString& sDefault,
                                          const QString& sFilter, QString* pSelectedFilter)>;

    static QString getOpenFileName(QWidget* pParent, const QString& sCaption, const QString& sFilter);
    // sFileName: the proposed name, placed in "LastDir". pSelectedFilter (may
    // be null) receives the filter the user chose.
    static QString getSaveFileName(QWidget* pParent, const QString& sCaption, const QString& sFileName,
                                   const QString& sFilter, QString* pSelectedFilter = nullptr);

    // The folder dialogs start in.
    static QString getLastDir();

    // Replaces the native dialogs (tests answer them this way); an empty
    // handler restores them.
    static void setHandler(Handler handler);

private:
    static QString remember(const QString& sFileName);
};
