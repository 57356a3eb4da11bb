#include "ImagePageSupport.h"

#include "FileDialogs.h"
#include "ObjectRoot.h"
#include "RawImageImporter.h"
#include "RefusalMessage.h"
#include "ResourceDialog.h"
#include "SimpleException.h"
#include "StateImplementationImaging.h"

#include <QCoreApplication>
#include <QImageReader>

namespace
{
QString tr(const char* szText)
{
    return QCoreApplication::translate("ImagePage", szText);
}

// The objects of the step whose names contain sModifier; throws sAssertion for
// a missing one.
std::vector<ParameterObject*> parameterObjects(const StateImplementationImaging& step, const QString& sModifier,
                                               const QString& sAssertion)
{
    return step.findParameterObjects({sModifier}, sAssertion);
}

} // namespace

namespace ImagePage
{
void writeParameters(const StateImplementationImaging& step, const QString& sModifier, const QString& sAssertion,
                     const Values& values)
{
    for (ParameterObject* pObject : parameterObjects(step, sModifier, sAssertion))
    {
        pObject->setValues(values);
    }
}

std::vector<ParameterObject::ParameterMap> readParameters(const StateImplementationImaging& step,
                                                          const QString& sModifier, const QString& sAssertion)
{
    std::vector<ParameterObject::ParameterMap> vMaps;
    for (const ParameterObject* pObject : parameterObjects(step, sModifier, sAssertion))
    {
        vMaps.push_back(pObject->getParameters());
    }
    return vMaps;
}

QVariant value(const ParameterObject::ParameterMap& map, const QString& sKey)
{
    const auto it = map.find(sKey);
    return it == map.end() ? QVariant() : it->second;
}

bool isStepImage(const StateImplementationImaging& step, const QString& sName, const QString& sKind)
{
    return sName.contains(sKind) && step.getImageObjectNames().contains(sName);
}

QString chooseImageFile(QWidget* pParent)
{
    return FileDialogs::getOpenFileName(pParent, tr("Open Image"), tr("Image Files (*.png *.jpg *.bmp)"));
}

QString chooseFromLibrary(const QString& sRootPath)
{
    ResourceDialog dialog(sRootPath, {QStringLiteral("*.png")});
    dialog.resize(512, 512);
    return dialog.exec() == QDialog::Accepted ? dialog.getSelectedFile() : QString();
}

bool confirmReadableImage(QWidget* pParent, const QString& sFile,
                          const std::function<QString(const QString& sFile)>& pageCheck)
{
    QString sReason = RawImageImporter::getRefusalReason(sFile);
    if (sReason.isEmpty() && pageCheck)
    {
        sReason = pageCheck(sFile);
    }
    if (sReason.isEmpty())
    {
        return true;
    }
    RefusalMessage::showLoadError(pParent, sFile, sReason);
    return false;
}
} // namespace ImagePage
