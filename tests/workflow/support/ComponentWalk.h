#pragma once

// A front component built by the real chapter factory under a small tree, and
// the moves a user makes in it: choose an option, walk an image chain with a
// picture, add a decoration element, build the surface and the composition.
//
// ROOT > ARTIFACT [initial] > FRONT [initial] > COMPONENT [initial] > ...

#include "State.h"

#include <QString>
#include <QTemporaryDir>

class StateImplementationImaging;

class ComponentWalk
{
public:
    // A front component alone under a small tree.
    ComponentWalk();
    // The whole artifact tree as start-up builds it; the walk starts on the
    // front component.
    struct WholeArtifact
    {
    };
    explicit ComponentWalk(WholeArtifact);

    // Pictures the test draws (64 x 64 unless told): a dark disc of the given
    // radius (a fraction of the side) on a light ground; a bevel profile (black
    // under a rising curve).
    QString writeDisc(double dRadius, int nSide = 64, bool bTransparentGround = false);
    QString writeProfile();

    State* current() const;
    // Selects sOption on the current option selection and goes "NEXT".
    bool choose(const QString& sOption);
    // Runs a transition, then waits until the pipelines of the new current
    // step rest and the queued automatic transitions have run.
    bool go(const QString& sTransition);
    // From the current LOAD step through its chain back out, importing
    // sPicture; sEngravingProfile is imported on a PRESET_BEVEL step.
    bool walkChain(const QString& sPicture, const QString& sEngravingProfile = QString());

    // From the decorations' option selection: edit or delete the element of
    // that option (DECORATION, DECORATION1, ...; DECORATION_ELEMENT_DELETE, ...).
    bool editDecoration(const QString& sOption, const QString& sPicture);
    bool deleteDecoration(const QString& sOption);

    // From the component's option selection: the shape, the profile, a new
    // decoration element, the surface, the composition (each ends back on the
    // component's option selection, the composition stays on its step).
    bool makeShape(const QString& sPicture);
    bool makeProfile();
    bool addDecoration(const QString& sPicture);
    bool makeSurface();
    bool enterComposition();
    // Shape (from sPicture), profile, surface and composition: the component
    // is complete, back on its option selection.
    bool makeComplete(const QString& sPicture);

    // The current step when it is an imaging step.
    StateImplementationImaging* currentImagingStep() const;

    QTemporaryDir m_dir;
    State* m_pRoot = nullptr;
    State* m_pArtifact = nullptr;
    State* m_pFront = nullptr;
    State* m_pComponent = nullptr;
};
