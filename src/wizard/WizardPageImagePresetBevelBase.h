#pragma once

#include "MainWidget.h"

class ImageView;
class StateImplementationImagingPresetBevel;

namespace Ui
{
class WizardPageImagePresetBevelBaseGui;
}

// The page of the PRESET_BEVEL step that ends every decoration element: the
// engraving style is a bevel profile picture from the profile library, a file
// or the run's recent images (profile 03 until one is chosen). Shows the
// bevelled element and, below it, the profile at its own size. GUI thread only.
class WizardPageImagePresetBevelBase : public MainWidgetWorkflow
{
    Q_OBJECT
public:
    explicit WizardPageImagePresetBevelBase(StateImplementationImagingPresetBevel* pStateImplementation);
    ~WizardPageImagePresetBevelBase() override;

    // Throws "pStateImplementation" when the step is of another class.
    StateImplementationImagingPresetBevel* getStateImplementation() const;

    void enter() override;
    void clearViews() override;

    static inline const QString DEFAULT_PROFILE = QStringLiteral(":/profile/bevel_profile_03.png");

signals:
    // Every choice travels through this queued signal, so the profile is
    // written from the event loop after the choosing call has returned.
    void signalSetSelectedFile(QString sFile);

public slots:
    void slotChildAdded(const QString& sName);
    void slotSetSelectedFile(QString sFile);
    void slotOpenFileDialog();
    void slotOpenResourceDialog();
    void slotOpenRecentImages();

private:
    // Re-sends the stored profile, or the default one when none is stored.
    void updateWidgetsFromParameters();
    // Sends a chosen file on when the picture can be read and can serve as a
    // profile.
    void selectFile(const QString& sFile);
    // Makes the strip tall enough for the whole profile at its own size.
    void fitProfileStrip();

    Ui::WizardPageImagePresetBevelBaseGui* m_pUi = nullptr;
    ImageView* m_pImageViewResult = nullptr;
    ImageView* m_pImageViewProfile = nullptr;
};
