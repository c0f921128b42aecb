#pragma once

// Shows the hourglass cursor for its lifetime; guards nest.
class TWaitCursor
{
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};
