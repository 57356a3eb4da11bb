#pragma once

// A shape chain of real imaging steps under a small tree, with a picture the
// test draws and helpers to wait for the pipelines and to set parameters.
//
// ROOT > ARTIFACT [initial] > { OUTSIDE [initial], SHAPE > { LOAD [initial],
//   TRANSFORM, THRESHOLD, PAINT } }; OUTSIDE -> SHAPE by Next, the steps chained
// by Next and Previous, LOAD -> OUTSIDE by Previous, PAINT -> OUTSIDE by Next.

#include "State.h"
#include "StateImplementationImaging.h"

#include <QImage>
#include <QString>
#include <QTemporaryDir>

class ParameterObject;

class ImagingChain
{
public:
    // Small working sizes keep the pipelines quick; the temporary directory
    // of the run lies inside a folder of the test's own.
    ImagingChain();

    // A picture of the given size: a dark disc on a light ground, or one grey
    // value everywhere when bPlain; returns its path.
    QString writePicture(int nWidth, int nHeight, bool bPlain = false);

    // Runs a transition and waits until the new current step's pipelines rest.
    bool go(const QString& sTransition);
    // The first parameter object of the step whose name contains sModifier.
    static ParameterObject* findParameters(const StateImplementationImaging* pStep, const QString& sModifier);
    // Copies the object's map, sets one key and hands it back.
    static void setParameter(ParameterObject* pObject, const QString& sKey, const QVariant& value);

    template <typename T>
    T* step(State* pState) const
    {
        return dynamic_cast<T*>(pState->getImplementation());
    }
    QString chainImage(const QString& sKind, const QString& sTag) const;

    QTemporaryDir m_dir;
    State* m_pRoot = nullptr;
    State* m_pArtifact = nullptr;
    State* m_pOutside = nullptr;
    State* m_pShape = nullptr;
    State* m_pLoad = nullptr;
    State* m_pTransform = nullptr;
    State* m_pThreshold = nullptr;
    State* m_pPaint = nullptr;
};
