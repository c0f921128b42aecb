#pragma once

#include "prefs/Group.h"
#include "ui/ColorRef.h"

#include <array>
#include <span>
#include <stdexcept>

class TCalendarView;

class EOrbekoCfg : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The display options and the ten user groups of this workstation, kept in
// the registry key Software\Tresk\Orbeko.
class TOrbekoCfg
{
public:
    static constexpr int GroupCount = 10;

    TColorRef TimeColor = 0;
    TColorRef PrivateColor = 0;
    TColorRef CategoryColor = 0;
    TColorRef AssigneeColor = 0;
    TColorRef DescriptionColor = 0;
    bool PrivateItalic = false;
    bool CategoryItalic = false;
    bool AssigneeItalic = false;
    bool ExpandLines = false;
    bool ShowCategories = false;
    bool ShowAlarmGlyphs = false;
    bool ShowPrivateGlyphs = false;
    // A due alarm is also announced through the desktop's notifications.
    bool DesktopNotifications = false;
    // Slots are emptied and refilled, never replaced, so a reference to one
    // stays good for the life of the settings.
    std::array<TGroup, GroupCount> Groups;

    // The options are not at their defaults until SetDefaults or Load.
    TOrbekoCfg() = default;
    TOrbekoCfg(const TOrbekoCfg&) = delete;
    TOrbekoCfg& operator=(const TOrbekoCfg&) = delete;

    // Default options, all slots free.
    void SetDefaults();
    // Defaults first, then every value found in the key; a missing or wrongly
    // typed value keeps its default. Creates a missing key. Throws EOrbekoCfg.
    void Load();
    // Writes every option and every slot, free ones too. Throws EOrbekoCfg at
    // the first value that cannot be written; those before it stay written.
    void Save() const;

    // Pushes the display options into the views, in order. The italic flags
    // replace the whole style of their fonts.
    void ApplyToViews(std::span<TCalendarView* const> views) const;
    // Reads the display options back from the view that holds the master
    // copy while the program runs (the week view).
    void TakeFromViews(const TCalendarView& master);
};
