#include "admin/frmCategories.h"

#include "admin/CategoryDeletion.h"
#include "storage/KeyWalk.h"
#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "ui/ActionFactory.h"
#include "ui/ColorCombo.h"
#include "ui/ExecuteScope.h"
#include "ui/DialogRunner.h"
#include "ui/FieldValidator.h"
#include "ui/ListBox.h"
#include "ui/MessageBox.h"
#include "ui/WaitCursor.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <optional>
#include <stdexcept>

namespace {

const char* const kDuplicate = "A category with this description already exists";
const char* const kConfirmDelete = "All events with this category will become un-categorised. Are you sure?";

}  // namespace

TfrmCategories::TfrmCategories(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCategories"));
    setWindowTitle(QStringLiteral("Categories"));

    Label1 = new QLabel(QStringLiteral("C&ategories"), this);
    lstCategories = new TListBox(this);
    lstCategories->setObjectName(QStringLiteral("lstCategories"));
    lstCategories->SetSorted(true);
    Label1->setBuddy(lstCategories);
    Label2 = new QLabel(QStringLiteral("D&escription"), this);
    edtCategory = new QLineEdit(this);
    edtCategory->setObjectName(QStringLiteral("edtCategory"));
    TFieldValidator::Attach(*edtCategory, &TCategoryRec::Description);
    Label2->setBuddy(edtCategory);
    chkColour = new QCheckBox(QStringLiteral("Own c&olour"), this);
    chkColour->setObjectName(QStringLiteral("chkColour"));
    chkColour->setToolTip(QStringLiteral("Check to draw the category in a colour of its own"));
    cmbColour = new TColorCombo(this);
    cmbColour->setObjectName(QStringLiteral("cmbColour"));
    cmbColour->setToolTip(QStringLiteral("Select the colour the category is drawn in"));
    cmbColour->setAccessibleName(QStringLiteral("Colour"));
    cmbColour->SetColor(ColorToRef(QColor(0x80, 0x00, 0x00)));

    TActionFactory factory(*this);
    actAdd = factory.Make("actAdd", "&Add", "", {}, this, &TfrmCategories::actAddExecute);
    actDelete = factory.Make("actDelete", "&Delete", "", {}, this, &TfrmCategories::actDeleteExecute);
    actUpdate = factory.Make("actUpdate", "&Update", "", {}, this, &TfrmCategories::actUpdateExecute);
    actClose = factory.Make("actClose", "&Close", "", {}, this, &TfrmCategories::actCloseExecute);
    btnAdd = MakeButton("btnAdd", actAdd);
    btnUpdate = MakeButton("btnUpdate", actUpdate);
    btnDelete = MakeButton("btnDelete", actDelete);
    btnClose = MakeButton("btnClose", actClose);
    btnClose->setDefault(true);

    // The list's current entry follows clicks and the arrow keys alike.
    connect(lstCategories, &QListWidget::currentRowChanged, this,
            TActionFactory::Guard([this] { lstCategoriesClick(); }));
    connect(lstCategories, &QListWidget::itemSelectionChanged, this, &TfrmCategories::CheckCategorySelected);
    connect(edtCategory, &QLineEdit::textChanged, this, &TfrmCategories::actAddUpdate);
    connect(chkColour, &QCheckBox::toggled, this, &TfrmCategories::chkColourClick);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnUpdate);
    buttons->addWidget(btnDelete);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(lstCategories, 1, 0);
    layout->addWidget(Label2, 2, 0);
    layout->addWidget(edtCategory, 3, 0);
    auto* colour = new QHBoxLayout;
    colour->addWidget(chkColour);
    colour->addWidget(cmbColour, 1);
    layout->addLayout(colour, 4, 0);
    layout->addLayout(buttons, 1, 1, 4, 1);
    chkColourClick();
    actAddUpdate();
    CheckCategorySelected();
}

