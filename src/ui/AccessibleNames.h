#pragma once

class QWidget;

// Gives every control of a window that has no accessible name one, from
// what a sighted user reads beside it: its buddy label, the label on its
// row, the title of its group box, its tool tip or its action. Names set
// by hand are kept. Run over a window once it is built; running it again
// names only what has been added since.
class TAccessibleNames
{
public:
    static void Apply(QWidget& root);
};
