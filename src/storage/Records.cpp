#include "storage/Records.h"

#include <algorithm>
#include <cstring>

void SetField(char* field, std::size_t width, const std::string& text)
{
    if (width == 0)
        return;
    const std::size_t n = std::min(text.size(), width - 1);
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, width - n);
}

std::string FieldText(const char* field, std::size_t width)
{
    const void* nul = std::memchr(field, 0, width);
    const std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width;
    return std::string(field, n);
}

namespace {

void RebuildUserAlarmKey(TAlarmRec& alarm)
{
    SetField(alarm.UserAlarmKey, FieldText(alarm.UserId) + FieldText(alarm.AlarmStamp));
}

}  // namespace

void SetAlarmUser(TAlarmRec& alarm, const std::string& userId)
{
    SetField(alarm.UserId, userId);
    RebuildUserAlarmKey(alarm);
}

void SetAlarmStamp(TAlarmRec& alarm, const std::string& stamp)
{
    SetField(alarm.AlarmStamp, stamp);
    RebuildUserAlarmKey(alarm);
}
