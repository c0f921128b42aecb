#include "SoakJournal.h"

#include <chrono>
#include <sstream>

namespace {

std::string OrDash(const std::string& text)
{
    return text.empty() ? "-" : text;
}

std::string Undash(const std::string& text)
{
    return text == "-" ? std::string() : text;
}

std::string Join(const std::vector<std::string>& items)
{
    std::string joined;
    for (const std::string& item : items)
        joined += (joined.empty() ? "" : ",") + item;
    return joined;
}

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty())
            items.push_back(item);
    return items;
}

}  // namespace

bool TSoakOp::Refused() const
{
    return Result == "entrylocked" || Result == "alarmlocked" || Result == "locked" || Result == "gone" ||
           Result == "vanished";
}

std::string TSoakOp::BeginLine() const
{
    std::ostringstream out;
    out << "B " << Worker << ' ' << Seq << ' ' << Start << ' ' << Kind << ' ' << OrDash(EntryId) << ' '
        << OrDash(AlarmId) << ' ' << OrDash(UserId) << ' ' << OrDash(Tag) << ' ' << OrDash(Stamp) << ' '
        << (Alarm ? 1 : 0) << ' ' << OrDash(Join(Assignees));
    return out.str();
}

std::string TSoakOp::EndLine() const
{
    std::ostringstream out;
    out << "E " << Worker << ' ' << Seq << ' ' << End << ' ' << Result << ' ' << OrDash(EntryId);
    return out.str();
}

bool ReadSoakLine(const std::string& line, TSoakJournal& journal)
{
    std::istringstream in(line);
    std::string type;
    TSoakOp read;
    in >> type >> read.Worker >> read.Seq;
    if (type == "B") {
        std::string entry, alarm, user, tag, stamp, assignees;
        int flag = 0;
        in >> read.Start >> read.Kind >> entry >> alarm >> user >> tag >> stamp >> flag >> assignees;
        if (!in)
            return false;
        read.EntryId = Undash(entry);
        read.AlarmId = Undash(alarm);
        read.UserId = Undash(user);
        read.Tag = Undash(tag);
        read.Stamp = Undash(stamp);
        read.Alarm = flag != 0;
        read.Assignees = Split(Undash(assignees));
        journal[{read.Worker, read.Seq}] = read;
        return true;
    }
    if (type == "E") {
        int64_t end = 0;
        std::string result, entry;
        in >> end >> result >> entry;
        auto found = journal.find({read.Worker, read.Seq});
        if (!in || found == journal.end())
            return false;
        found->second.End = end;
        found->second.Result = result;
        if (!Undash(entry).empty())
            found->second.EntryId = Undash(entry);
        return true;
    }
    return false;
}

int64_t SoakClock()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
