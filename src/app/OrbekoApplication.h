#pragma once

#include <QApplication>

// The application object: an exception that escapes an event handler is
// shown as an error message, and the window it came from stays as it was.
class TOrbekoApplication : public QApplication
{
    Q_OBJECT
public:
    TOrbekoApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of an exception that reached the event loop.
    static void ShowError(const char* message);

private:
    bool ShowingError_ = false;
};
