#pragma once

#include <QString>
#include <QStringList>

// One user group of the workstation: a name and the identifiers of its
// members ("%10.10d") in the order they were added. An empty Description
// marks a free slot.
class TGroup
{
public:
    QString Description;
    QStringList Members;

    void Clear();
    // No test for duplicates.
    void AddMember(const QString& id);
    // Letter case is not significant.
    bool HasMember(const QString& id) const;

    // Stored form: Description, a comma, then the members as comma-separated
    // text ("Sales,0000000002,0000000005"; a free slot is ",").
    QString ToText() const;
    // Reads the stored form; an empty text clears the group. A NUL ends the
    // text and a quote left open runs to its end.
    void FromText(const QString& text);
};
