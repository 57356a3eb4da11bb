#include "WizardPageFactoryBase.h"

#include "ChapterWidget.h"
#include "HelpWidget.h"
#include "MainWidget.h"
#include "SimpleException.h"
#include "WizardPage.h"

WizardPage* WizardPageFactoryBase::createWizardPage(StateImplementationBase* pStateImplementationBase,
                                                    const QString& sFullStateName,
                                                    const QStringList& slChapterTitles)
{
    MOLDENA_ASSERT(pStateImplementationBase);
    MOLDENA_ASSERT(!sFullStateName.isEmpty());
    MainWidget* pMainWidget = createMainWidget(pStateImplementationBase);
    MOLDENA_ASSERT(pMainWidget);
    pMainWidget->setObjectName(sFullStateName);
    return new WizardPage(pMainWidget, new HelpWidget(), new ChapterWidget(slChapterTitles));
}
