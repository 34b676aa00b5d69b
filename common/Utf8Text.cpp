#include "common/Utf8Text.h"

#include <QTextCodec>

QString Utf8Text::decode(const QByteArray &bytes, bool *valid)
{
    int length = bytes.indexOf('\0');
    if (length < 0)
        length = bytes.size();
    int start = 0;
    if (length >= 3 && bytes.startsWith("\xEF\xBB\xBF"))
        start = 3;

    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    const QString text = QTextCodec::codecForMib(106)->toUnicode(bytes.constData() + start, length - start, &state);
    if (valid)
        *valid = state.invalidChars == 0 && state.remainingChars == 0;
    return text;
}
