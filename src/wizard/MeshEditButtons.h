#pragma once

#include "SimpleException.h"

#include <QObject>
#include <QPushButton>
#include <QString>

#include <vector>

class QWidget;

// The edit buttons of the mesh pages come in rows of four steps, in the
// column order MinusMinus, Minus, Plus, PlusPlus: rotate and move buttons per
// axis ("m_pPushButtonRotateXMinusMinus", ..., "m_pPushButtonTranslateZPlusPlus"),
// scale buttons alone ("m_pPushButtonScaleMinusMinus", ...).
struct MeshEditButton
{
    QPushButton* pButton;
    int nAxis; // 0 = x, 1 = y, 2 = z; 0 for the scale buttons
    int nStep; // column: 0 MinusMinus, 1 Minus, 2 Plus, 3 PlusPlus
};

namespace MeshEditButtons
{
// The form's buttons of one motion ("Rotate", "Translate") axis by axis, or
// of "Scale" (no axis), in the order above. Throws "pButton" for a missing one.
std::vector<MeshEditButton> find(const QWidget* pForm, const QString& sMotion);
// The entry of the button, or null.
const MeshEditButton* lookUp(const std::vector<MeshEditButton>& vButtons, const QObject* pSender);

// Scale factors of the four steps: 0.75, 0.95, 1 / 0.95, 4 / 3; each step and
// its opposite restore the size.
double scaleFactor(int nStep);
// Turns of the four steps in degrees: -45, -5, 5, 45.
double rotationAngle(int nStep);
// Moves of the four steps: minus and plus the large step for the outer
// columns, the small step for the inner ones.
double translation(int nStep, double dSmall, double dLarge);

// Connects the button's clicks to the slot szSlot names; a failed connection
// throws with the text of the connection, as the form names the button.
template <typename Receiver, typename Slot>
void connectClicked(QPushButton* pButton, Receiver* pReceiver, Slot slot, const char* szSlot)
{
    if (!QObject::connect(pButton, &QPushButton::clicked, pReceiver, slot))
    {
        throwAssertionFailure(QStringLiteral("QObject::connect(m_pUi->%1, SIGNAL(clicked()), this, SLOT(%2()))")
                                  .arg(pButton->objectName(), QLatin1String(szSlot)));
    }
}
} // namespace MeshEditButtons
