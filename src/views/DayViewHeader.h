#pragma once

#include "views/Panel.h"

#include <QString>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The date strip at the top of a day view: one line of text, kept two
// spaces away from the edge it is aligned to. Draws in its parent's font.
class TDayViewHeader : public TPanel
{
    Q_OBJECT

public:
    static constexpr int DefaultHeight = 16;

    explicit TDayViewHeader(QWidget* parent = nullptr);

    TAlignment Alignment() const { return Alignment_; }
    // The date text keeps its two spaces on the side of the new alignment.
    void SetAlignment(TAlignment alignment);

    void SetDateText(const QString& text);
    QString GetDateText() const;
    // The text as shown, spaces included.
    QString Caption() const { return Caption_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TAlignment Alignment_ = taLeftJustify;
    QString Caption_;
};
