#include "prefs/OrbekoCfg.h"

#include "storage/RegistryKey.h"
#include "views/DayView.h"
#include "views/WeekView.h"

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

// The day view and the week view take their options by the same names.
template <class TView> void Apply(const TOrbekoCfg& cfg, TView& view)
{
    view.SetTimeFont(Recoloured(view.TimeFont(), cfg.TimeColor));
    view.SetPrivateFont(Restyled(view.PrivateFont(), cfg.PrivateColor, cfg.PrivateItalic));
    view.SetCategoryFont(Restyled(view.CategoryFont(), cfg.CategoryColor, cfg.CategoryItalic));
    view.SetAssigneeFont(Restyled(view.AssigneeFont(), cfg.AssigneeColor, cfg.AssigneeItalic));
    view.SetDescriptionFont(Recoloured(view.DescriptionFont(), cfg.DescriptionColor));
    view.SetDisplayMode(cfg.ExpandLines ? dmDouble : dmSingle);
    view.SetShowCategories(cfg.ShowCategories);
    view.SetShowAlarmGlyphs(cfg.ShowAlarmGlyphs);
    view.SetShowPrivateGlyphs(cfg.ShowPrivateGlyphs);
}

}  // namespace

void TOrbekoCfg::ApplyToViews(TWeekView& week, TDayView& day) const
{
    Apply(*this, week);
    Apply(*this, day);
}

void TOrbekoCfg::TakeFromViews(const TWeekView& week)
{
    TimeColor = ColorToRef(week.TimeFont().Color());
    PrivateColor = ColorToRef(week.PrivateFont().Color());
    CategoryColor = ColorToRef(week.CategoryFont().Color());
    AssigneeColor = ColorToRef(week.AssigneeFont().Color());
    DescriptionColor = ColorToRef(week.DescriptionFont().Color());
    PrivateItalic = (week.PrivateFont().Style() & fsItalic) != 0;
    CategoryItalic = (week.CategoryFont().Style() & fsItalic) != 0;
    AssigneeItalic = (week.AssigneeFont().Style() & fsItalic) != 0;
    ExpandLines = week.DisplayMode() == dmDouble;
    ShowCategories = week.ShowCategories();
    ShowAlarmGlyphs = week.ShowAlarmGlyphs();
    ShowPrivateGlyphs = week.ShowPrivateGlyphs();
}
