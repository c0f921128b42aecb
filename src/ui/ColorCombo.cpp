#include "ui/ColorCombo.h"

#include "ui/DialogRunner.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

const char* const TColorCombo::CustomText = "Custom";
const char* const TColorCombo::PromptText = "Custom...";

namespace {

struct TNamedColor
{
    const char* Name;
    TColorRef Color;
};

// The sixteen colours of the classic palette, as stored (0x00BBGGRR).
constexpr TNamedColor NamedColors[] = {
    {"Black", 0x00000000},  {"Maroon", 0x00000080}, {"Green", 0x00008000},   {"Olive", 0x00008080},
    {"Navy", 0x00800000},   {"Purple", 0x00800080}, {"Teal", 0x00808000},    {"Gray", 0x00808080},
    {"Silver", 0x00C0C0C0}, {"Red", 0x000000FF},    {"Lime", 0x0000FF00},    {"Yellow", 0x0000FFFF},
    {"Blue", 0x00FF0000},   {"Fuchsia", 0x00FF00FF}, {"Aqua", 0x00FFFF00},   {"White", 0x00FFFFFF},
};

QIcon Swatch(TColorRef color)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(ColorFromRef(color));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

}  // namespace

TColorCombo::TColorCombo(QWidget* parent) : QComboBox(parent)
{
    setIconSize(QSize(16, 12));
    for (const TNamedColor& named : NamedColors)
        AddSwatch(count(), QString::fromLatin1(named.Name), named.Color);
    addItem(QString::fromLatin1(PromptText));
    Dialog_ = new QColorDialog(this);
    Dialog_->setOption(QColorDialog::DontUseNativeDialog);
    SetColor(Color_);
    connect(this, &QComboBox::activated, this, &TColorCombo::Chosen);
}

void TColorCombo::AddSwatch(int row, const QString& text, TColorRef color)
{
    insertItem(row, Swatch(color), text, QVariant::fromValue<quint32>(color));
}

int TColorCombo::CustomRow() const
{
    const int row = PromptRow() - 1;
    return itemText(row) == QLatin1String(CustomText) ? row : -1;
}

void TColorCombo::SetColor(TColorRef color)
{
    Color_ = color;
    const int custom = CustomRow();
    if (custom >= 0)
        removeItem(custom);
    for (int row = 0; row < PromptRow(); ++row)
        if (itemData(row).value<quint32>() == color) {
            setCurrentIndex(row);
            return;
        }
    // Not among the names: one custom swatch just above the prompt holds it.
    AddSwatch(PromptRow(), QString::fromLatin1(CustomText), color);
    setCurrentIndex(PromptRow() - 1);
}

void TColorCombo::Chosen(int row)
{
    if (row == PromptRow()) {
        PickCustom();
        return;
    }
    Color_ = itemData(row).value<quint32>();
}

void TColorCombo::PickCustom()
{
    Dialog_->setCurrentColor(ColorFromRef(Color_));
    // Back on the current colour's swatch, whatever the dialog's answer.
    SetColor(Color_);
    if (TDialogRunner::Run(*Dialog_) != QDialog::Accepted)
        return;
    SetColor(ColorToRef(Dialog_->selectedColor()));
}
