#include "storage/Records.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace {

bool Continuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// How much of text fits in limit bytes without splitting a UTF-8
// character: a cut that lands inside one moves back to where it starts.
std::size_t Utf8Cut(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    std::size_t n = limit;
    while (n > 0 && limit - n < 3 && Continuation(text[n]))
        --n;
    // Not a character's tail after all (no lead byte in reach): a plain cut.
    return Continuation(text[n]) ? limit : n;
}

}  // namespace

void SetField(char* field, std::size_t width, const std::string& text)
{
    if (width == 0)
        return;
    const std::size_t n = Utf8Cut(text, width - 1);
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, width - n);
}

std::string FieldText(const char* field, std::size_t width)
{
    const void* nul = std::memchr(field, 0, width);
    const std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width;
    return std::string(field, n);
}

std::string EncodeText(const QString& text, std::size_t width)
{
    std::string bytes = text.toStdString();
    if (width != std::string::npos)
        bytes.resize(width == 0 ? 0 : Utf8Cut(bytes, width - 1));
    return bytes;
}

QString DecodeText(const std::string& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (utf8.hasError())
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return text;
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
