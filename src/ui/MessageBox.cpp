#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon IconOf(TMessageKind kind)
{
    switch (kind) {
    case TMessageKind::Warning:
        return QMessageBox::Warning;
    case TMessageKind::Error:
        return QMessageBox::Critical;
    case TMessageKind::Information:
        return QMessageBox::Information;
    case TMessageKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(TMessageButtons buttons)
{
    switch (buttons) {
    case TMessageButtons::Ok:
        return QMessageBox::Ok;
    case TMessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case TMessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case TMessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case TMessageButtons::ChooseRetryExit:
    case TMessageButtons::OccurrenceChoice:
        return QMessageBox::NoButton;
    }
    return QMessageBox::Ok;
}

class TQtMessageBox : public TMessageBox
{
protected:
    // The first button (Ok or Yes) is the default one; closing the box
    // without a button counts as the safe answer.
    TMessageAnswer Ask(TMessageKind kind, TMessageButtons buttons, const QString& text) override
    {
        QMessageBox box(IconOf(kind), QApplication::applicationName(), DisplayText(text),
                        ButtonsOf(buttons), QApplication::activeWindow());
        if (buttons == TMessageButtons::ChooseRetryExit)
            return AskChoice(box);
        if (buttons == TMessageButtons::OccurrenceChoice)
            return AskOccurrence(box);
        const bool yesNo = buttons == TMessageButtons::YesNo || buttons == TMessageButtons::YesNoCancel;
        box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
        switch (box.exec()) {
        case QMessageBox::Ok:
            return TMessageAnswer::Ok;
        case QMessageBox::Cancel:
            return TMessageAnswer::Cancel;
        case QMessageBox::Yes:
            return TMessageAnswer::Yes;
        case QMessageBox::No:
            return TMessageAnswer::No;
        default:
            return SafeAnswer(buttons);
        }
    }

private:
    static TMessageAnswer AskOccurrence(QMessageBox& box)
    {
        QAbstractButton* one = box.addButton(QStringLiteral("&This occurrence"), QMessageBox::AcceptRole);
        QAbstractButton* following = box.addButton(QStringLiteral("This and &following"), QMessageBox::AcceptRole);
        QAbstractButton* all = box.addButton(QStringLiteral("&All occurrences"), QMessageBox::AcceptRole);
        QAbstractButton* cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(static_cast<QPushButton*>(one));
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == one)
            return TMessageAnswer::ThisOccurrence;
        if (box.clickedButton() == following)
            return TMessageAnswer::Following;
        if (box.clickedButton() == all)
            return TMessageAnswer::AllOccurrences;
        return TMessageAnswer::Cancel;
    }

    static TMessageAnswer AskChoice(QMessageBox& box)
    {
        QAbstractButton* choose = box.addButton(QStringLiteral("&Choose folder..."), QMessageBox::ActionRole);
        QAbstractButton* retry = box.addButton(QStringLiteral("&Try again"), QMessageBox::AcceptRole);
        QAbstractButton* exit = box.addButton(QStringLiteral("E&xit"), QMessageBox::RejectRole);
        box.setDefaultButton(static_cast<QPushButton*>(retry));
        box.setEscapeButton(exit);
        box.exec();
        if (box.clickedButton() == choose)
            return TMessageAnswer::Choose;
        if (box.clickedButton() == retry)
            return TMessageAnswer::Retry;
        return TMessageAnswer::Exit;
    }
};

}  // namespace

void TMessageBox::Inform(const char* text)
{
    Show(TMessageKind::Information, TMessageButtons::Ok, QString::fromLatin1(text));
}

TMessageAnswer TMessageBox::Show(TMessageKind kind, TMessageButtons buttons, const QString& text)
{
    return TSeam<TMessageBox>::Current().Ask(kind, buttons, text);
}

TMessageAnswer TMessageBox::SafeAnswer(TMessageButtons buttons)
{
    if (Offers(buttons, TMessageAnswer::Cancel))
        return TMessageAnswer::Cancel;
    if (Offers(buttons, TMessageAnswer::No))
        return TMessageAnswer::No;
    if (Offers(buttons, TMessageAnswer::Exit))
        return TMessageAnswer::Exit;
    return TMessageAnswer::Ok;
}

bool TMessageBox::Offers(TMessageButtons buttons, TMessageAnswer answer)
{
    switch (answer) {
    case TMessageAnswer::Ok:
        return buttons == TMessageButtons::Ok || buttons == TMessageButtons::OkCancel;
    case TMessageAnswer::Cancel:
        return buttons == TMessageButtons::OkCancel || buttons == TMessageButtons::YesNoCancel
            || buttons == TMessageButtons::OccurrenceChoice;
    case TMessageAnswer::Yes:
    case TMessageAnswer::No:
        return buttons == TMessageButtons::YesNo || buttons == TMessageButtons::YesNoCancel;
    case TMessageAnswer::Choose:
    case TMessageAnswer::Retry:
    case TMessageAnswer::Exit:
        return buttons == TMessageButtons::ChooseRetryExit;
    case TMessageAnswer::ThisOccurrence:
    case TMessageAnswer::Following:
    case TMessageAnswer::AllOccurrences:
        return buttons == TMessageButtons::OccurrenceChoice;
    }
    return false;
}

QString TMessageBox::DisplayText(const QString& text)
{
    QString display = text;
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    display.replace(u'\r', u'\n');
    return display;
}

TMessageBox& TMessageBox::Real()
{
    static TQtMessageBox real;
    return real;
}
