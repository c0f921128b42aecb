#include "app/HelpWindow.h"

#include <QKeyEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

// The pages are compiled into a static library, whose resources are not
// registered unless someone asks for them by name.
static void RegisterHelpPages()
{
    Q_INIT_RESOURCE(help);
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    RegisterHelpPages();
    setWindowTitle(QStringLiteral("Orbeko Help"));
    Browser_ = new QTextBrowser(this);
    Browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Browser_);
    resize(560, 480);
    connect(Browser_, &QTextBrowser::sourceChanged, this, [this] { setWindowTitle(Browser_->documentTitle()); });
}

void THelpWindow::ShowTopic(const QString& page)
{
    Browser_->setSource(QUrl(QStringLiteral("qrc:/help/") + page));
    show();
    raise();
    activateWindow();
}

QString THelpWindow::CurrentPage() const
{
    return Browser_->source().fileName();
}

void THelpWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
