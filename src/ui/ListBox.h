#pragma once

#include <QListWidget>

#include <cstdint>

// A list box whose entries carry a number beside their text (a record
// identifier or a slot index), optionally kept in alphabetical order.
class TListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    // A sorted list keeps its entries in order of their text, letter case
    // aside; entries with equal texts keep the order they came in.
    bool Sorted() const { return Sorted_; }
    void SetSorted(bool sorted);

    // Adds an entry and returns the row it went to.
    int AddItem(const QString& text, int64_t data);
    // Gives an entry a new text; a sorted list moves it to its new place.
    // Returns the entry's row after the move; a selected entry stays selected.
    int SetItemText(int row, const QString& text);
    int64_t Data(int row) const;
    // The first row whose entry carries data, or -1.
    int IndexOfData(int64_t data) const;
    // The selected row, or -1.
    int ItemIndex() const;

protected:
    // Lets a derived list prepare each new entry before it is placed.
    virtual void InitItem(QListWidgetItem& item);

private:
    int RowFor(const QString& text) const;
    int Place(QListWidgetItem* item);

    bool Sorted_ = false;
};
