#include "prefs/OrbekoCfg.h"

#include "storage/RegistryKey.h"
#include "views/CalendarView.h"

#include <memory>

namespace {

struct TColorValue
{
    const char* Name;
    TColorRef TOrbekoCfg::*Field;
};

struct TFlagValue
{
    const char* Name;
    bool TOrbekoCfg::*Field;
};

// In the order they are read and written; the colours come first.
constexpr TColorValue ColorValues[] = {
    {"TimeColor", &TOrbekoCfg::TimeColor},
    {"PrivateColor", &TOrbekoCfg::PrivateColor},
    {"CategoryColor", &TOrbekoCfg::CategoryColor},
    {"AssigneeColor", &TOrbekoCfg::AssigneeColor},
    {"DescriptionColor", &TOrbekoCfg::DescriptionColor},
};

constexpr TFlagValue FlagValues[] = {
    {"PrivateItalic", &TOrbekoCfg::PrivateItalic},
    {"CategoryItalic", &TOrbekoCfg::CategoryItalic},
    {"AssigneeItalic", &TOrbekoCfg::AssigneeItalic},
    {"ExpandLines", &TOrbekoCfg::ExpandLines},
    {"ShowCategories", &TOrbekoCfg::ShowCategories},
    {"ShowAlarmGlyphs", &TOrbekoCfg::ShowAlarmGlyphs},
    {"ShowPrivateGlyphs", &TOrbekoCfg::ShowPrivateGlyphs},
    {"DesktopNotifications", &TOrbekoCfg::DesktopNotifications},
};

QString GroupValueName(int slot)
{
    return QStringLiteral("Group%1").arg(slot);
}

std::unique_ptr<TRegistryKey> OpenKey()
{
    std::unique_ptr<TRegistryKey> key = TRegistryKey::Open(true);
    if (!key)
        throw EOrbekoCfg("Unable to create Orbeko registry key");
    return key;
}

[[noreturn]] void WriteFailed(const QString& name)
{
    throw EOrbekoCfg(QStringLiteral("Failed to set data for '%1'").arg(name).toStdString());
}

}  // namespace

void TOrbekoCfg::SetDefaults()
{
    TimeColor = 0x000000FF;
    PrivateColor = 0x00800000;
    CategoryColor = 0x00808000;
    AssigneeColor = 0x00008000;
    DescriptionColor = 0x00800000;
    PrivateItalic = false;
    CategoryItalic = false;
    AssigneeItalic = false;
    ExpandLines = true;
    ShowCategories = true;
    ShowAlarmGlyphs = true;
    ShowPrivateGlyphs = true;
    DesktopNotifications = true;
    for (TGroup& group : Groups)
        group.Clear();
}

void TOrbekoCfg::Load()
{
    SetDefaults();
    const std::unique_ptr<TRegistryKey> key = OpenKey();
    for (const TColorValue& value : ColorValues)
        key->ReadInteger(value.Name, this->*value.Field);
    for (const TFlagValue& value : FlagValues) {
        uint32_t stored = 0;
        if (key->ReadInteger(value.Name, stored))
            this->*value.Field = stored != 0;
    }
    // A missing or wrongly typed value leaves its slot as SetDefaults left it: free.
    for (int slot = 0; slot < GroupCount; ++slot) {
        QString text;
        if (key->ReadText(GroupValueName(slot), text))
            Groups[slot].FromText(text);
    }
}

void TOrbekoCfg::Save() const
{
    const std::unique_ptr<TRegistryKey> key = OpenKey();
    for (const TColorValue& value : ColorValues) {
        if (!key->WriteInteger(value.Name, this->*value.Field))
            WriteFailed(value.Name);
    }
    for (const TFlagValue& value : FlagValues) {
        if (!key->WriteInteger(value.Name, this->*value.Field ? 1 : 0))
            WriteFailed(value.Name);
    }
    for (int slot = 0; slot < GroupCount; ++slot) {
        const QString name = GroupValueName(slot);
        if (!key->WriteText(name, Groups[slot].ToText()))
            WriteFailed(name);
    }
}

namespace {

TFont Recoloured(TFont font, TColorRef color)
{
    font.SetColor(ColorFromRef(color));
    return font;
}

TFont Restyled(TFont font, TColorRef color, bool italic)
{
    font.SetColor(ColorFromRef(color));
    font.SetStyle(italic ? fsItalic : 0);
    return font;
}

void Apply(const TOrbekoCfg& cfg, TCalendarView& view)
{
    TDisplayOptions options = view.DisplayOptions();
    options.TimeFont = Recoloured(options.TimeFont, cfg.TimeColor);
    options.PrivateFont = Restyled(options.PrivateFont, cfg.PrivateColor, cfg.PrivateItalic);
    options.CategoryFont = Restyled(options.CategoryFont, cfg.CategoryColor, cfg.CategoryItalic);
    options.AssigneeFont = Restyled(options.AssigneeFont, cfg.AssigneeColor, cfg.AssigneeItalic);
    options.DescriptionFont = Recoloured(options.DescriptionFont, cfg.DescriptionColor);
    options.DisplayMode = cfg.ExpandLines ? dmDouble : dmSingle;
    options.ShowCategories = cfg.ShowCategories;
    options.ShowAlarmGlyphs = cfg.ShowAlarmGlyphs;
    options.ShowPrivateGlyphs = cfg.ShowPrivateGlyphs;
    view.SetDisplayOptions(options);
}

}  // namespace

void TOrbekoCfg::ApplyToViews(std::span<TCalendarView* const> views) const
{
    for (TCalendarView* view : views)
        Apply(*this, *view);
}

void TOrbekoCfg::TakeFromViews(const TCalendarView& master)
{
    const TDisplayOptions options = master.DisplayOptions();
    TimeColor = ColorToRef(options.TimeFont.Color());
    PrivateColor = ColorToRef(options.PrivateFont.Color());
    CategoryColor = ColorToRef(options.CategoryFont.Color());
    AssigneeColor = ColorToRef(options.AssigneeFont.Color());
    DescriptionColor = ColorToRef(options.DescriptionFont.Color());
    PrivateItalic = (options.PrivateFont.Style() & fsItalic) != 0;
    CategoryItalic = (options.CategoryFont.Style() & fsItalic) != 0;
    AssigneeItalic = (options.AssigneeFont.Style() & fsItalic) != 0;
    ExpandLines = options.DisplayMode == dmDouble;
    ShowCategories = options.ShowCategories;
    ShowAlarmGlyphs = options.ShowAlarmGlyphs;
    ShowPrivateGlyphs = options.ShowPrivateGlyphs;
}
