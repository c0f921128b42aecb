#include "ViewFixture.h"

#include "storage/Stamp.h"
#include "views/DayViewList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <cstring>

TDayEntryRec MakeEntry(const QDateTime& when, const std::string& description, int32_t flags,
                       const std::vector<std::string>& assignees, const std::string& categoryId,
                       const std::string& ownerId)
{
    TDayEntryRec entry;
    std::memset(&entry, 0, sizeof entry);
    entry.Flags = flags;
    entry.Marker = 1;
    SetField(entry.EntryStamp, StampTextOf(when));
    SetField(entry.OwnerId, ownerId);
    SetField(entry.CategoryId, categoryId);
    SetField(entry.Description, description);
    for (int slot = 0; slot < kMaxAssignees; ++slot) {
        const std::size_t index = static_cast<std::size_t>(slot);
        SetField(entry.AssigneeIds[slot], index < assignees.size() ? assignees[index] : "0000000000");
    }
    return entry;
}

std::string StampTextOf(const QDateTime& when)
{
    TStamp stamp;
    stamp.SetDateTime(when);
    return stamp.StampText();
}

void TDiaryData::Add(const std::string& id, const TDayEntryRec& entry, const TEventDetails& details)
{
    TStamp stamp;
    stamp.SetSeconds(IdValue(FieldText(entry.EntryStamp)));
    const int64_t end = details.EndStamp.empty() ? 0 : IdValue(details.EndStamp);
    do {
        Days[stamp.MidnightText()].emplace_back(id, entry);
        stamp.TruncToDay();
        stamp.Increment(suDay, 1);
    } while (stamp.Seconds() < end);
    if (!details.Empty())
        Details[id] = details;
}

void TDiaryData::Connect(TDayViewList& list)
{
    list.UserNameCallback = [this](const std::string& Pk, std::string& Name) { UserName(Pk, Name); };
    list.CategoryCallback = [this](const std::string& Pk, std::string& Description) { Category(Pk, Description); };
    list.AlarmedFlagCallback = [this](const std::string& Pk, bool& Alarmed) { AlarmedFlag(Pk, Alarmed); };
}

void TDiaryData::FillDay(const std::string& midnight, TDayEntries& entries)
{
    ++DayRequests;
    const auto day = Days.find(midnight);
    if (day == Days.end())
        return;
    for (const auto& [id, entry] : day->second) {
        const auto details = Details.find(id);
        entries.AddEntry(entry, id, details == Details.end() ? TEventDetails{} : details->second);
    }
}

void TDiaryData::UserName(const std::string& id, std::string& name)
{
    ++NameRequests;
    name = Users.at(id);
}

void TDiaryData::Category(const std::string& id, std::string& description)
{
    ++CategoryRequests;
    description = Categories.at(id);
}

void TDiaryData::AlarmedFlag(const std::string& id, bool& alarmed)
{
    ++AlarmRequests;
    alarmed = Alarmed.count(id) != 0;
}

QImage Snapshot(QWidget& widget)
{
    widget.ensurePolished();
    QCoreApplication::sendPostedEvents();
    for (auto* list : widget.findChildren<QAbstractItemView*>())
        list->doItemsLayout();
    if (auto* list = qobject_cast<QAbstractItemView*>(&widget))
        list->doItemsLayout();
    QImage shot(widget.size(), QImage::Format_ARGB32);
    shot.fill(Qt::magenta);
    widget.render(&shot);
    return shot;
}

bool TextAt(const QImage& shot, QPoint at, const TFont& font, const QString& text, const QColor& background)
{
    const QFontMetrics metrics(font.QtFont());
    QImage expected(metrics.horizontalAdvance(text), metrics.height(), QImage::Format_ARGB32);
    expected.fill(background);
    {
        QPainter painter(&expected);
        painter.setFont(font.QtFont());
        painter.setPen(font.Color());
        painter.drawText(0, metrics.ascent(), text);
    }
    if (!shot.rect().contains(QRect(at, expected.size())))
        return false;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (shot.pixel(at.x() + x, at.y() + y) != expected.pixel(x, y))
                return false;
    return true;
}

bool GlyphAt(const QImage& shot, QPoint at, const QImage& glyph, const QColor& background)
{
    if (!shot.rect().contains(QRect(at, glyph.size())))
        return false;
    for (int y = 0; y < glyph.height(); ++y) {
        for (int x = 0; x < glyph.width(); ++x) {
            const QColor pixel = glyph.pixelColor(x, y);
            const QColor wanted = pixel.alpha() == 0 ? background : pixel;
            if (shot.pixelColor(at.x() + x, at.y() + y) != wanted)
                return false;
        }
    }
    return true;
}

bool Blank(const QImage& shot, const QRect& area, const QColor& background)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (shot.pixelColor(x, y) != background)
                return false;
    return true;
}
