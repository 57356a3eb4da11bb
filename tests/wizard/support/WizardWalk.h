#pragma once

// Walks a component's chapters through the wizard as a user does: option
// pages are answered by clicking, each step moves on with Next on its page.
// A picture is imported by setting its import's "PATH", as the load page
// does.

#include <QString>

class WizardDriver;

class WizardWalk
{
public:
    explicit WizardWalk(WizardDriver& driver);

    // From the first page to the front component's option page.
    bool openFront();
    // Checks an option and moves on; waits for steps that move on by themselves.
    bool choose(const QString& sOption);
    // Next on the current step's page; false when that page is not shown.
    bool next();
    // True when the page shown belongs to the current step.
    bool pageIsCurrent() const;

    // Walks the current chain from its LOAD step out of the chain, importing
    // sPicture, and sEngravingProfile on a PRESET_BEVEL step. A non-empty
    // sStopAt ends the walk on that step instead.
    bool walkChain(const QString& sPicture, const QString& sEngravingProfile = QString(),
                   const QString& sStopAt = QString());

    // From the component's option page (and back there, unless stopped).
    bool makeShape(const QString& sPicture);
    bool makeProfile(const QString& sStopAt = QString());
    bool addDecoration(const QString& sPicture);
    // Onto the surface step; with bLeave on to the component's option page.
    bool makeSurface(bool bLeave = true);
    bool enterComposition();

    // A 64 x 32 bevel profile: black under a curve rising from the left.
    QString writeProfile();

private:
    bool setImportPath(const QString& sPath);

    WizardDriver& m_driver;
};
