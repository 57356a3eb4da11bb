#include "Application.h"

#include "Logger.h"

#include <QMessageBox>
#include <QPointer>

#include <exception>

const QString Application::PRODUCT_NAME = QStringLiteral("Moldena");
const QString Application::VERSION = QStringLiteral("1.1.0.16103");
const QString Application::YEAR = QStringLiteral("2013");

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject* pReceiver, QEvent* pEvent)
{
    return deliverGuarded([&] { return QApplication::notify(pReceiver, pEvent); });
}

bool Application::deliverGuarded(const std::function<bool()>& deliver)
{
    QString sReason;
    try
    {
        return deliver();
    }
    catch (const std::exception& e)
    {
        sReason = QString::fromLocal8Bit(e.what());
    }
    catch (...)
    {
        sReason = tr("an unknown error");
    }
    LOG_ERROR(QStringLiteral("Unhandled failure while handling an event: %1").arg(sReason));
    // Only one message at a time: a failure inside the message's own loop is
    // logged, not shown again.
    static bool s_bShowing = false;
    if (!s_bShowing)
    {
        s_bShowing = true;
        QMessageBox::critical(nullptr, PRODUCT_NAME,
                              tr("Something went wrong: %1\nYour work so far is kept; please try the last step "
                                 "again.")
                                  .arg(sReason));
        s_bShowing = false;
    }
    return false;
}
