#include "MeshEditButtons.h"

#include "SimpleException.h"

#include <QPushButton>

namespace
{
const char* const STEP_NAMES[] = {"MinusMinus", "Minus", "Plus", "PlusPlus"};
}

std::vector<MeshEditButton> MeshEditButtons::find(const QWidget* pForm, const QString& sMotion)
{
    const QStringList slAxes =
        sMotion == QLatin1String("Scale") ? QStringList({QString()}) : QStringList({"X", "Y", "Z"});
    std::vector<MeshEditButton> vButtons;
    for (int nAxis = 0; nAxis < slAxes.size(); ++nAxis)
    {
        for (int nStep = 0; nStep < 4; ++nStep)
        {
            const QString sName = QStringLiteral("m_pPushButton%1%2%3").arg(sMotion, slAxes[nAxis], STEP_NAMES[nStep]);
            auto* pButton = pForm->findChild<QPushButton*>(sName);
            MOLDENA_ASSERT(pButton);
            vButtons.push_back({pButton, nAxis, nStep});
        }
    }
    return vButtons;
}

const MeshEditButton* MeshEditButtons::lookUp(const std::vector<MeshEditButton>& vButtons, const QObject* pSender)
{
    for (const MeshEditButton& button : vButtons)
    {
        if (button.pButton == pSender)
        {
            return &button;
        }
    }
    return nullptr;
}

double MeshEditButtons::scaleFactor(int nStep)
{
    const double factors[] = {0.75, 0.95, 1.0 / 0.95, 4.0 / 3.0};
    return factors[nStep];
}

double MeshEditButtons::rotationAngle(int nStep)
{
    const double angles[] = {-45.0, -5.0, 5.0, 45.0};
    return angles[nStep];
}

double MeshEditButtons::translation(int nStep, double dSmall, double dLarge)
{
    const double moves[] = {-dLarge, -dSmall, dSmall, dLarge};
    return moves[nStep];
}
