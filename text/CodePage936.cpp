#include "CodePage936.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

std::optional<QByteArray> EncodeCodePage936(QStringView text)
{
#ifdef Q_OS_WIN
    if (text.isEmpty())
        return QByteArray();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int length = int(text.size());
    BOOL usedDefault = FALSE;
    const int size = ::WideCharToMultiByte(936, 0, wide, length, nullptr, 0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    ::WideCharToMultiByte(936, 0, wide, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
#else
    Q_UNUSED(text);
    return std::nullopt;
#endif
}
