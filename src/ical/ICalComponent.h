#pragma once

#include <libical/ical.h>

#include <memory>
#include <string>

// Owns a libical component tree; freeing the root frees what it holds.
struct TICalComponentFree
{
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using TICalComponent = std::unique_ptr<icalcomponent, TICalComponentFree>;

// The text libical hands back with _r functions, which the caller frees.
inline std::string TakeICalText(char* text)
{
    std::string taken = text ? text : "";
    icalmemory_free_buffer(text);
    return taken;
}
