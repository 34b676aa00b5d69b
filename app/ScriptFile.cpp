#include "app/ScriptFile.h"

#include "app/FileSaver.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

QString ScriptFile::decode(const QByteArray &bytes, bool *valid)
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

ScriptFile::ReadResult ScriptFile::read(const QString &path)
{
    ReadResult result;
    QFile file(path);
    // Only regular files: opening a FIFO would block the window, and a device may never end.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        result.status = Status::CannotOpen;
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.status = Status::CannotOpen;
        return result;
    }
    if (bytes.contains('\0')) {
        result.status = Status::HasNul;
        return result;
    }
    bool valid = false;
    result.text = decode(bytes, &valid);
    result.status = valid ? Status::Ok : Status::NotUtf8;
    if (!valid)
        result.text.clear();
    return result;
}

bool ScriptFile::write(const QString &path, const QString &text)
{
    return FileSaver::save(path, text.toUtf8());
}
