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
    // be null) receives the filter the user chose. The name returned is the
    // one to write: a name typed without suffix gets the chosen filter's, and
    // when a file of that name exists the user is asked, after the dialog,
    // before it is replaced (No gives an empty result).
    static QString getSaveFileName(QWidget* pParent, const QString& sCaption, const QString& sFileName,
                                   const QString& sFilter, QString* pSelectedFilter = nullptr);

    // A name without suffix gets the suffix of the filter's first pattern
    // ("obj" of "... (*.obj)").
    static QString withFilterSuffix(const QString& sFileName, const QString& sFilter);

    // The folder dialogs start in.
    static QString getLastDir();

    // Replaces the native dialogs (tests answer them this way); an empty
    // handler restores them.
    static void setHandler(Handler handler);

private:
    static QString remember(const QString& sFileName);
    // Empty when the filter has no pattern with a suffix.
    static QString getFilterSuffix(const QString& sFilter);
    static QString runSaveDialog(QWidget* pParent, const QString& sCaption, const QString& sPath,
                                 const QString& sFilter, QString& sSelectedFilter);
};
