#include "ui/ButtonRow.h"

#include "ui/ActionFactory.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>

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
    case TButtonRole::Cancel: {
        // Esc anywhere in the dialog, as if the button were pressed.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), parentWidget() ? parentWidget() : this);
        escape->setContext(Qt::WidgetWithChildrenShortcut);
        connect(escape, &QShortcut::activated, button, [button] {
            if (button->isEnabled())
                button->click();
        });
        break;
    }
    case TButtonRole::Normal:
        break;
    }
    Layout_->addWidget(button);
    return button;
}
