#pragma once

#include <QString>
#include <QWidget>

class QKeyEvent;
class QTextBrowser;

// The program's help, built into it: a browser over the pages of docs/help.
class THelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows the window at a page ("index.html" is the Contents) and raises it.
    void ShowTopic(const QString& page);
    QString CurrentPage() const;

    static constexpr const char* Contents = "index.html";

protected:
    // Esc closes the window, as it closes the dialogs.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextBrowser* Browser_;
};
