#include "ui/ButtonRow.h"

#include "ui/ActionFactory.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>

TButtonRow::TButtonRow(QWidget* parent) : QWidget(parent), Layout_(new QHBoxLayout(this))
{
    Layout_->setContentsMargins(0, 0, 0, 0);
    Layout_->addStretch();
}

QPushButton* TButtonRow::Add(const char* name, QAction* action, TButtonRole role)
{
    QPushButton* button = Place(name, action->text(), role);
    const auto follow = [button, action] {
        button->setText(action->text());
        button->setToolTip(action->toolTip());
        button->setEnabled(action->isEnabled());
    };
    follow();
    connect(action, &QAction::changed, button, follow);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

QPushButton* TButtonRow::Add(const char* name, const char* caption, std::function<void()> handler, TButtonRole role)
{
    QPushButton* button = Place(name, QString::fromUtf8(caption), role);
    connect(button, &QPushButton::clicked, button, TActionFactory::Guard(std::move(handler)));
    return button;
}

QPushButton* TButtonRow::Place(const char* name, const QString& caption, TButtonRole role)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromUtf8(name));
    switch (role) {
    case TButtonRole::Default:
        button->setDefault(true);
        break;
    case TButtonRole::Cancel:
        // Not a shortcut: a shortcut fires before an open pop-up of the
        // dialog sees the key, so Esc would cancel the dialog behind a
        // calendar or a list instead of closing it. The key comes here as
        // it comes to QDialog, after the control with the focus has
        // passed it on.
        Cancel_ = button;
        (parentWidget() ? parentWidget() : this)->installEventFilter(this);
        break;
    case TButtonRole::Normal:
        break;
    }
    Layout_->addWidget(button);
    return button;
}

bool TButtonRow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !Cancel_)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier)
        return QWidget::eventFilter(watched, event);
    if (Cancel_->isEnabled())
        Cancel_->click();
    return true;
}
