#include "Windows1252.h"

#include "CodeUnit.h"
#include "Utf8Sequence.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

void *const NoConverter = reinterpret_cast<void *>(iconv_t(-1));


// Latin-1 and Windows-1252 agree on every character but those of
// U+0080..U+009F and beyond U+00FF.
// A view whose every character is the code page's byte of the same value:
// ASCII and 0xA0..0xFF. A UTF-8 view's bytes beyond ASCII are no characters.
bool isLatin1Agreeing(QAnyStringView text)
{
    return text.visit([](auto view) {
        const auto *units = view.data();
        return std::all_of(units, units + view.size(), [](auto unit) {
            const char16_t u = CodeUnit(unit);
            if constexpr (std::is_same_v<decltype(view), QUtf8StringView>)
                return u < 0x80;
            else
                return u < 0x80 || (u >= 0xA0 && u <= 0xFF);
        });
    });
}

} // namespace

Windows1252Encoder::Windows1252Encoder() : m_converter(iconv_open("WINDOWS-1252", "UTF-8")) {}

Windows1252Encoder::~Windows1252Encoder()
{
    if (m_converter != NoConverter)
        iconv_close(static_cast<iconv_t>(m_converter));
}

void Windows1252Encoder::append(QByteArray &out, QAnyStringView text)
{
    // Nearly every line of a German register takes the fast road.
    if (isLatin1Agreeing(text)) {
        const qsizetype start = out.size();
        out.resize(start + text.size());
        char *to = out.data() + start;
        text.visit([&to](auto view) {
            const auto *units = view.data();
            for (qsizetype i = 0; i < view.size(); ++i)
                *to++ = char(CodeUnit(units[i]));
        });
        return;
    }
    QByteArray utf8 = text.toString().toUtf8();
    const qsizetype start = out.size();
    out.resize(start + utf8.size()); // never longer than its UTF-8
    char *in = utf8.data();
    size_t inLeft = size_t(utf8.size());
    char *to = out.data() + start;
    size_t outLeft = size_t(utf8.size());
    while (inLeft > 0) {
        if (m_converter == NoConverter
            || iconv(static_cast<iconv_t>(m_converter), &in, &inLeft, &to, &outLeft) == size_t(-1)) {
            // A character outside the code page: one "?" in its place.
            const size_t skip = std::min(size_t(Utf8SequenceLength(static_cast<unsigned char>(*in))), inLeft);
            in += skip;
            inLeft -= skip;
            *to++ = '?';
            --outLeft;
            ++m_replaced;
        }
    }
    out.truncate(to - out.data());
}

QString FromWindows1252(const QByteArray &bytes)
{
    // Outside 0x80..0x9F the code page is Latin-1.
    if (std::none_of(bytes.begin(), bytes.end(), [](char c) { return (unsigned char)(c) >= 0x80 && (unsigned char)(c) < 0xA0; }))
        return QString::fromLatin1(bytes);
    iconv_t cd = iconv_open("UTF-8", "WINDOWS-1252");
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 3, Qt::Uninitialized);
    char *from = in.data();
    size_t inLeft = size_t(in.size());
    char *to = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (cd == iconv_t(-1) || iconv(cd, &from, &inLeft, &to, &outLeft) == size_t(-1)) {
            // The five bytes the code page leaves undefined read as "?".
            ++from;
            --inLeft;
            *to++ = '?';
            --outLeft;
        }
    }
    if (cd != iconv_t(-1))
        iconv_close(cd);
    out.truncate(to - out.data());
    return QString::fromUtf8(out);
}
