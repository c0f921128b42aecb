#pragma once

#include <QWidget>

#include <functional>

class QAction;
class QHBoxLayout;
class QPushButton;

// What a button of the row does beyond its own click.
enum class TButtonRole {
    Normal,
    Default,  // Enter presses it
    Cancel,   // Esc presses it, once no control of the dialog has used it
};

// The push buttons at the foot of a dialog, right-aligned, with exactly the
// captions given ("&Ok", "&Cancel", "&Add", "&Close", ...): never the
// platform's standard buttons, whose captions change with the desktop's
// language.
//
//     auto* buttons = new TButtonRow(this);
//     btnOk = buttons->Add("btnOk", actOk, TButtonRole::Default);
//     btnCancel = buttons->Add("btnCancel", "&Cancel", [this] { reject(); }, TButtonRole::Cancel);
//     layout->addWidget(buttons);
class TButtonRow : public QWidget
{
    Q_OBJECT
public:
    explicit TButtonRow(QWidget* parent);

    // A button that triggers the action and follows its caption, hint and
    // enabling.
    QPushButton* Add(const char* name, QAction* action, TButtonRole role = TButtonRole::Normal);
    // A button with its own caption; its handler runs guarded (see
    // TActionFactory): what it raises is shown.
    QPushButton* Add(const char* name, const char* caption, std::function<void()> handler,
                     TButtonRole role = TButtonRole::Normal);

protected:
    // Esc that has reached the dialog: an open drop-down, a list's editor
    // or the like has not taken it for itself.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* Place(const char* name, const QString& caption, TButtonRole role);

    QHBoxLayout* Layout_;
    QPushButton* Cancel_ = nullptr;
};
