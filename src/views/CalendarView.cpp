#include "views/CalendarView.h"

// Defined here so that the interface's vtable and meta-object have one home.
TCalendarView::~TCalendarView() = default;
