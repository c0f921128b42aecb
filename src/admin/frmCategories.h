#pragma once

#include <QDialog>

#include <string>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TColorCombo;
class TListBox;
class TOrbekoDB;

// "Categories": adds, renames, colours and deletes the shared categories.
// Every change is written at once; there is nothing to cancel. A category
// without a colour of its own is drawn in the workstation's category colour.
class TfrmCategories : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmCategories(QWidget* parent = nullptr);

    // Lists the categories of database and shows the dialog modally.
    int Execute(TOrbekoDB& database);

    QLabel* Label1;
    TListBox* lstCategories;
    QLabel* Label2;
    QLineEdit* edtCategory;
    QCheckBox* chkColour;
    TColorCombo* cmbColour;
    QAction* actAdd;
    QAction* actDelete;
    QAction* actUpdate;
    QAction* actClose;
    QPushButton* btnAdd;
    QPushButton* btnDelete;
    QPushButton* btnUpdate;
    QPushButton* btnClose;

    void ListCategories();
    // Copies the chosen entry's text and colour into the controls.
    void lstCategoriesClick();
    void chkColourClick();
    void actAddUpdate();
    void CheckCategorySelected();
    void actAddExecute();
    void actUpdateExecute();
    void actDeleteExecute();
    // Reopens the users and categories files, so that the rest of the
    // program reads what was changed, and closes the dialog.
    void actCloseExecute();

    // Every way out of the dialog closes it as Close does.
    void reject() override;

private:
    QPushButton* MakeButton(const char* name, QAction* action);
    std::string SelectedId() const;
    // The category's own colour as the controls give it.
    void StoreColour(const std::string& id);

    TOrbekoDB* Db_ = nullptr;
};