QPushButton* TfrmCategories::MakeButton(const char* name, QAction* action)
{
    auto* button = new QPushButton(action->text(), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
    return button;
}

int TfrmCategories::Execute(TOrbekoDB& database)
{
    TExecuteScope scope;
    scope.Bind(Db_, &database);
    ListCategories();
    lstCategories->setFocus();
    return TDialogRunner::Run(*this);
}

void TfrmCategories::ListCategories()
{
    lstCategories->clear();
    edtCategory->clear();
    TXIsamFile& file = Db_->CategoryFile;
    TCategoryRec category;
    TKeyWalk walk = TKeyWalk::All(file, TOrbekoDB::CategoryIdKey);
    while (walk.Next(category))
        lstCategories->AddItem(FieldString(category.Description), IdValue(walk.Id()));
    if (lstCategories->count() > 0)
        lstCategories->setCurrentRow(0);
}

void TfrmCategories::lstCategoriesClick()
{
    const int row = lstCategories->currentRow();
    if (row < 0)
        return;
    edtCategory->setText(lstCategories->item(row)->text());
    const std::optional<uint32_t> own = Db_ ? Db_->Details.CategoryColour(IdText(lstCategories->Data(row)))
                                            : std::nullopt;
    chkColour->setChecked(own.has_value());
    if (own)
        cmbColour->SetColor(ColorToRef(QColor::fromRgb(*own)));
}

void TfrmCategories::chkColourClick()
{
    cmbColour->setEnabled(chkColour->isChecked());
}

void TfrmCategories::StoreColour(const std::string& id)
{
    std::optional<uint32_t> colour;
    if (chkColour->isChecked())
        colour = ColorFromRef(cmbColour->Color()).rgb() & 0xFFFFFF;
    Db_->Details.SetCategoryColour(id, colour);
}

void TfrmCategories::actAddUpdate()
{
    actAdd->setEnabled(!edtCategory->text().isEmpty());
}

void TfrmCategories::CheckCategorySelected()
{
    const bool selected = lstCategories->ItemIndex() >= 0;
    actDelete->setEnabled(selected);
    actUpdate->setEnabled(selected);
}

std::string TfrmCategories::SelectedId() const
{
    return IdText(lstCategories->Data(lstCategories->ItemIndex()));
}

void TfrmCategories::actAddExecute()
{
    if (!Db_ || edtCategory->text().isEmpty())
        return;
    TXIsamFile& file = Db_->CategoryFile;
    TCategoryRec category{};
    SetFieldString(category.Description, edtCategory->text());
    TCategoryRec existing;
    if (FindRecord(file, existing, TOrbekoDB::CategoryDescriptionKey, FieldText(category.Description))) {
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QString::fromLatin1(kDuplicate));
        return;
    }
    if (!file.Add(category, ""))
        throw std::runtime_error(file.StatusText());
    const std::string id = file.LastKey();
    lstCategories->AddItem(edtCategory->text(), IdValue(id));
    // Also clears a colour that a deleted category of this identifier left.
    StoreColour(id);
}

// Events keep their category by its identifier and show the new text; an
// empty text or one that another category has is taken as it is.
void TfrmCategories::actUpdateExecute()
{
    const int row = lstCategories->ItemIndex();
    if (!Db_ || row < 0)
        return;
    TXIsamFile& file = Db_->CategoryFile;
    const std::string id = SelectedId();
    TCategoryRec category;
    if (!file.GetEqual(category, TOrbekoDB::CategoryIdKey, id))
        throw std::runtime_error(file.StatusText());
    SetFieldString(category.Description, edtCategory->text());
    if (!file.Rewrite(category, id))
        throw std::runtime_error(file.StatusText());
    StoreColour(id);
    lstCategories->SetItemText(row, edtCategory->text());
}

void TfrmCategories::actDeleteExecute()
{
    const int row = lstCategories->ItemIndex();
    if (!Db_ || row < 0)
        return;
    if (TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo, QString::fromLatin1(kConfirmDelete)) !=
        TMessageAnswer::Yes)
        return;
    {
        const TWaitCursor wait;
        TCategoryDeletion(*Db_, SelectedId()).Run();
    }
    // Nothing is chosen afterwards, and the edit keeps the deleted text.
    {
        const QSignalBlocker quiet(lstCategories);
        delete lstCategories->takeItem(row);
        lstCategories->setCurrentRow(-1);
        lstCategories->clearSelection();
    }
    CheckCategorySelected();
}

void TfrmCategories::actCloseExecute()
{
    if (Db_)
        Db_->Reopen();
    done(QDialog::Accepted);
}

void TfrmCategories::reject()
{
    actCloseExecute();
}
