#include "app/OrbekoApplication.h"

#include "ui/MessageBox.h"

#include <exception>

TOrbekoApplication::TOrbekoApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Orbeko"));
    setOrganizationName(QStringLiteral("Tresk"));
    // No display name: the window system would append it to every caption
    // ("Orbeko Login — Orbeko"), and the captions are the program's own.
}

bool TOrbekoApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        // A failure while painting would repaint under the message box and
        // fail again; one message at a time is enough.
        if (!ShowingError_) {
            ShowingError_ = true;
            ShowError(error.what());
            ShowingError_ = false;
        }
    }
    return false;
}

void TOrbekoApplication::ShowError(const char* message)
{
    TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QString::fromUtf8(message));
}
