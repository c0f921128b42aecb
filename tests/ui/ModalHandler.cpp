#include "ModalHandler.h"

#include <QApplication>
#include <QWidget>

TModalHandler::TModalHandler(TAct act)
    : Act_(std::move(act))
{
    connect(&Timer_, &QTimer::timeout, this, &TModalHandler::Poll);
    Timer_.start(5);
}

void TModalHandler::Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    Timer_.stop();
    Acted_ = true;
    Act_(*modal);
}
