#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <map>

class QPushButton;
class QRadioButton;
class QScrollArea;

// One radio button per matching file of a folder, three to a row, each
// showing the file's picture or the picture of its "_thumbnail.png". The
// buttons carry their file's name (object name, accessible name, tool tip).
class ResourceItemView : public QWidget
{
    Q_OBJECT
public:
    ResourceItemView(const QString& sRootPath, const QStringList& slNameFilters, int nIconSize);

    // The buttons' files in grid order.
    QStringList getFiles() const;

signals:
    void signalSetSelectedFile(QString sFile);

public slots:
    void slotToggled(bool bChecked);
    // Checks the button of that file, or the first one.
    void slotSetSelectedFile(QString sFile);

private:
    void createItems(const QString& sRootPath, const QStringList& slNameFilters);

    std::map<QRadioButton*, QString> m_mapButtonToFile;
    QStringList m_slFiles;
    int m_nIconSize;
};

// Picks one file from an embedded library (":/shape", ":/decoration",
// ":/profile", ":/hooks") or the run's recent images. Ok is enabled once a
// file is chosen.
class ResourceDialog : public QDialog
{
    Q_OBJECT
public:
    // Throws "!sRootPath.isEmpty()".
    ResourceDialog(const QString& sRootPath, const QStringList& slNameFilters);

    const QString& getSelectedFile() const { return m_sSelectedFile; }
    ResourceItemView* getResourceItemView() const { return m_pResourceItemView; }

    static constexpr int ICON_SIZE = 128;

public slots:
    void slotSetSelectedFile(QString sFile);

private:
    QScrollArea* m_pScrollAreaResources = nullptr;
    QWidget* m_pScrollAreaWidgetContents = nullptr;
    QPushButton* m_pPushButtonOk = nullptr;
    QPushButton* m_pPushButtonCancel = nullptr;
    ResourceItemView* m_pResourceItemView = nullptr;
    QString m_sSelectedFile;
};
