#include "prefs/Group.h"

namespace {

const QChar Quote = u'"';
const QChar Comma = u',';

// Characters that separate items when they stand outside quotes.
bool IsBlank(QChar c)
{
    return c.unicode() <= 32;
}

bool NeedsQuotes(const QString& item)
{
    for (const QChar c : item) {
        if (IsBlank(c) || c == Quote || c == Comma)
            return true;
    }
    return false;
}

QString Quoted(const QString& item)
{
    QString doubled = item;
    doubled.replace(Quote, QStringLiteral("\"\""));
    return Quote + doubled + Quote;
}

QString Item(const QString& item)
{
    return NeedsQuotes(item) ? Quoted(item) : item;
}

// Walks a stored text item by item. A NUL ends the text, as it ended the
// stored string it came from; without that a NUL would be read as an empty
// item over and over.
class TItemReader
{
public:
    explicit TItemReader(const QString& text)
        : Text_(text), End_(EndOf(text))
    {
        SkipBlanks();
    }

    bool AtEnd() const { return Pos_ >= End_; }

    QString Next()
    {
        QString item = Text_[Pos_] == Quote ? TakeQuoted() : TakePlain();
        SkipBlanks();
        if (!AtEnd() && Text_[Pos_] == Comma) {
            ++Pos_;
            SkipBlanks();
        }
        return item;
    }

private:
    static qsizetype EndOf(const QString& text)
    {
        const qsizetype nul = text.indexOf(QChar(0));
        return nul < 0 ? text.size() : nul;
    }

    void SkipBlanks()
    {
        while (!AtEnd() && IsBlank(Text_[Pos_]))
            ++Pos_;
    }

    // A doubled quote stands for one; an item whose closing quote is missing
    // runs to the end of the text.
    QString TakeQuoted()
    {
        QString item;
        ++Pos_;
        while (!AtEnd()) {
            const QChar c = Text_[Pos_++];
            if (c != Quote) {
                item += c;
            } else if (!AtEnd() && Text_[Pos_] == Quote) {
                item += Quote;
                ++Pos_;
            } else {
                break;
            }
        }
        return item;
    }

    QString TakePlain()
    {
        const qsizetype start = Pos_;
        while (!AtEnd() && Text_[Pos_] != Comma && !IsBlank(Text_[Pos_]))
            ++Pos_;
        return Text_.mid(start, Pos_ - start);
    }

    const QString& Text_;
    const qsizetype End_;
    qsizetype Pos_ = 0;
};

}  // namespace

void TGroup::Clear()
{
    Description.clear();
    Members.clear();
}

void TGroup::AddMember(const QString& id)
{
    Members.append(id);
}

bool TGroup::HasMember(const QString& id) const
{
    return Members.contains(id, Qt::CaseInsensitive);
}

// The name is quoted only when it would not read back as one item (the
// group dialog lets letters and digits alone be typed, which are never
// quoted), so stored names keep their form and any other name survives a
// round trip. An empty last member is written as "" because a trailing comma
// reads back as nothing; for a list of one empty member that is the usual
// comma-separated form.
QString TGroup::ToText() const
{
    QStringList items;
    items.reserve(Members.size());
    for (const QString& member : Members)
        items.append(Item(member));
    if (!Members.isEmpty() && Members.back().isEmpty())
        items.back() = QString(2, Quote);
    return Item(Description) + Comma + items.join(Comma);
}

void TGroup::FromText(const QString& text)
{
    QStringList items;
    for (TItemReader reader(text); !reader.AtEnd();)
        items.append(reader.Next());
    Description = items.isEmpty() ? QString() : items.takeFirst();
    Members = items;
}
