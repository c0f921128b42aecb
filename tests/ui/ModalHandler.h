#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

// Acts once on the first modal widget that the event loop shows while the
// handler lives, so that a test can answer a real modal run.
class TModalHandler : public QObject
{
public:
    using TAct = std::function<void(QWidget& modal)>;

    explicit TModalHandler(TAct act);

    bool Acted() const { return Acted_; }

private:
    void Poll();

    TAct Act_;
    QTimer Timer_;
    bool Acted_ = false;
};
