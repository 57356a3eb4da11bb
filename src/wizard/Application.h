#pragma once

#include <QApplication>

#include <functional>

// The application object. No exception may leave a slot or an event handler
// (Qt would end the program): notify() catches whatever escapes, logs it as an
// error and tells the user in a short message, and the program goes on.
class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* pReceiver, QEvent* pEvent) override;

    // Runs deliver; an exception it throws is logged as an ERROR and shown in
    // a short message, and false is returned. What notify does with an event.
    static bool deliverGuarded(const std::function<bool()>& deliver);

    // Product name, version and year of this build.
    static const QString PRODUCT_NAME;
    static const QString VERSION;
    static const QString YEAR;
};
