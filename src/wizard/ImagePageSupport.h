#pragma once

// What the image pages share: reading and writing the parameter objects of
// their step, telling the step's images apart, and choosing picture files.
// GUI thread only.

#include "ParameterObject.h"
#include "SimpleException.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <utility>
#include <vector>

class QWidget;
class StateImplementationBase;
class StateImplementationImaging;

namespace ImagePage
{
using Values = std::vector<std::pair<QString, QVariant>>;

// For every parameter object of the step whose name contains sModifier, in
// the step's order: copies its whole map, sets the values in the copy and
// hands it back, so the object signals (and its pipeline runs) only when a
// value really changed. Throws sAssertion for a name whose object is not in
// the tree.
void writeParameters(const StateImplementationImaging& step, const QString& sModifier, const QString& sAssertion,
                     const Values& values);

// Copies of the maps of those objects, in the step's order; throws sAssertion
// likewise.
std::vector<ParameterObject::ParameterMap> readParameters(const StateImplementationImaging& step,
                                                          const QString& sModifier, const QString& sAssertion);

// The value of the key in the map, or an invalid variant.
QVariant value(const ParameterObject::ParameterMap& map, const QString& sKey);

// Whether sName is one of the step's image names and contains sKind.
bool isStepImage(const StateImplementationImaging& step, const QString& sName, const QString& sKind);

// The "Open Image" file dialog (through FileDialogs, so it starts in and
// stores "LastDir"); empty when cancelled.
QString chooseImageFile(QWidget* pParent);

// A library dialog over sRootPath showing its PNG files, 512 x 512, modal;
// the chosen file, or empty when the dialog was rejected.
QString chooseFromLibrary(const QString& sRootPath);

// Whether the picture importer will go on to read the file (its own check
// before decoding: present, a picture, within the decode limit) and
// pageCheck, when given, finds no reason of the page's own against it.
// Otherwise shows the modal "Load Error" message with the file and the
// reason, and returns false.
bool confirmReadableImage(QWidget* pParent, const QString& sFile,
                          const std::function<QString(const QString& sFile)>& pageCheck = {});

} // namespace ImagePage
