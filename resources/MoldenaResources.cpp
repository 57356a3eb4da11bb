#include "MoldenaResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the bundle's registration function where it is
// expanded, so this function must stay at global namespace scope.
void initPlaceholderResources()
{
    Q_INIT_RESOURCE(placeholder);
}

void initMoldenaResources()
{
    initPlaceholderResources();
    Q_INIT_RESOURCE(main);
    Q_INIT_RESOURCE(icons);
}

QStringList fontResources()
{
    return {":/fonts/texgyreadventor-regular.otf", ":/fonts/texgyreadventor-bold.otf",
            ":/fonts/texgyreadventor-bolditalic.otf", ":/fonts/texgyreadventor-italic.otf"};
}
